#pragma once
// Cuts a child's output into lines as it arrives in chunks. A line ends at a carriage
// return, a line feed, or a carriage return followed by a line feed; a NUL byte ends the
// text of its line (the rest of that line is dropped). The bytes after the last break wait
// as the unfinished fragment until a later chunk completes them.
#include <QByteArray>

#include <vector>

class TLineSplitter {
public:
    // Appends a chunk and adds every complete, non-empty line to lines (in order, without
    // its break). A break split across two chunks (CR at the end of one, LF at the start of
    // the next) yields no extra line.
    void Feed(const char* data, qsizetype count, std::vector<QByteArray>& lines);
    // The unfinished fragment, cut at its first NUL.
    QByteArray Fragment() const;
    // True when bytes follow the last break (even if they are all NULs).
    bool HasFragment() const { return !FBuffer.isEmpty(); }
    // True when the fragment, cut at its first NUL, ends with suffix (false for an empty
    // suffix or one longer than the fragment). Costs no copy of the fragment.
    bool FragmentEndsWith(const QByteArray& suffix) const;
    void Clear();

private:
    QByteArray FBuffer;   // the fragment: no CR or LF in it
    qsizetype FNul = -1;  // position of its first NUL, -1 for none
};
