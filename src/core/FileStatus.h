#pragma once
// Each listed file's part in the last batch, as the encoder's lines tell it: waiting, encoding
// (with its percentage), done, failed (with the encoder's error line), skipped or stopped. The
// list shows it in its Status column; it is never saved. Main thread only.
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

enum TFileState : unsigned char { fsNone, fsWaiting, fsEncoding, fsDone, fsFailed, fsSkipped, fsStopped };

struct TFileStatus {
    TFileState State = fsNone;
    int Percent = 0;   // fsEncoding: whole percent of the file
    QString Detail;    // what the encoder said about the file beyond its progress (error lines)
    bool operator==(const TFileStatus&) const = default;
};

// The cell text: "Waiting", "Encoding 45%", "Done", ...; empty for fsNone.
QString FileStatusText(const TFileStatus& status);

// Follows the files of one batch through the encoder's lines. The encoder tells its files one
// after another in command-line order, each one's lines together ("Encoding: <path>", its formats
// and progress, then "Completed." or its error line), also when it encodes several at once; a
// line between a file's "Encoding:" line and its end is that file's. Files are numbered by their
// position in the batch's list.
class TBatchFileStatus {
public:
    // Called for every change, with the file's position and its new status.
    using Changed = std::function<void(int file, const TFileStatus& status)>;
    void SetOnChanged(Changed onChanged) { m_onChanged = std::move(onChanged); }

    // A new batch over `files`: each one waits.
    void BeginBatch(const QStringList& files);
    // One encoder run over the files first .. first + count - 1 begins.
    void BeginRun(int first, int count);
    // The run's "Encoding:" line: the file of that path among the run's files not yet told
    // (the next one in order when the path does not match, as a name with bytes that are no
    // UTF-8 reads back differently).
    void FileStarted(const QString& path);
    // The current file's percentage.
    void FileProgress(double percent);
    // The current file's "Completed." line: done, unless an error line came first.
    void FileCompleted();
    // A line the encoder wrote about the current file that is no part of its story: an error line
    // fails the file, a "Warning:" line is kept as its detail only. Lines outside a file are the
    // run's, not a file's.
    void FileMessage(const QString& line);
    // The batch is over. Stopped by the user: every file not finished is stopped. Otherwise a
    // file left half-told failed and a file never started was skipped, both with `endError` (why
    // the run ended early) as their detail.
    void EndBatch(bool stopped, const QString& endError);

    int Count() const { return int(m_status.size()); }
    const TFileStatus& Status(int file) const { return m_status.at(file); }
    // The file whose lines arrive now, or -1.
    int CurrentFile() const { return m_current; }

private:
    void Set(int file, const TFileStatus& status);

    Changed m_onChanged;
    QStringList m_files;
    QList<TFileStatus> m_status;
    int m_runEnd = 0;  // one past the current run's last file
    int m_next = 0;    // the file the run tells next, in order
    int m_current = -1;
};
