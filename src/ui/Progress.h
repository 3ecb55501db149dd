#pragma once
// TFormProgress: the window a batch run shows while the encoder works: the current file's and
// the batch's progress, the file being encoded and its formats, the shutdown choice, and a
// caption-style button that hides the program in the tray. Built from layouts at a fixed size: the
// design size, or what longer texts and larger fonts need. Main thread only.
//
// It keeps a modal loop of its own (ShowModal), which hiding the window does not end: the loop
// ends only with a modal result, OK (1) when the run ended, Cancel (2) when the user aborted.
// Every close request (Cancel, Enter, Escape, the close box, close()) asks "Really abort
// encoding?" unless the run is Finished.
//
// The batch run sets OnTrayButtonClick (to TFormMain::HideToTray) when it creates the window.
#include "UpdateWindows.h"

#include <QList>
#include <QSize>

#include <functional>

class QCheckBox;
class QEventLoop;
class QLabel;
class QProgressBar;
class QPushButton;
class TRepaintThrottle;
class TTitleBarButton;

class TFormProgress : public TGrowingDialog {
    Q_OBJECT

public:
    explicit TFormProgress(QWidget* owner);
    ~TFormProgress() override;

    QLabel* LabelStatus = nullptr;
    QLabel* LabelStatusETA = nullptr;
    QLabel* LabelBatch = nullptr;
    QLabel* LabelBatchETA = nullptr;
    QLabel* LabelWorking = nullptr;
    QLabel* LabelInput = nullptr;
    QLabel* LabelOutput = nullptr;
    QProgressBar* ProgressBarStatus = nullptr; // range 0..1000
    QProgressBar* ProgressBarBatch = nullptr;  // range 0..1000
    QCheckBox* CheckBoxShutdown = nullptr;
    QPushButton* ButtonCancel = nullptr;
    TTitleBarButton* TrayButton = nullptr;

    // The run is over: set by the end-of-run handler together with SetModalResult(1).
    bool Finished = false;

    // Both bars to 0 and every label to its bare prefix.
    void ResetDisplay();
    // Shows `text` in LabelWorking; a text too long for the label loses its middle to an
    // ellipsis, so the start and the file's extension stay visible. The tooltip keeps it whole.
    void SetWorkingText(const QString& text);
    // Sets `bar` to `position` held within the bar's range (a bar ignores values outside it).
    static void SetBarPosition(QProgressBar* bar, int position);

    // Shows the window application-modal and runs until a modal result is set; hiding and
    // showing the window meanwhile keeps the loop running. Returns 1 (OK) or 2 (Cancel).
    // When the run has already Finished with a result, returns it at once.
    int ShowModal();
    // Ends ShowModal with `result` (1 = OK from the end-of-run handler, 2 = Cancel).
    void SetModalResult(int result);
    int ModalResult() const { return m_modalResult; }
    // True while ShowModal runs.
    bool InModalLoop() const { return m_loop != nullptr; }
    // True while "Really abort encoding?" is on screen.
    bool Asking() const { return m_asking; }

    // The title-bar tray button was clicked: the main window hides everything in the tray.
    std::function<void()> OnTrayButtonClick;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public Q_SLOTS:
    // QDialog's own ending paths (Escape, accept/reject calls) become close requests.
    void done(int result) override;
    void accept() override;
    void reject() override;

private:
    // The close request: asks unless Finished; a run that ends while the question is open closes
    // the window with Cancel whatever the answer.
    void CloseQuery();
    // The tray button's place: the window's top right corner, whatever its width.
    void PlaceTrayButton();
    // Holds the labels of the encoder's texts at the size the layout gave them (or lets them
    // follow the layout again), so that a new text does not lay out the whole window again.
    void HoldLabelSizes(bool hold);

    QEventLoop* m_loop = nullptr;
    QList<QLabel*> m_textLabels;     // the labels the run's lines change
    QList<QSize> m_textLabelMinimums; // their minimum sizes from the design, while not held
    TRepaintThrottle* m_repaints = nullptr;
    int m_modalResult = 0;
    bool m_asking = false;
    QWidget* m_owner = nullptr;
};
