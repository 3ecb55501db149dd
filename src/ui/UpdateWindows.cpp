#include "UpdateWindows.h"

#include "Dialogs.h"
#include "ResStr.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

void CenterOnScreen(QWidget* window, const QWidget* owner)
{
    const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window->move(area.left() + (area.width() - window->width()) / 2, area.top() + (area.height() - window->height()) / 2);
}

namespace {

QLabel* CentredLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

} // namespace

TGrowingDialog::TGrowingDialog(QWidget* parent, QSize design) : QDialog(parent, UpdateWindowFlags), m_design(design) {}

bool TGrowingDialog::event(QEvent* event)
{
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::LayoutRequest)
        Fit();
    return handled;
}

void TGrowingDialog::Fit()
{
    if (!layout())
        return;
    // Polished first: the style may still change fonts and margins.
    ensurePolished();
    layout()->activate();
    setMinimumSize(m_design.expandedTo(layout()->totalMinimumSize()));
    if (m_fixed)
        setFixedSize(minimumSize());
    else if (width() < minimumWidth() || height() < minimumHeight())
        resize(size().expandedTo(minimumSize()));
}

TWebWaitWindow::TWebWaitWindow(QWidget* parent, const QFont& font, const QString& text)
    : TGrowingDialog(parent, DesignSize)
{
    setWindowTitle(ResStr::WfiWaitCaption);
    setFont(font);
    setCursor(Qt::WaitCursor);
    auto* layout = new QVBoxLayout(this);
    m_text = CentredLabel(text, this);
    layout->addWidget(m_text);
    resize(DesignSize);
    Fit();
}

void TWebWaitWindow::reject()
{
    if (AbortRequest)
        AbortRequest();
}

TWebDlProgress::TWebDlProgress(QWidget* parent, const QFont& font) : TGrowingDialog(parent, DesignSize)
{
    setWindowTitle(ResStr::WfiProgressCaption);
    setFont(font);
    setCursor(Qt::WaitCursor);
    auto* layout = new QVBoxLayout(this);
    lblDownloading = CentredLabel(QString(), this);
    pbarProgress = new QProgressBar(this);
    pbarProgress->setRange(0, 100);
    pbarProgress->setTextVisible(false);
    pbarProgress->setFocusPolicy(Qt::TabFocus);
    pbarProgress->setMinimumWidth(200);
    lblProgress = CentredLabel(QString(), this);
    auto* buttons = new QDialogButtonBox(this);
    buttons->setCenterButtons(true);
    btnCancel = buttons->addButton(ResStr::WfiCancel, QDialogButtonBox::RejectRole);
    btnCancel->setCursor(Qt::ArrowCursor);
    layout->addWidget(lblDownloading);
    layout->addWidget(pbarProgress, 0, Qt::AlignHCenter);
    layout->addWidget(lblProgress);
    layout->addWidget(buttons);
    setTabOrder(pbarProgress, btnCancel);
    // The button's click only: the box's rejected() would cancel a second time through reject().
    connect(btnCancel, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnCancelClick(); }); });
    resize(DesignSize);
    Fit();
}

void TWebDlProgress::btnCancelClick()
{
    Cancelled = true;
    if (AbortDownload)
        AbortDownload();
}

void TWebDlProgress::reject()
{
    btnCancelClick();
}

TWebReadMeWindow::TWebReadMeWindow(QWidget* parent, const QFont& font, const QString& text)
    : TGrowingDialog(parent, MinimumSize)
{
    setWindowTitle(ResStr::WfiReadMeCaption);
    setFont(font);
    auto* layout = new QVBoxLayout(this);
    m_text = new QPlainTextEdit(this);
    // Read only: Return goes to the window and presses Ok.
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text->setPlainText(text);
    auto* buttons = new QDialogButtonBox(this);
    buttons->setCenterButtons(true);
    QPushButton* ok = buttons->addButton(ResStr::WfiOk, QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QSize area = screen ? screen->size() : QSize(800, 600);
    resize(area.width() * 4 / 5, area.height() * 4 / 5);
    Fit();
}
