#include "Log.h"

#include "Dialogs.h"
#include "ResStr.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
constexpr int StripHeight = 40;
} // namespace

TFormLog::TFormLog(QWidget* owner) : QDialog(owner)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowTitle(ResStr::LogCaption);
    // 400 x 250 with its frame.
    SetOuterSize(this, owner, QSize(400, 250));

    MemoLog = new QPlainTextEdit(this);
    MemoLog->setReadOnly(true);
    MemoLog->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    MemoLog->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    MemoLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoLog->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    MemoLog->setUndoRedoEnabled(false);

    PanelBottom = new QWidget(this);
    PanelBottom->setFixedHeight(StripHeight);
    ButtonOK = new QPushButton(ResStr::LogOK, PanelBottom);
    ButtonOK->resize(ButtonWidth, ButtonHeight);
    ButtonOK->move(0, 7);
    ButtonOK->setDefault(true);
    ButtonOK->setAutoDefault(true);
    connect(ButtonOK, &QPushButton::clicked, this, [this] { done(IDOK); });
    PanelBottom->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(MemoLog, 1);
    layout->addWidget(PanelBottom, 0);

    ButtonOK->setFocus();
    CenterButton();
}

void TFormLog::SetLines(const QStringList& lines)
{
    MemoLog->setPlainText(lines.join(QLatin1Char('\n')));
}

int TFormLog::ShowModal()
{
    if (parentWidget())
        CenterOverOwner(this, parentWidget());
    const int result = exec();
    return result == IDOK ? int(IDOK) : int(IDCANCEL);
}

void TFormLog::CenterButton()
{
    // C++ division truncates toward zero, also for a strip narrower than the button.
    const int inner = PanelBottom->contentsRect().width();
    ButtonOK->move((inner - ButtonWidth) / 2, ButtonOK->y());
}

bool TFormLog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == PanelBottom && event->type() == QEvent::Resize)
        CenterButton();
    return QDialog::eventFilter(watched, event);
}

void TFormLog::keyPressEvent(QKeyEvent* event)
{
    // Escape presses the OK button, like Enter.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        ButtonOK->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFormLog::reject()
{
    // The close box.
    done(IDCANCEL);
}
