// Checks an Ogg file (Vorbis, Opus) page by page before it is encoded. libsndfile decodes a
// damaged page or a stream cut mid-page without complaint, giving shorter or broken audio.
#pragma once

#include <string>

namespace bladeenc {

// The CRC-32 of an Ogg page (polynomial 0x04C11DB7, not reflected, starting at 0), computed
// with the page's checksum field taken as zeros.
unsigned long OggPageCrc(const unsigned char* page, size_t size);

// Empty when the file is a whole run of Ogg pages: each page's checksum holds, each logical
// stream's pages follow each other without a gap, and the file ends with the last page of every
// stream it began. Otherwise why it is refused ("is cut short: ...", "is damaged: ...").
// Reads the file through fd with pread; size is its length.
std::string OggProblem(int fd, long long size);

} // namespace bladeenc
