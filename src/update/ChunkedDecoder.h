#pragma once
// TChunkedDecoder: undoes HTTP/1.1's chunked transfer coding of a body that arrives in pieces
// of any size. Belongs to the thread that feeds it.
#include <QByteArray>

class TChunkedDecoder {
public:
    enum Result { NeedMore, Finished, Malformed };
    // Longest size or trailer line taken; a longer one is malformed.
    static constexpr int MaxLineLength = 4096;

    // Decodes `data`, appending the body's bytes to *out. Finished once the last chunk and its
    // trailer have arrived (bytes after that are not read); Malformed for a broken size line
    // or chunk end, and from then on.
    Result Feed(const char* data, qsizetype length, QByteArray* out);
    bool IsFinished() const { return m_state == Done; }
    void Reset() { *this = TChunkedDecoder(); }

private:
    enum State { SizeLine, ChunkData, ChunkEnd, Trailer, Done, Broken };
    // A whole line (without its line end) in the state that waits for one.
    Result Line(const QByteArray& line);

    State m_state = SizeLine;
    QByteArray m_line;
    qint64 m_left = 0;
};
