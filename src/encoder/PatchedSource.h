// A source handed to libsndfile through virtual I/O with a few header bytes shown differently,
// for headers libsndfile would misread:
// - a WAV whose recorder never came back to fill in the data chunk's size: libsndfile takes a
//   size of 0 at its word and reads nothing, but takes 0xFFFFFFFF as "to the end of the file";
// - an AIFF whose text chunks are longer than libsndfile can hold (it refuses the whole file):
//   their ids are shown as "JUNK", which it skips, and the encoder reads the text itself.
#pragma once

#include <sndfile.h>

#include <string>
#include <utility>
#include <vector>

namespace bladeenc {

class PatchedSource {
public:
    // fd stays owned by the caller and must outlive the returned SNDFILE.
    PatchedSource(int fd, long long fileSize);
    // Shows bytes at offset instead of what the file holds there.
    void Patch(long long offset, const std::string& bytes);
    // sf_open_virtual over the patched file; nullptr when libsndfile refuses.
    SNDFILE* Open(SF_INFO* info);

    long long Read(void* buffer, long long count);
    long long Seek(long long offset, int whence);
    long long Tell() const { return m_position; }
    long long Length() const { return m_size; }

private:
    int m_fd;
    long long m_size;
    long long m_position = 0;
    std::vector<std::pair<long long, std::string>> m_patches;
};

} // namespace bladeenc
