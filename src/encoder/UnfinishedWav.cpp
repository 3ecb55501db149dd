// Virtual I/O over a file descriptor with four bytes of the header replaced.
#include "UnfinishedWav.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace bladeenc {

namespace {

UnfinishedWav& Self(void* data)
{
    return *static_cast<UnfinishedWav*>(data);
}

sf_count_t VioLength(void* data)
{
    return Self(data).Length();
}

sf_count_t VioSeek(sf_count_t offset, int whence, void* data)
{
    return Self(data).Seek(offset, whence);
}

sf_count_t VioRead(void* buffer, sf_count_t count, void* data)
{
    return Self(data).Read(buffer, count);
}

sf_count_t VioWrite(const void*, sf_count_t, void*)
{
    return 0;  // read only
}

sf_count_t VioTell(void* data)
{
    return Self(data).Tell();
}

} // namespace

UnfinishedWav::UnfinishedWav(int fd, long long fileSize, long long sizeField)
    : fd_(fd), size_(fileSize), sizeField_(sizeField)
{
}

SNDFILE* UnfinishedWav::Open(SF_INFO* info)
{
    static SF_VIRTUAL_IO io = {VioLength, VioSeek, VioRead, VioWrite, VioTell};
    position_ = 0;
    return sf_open_virtual(&io, SFM_READ, info, this);
}

long long UnfinishedWav::Read(void* buffer, long long count)
{
    long long done = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (done < count) {
        ssize_t n = pread(fd_, bytes + done, size_t(count - done), off_t(position_ + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    // The size field, wherever it falls in this read, reads as 0xFFFFFFFF.
    long long from = std::max(position_, sizeField_), to = std::min(position_ + done, sizeField_ + 4);
    for (long long at = from; at < to; ++at)
        bytes[at - position_] = 0xFF;
    position_ += done;
    return done;
}

long long UnfinishedWav::Seek(long long offset, int whence)
{
    long long base = whence == SEEK_CUR ? position_ : whence == SEEK_END ? size_ : 0;
    if (base + offset < 0)
        return -1;
    position_ = base + offset;
    return position_;
}

} // namespace bladeenc
