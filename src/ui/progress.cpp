#include "progress.h"

#include "Dialogs.h"
#include "ResStr.h"
#include "RxTrayIcon.h"
#include "TitleBarButton.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace {
constexpr int ClientWidth = 371;
constexpr int ClientHeight = 178;
constexpr int PanelHeight = 137; // the bottom strip of 41 pixels lies below it
constexpr int Left = 8;
constexpr int FullWidth = 345;   // x 8 to x 353
constexpr int BarMaximum = 1000;

QLabel* MakeLabel(QWidget* parent, const QRect& geometry, Qt::Alignment alignment)
{
    auto* label = new QLabel(parent);
    // File names and encoder texts show as they are: no markup, no accelerator.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    label->setAlignment(alignment | Qt::AlignVCenter);
    // Rows are 16 pixels apart; a taller desktop font gets its full height (the labels are
    // transparent, so a pixel of overlap with the row below does no harm).
    QRect g = geometry;
    g.setHeight(std::max(g.height(), label->fontMetrics().height()));
    label->setGeometry(g);
    return label;
}

QProgressBar* MakeBar(QWidget* parent, int y)
{
    auto* bar = new QProgressBar(parent);
    bar->setGeometry(Left, y, FullWidth, 13);
    bar->setRange(0, BarMaximum);
    bar->setTextVisible(false);
    bar->setValue(0);
    return bar;
}
} // namespace

TFormProgress::TFormProgress(QWidget* owner) : QDialog(owner), m_owner(owner)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(ResStr::ProgressCaption);
    setFixedSize(ClientWidth, ClientHeight);
    setSizeGripEnabled(false);

    LabelStatusETA = MakeLabel(this, QRect(Left, 8, 190, 16), Qt::AlignLeft);
    LabelStatus = MakeLabel(this, QRect(200, 8, 153, 16), Qt::AlignRight);
    ProgressBarStatus = MakeBar(this, 24);
    ProgressBarBatch = MakeBar(this, 40);
    LabelBatchETA = MakeLabel(this, QRect(Left, 60, 190, 16), Qt::AlignLeft);
    LabelBatch = MakeLabel(this, QRect(200, 60, 153, 16), Qt::AlignRight);
    LabelWorking = MakeLabel(this, QRect(Left, 80, FullWidth, 16), Qt::AlignLeft);
    LabelWorking->setFixedWidth(FullWidth);
    LabelInput = MakeLabel(this, QRect(Left, 96, 170, 16), Qt::AlignLeft);
    LabelOutput = MakeLabel(this, QRect(183, 96, 170, 16), Qt::AlignRight);

    CheckBoxShutdown = new QCheckBox(ResStr::ProgressShutdownWhenDone, this);
    CheckBoxShutdown->setGeometry(Left, 120, FullWidth, 17);
    CheckBoxShutdown->setChecked(false);

    ButtonCancel = new QPushButton(ResStr::ProgressCancel, this);
    ButtonCancel->setGeometry(148, PanelHeight + 8, 75, 25);
    ButtonCancel->setDefault(true);
    ButtonCancel->setAutoDefault(true);
    connect(ButtonCancel, &QPushButton::clicked, this, Guarded([this](bool) { CloseQuery(); }));

    TrayButton = new TTitleBarButton(this, 0);
    TrayButton->move(ClientWidth - TTitleBarButton::ButtonWidth - 1, 1);
    TrayButton->setToolTip(ResStr::ProgressTrayButtonHint);
    // Hiding every window with no icon to bring them back would strand the user.
    TrayButton->setEnabled(TRxTrayIcon::Available());
    TrayButton->OnClick = [this](TTitleBarButton*, int, bool) {
        RunGuarded([this] {
            if (OnTrayButtonClick)
                OnTrayButtonClick();
        });
    };

    setTabOrder(CheckBoxShutdown, ButtonCancel);
    ButtonCancel->setFocus();

    // Restoring the application from the task bar brings this window back to normal state. The
    // filter goes with this window, so it never reaches a destroyed one.
    if (m_owner)
        m_owner->window()->installEventFilter(this);

    ResetDisplay();
    Finished = false;
}

TFormProgress::~TFormProgress()
{
    if (m_loop)
        m_loop->quit();
}

void TFormProgress::ResetDisplay()
{
    SetBarPosition(ProgressBarStatus, 0);
    SetBarPosition(ProgressBarBatch, 0);
    LabelStatus->setText(ResStr::ProgressStatus + QStringLiteral("0%"));
    LabelBatch->setText(ResStr::ProgressBatch + QStringLiteral("0%"));
    LabelStatusETA->setText(ResStr::ProgressEstimatedTime);
    LabelBatchETA->setText(ResStr::ProgressEstimatedTime);
    LabelWorking->setText(ResStr::ProgressWorkingOn);
    LabelInput->setText(ResStr::ProgressInputFormat);
    LabelOutput->setText(ResStr::ProgressOutputFormat);
}

void TFormProgress::SetBarPosition(QProgressBar* bar, int position)
{
    if (!bar)
        return;
    bar->setValue(std::clamp(position, bar->minimum(), bar->maximum()));
}

int TFormProgress::ShowModal()
{
    if (m_loop)
        return 0; // already running its loop
    // The run may have ended before the loop started: its result stands.
    if (!(Finished && m_modalResult != 0))
        m_modalResult = 0;
    if (m_modalResult == 0) {
        setWindowModality(Qt::ApplicationModal);
        if (m_owner)
            CenterOverOwner(this, m_owner);
        show();
        raise();
        activateWindow();
        ButtonCancel->setFocus();

        QPointer<TFormProgress> self(this);
        QEventLoop loop;
        m_loop = &loop;
        loop.exec(QEventLoop::DialogExec);
        if (!self)
            return IDCANCEL;
        m_loop = nullptr;
    }
    hide();
    // An application that quits ends every loop: that counts as an abort.
    if (m_modalResult == 0)
        m_modalResult = IDCANCEL;
    setResult(m_modalResult);
    return m_modalResult;
}

void TFormProgress::SetModalResult(int result)
{
    m_modalResult = result;
    if (m_loop && result != 0)
        m_loop->quit();
}

void TFormProgress::CloseQuery()
{
    // Only a running window can be closed, and only one question is open at a time.
    if (!m_loop || m_asking)
        return;
    // The run has ended and its result is on the way: nothing to ask, nothing to change.
    if (Finished && m_modalResult != 0)
        return;

    bool mayClose = true;
    if (!Finished) {
        m_asking = true;
        QPointer<TFormProgress> self(this);
        int answer = IDCANCEL;
        try {
            answer = ShowMessageBox(ResStr::ReallyAbortEncoding, ResStr::CaptionQuestion,
                                    MB_YESNOCANCEL | MB_ICONQUESTION);
        } catch (...) {
            if (self)
                m_asking = false;
            throw;
        }
        if (!self)
            return;
        m_asking = false;
        mayClose = answer == IDYES;
    }
    // The run ended while the question was open: the window closes, as aborted.
    if (Finished) {
        mayClose = true;
    }
    if (mayClose)
        SetModalResult(IDCANCEL);
}

void TFormProgress::closeEvent(QCloseEvent* event)
{
    // The window never closes by itself: the modal result ends the loop, which hides it.
    event->ignore();
    RunGuarded([this] { CloseQuery(); });
}

void TFormProgress::done(int result)
{
    // QDialog's own paths (accept, reject, done) end the loop like a modal result.
    SetModalResult(result == QDialog::Rejected ? int(IDCANCEL) : result);
}

void TFormProgress::accept()
{
    RunGuarded([this] { CloseQuery(); });
}

void TFormProgress::reject()
{
    // Escape.
    RunGuarded([this] { CloseQuery(); });
}

void TFormProgress::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && m_owner) {
        QWidget* main = m_owner->window();
        if (isMinimized()) {
            // Minimizing the progress window takes the whole application down to its task bar.
            if (main->isVisible() && !main->isMinimized())
                main->showMinimized();
        } else if (isVisible() && main->isVisible() && main->isMinimized()) {
            // Restored on its own: the application comes back with it.
            main->showNormal();
        }
    }
    QDialog::changeEvent(event);
}

bool TFormProgress::eventFilter(QObject* watched, QEvent* event)
{
    if (m_owner && watched == m_owner->window() && event->type() == QEvent::WindowStateChange) {
        QWidget* main = m_owner->window();
        if (!main->isMinimized() && isMinimized())
            setWindowState(windowState() & ~Qt::WindowMinimized);
    }
    return QDialog::eventFilter(watched, event);
}
