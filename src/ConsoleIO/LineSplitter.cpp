#include "LineSplitter.h"

#include <cstring>

namespace {

bool IsBreak(char c) { return c == '\r' || c == '\n'; }

// Adds one line, cut at its first NUL, unless that leaves it empty.
void AddLine(const char* begin, const char* end, std::vector<QByteArray>& lines)
{
    if (const void* nul = std::memchr(begin, 0, static_cast<size_t>(end - begin)))
        end = static_cast<const char*>(nul);
    if (end > begin)
        lines.emplace_back(begin, end - begin);
}

}  // namespace

void TLineSplitter::Feed(const char* data, qsizetype count, std::vector<QByteArray>& lines)
{
    // The fragment holds no break, so only the new bytes need searching.
    qsizetype last = count - 1;
    while (last >= 0 && !IsBreak(data[last]))
        --last;
    if (last < 0) {
        if (FNul < 0) {
            if (const void* nul = std::memchr(data, 0, static_cast<size_t>(count)))
                FNul = FBuffer.size() + (static_cast<const char*>(nul) - data);
        }
        FBuffer.append(data, count);
        return;
    }

    qsizetype pos = 0;
    bool first = true;
    while (pos <= last) {
        qsizetype end = pos;
        while (!IsBreak(data[end]))
            ++end;
        if (first && !FBuffer.isEmpty()) {
            FBuffer.append(data + pos, end - pos);
            AddLine(FBuffer.constData(), FBuffer.constData() + FBuffer.size(), lines);
        } else {
            AddLine(data + pos, data + end, lines);
        }
        first = false;
        pos = end + ((data[end] == '\r' && end < last && data[end + 1] == '\n') ? 2 : 1);
    }
    FBuffer.resize(0);
    FBuffer.append(data + last + 1, count - last - 1);
    FNul = FBuffer.indexOf('\0');
}

QByteArray TLineSplitter::Fragment() const
{
    return FNul < 0 ? FBuffer : FBuffer.left(FNul);
}

bool TLineSplitter::FragmentEndsWith(const QByteArray& suffix) const
{
    const qsizetype size = FNul < 0 ? FBuffer.size() : FNul;
    if (suffix.isEmpty() || suffix.size() > size)
        return false;
    return std::memcmp(FBuffer.constData() + size - suffix.size(), suffix.constData(),
                       static_cast<size_t>(suffix.size())) == 0;
}

void TLineSplitter::Clear()
{
    FBuffer.resize(0);
    FNul = -1;
}
