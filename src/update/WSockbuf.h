#pragma once
// TBuffer: one fixed-size block of the socket's send queue, filled at its end and read from
// its front. Owned and used by one thread (the socket's).
#include <vector>

class TBuffer {
public:
    static constexpr int DefaultSize = 1514;

    // A size of 0 or less gives the default size.
    explicit TBuffer(int size = 0);

    // Copies as much of `data` as fits after the written bytes; returns the number taken
    // (0 when the buffer is full).
    int Append(const void* data, int length);
    // The unread bytes (from the read count to the write count) and their number.
    int Pending(const char** data) const;
    // Marks up to `count` unread bytes as read; once everything is read both counts go back
    // to 0 so the buffer can be filled again.
    void Consume(int count);

    int Size() const { return static_cast<int>(FStorage.size()); }
    // Changing the size keeps the written bytes (as many as still fit).
    void SetSize(int size);
    int WrCount() const { return FWrCount; }
    int RdCount() const { return FRdCount; }

private:
    std::vector<char> FStorage;
    int FWrCount = 0;
    int FRdCount = 0;
};
