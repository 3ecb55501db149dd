#include "Progress.h"

#include "Dialogs.h"
#include "RepaintThrottle.h"
#include "ResStr.h"
#include "RxTrayIcon.h"
#include "TitleBarButton.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>

#include <algorithm>

namespace {
constexpr int ClientWidth = 371;
constexpr int ClientHeight = 178;
constexpr int PanelHeight = 137; // the bottom strip of 41 pixels lies below it
constexpr int Left = 8;
constexpr int FullWidth = 345;   // x 8 to x 353 with the design font
constexpr int BarMaximum = 1000;
constexpr int RepaintIntervalMs = 100;

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

QProgressBar* MakeBar(QWidget* parent, int y, int width)
{
    auto* bar = new QProgressBar(parent);
    bar->setGeometry(Left, y, width, 13);
    bar->setRange(0, BarMaximum);
    bar->setTextVisible(false);
    bar->setValue(0);
    return bar;
}

// The longest texts the encoder's lines put into the rows that share a line.
QString WidestStatusEta() { return ResStr::ProgressEstimatedTime + QStringLiteral("99:59:59"); }
QString WidestStatus() { return ResStr::ProgressStatus + QStringLiteral("100.0%"); }
QString WidestBatch() { return ResStr::ProgressBatch + QStringLiteral("100.0%"); }
QString WidestInput() { return ResStr::ProgressInputFormat + QStringLiteral("11.025 kHz stereo"); }
QString WidestOutput() { return ResStr::ProgressOutputFormat + QStringLiteral("320 kBit stereo"); }

// One line with a left-aligned and a right-aligned label: each gets at least its design width
// and the width of its longest text, with a gap between them.
struct TPairedRow {
    int LeftWidth;
    int RightWidth;
    int Width() const { return LeftWidth + PairGap + RightWidth; }
    static constexpr int PairGap = 10;
};

TPairedRow PairFor(const QFontMetrics& fm, int leftDesign, const QString& left, int rightDesign,
                   const QString& right)
{
    return {std::max(leftDesign, fm.horizontalAdvance(left) + 2),
            std::max(rightDesign, fm.horizontalAdvance(right) + 2)};
}
} // namespace

TFormProgress::TFormProgress(QWidget* owner) : QDialog(owner), m_owner(owner)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(ResStr::ProgressCaption);

    // The window was drawn for a small 8-point font. A desktop font that is wider gets a wider
    // window, so that the percentages and the formats on the shared lines are never cut off or
    // drawn over each other.
    const QFontMetrics fm = fontMetrics();
    const TPairedRow statusRow = PairFor(fm, 180, WidestStatusEta(), 153, WidestStatus());
    const TPairedRow batchRow = PairFor(fm, 180, WidestStatusEta(), 153, WidestBatch());
    const TPairedRow formatRow = PairFor(fm, 165, WidestInput(), 170, WidestOutput());
    CheckBoxShutdown = new QCheckBox(ResStr::ProgressShutdownWhenDone, this);
    const int fullWidth = std::max({FullWidth, statusRow.Width(), batchRow.Width(), formatRow.Width(),
                                    CheckBoxShutdown->sizeHint().width()});
    const int clientWidth = ClientWidth - FullWidth + fullWidth;
    setFixedSize(clientWidth, ClientHeight);
    setSizeGripEnabled(false);

    const auto leftOf = [](const TPairedRow& row) { return QRect(Left, 0, row.LeftWidth, 16); };
    const auto rightOf = [fullWidth](const TPairedRow& row) {
        return QRect(Left + fullWidth - row.RightWidth, 0, row.RightWidth, 16);
    };
    LabelStatusETA = MakeLabel(this, leftOf(statusRow).translated(0, 8), Qt::AlignLeft);
    LabelStatus = MakeLabel(this, rightOf(statusRow).translated(0, 8), Qt::AlignRight);
    ProgressBarStatus = MakeBar(this, 24, fullWidth);
    ProgressBarBatch = MakeBar(this, 40, fullWidth);
    LabelBatchETA = MakeLabel(this, leftOf(batchRow).translated(0, 60), Qt::AlignLeft);
    LabelBatch = MakeLabel(this, rightOf(batchRow).translated(0, 60), Qt::AlignRight);
    LabelWorking = MakeLabel(this, QRect(Left, 80, fullWidth, 16), Qt::AlignLeft);
    LabelWorking->setFixedWidth(fullWidth);
    LabelInput = MakeLabel(this, leftOf(formatRow).translated(0, 96), Qt::AlignLeft);
    LabelOutput = MakeLabel(this, rightOf(formatRow).translated(0, 96), Qt::AlignRight);

    CheckBoxShutdown->setGeometry(Left, 120, fullWidth, 17);
    CheckBoxShutdown->setChecked(false);

    ButtonCancel = new QPushButton(ResStr::ProgressCancel, this);
    ButtonCancel->setGeometry((clientWidth - 75) / 2, PanelHeight + 8, 75, 25);
    ButtonCancel->setDefault(true);
    ButtonCancel->setAutoDefault(true);
    connect(ButtonCancel, &QPushButton::clicked, this, Guarded([this](bool) { CloseQuery(); }));

    TrayButton = new TTitleBarButton(this, 0);
    TrayButton->move(clientWidth - TTitleBarButton::ButtonWidth - 1, 1);
    TrayButton->setToolTip(ResStr::ProgressTrayButtonHint + QStringLiteral(" (Ctrl+T)"));
    TrayButton->setAccessibleName(ResStr::ProgressTrayButtonHint);
    // Hiding every window with no icon to bring them back would strand the user.
    TrayButton->setEnabled(TRxTrayIcon::Available());
    const auto hideToTray = [this] {
        RunGuarded([this] {
            if (OnTrayButtonClick)
                OnTrayButtonClick();
        });
    };
    TrayButton->OnClick = [hideToTray](TTitleBarButton*, int, bool) { hideToTray(); };
    // The button takes no focus, so the keyboard reaches the command through its own key.
    auto* hideShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), this);
    connect(hideShortcut, &QShortcut::activated, this, [this, hideToTray] {
        if (TrayButton->isEnabled())
            hideToTray();
    });

    setTabOrder(CheckBoxShutdown, ButtonCancel);
    ButtonCancel->setFocus();

    // Restoring the application from the task bar brings this window back to normal state. The
    // filter goes with this window, so it never reaches a destroyed one.
    if (m_owner)
        m_owner->window()->installEventFilter(this);

    // A batch of short files changes the window hundreds of times a second: it paints ten times.
    m_repaints = new TRepaintThrottle(this, RepaintIntervalMs);
    m_repaints->SetActive(true);
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
    SetWorkingText(ResStr::ProgressWorkingOn);
    LabelInput->setText(ResStr::ProgressInputFormat);
    LabelOutput->setText(ResStr::ProgressOutputFormat);
}

void TFormProgress::SetWorkingText(const QString& text)
{
    const int room = LabelWorking->contentsRect().width();
    const QFontMetrics metrics = LabelWorking->fontMetrics();
    // Eliding lays the text out, at every file of a batch. For alphabets whose letters keep their
    // shapes (up to Cyrillic and Armenian) the sum of the characters' own advances (a glyph cache
    // lookup each, in fractions: whole pixels per letter would add up) is close to the laid-out
    // width: with a letter to spare for kerning, a text within it fits as it is. Other scripts
    // are laid out.
    const QFontMetricsF exact(LabelWorking->font());
    qreal roughWidth = exact.horizontalAdvance(QLatin1Char('n'));
    for (const QChar c : text) {
        if (c.unicode() >= 0x0590 || roughWidth > room) {
            roughWidth = room + 1;
            break;
        }
        roughWidth += exact.horizontalAdvance(c);
    }
    LabelWorking->setText(roughWidth <= room ? text : metrics.elidedText(text, Qt::ElideMiddle, room));
    LabelWorking->setToolTip(text);
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
    m_repaints->Flush();
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
