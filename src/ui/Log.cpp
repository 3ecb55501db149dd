#include "Log.h"

#include "Dialogs.h"
#include "ResStr.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The design: OK of 75 x 25 in a strip of 40 under the memo; minimums, a larger font grows them.
constexpr QSize ButtonSize{75, 25};
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
    PanelBottom->setMinimumHeight(StripHeight);
    auto* buttons = new QDialogButtonBox(PanelBottom);
    buttons->setCenterButtons(true);
    ButtonOK = buttons->addButton(ResStr::LogOK, QDialogButtonBox::AcceptRole);
    ButtonOK->setMinimumSize(ButtonSize);
    ButtonOK->setDefault(true);
    ButtonOK->setAutoDefault(true);
    connect(ButtonOK, &QPushButton::clicked, this, [this] { done(IDOK); });
    auto* strip = new QHBoxLayout(PanelBottom);
    strip->setContentsMargins(4, 7, 4, 8);
    strip->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(MemoLog, 1);
    layout->addWidget(PanelBottom, 0);

    ButtonOK->setFocus();
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
