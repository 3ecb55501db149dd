// Virtual I/O over a file descriptor with a few bytes of the header replaced.
#include "PatchedSource.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace bladeenc {

namespace {

PatchedSource& Self(void* data)
{
    return *static_cast<PatchedSource*>(data);
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

PatchedSource::PatchedSource(int fd, long long fileSize) : m_fd(fd), m_size(fileSize)
{
}

void PatchedSource::Patch(long long offset, const std::string& bytes)
{
    m_patches.emplace_back(offset, bytes);
}

SNDFILE* PatchedSource::Open(SF_INFO* info)
{
    static SF_VIRTUAL_IO io = {VioLength, VioSeek, VioRead, VioWrite, VioTell};
    m_position = 0;
    return sf_open_virtual(&io, SFM_READ, info, this);
}

long long PatchedSource::Read(void* buffer, long long count)
{
    long long done = 0;
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (done < count) {
        ssize_t n = pread(m_fd, bytes + done, size_t(count - done), off_t(m_position + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    // Each patch, wherever it falls in this read, shows its own bytes.
    for (const auto& [offset, patch] : m_patches) {
        long long from = std::max(m_position, offset);
        long long to = std::min(m_position + done, offset + (long long)patch.size());
        for (long long at = from; at < to; ++at)
            bytes[at - m_position] = (unsigned char)patch[size_t(at - offset)];
    }
    m_position += done;
    return done;
}

long long PatchedSource::Seek(long long offset, int whence)
{
    long long base = whence == SEEK_CUR ? m_position : whence == SEEK_END ? m_size : 0;
    if (base + offset < 0)
        return -1;
    m_position = base + offset;
    return m_position;
}

} // namespace bladeenc
