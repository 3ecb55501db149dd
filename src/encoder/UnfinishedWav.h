// Reading a WAV whose recorder never came back to fill in the data chunk's size: libsndfile
// takes a size of 0 at its word and reads nothing, but takes 0xFFFFFFFF as "to the end of the
// file". The file is handed to libsndfile through virtual I/O that shows that value instead.
#pragma once

#include <sndfile.h>

#include <memory>

namespace bladeenc {

class UnfinishedWav {
public:
    // fd stays owned by the caller and must outlive the returned SNDFILE.
    UnfinishedWav(int fd, long long fileSize, long long sizeField);
    // sf_open_virtual over the file with the size field patched; nullptr when libsndfile refuses.
    SNDFILE* Open(SF_INFO* info);

    long long Read(void* buffer, long long count);
    long long Seek(long long offset, int whence);
    long long Tell() const { return position_; }
    long long Length() const { return size_; }

private:
    int fd_;
    long long size_;
    long long sizeField_;
    long long position_ = 0;
};

} // namespace bladeenc
