#include "WSockbuf.h"

#include <algorithm>
#include <cstring>

TBuffer::TBuffer(int size)
{
    SetSize(size);
}

void TBuffer::SetSize(int size)
{
    if (size <= 0)
        size = DefaultSize;
    FStorage.resize(static_cast<std::size_t>(size));
    FWrCount = std::min(FWrCount, size);
    FRdCount = std::min(FRdCount, FWrCount);
}

int TBuffer::Append(const void* data, int length)
{
    if (length <= 0 || data == nullptr)
        return 0;
    const int taken = std::min(length, Size() - FWrCount);
    if (taken <= 0)
        return 0;
    std::memcpy(FStorage.data() + FWrCount, data, static_cast<std::size_t>(taken));
    FWrCount += taken;
    return taken;
}

int TBuffer::Pending(const char** data) const
{
    if (data)
        *data = FStorage.data() + FRdCount;
    return FWrCount - FRdCount;
}

void TBuffer::Consume(int count)
{
    if (count <= 0)
        return;
    FRdCount += std::min(count, FWrCount - FRdCount);
    if (FRdCount >= FWrCount) {
        FRdCount = 0;
        FWrCount = 0;
    }
}
