#pragma once
// TFormLog: shows the run log of the last batch, read-only, and closes with OK. The caller fills
// MemoLog (SetLines) before ShowModal. Main thread only.
#include <QDialog>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;
class QWidget;

class TFormLog : public QDialog {
    Q_OBJECT

public:
    explicit TFormLog(QWidget* owner);

    QPlainTextEdit* MemoLog = nullptr;
    QPushButton* ButtonOK = nullptr;
    // The strip under the memo that holds ButtonOK in its middle.
    QWidget* PanelBottom = nullptr;

    // Replaces the memo's lines by `lines`.
    void SetLines(const QStringList& lines);
    // Shows the window modally; 1 (OK) for the button, Enter and Escape, 2 for the close box.
    int ShowModal();

protected:
    void keyPressEvent(QKeyEvent* event) override;

public Q_SLOTS:
    void reject() override;
};
