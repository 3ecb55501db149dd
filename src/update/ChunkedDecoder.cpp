#include "ChunkedDecoder.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The chunk size at the start of a size line (extensions after ";" are ignored); -1 when the
// line has none or it does not fit.
qint64 ChunkSize(const QByteArray& line)
{
    qint64 size = 0;
    int i = 0;
    for (; i < line.size(); ++i) {
        const int d = HexDigit(line.at(i));
        if (d < 0)
            break;
        if (size > (std::numeric_limits<qint64>::max() >> 4))
            return -1;
        size = size * 16 + d;
    }
    if (i == 0)
        return -1;
    while (i < line.size() && (line.at(i) == ' ' || line.at(i) == '\t'))
        ++i;
    return i == line.size() || line.at(i) == ';' ? size : -1;
}

} // namespace

TChunkedDecoder::Result TChunkedDecoder::Line(const QByteArray& line)
{
    switch (m_state) {
    case SizeLine: {
        const qint64 size = ChunkSize(line);
        if (size < 0) {
            m_state = Broken;
            return Malformed;
        }
        m_left = size;
        m_state = size == 0 ? Trailer : ChunkData;
        return NeedMore;
    }
    case ChunkEnd:
        if (!line.isEmpty()) {
            m_state = Broken;
            return Malformed;
        }
        m_state = SizeLine;
        return NeedMore;
    case Trailer:
        if (line.isEmpty()) {
            m_state = Done;
            return Finished;
        }
        return NeedMore; // trailer fields are not used
    default:
        return NeedMore;
    }
}

TChunkedDecoder::Result TChunkedDecoder::Feed(const char* data, qsizetype length, QByteArray* out)
{
    qsizetype i = 0;
    while (i < length) {
        if (m_state == Done)
            return Finished;
        if (m_state == Broken)
            return Malformed;
        if (m_state == ChunkData) {
            const qsizetype take = static_cast<qsizetype>(std::min<qint64>(m_left, length - i));
            out->append(data + i, take);
            i += take;
            m_left -= take;
            if (m_left == 0)
                m_state = ChunkEnd;
            continue;
        }
        const char* lf = static_cast<const char*>(std::memchr(data + i, '\n', static_cast<std::size_t>(length - i)));
        const qsizetype end = lf ? lf - data : length;
        m_line.append(data + i, end - i);
        i = lf ? end + 1 : length;
        if (m_line.size() > MaxLineLength) {
            m_state = Broken;
            return Malformed;
        }
        if (!lf)
            break;
        QByteArray line = std::exchange(m_line, QByteArray());
        if (line.endsWith('\r'))
            line.chop(1);
        if (Line(line) == Malformed)
            return Malformed;
    }
    return m_state == Done ? Finished : m_state == Broken ? Malformed : NeedMore;
}
