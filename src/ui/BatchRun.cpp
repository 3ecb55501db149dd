#include "BatchRun.h"

#include "BatchEndNotice.h"
#include "CommandLine.h"
#include "ConsoleIO.h"
#include "Dialogs.h"
#include "EncoderCommandLine.h"
#include "Errors.h"
#include "Log.h"
#include "LogFile.h"
#include "OutputInterpreter.h"
#include "OutputPlan.h"
#include "ResStr.h"
#include "RxTrayIcon.h"
#include "Shutdown.h"
#include "SleepInhibitor.h"
#include "TrayController.h"
#include "Globals.h"
#include "Progress.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLabel>
#include <QScopeGuard>
#include <QTimer>

namespace {

// The running batch's progress window and the tray hint, as the output interpreter writes them.
class TProgressFormDisplay : public IProgressDisplay {
public:
    TProgressFormDisplay(TBatchRun& run, IBatchUser& user) : m_run(run), m_user(user) {}

    void SetStatusText(const QString& t) override { Form().LabelStatus->setText(t); }
    void SetStatusEta(const QString& t) override { Form().LabelStatusETA->setText(t); }
    void SetStatusPosition(int p) override { TFormProgress::SetBarPosition(Form().ProgressBarStatus, p); }
    void SetBatchText(const QString& t) override { Form().LabelBatch->setText(t); }
    void SetBatchEta(const QString& t) override { Form().LabelBatchETA->setText(t); }
    void SetBatchPosition(int p) override { TFormProgress::SetBarPosition(Form().ProgressBarBatch, p); }
    void SetWorking(const QString& t) override { Form().SetWorkingText(t); }
    void SetInput(const QString& t) override { Form().LabelInput->setText(t); }
    void SetOutput(const QString& t) override { Form().LabelOutput->setText(t); }
    void SetTitle(const QString& t) override { Form().setWindowTitle(t); }
    void SetTrayHint(const QString& t) override { m_user.SetTrayHint(t); }

private:
    TFormProgress& Form() const { return *m_run.ProgressForm; }
    TBatchRun& m_run;
    IBatchUser& m_user;
};

// The runner stays busy after a stopped batch until its worker has reported the end. A new batch
// waits for that (the encoder has been killed, so it is short) rather than being refused.
void WaitForRunnerIdle(TGUI2Console& runner)
{
    const QDeadlineTimer deadline(10000);
    // processEvents with a time limit never sleeps (it drops WaitForMoreEvents) and would spin;
    // this timer instead wakes the sleeping wait often enough to see the deadline.
    QTimer wake;
    wake.start(20);
    while (runner.Running() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
}

// Saves the batch's log; the error to raise once the questions are over when that fails, else empty.
QString SaveBatchLog(const QStringList& log)
{
    const QString logPath = LogFilePath();
    return SaveLogFile(logPath, log) ? QString() : ResStr::CannotCreateFile.arg(logPath);
}

// The last line of the log that reports an error: why a run ended early.
QString LastErrorLine(const QStringList& log)
{
    for (auto it = log.crbegin(); it != log.crend(); ++it)
        if (it->startsWith(ResStr::LogErrorPrefix))
            return *it;
    return QString();
}

} // namespace

QString EncoderEndError(const TChildEnd& end, int filesDone, int filesToEncode)
{
    switch (end.Kind) {
    case TChildEnd::ceNone:
        // No child ran: the runner has reported why through its error event.
        return {};
    case TChildEnd::ceSignaled:
        return ResStr::LogErrorPrefix + ResStr::EncoderEndedBySignal.arg(end.Code).arg(filesDone).arg(filesToEncode);
    case TChildEnd::ceExited:
        if (end.Code != 0)
            return ResStr::LogErrorPrefix
                   + ResStr::EncoderEndedWithStatus.arg(end.Code).arg(filesDone).arg(filesToEncode);
        break;
    }
    if (filesDone < filesToEncode)
        return ResStr::LogErrorPrefix + ResStr::EncoderEndedEarly.arg(filesDone).arg(filesToEncode);
    return {};
}

int TBatchWindows::Ask(const QString& text, const QString& caption, unsigned flags)
{
    return ShowMessageBox(text, caption, flags);
}

TFormProgress* TBatchWindows::CreateProgressWindow()
{
    auto* progress = new TFormProgress(m_owner);
    progress->OnTrayButtonClick = [this] { m_tray.HideToTray(); };
    CenterOverOwner(progress, m_owner);
    return progress;
}

void TBatchWindows::ShowLog(const QStringList& lines)
{
    TFormLog log(m_owner);
    CenterOverOwner(&log, m_owner);
    log.SetLines(lines);
    log.ShowModal();
}

bool TBatchWindows::CountDown()
{
    TFormShutdown countdown(m_owner);
    CenterOverOwner(&countdown, m_owner);
    return countdown.ShowModal() == IDOK;
}

void TBatchWindows::SetTrayHint(const QString& hint)
{
    m_tray.RxTrayIcon1->SetHint(hint);
}

void TBatchWindows::BatchEnded(int progressResult, bool errorOccurred)
{
    TRxTrayIcon* icon = m_tray.RxTrayIcon1;
    icon->ShowMessage(BatchEndTrayMessage(icon->Active(), progressResult, errorOccurred), errorOccurred);
}

TBatchRun::TBatchRun(QObject* owner, IBatchUser& user, const TSettings& settings)
    : QObject(owner), m_user(user), m_settings(settings)
{
    GUI2Console1 = new TGUI2Console(this);
    GUI2Console1->SetPrompt(QStringLiteral("Status:"));
    GUI2Console1->SetAutoTerminate(false);
    GUI2Console1->SetTimeOutDelay(10000);
    GUI2Console1->SetPipeSize(ps1k);
    GUI2Console1->SetBufferSize(bs256);
    // The windows paint ten times a second: the encoder's lines may as well come over in groups,
    // which in a batch of short files spares the main thread most of its wake-ups.
    GUI2Console1->SetLineInterval(50);

    m_outputInterpreter = std::make_unique<TOutputInterpreter>(m_state);
    m_outputInterpreter->SetFileStatus(&m_fileStatus);
    m_fileStatus.SetOnChanged([this](int file, const TFileStatus& status) {
        if (OnFileStatus && file < m_listPositions.size())
            OnFileStatus(m_listPositions.at(file), status);
    });
    m_progressDisplay = std::make_unique<TProgressFormDisplay>(*this, m_user);
    ShutdownComputer = [this] {
        const QString refused = ShutdownWindows();
        if (!refused.isEmpty())
            m_user.Ask(ResStr::ShutdownRefused.arg(refused), ResStr::CaptionError, MB_OK | MB_ICONERROR);
    };
    ArgumentSpace = [] { return ChildArgumentSpace(); };
    // Queued: the next run starts from the event loop, not from inside the runner's end.
    connect(GUI2Console1, &TGUI2Console::Idle, this, [this] { RunnerIdle(); }, Qt::QueuedConnection);
}

TBatchRun::~TBatchRun() = default;

void TBatchRun::Execute(const QStringList& files)
{
    // One batch at a time: the running one owns the progress window and the runner.
    if (ProgressForm)
        return;
    // The file that will be started: a bare name is looked up in PATH, as the start would, and
    // the run starts the very file checked here.
    const QString encoder = ResolveProgramPath(m_settings.BladeEncPath);
    if (encoder.isEmpty() || !QFileInfo(encoder).isFile()) {
        m_user.Ask(ResStr::EncoderNotFound.arg(m_settings.BladeEncPath), ResStr::CaptionHint, MB_OK | MB_ICONWARNING);
        return;
    }
    if (files.isEmpty()) {
        m_user.Ask(ResStr::NoFilesToEncode, ResStr::CaptionHint, MB_OK | MB_ICONWARNING);
        return;
    }
    m_deletedSources.clear();
    m_skippedSources.clear();
    TOutputPlan plan(files, m_settings.OutputFolder, m_settings.KeepSubfolders);
    QStringList skipLines;
    if (m_settings.SkipExisting) {
        const TOutputPlan whole = plan;
        plan = whole.WithoutExistingMp3s(&m_skippedSources);
        // The skipped files come in list order: one walk finds each one's MP3.
        qsizetype at = 0;
        for (const QString& source : m_skippedSources) {
            while (whole.Sources().at(at) != source)
                ++at;
            skipLines << ResStr::LogSkippedExisting.arg(source, whole.Mp3Paths().at(at));
            if (OnFileStatus)
                OnFileStatus(int(at), TFileStatus{fsSkipped, 0, skipLines.last()});
        }
        if (plan.Sources().isEmpty()) {
            m_state.ErrorOccurred = false;
            m_state.Log = skipLines;
            const QString unsaved = SaveBatchLog(m_state.Log);
            m_user.Ask(ResStr::AllMp3sExist, ResStr::CaptionHint, MB_OK | MB_ICONINFORMATION);
            if (!unsaved.isEmpty())
                throw Exception(unsaved);
            return;
        }
    }
    m_encoder = encoder;
    m_options = BuildEncoderOptions(m_settings);
    m_leading = plan.Option().isEmpty() ? QStringList() : QStringList{plan.Option()};
    m_runs = SplitIntoRuns(m_encoder, m_options, m_leading, plan.FileGroups(),
                           ArgumentSpace ? ArgumentSpace() : ChildArgumentSpace());
    m_nextRun = 0;
    m_filesBefore = 0;
    m_listFiles = int(plan.Sources().size());
    m_startWhenIdle = false;
    QStringList existing; // the sources the encoder may delete
    if (m_settings.DeleteSource)
        for (const QString& file : plan.Sources())
            if (QFileInfo::exists(file))
                existing << file;
    GUI2Console1->SetPriority(m_settings.Priority <= tpTimeCritical ? TThreadPriority(m_settings.Priority)
                                                                     : tpNormal);

    // Before the new window exists, so that a late end event of the previous run cannot end it.
    WaitForRunnerIdle(*GUI2Console1);

    TFormProgress* progress = m_user.CreateProgressWindow();
    ProgressForm = progress;
    const auto destroyProgress = qScopeGuard([this, progress] {
        ProgressForm = nullptr;
        delete progress;
    });

    m_state.ErrorOccurred = false;
    m_state.Log = skipLines;
    // The counts describe this batch only: an encoder that never announces its files must not be
    // judged by the previous batch's.
    m_state.FilesToEncode = 0;
    m_state.FilesDone = 0;
    // The encoder's files are the list's in order, less the skipped ones.
    m_listPositions.clear();
    for (int at = 0, next = 0; at < files.size() && next < plan.Sources().size(); ++at)
        if (files.at(at) == plan.Sources().at(next)) {
            m_listPositions << at;
            ++next;
        }
    m_fileStatus.BeginBatch(plan.Sources());

    // A runner still busy refuses the start with an error event and will report no end: then
    // there is no run to wait for.
    const bool refused = GUI2Console1->Running();
    TSleepInhibitor keepAwake(m_listFiles); // given back at the end, also when a step fails
    StartNextRun();
    m_user.SetTrayHint(ResStr::TrayStarting);

    const int result = refused ? IDCANCEL : progress->ShowModal();
    m_startWhenIdle = false;
    m_runs.clear();
    GUI2Console1->Stop();
    // The stopped encoder's last lines and its end belong to this batch's log.
    WaitForRunnerIdle(*GUI2Console1);
    if (result == IDCANCEL && !refused)
        m_state.Log.append(ResStr::LogStoppedByUser.arg(m_state.FilesDone).arg(m_listFiles));
    m_fileStatus.EndBatch(result == IDCANCEL && !refused, LastErrorLine(m_state.Log));
    for (const QString& file : existing)
        if (!QFileInfo::exists(file))
            m_deletedSources << file;
    keepAwake.Release();
    m_user.BatchEnded(result, m_state.ErrorOccurred);

    // The log of every batch is kept, whatever the user answers below.
    const QString unsaved = SaveBatchLog(m_state.Log);
    if (m_state.ErrorOccurred) {
        if (m_user.Ask(ResStr::ErrorViewLog, ResStr::CaptionError, MB_YESNOCANCEL | MB_ICONERROR) == IDYES)
            m_user.ShowLog(m_state.Log);
    }
    if (!unsaved.isEmpty())
        throw Exception(unsaved);
    if (m_state.ErrorOccurred)
        return;
    if (progress->CheckBoxShutdown->isChecked() && result != IDCANCEL && m_user.CountDown() && ShutdownComputer)
        ShutdownComputer();
}

void TBatchRun::StartNextRun()
{
    const QList<QStringList>& groups = m_runs.at(m_nextRun++);
    const int inRun = int(groups.size());
    m_outputInterpreter->BeginRun({m_filesBefore, inRun, m_listFiles - m_filesBefore - inRun});
    m_filesBefore += inRun;
    QStringList arguments = m_leading;
    for (const QStringList& group : groups)
        arguments += group;
    GUI2Console1->SetCommand(BuildRunCommandLine(m_encoder, m_options, arguments));
    GUI2Console1->Start();
}

void TBatchRun::RunnerIdle()
{
    if (!m_startWhenIdle || GUI2Console1->Running())
        return;
    m_startWhenIdle = false;
    if (ProgressForm && ProgressForm->ModalResult() != IDCANCEL && m_nextRun < m_runs.size())
        StartNextRun();
}

void TBatchRun::ViewLog()
{
    m_user.ShowLog(m_state.Log);
}

void TBatchRun::Line(TGUI2Console* /*Sender*/, const QByteArray& Line)
{
    // Decoded so that the log file gets back the very bytes the encoder wrote.
    m_outputInterpreter->HandleLine(DecodeLogBytes(Line), ProgressForm ? m_progressDisplay.get() : nullptr);
}

void TBatchRun::Done(TGUI2Console* Sender)
{
    // A run the user stopped has left the progress window (or closed it with Cancel) before
    // its end arrives: its killed encoder is no error. Any other run must have ended cleanly
    // with every announced file completed, or the batch is not a success.
    const bool going = ProgressForm && ProgressForm->ModalResult() != IDCANCEL;
    if (going) {
        const QString error = EncoderEndError(Sender->ChildEnd(), m_outputInterpreter->RunFilesDone(),
                                              m_outputInterpreter->RunFilesAnnounced());
        if (!error.isEmpty()) {
            m_state.Log.append(error);
            m_state.ErrorOccurred = true;
        }
    }
    // A run that ended by itself hands on to the next run of the list once the runner takes a
    // new start; one that could not start or was killed ends the batch.
    if (going && m_nextRun < m_runs.size() && Sender->ChildEnd().Kind == TChildEnd::ceExited) {
        m_startWhenIdle = true;
        return;
    }
    if (ProgressForm) {
        ProgressForm->Finished = true;
        ProgressForm->SetModalResult(IDOK);
    }
    m_user.SetTrayHint(ResStr::TrayFinished);
}

void TBatchRun::Error(TGUI2Console* /*Sender*/, const QString& Message)
{
    m_state.Log.append(ResStr::LogErrorPrefix + Message);
    m_state.ErrorOccurred = true;
}
