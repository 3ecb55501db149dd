#pragma once
// TBatchRun: one Encode command from the encoder check to the countdown: the console runner, the
// output interpreter and the progress display it drives, the questions after the run, the run log
// and the shutdown after a clean batch. It lives in ui rather than core because its steps are modal
// windows (the progress window's loop, the questions, the log window, the countdown); what it asks
// of the user goes through IBatchUser, which TBatchWindows implements with the real windows.
// Main thread only.
#include "OutputInterpreter.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

#include "FileStatus.h"

class QByteArray;
class QWidget;
class IProgressDisplay;
class TFormProgress;
class TGUI2Console;
class TTrayController;
struct TChildEnd;
struct TSettings;

// What a batch run asks of the user.
class IBatchUser {
public:
    virtual ~IBatchUser() = default;
    // A message box, with ShowMessageBox's flags and results.
    virtual int Ask(const QString& text, const QString& caption, unsigned flags) = 0;
    // A new progress window for the run, placed over the main window, its tray button wired. The
    // run owns it and deletes it when it is over.
    virtual TFormProgress* CreateProgressWindow() = 0;
    // The log window with `lines`, modal.
    virtual void ShowLog(const QStringList& lines) = 0;
    // The shutdown countdown, modal: true when it ran out, false when the user stopped it.
    virtual bool CountDown() = 0;
    // The tray icon's hint.
    virtual void SetTrayHint(const QString& hint) = 0;
    // The batch is over (`progressResult` is the progress window's result), before the questions
    // after it: the place to tell a user who is away from the windows.
    virtual void BatchEnded(int progressResult, bool errorOccurred) { (void)progressResult; (void)errorOccurred; }
};

// The real windows over `owner` and the tray of `tray`.
class TBatchWindows : public IBatchUser {
public:
    TBatchWindows(QWidget* owner, TTrayController& tray) : m_owner(owner), m_tray(tray) {}
    int Ask(const QString& text, const QString& caption, unsigned flags) override;
    TFormProgress* CreateProgressWindow() override;
    void ShowLog(const QStringList& lines) override;
    bool CountDown() override;
    void SetTrayHint(const QString& hint) override;
    void BatchEnded(int progressResult, bool errorOccurred) override;

private:
    QWidget* m_owner;
    TTrayController& m_tray;
};

// The log line for a run that ended badly: the encoder killed by a signal, a non-zero exit
// status, or fewer files completed than it announced. Empty for a clean end.
QString EncoderEndError(const TChildEnd& end, int filesDone, int filesToEncode);

class TBatchRun : public QObject {
    Q_OBJECT

public:
    // `user` and `settings` must outlive the run; a batch reads the settings as they are when it
    // starts.
    TBatchRun(QObject* owner, IBatchUser& user, const TSettings& settings);
    ~TBatchRun() override;

    // Runs the encoder over `files` (absolute paths) and returns when the batch and the dialogs
    // after it are over: once, or, when the command line would pass the system's limit, several
    // times in a row, each run over as many files as fit, in list order, under one progress
    // window. The MP3s go where the output settings say (TOutputPlan); with SkipExisting, files
    // whose MP3 exists are left out with a log line each, and when that leaves none, nothing runs
    // and the user is told. A second call while a batch runs does nothing.
    void Execute(const QStringList& files);
    // The files the last batch left out because their MP3 existed.
    const QStringList& SkippedSources() const { return m_skippedSources; }
    // The files of the last batch that the batch deleted (the delete-source setting): they
    // existed when it began and are gone at its end.
    const QStringList& DeletedSources() const { return m_deletedSources; }
    // Shows the run log of the last batch.
    void ViewLog();
    // The run log of the last batch; SetLog puts back the one a previous start saved.
    const QStringList& Log() const { return m_state.Log; }
    void SetLog(const QStringList& lines) { m_state.Log = lines; }
    // The running or last batch's counters, log and error flag.
    const TBatchState& State() const { return m_state; }

    // The runner's events, run on the main thread while the runner's worker waits. The owner
    // connects GUI2Console1's events to them.
    void Line(TGUI2Console* Sender, const QByteArray& Line);
    void Done(TGUI2Console* Sender);
    void Error(TGUI2Console* Sender, const QString& Message);

    TGUI2Console* GUI2Console1 = nullptr;
    // The running batch's progress window; null when no batch runs.
    TFormProgress* ProgressForm = nullptr;
    // Each change of a file's status in the last batch, the file given by its position in the
    // list Execute was given (files whose MP3 exists are skipped there, the others follow the
    // encoder).
    std::function<void(int listFile, const TFileStatus& status)> OnFileStatus;
    // Reads the encoder's lines for the running batch (and keeps the progress throttle).
    TOutputInterpreter& OutputInterpreter() { return *m_outputInterpreter; }
    // Switches the computer off once the countdown has run out; tests replace it.
    std::function<void()> ShutdownComputer;
    // Bytes of argument space one encoder run may fill (ChildArgumentSpace); tests replace it.
    std::function<qint64()> ArgumentSpace;

private:
    void StartNextRun();
    void RunnerIdle();

    // The running batch: its runs (each its file groups, after the arguments every run carries),
    // the next one to start, and how many files the encoder is given.
    QList<QList<QStringList>> m_runs;
    QStringList m_leading;
    qsizetype m_nextRun = 0;
    int m_filesBefore = 0; // files of the runs already started
    int m_listFiles = 0;
    QString m_encoder;
    QString m_options;
    bool m_startWhenIdle = false; // a run has ended well and the next waits for the runner
    QStringList m_deletedSources;
    QStringList m_skippedSources;

    IBatchUser& m_user;
    const TSettings& m_settings;
    TBatchState m_state; // written by the interpreter and by the run's end
    TBatchFileStatus m_fileStatus; // over the files the encoder is given
    QList<int> m_listPositions;     // of each of those files, in the list Execute was given
    std::unique_ptr<TOutputInterpreter> m_outputInterpreter;
    std::unique_ptr<IProgressDisplay> m_progressDisplay;
};
