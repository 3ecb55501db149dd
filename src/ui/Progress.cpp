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
#include <QShowEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// The design: 371 x 178 pixels with an 8-point font, the rows 8 pixels from the left and 18 from
// the right (the tray button's corner). These are the minimums; texts that need more grow it.
constexpr QSize DesignSize(371, 178);
constexpr int Left = 8;
constexpr int Right = 18;
constexpr int FullWidth = 345; // x 8 to x 353 with the design font
constexpr int RowHeight = 16;
constexpr int BarHeight = 13;
constexpr QSize ButtonSize(75, 25);
constexpr int BarMaximum = 1000;
constexpr int RepaintIntervalMs = 100;

QLabel* MakeLabel(QWidget* parent, Qt::Alignment alignment)
{
    auto* label = new QLabel(parent);
    // File names and encoder texts show as they are: no markup, no accelerator.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(false);
    label->setAlignment(alignment | Qt::AlignVCenter);
    // An explicit minimum overrides the font's: the design's row or the font's height.
    label->setMinimumHeight(std::max(RowHeight, label->fontMetrics().height()));
    return label;
}

QProgressBar* MakeBar(QWidget* parent)
{
    auto* bar = new QProgressBar(parent);
    bar->setFixedHeight(BarHeight);
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
// and the width of its longest text, with a gap between them, so the texts sharing a line are
// never cut off or drawn over each other while the run changes them.
QHBoxLayout* PairedRow(QLabel* left, int leftDesign, const QString& leftWidest, QLabel* right, int rightDesign,
                       const QString& rightWidest)
{
    const QFontMetrics fm = left->fontMetrics();
    left->setMinimumWidth(std::max(leftDesign, fm.horizontalAdvance(leftWidest) + 2));
    right->setMinimumWidth(std::max(rightDesign, fm.horizontalAdvance(rightWidest) + 2));
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    row->addWidget(left);
    row->addStretch(1);
    row->addWidget(right);
    return row;
}
} // namespace

TFormProgress::TFormProgress(QWidget* owner) : TGrowingDialog(owner, DesignSize), m_owner(owner)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(ResStr::ProgressCaption);
    SetFixed(true);
    setSizeGripEnabled(false);

    LabelStatusETA = MakeLabel(this, Qt::AlignLeft);
    LabelStatus = MakeLabel(this, Qt::AlignRight);
    ProgressBarStatus = MakeBar(this);
    ProgressBarBatch = MakeBar(this);
    LabelBatchETA = MakeLabel(this, Qt::AlignLeft);
    LabelBatch = MakeLabel(this, Qt::AlignRight);
    LabelWorking = MakeLabel(this, Qt::AlignLeft);
    // A long file name is shortened to the row (SetWorkingText), never widens the window.
    LabelWorking->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    LabelWorking->setMinimumWidth(FullWidth);
    LabelInput = MakeLabel(this, Qt::AlignLeft);
    LabelOutput = MakeLabel(this, Qt::AlignRight);
    CheckBoxShutdown = new QCheckBox(ResStr::ProgressShutdownWhenDone, this);
    CheckBoxShutdown->setMinimumHeight(std::max(17, CheckBoxShutdown->sizeHint().height()));
    CheckBoxShutdown->setChecked(false);
    ButtonCancel = new QPushButton(ResStr::ProgressCancel, this);
    ButtonCancel->setMinimumSize(ButtonSize.expandedTo(QSize(0, ButtonCancel->fontMetrics().height() + 8)));
    ButtonCancel->setDefault(true);
    ButtonCancel->setAutoDefault(true);
    connect(ButtonCancel, &QPushButton::clicked, this, Guarded([this](bool) { CloseQuery(); }));

    // The rows at the design's distances: 8, 16, 13, 3, 13, 7, 16, 4, 16, 16, 8, 17, 8, 25, 8.
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(Left, 8, Right, 8);
    rows->setSpacing(0);
    rows->addLayout(PairedRow(LabelStatusETA, 180, WidestStatusEta(), LabelStatus, 153, WidestStatus()));
    rows->addWidget(ProgressBarStatus);
    rows->addSpacing(3);
    rows->addWidget(ProgressBarBatch);
    rows->addSpacing(7);
    rows->addLayout(PairedRow(LabelBatchETA, 180, WidestStatusEta(), LabelBatch, 153, WidestBatch()));
    rows->addSpacing(4);
    rows->addWidget(LabelWorking);
    rows->addLayout(PairedRow(LabelInput, 165, WidestInput(), LabelOutput, 170, WidestOutput()));
    rows->addSpacing(8);
    rows->addWidget(CheckBoxShutdown);
    rows->addStretch(1);
    rows->addSpacing(8);
    // Centred in the window, not between the rows' unequal margins.
    auto* buttonRow = new QHBoxLayout;
    buttonRow->setContentsMargins(Right - Left, 0, 0, 0);
    buttonRow->addWidget(ButtonCancel, 0, Qt::AlignHCenter);
    rows->addLayout(buttonRow);

    // In the top right corner, beside the rows: placed now and on every resize.
    TrayButton = new TTitleBarButton(this, 0);
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

    m_textLabels = {LabelStatusETA, LabelStatus, LabelBatchETA, LabelBatch, LabelWorking, LabelInput, LabelOutput};
    for (const QLabel* label : m_textLabels)
        m_textLabelMinimums << label->minimumSize();

    resize(DesignSize);
    Fit();
    PlaceTrayButton();
    // A batch of short files changes the window hundreds of times a second: it paints ten times.
    m_repaints = new TRepaintThrottle(this, RepaintIntervalMs);
    m_repaints->SetActive(true);
    ResetDisplay();
    Finished = false;
}

void TFormProgress::PlaceTrayButton()
{
    TrayButton->move(width() - TTitleBarButton::ButtonWidth - 1, 1);
}

void TFormProgress::resizeEvent(QResizeEvent* event)
{
    TGrowingDialog::resizeEvent(event);
    PlaceTrayButton();
    // The row's width may have changed: the file name is shortened to the new one.
    if (LabelWorking->toolTip() != LabelWorking->text())
        SetWorkingText(LabelWorking->toolTip());
    // The layout has given the labels their sizes in the new size (after a change of font or
    // style had let them go).
    if (isVisible())
        HoldLabelSizes(true);
}

void TFormProgress::showEvent(QShowEvent* event)
{
    TGrowingDialog::showEvent(event);
    // Laid out at the window's final size by now.
    HoldLabelSizes(true);
}

void TFormProgress::HoldLabelSizes(bool hold)
{
    // A label whose size may change asks the window to lay itself out at every new text, which
    // in a batch of short files means several times per file and most of the program's time. The
    // rows are wide enough for the longest text of each (their minimum widths), and a label's
    // text never widened the window beyond them, so holding the sizes changes nothing on screen.
    for (qsizetype i = 0; i < m_textLabels.size(); ++i) {
        QLabel* label = m_textLabels.at(i);
        if (hold) {
            label->setFixedSize(label->size());
        } else {
            label->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            label->setMinimumSize(m_textLabelMinimums.at(i));
        }
    }
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
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        HoldLabelSizes(false);
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
