// The main window's batch run: the Encode command, the runner's events, the log of the last
// run and the shutdown after a clean batch.
#include "Main.h"

#include "BatchEndNotice.h"
#include "ConsoleIO.h"
#include "Dialogs.h"
#include "EncoderCommandLine.h"
#include "Errors.h"
#include "Log.h"
#include "LogFile.h"
#include "OutputInterpreter.h"
#include "ResStr.h"
#include "RxTrayIcon.h"
#include "Shutdown.h"
#include "SleepInhibitor.h"
#include "globals.h"
#include "progress.h"

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
    explicit TProgressFormDisplay(TFormMain& main) : m_main(main) {}

    void SetStatusText(const QString& t) override { Form().LabelStatus->setText(t); }
    void SetStatusEta(const QString& t) override { Form().LabelStatusETA->setText(t); }
    void SetStatusPosition(int p) override { TFormProgress::SetBarPosition(Form().ProgressBarStatus, p); }
    void SetBatchText(const QString& t) override { Form().LabelBatch->setText(t); }
    void SetBatchEta(const QString& t) override { Form().LabelBatchETA->setText(t); }
    void SetBatchPosition(int p) override { TFormProgress::SetBarPosition(Form().ProgressBarBatch, p); }
    void SetWorking(const QString& t) override { Form().LabelWorking->setText(t); }
    void SetInput(const QString& t) override { Form().LabelInput->setText(t); }
    void SetOutput(const QString& t) override { Form().LabelOutput->setText(t); }
    void SetTitle(const QString& t) override { Form().setWindowTitle(t); }
    void SetTrayHint(const QString& t) override { m_main.RxTrayIcon1->SetHint(t); }

private:
    TFormProgress& Form() const { return *m_main.ProgressForm; }
    TFormMain& m_main;
};

TInterpreterTexts InterpreterTexts()
{
    TInterpreterTexts t;
    t.Status = ResStr::ProgressStatus;
    t.Batch = ResStr::ProgressBatch;
    t.EstimatedTime = ResStr::ProgressEstimatedTime;
    t.CompletedIn = ResStr::ProgressCompletedIn;
    t.BatchDone = ResStr::ProgressBatchDone;
    t.WorkingOn = ResStr::ProgressWorkingOn;
    t.InputFormat = ResStr::ProgressInputFormat;
    t.OutputFormat = ResStr::ProgressOutputFormat;
    t.EncodingFinished = ResStr::ProgressEncodingFinished;
    t.TrayHint = ResStr::TrayProgressHint;
    return t;
}

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

} // namespace

void TFormMain::CreateBatchRunner()
{
    GUI2Console1 = new TGUI2Console(this);
    GUI2Console1->SetPrompt(QStringLiteral("Status:"));
    GUI2Console1->SetAutoTerminate(false);
    GUI2Console1->SetTimeOutDelay(10000);
    GUI2Console1->SetPipeSize(ps1k);
    GUI2Console1->SetBufferSize(bs256);
    // A handler's failure goes back to the runner, which reports it through OnError: the line
    // handler needs no error display of its own. The end and error handlers cannot hand a failure
    // on, so they run inside the default error display.
    GUI2Console1->OnLine = [this](TGUI2Console* sender, const QByteArray& line) { GUI2Console1Line(sender, line); };
    GUI2Console1->OnDone = Guarded([this](TGUI2Console* sender) { GUI2Console1Done(sender); });
    GUI2Console1->OnError = Guarded([this](TGUI2Console* sender, const QString& message) {
        GUI2Console1Error(sender, message);
    });

    m_outputInterpreter = std::make_shared<TOutputInterpreter>(
        TBatchFields{GlobalVars.FilesToEncode, GlobalVars.FilesDone, GlobalVars.Log, GlobalVars.ErrorOccurred,
                     GlobalVars.CurrentFile, GlobalVars.FilePercent, GlobalVars.BatchPercent},
        InterpreterTexts());
    m_progressDisplay = std::make_shared<TProgressFormDisplay>(*this);
    ShutdownComputer = [] { ShutdownWindows(); };
}

QString TFormMain::BuildEncoderOptions() const
{
    TEncoderOptionValues values;
    values.Bitrate = GlobalVars.Bitrate;
    values.Priority = GlobalVars.Priority;
    values.Mono = GlobalVars.Mono;
    values.Crc = GlobalVars.Crc;
    values.DeleteSource = GlobalVars.DeleteSource;
    values.Mp3Flags = GlobalVars.Mp3Flags;
    return ::BuildEncoderOptions(values);
}

void TFormMain::ActionEncodeExecute()
{
    // One batch at a time: the running one owns the progress window and the runner.
    if (ProgressForm)
        return;
    if (!QFileInfo(GlobalVars.BladeEncPath).isFile()) {
        ShowMessageBox(ResStr::EncoderNotFound.arg(GlobalVars.BladeEncPath), ResStr::CaptionHint,
                       MB_OK | MB_ICONWARNING);
        return;
    }
    const QList<TFileEntry> entries = FileEntries();
    if (entries.isEmpty()) {
        ShowMessageBox(ResStr::NoFilesToEncode, ResStr::CaptionHint, MB_OK | MB_ICONWARNING);
        return;
    }
    QStringList files;
    files.reserve(entries.size());
    for (const TFileEntry& entry : entries)
        files << entry.FullPath();
    GUI2Console1->SetCommand(BuildEncoderCommandLine(GlobalVars.BladeEncPath, BuildEncoderOptions(), files));
    GUI2Console1->SetPriority(GlobalVars.Priority <= tpTimeCritical ? TThreadPriority(GlobalVars.Priority)
                                                                    : tpNormal);

    // Before the new window exists, so that a late end event of the previous run cannot end it.
    WaitForRunnerIdle(*GUI2Console1);

    auto* progress = new TFormProgress(this);
    ProgressForm = progress;
    const auto destroyProgress = qScopeGuard([this, progress] {
        ProgressForm = nullptr;
        delete progress;
    });
    progress->OnTrayButtonClick = [this] { HideToTray(); };
    CenterOverOwner(progress, this);

    GlobalVars.ErrorOccurred = false;
    GlobalVars.Log.clear();

    // A runner still busy refuses the start with an error event and will report no end: then
    // there is no run to wait for.
    const bool refused = GUI2Console1->Running();
    TSleepInhibitor keepAwake(int(files.size())); // given back at the end, also when a step fails
    GUI2Console1->Start();
    RxTrayIcon1->SetHint(ResStr::TrayStarting);

    const int result = refused ? IDCANCEL : progress->ShowModal();
    GUI2Console1->Stop();
    keepAwake.Release();
    RxTrayIcon1->ShowMessage(BatchEndTrayMessage(RxTrayIcon1->Active(), result, GlobalVars.ErrorOccurred),
                             GlobalVars.ErrorOccurred);

    if (GlobalVars.ErrorOccurred) {
        if (ShowMessageBox(ResStr::ErrorViewLog, ResStr::CaptionError, MB_YESNOCANCEL | MB_ICONERROR) == IDYES) {
            ShowRunLog();
            SaveRunLog();
        }
        return;
    }
    SaveRunLog();
    if (progress->CheckBoxShutdown->isChecked() && result != IDCANCEL) {
        TFormShutdown countdown(this);
        CenterOverOwner(&countdown, this);
        if (countdown.ShowModal() == IDOK && ShutdownComputer)
            ShutdownComputer();
    }
}

void TFormMain::ActionViewLogExecute()
{
    ShowRunLog();
}

void TFormMain::ShowRunLog()
{
    TFormLog log(this);
    CenterOverOwner(&log, this);
    log.SetLines(GlobalVars.Log);
    log.ShowModal();
}

void TFormMain::SaveRunLog()
{
    const QString path = LogFilePath();
    if (!SaveLogFile(path, GlobalVars.Log))
        throw Exception(ResStr::CannotCreateFile.arg(path));
}

void TFormMain::GUI2Console1Line(TGUI2Console* /*Sender*/, const QByteArray& Line)
{
    // Decoded so that the log file gets back the very bytes the encoder wrote.
    m_outputInterpreter->HandleLine(DecodeLogBytes(Line), ProgressForm ? m_progressDisplay.get() : nullptr);
}

void TFormMain::GUI2Console1Done(TGUI2Console* /*Sender*/)
{
    if (ProgressForm) {
        ProgressForm->Finished = true;
        ProgressForm->SetModalResult(IDOK);
    }
    RxTrayIcon1->SetHint(ResStr::TrayFinished);
}

void TFormMain::GUI2Console1Error(TGUI2Console* /*Sender*/, const QString& Message)
{
    GlobalVars.Log.append(ResStr::LogErrorPrefix + Message);
    GlobalVars.ErrorOccurred = true;
}
