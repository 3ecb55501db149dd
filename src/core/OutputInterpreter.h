#pragma once
// Understands the encoder's console lines while a batch runs: recognises them by their fixed
// prefixes and columns, drives the progress display, keeps the batch counters and the run log,
// and marks the batch as failed on a line it does not know. Main thread only.
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

// --- the rules, as plain functions ---

// Removes blanks and control characters (everything up to U+0020) from both ends.
QString TrimBlanks(const QString& text);
// Characters `first` to `last` (1-based, inclusive) of `line`, as far as the line reaches, trimmed.
QString CutColumns(const QString& line, qsizetype first, qsizetype last);
// Everything from character `first` (1-based) on, trimmed.
QString RestFrom(const QString& line, qsizetype first);
// The encoder's decimal text for display: its first "." becomes `decimalSeparator`.
QString LocalizeDecimal(const QString& text, const QString& decimalSeparator);
// Reads a number written with `decimalSeparator` as its decimal point: optional sign, digits with
// at most one separator, optional exponent, blanks around it allowed; no digit grouping.
std::optional<double> ParseLocaleNumber(const QString& text, const QString& decimalSeparator);
// A percentage's bar position on a bar of `maximum`: percent * maximum / 100, rounded to the
// nearest whole number with halves to the even one, held within the range of int.
int PercentToPosition(double percent, int maximum = 1000);
// A plain decimal integer (optional sign, digits, blanks around), or 0 when it is not one.
std::int32_t ParseDecimalIntOrZero(const QString& text);
// The file name part of a path: what follows its last path separator.
QString FileNamePart(const QString& path);
// The tray hint: `pattern` ("%1: %2%, Batch: %3%") filled with the file and both percentages,
// each with one decimal and the given decimal separator.
QString FormatTrayHint(const QString& pattern, const QString& currentFile, double filePercent,
                       double batchPercent, const QString& decimalSeparator);

// The columns of a progress line (1-based, inclusive).
struct TProgressFields {
    QString FilePercent;  // 8-14
    QString FileTime;     // 26-34
    QString BatchPercent; // 51-55
    QString BatchTime;    // 67-75
};
TProgressFields CutProgressLine(const QString& line);

// --- what the interpreter writes to ---

// The progress window and the tray hint, as the interpreter sees them.
class IProgressDisplay {
public:
    virtual ~IProgressDisplay() = default;
    virtual void SetStatusText(const QString& text) = 0;   // LabelStatus
    virtual void SetStatusEta(const QString& text) = 0;    // LabelStatusETA
    virtual void SetStatusPosition(int position) = 0;      // ProgressBarStatus, 0..1000 (may exceed)
    virtual void SetBatchText(const QString& text) = 0;    // LabelBatch
    virtual void SetBatchEta(const QString& text) = 0;     // LabelBatchETA
    virtual void SetBatchPosition(int position) = 0;       // ProgressBarBatch
    virtual void SetWorking(const QString& text) = 0;      // LabelWorking
    virtual void SetInput(const QString& text) = 0;        // LabelInput
    virtual void SetOutput(const QString& text) = 0;       // LabelOutput
    virtual void SetTitle(const QString& text) = 0;        // the window's caption
    virtual void SetTrayHint(const QString& text) = 0;     // the tray icon's hint
};

// The running batch's state: the counters, the run log and the error flag the interpreter keeps,
// and where the progress stands. The batch run owns it; it holds no settings.
struct TBatchState {
    std::int32_t FilesToEncode = 0;
    std::int32_t FilesDone = 0;
    QStringList Log;
    bool ErrorOccurred = false;
    QString CurrentFile;
    double FilePercent = 0;
    double BatchPercent = 0;
};

// Where one encoder run stands in a batch that a long list split into several runs, in files of
// the list: the runs before it, its own, the runs after it.
struct TRunSpan {
    std::int32_t FilesBefore = 0;
    std::int32_t FilesInRun = 0;
    std::int32_t FilesAfter = 0;
};

class TBatchFileStatus;

class TOutputInterpreter {
public:
    // Nanoseconds on a monotonic clock; tests give their own.
    using Clock = std::function<qint64()>;
    static constexpr qint64 ThrottleNs = 500'000'000;

    // The display texts come from the program's table of texts (ResStr). `state` must outlive
    // the interpreter.
    TOutputInterpreter(TBatchState& state, Clock clock = {});

    // One line as the runner delivered it. `display` is the running batch's display, or null
    // when no batch runs (then the line only goes to the log). Never throws for any content.
    void HandleLine(const QString& line, IProgressDisplay* display);

    // A new encoder run of the batch begins. The batch counters and the batch percentage then
    // cover the whole list: the run's "Files to encode" counts the files before and after it
    // too, and the files completed by earlier runs stay counted. One run over the whole list
    // is the span {0, n, 0}.
    void BeginRun(const TRunSpan& span);
    // The current run's own counts: announced by its "Files to encode" line (0 until then) and
    // completed.
    std::int32_t RunFilesAnnounced() const { return m_runAnnounced; }
    std::int32_t RunFilesDone() const { return m_runDone; }

    // Replaces the clock (an empty one restores the monotonic clock). The throttle keeps its last
    // reading: a clock that reads earlier than that drops progress lines until it passes it.
    void SetClock(Clock clock);

    // Where each file's status goes as its lines arrive (null: nowhere); it must outlive its use.
    void SetFileStatus(TBatchFileStatus* files) { m_files = files; }

    // The locale's decimal separator; by default the user's.
    void SetDecimalSeparator(const QString& separator) { m_decimalSeparator = separator; }
    const QString& DecimalSeparator() const { return m_decimalSeparator; }

private:
    void HandleProgress(const QString& line, IProgressDisplay& display);

    TBatchState& m_fields;
    TBatchFileStatus* m_files = nullptr;
    Clock m_clock;
    QElapsedTimer m_timer;
    QString m_decimalSeparator;
    // The clock's reading at the last processed progress line; none before the first one, so the
    // first progress line of the interpreter's life is always processed.
    std::optional<qint64> m_lastStatusUpdate;
    TRunSpan m_span;
    std::int32_t m_doneBefore = 0; // files completed by the earlier runs
    std::int32_t m_runAnnounced = 0;
    std::int32_t m_runDone = 0;
};
