#pragma once
// The update check's own windows: the wait window shown while a page is fetched, the download's
// progress window and the read-me window. Built from layouts: the design sizes are minimums and
// longer texts or larger fonts grow a window. Main thread only.
#include <QDialog>
#include <QFont>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// Title bar without the system buttons: the windows end with their request.
inline constexpr Qt::WindowFlags UpdateWindowFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;

// A dialog whose layout may grow it past its design size, also when a text changes while it is
// shown: it is never smaller than either.
class TGrowingDialog : public QDialog {
    Q_OBJECT
public:
    TGrowingDialog(QWidget* parent, QSize design);

protected:
    bool event(QEvent* event) override;
    // Applies the design and the layout's minimum, growing the window when it is smaller.
    void Fit();
    // A fixed window is exactly that size: it grows with its texts but the user cannot resize it.
    void SetFixed(bool fixed) { m_fixed = fixed; }

private:
    QSize m_design;
    bool m_fixed = false;
};

// No button; Esc or the close box abandon the request, which then ends and closes the window,
// so a stalled check can always be left.
class TWebWaitWindow : public TGrowingDialog {
    Q_OBJECT
public:
    static constexpr QSize DesignSize{240, 100};

    TWebWaitWindow(QWidget* parent, const QFont& font, const QString& text);
    QLabel* Text() const { return m_text; }
    std::function<void()> AbortRequest;
    void reject() override;

private:
    QLabel* m_text = nullptr;
};

class TWebDlProgress : public TGrowingDialog {
    Q_OBJECT
public:
    static constexpr QSize DesignSize{272, 123};

    TWebDlProgress(QWidget* parent, const QFont& font);

    QProgressBar* pbarProgress = nullptr;
    QLabel* lblDownloading = nullptr;
    QLabel* lblProgress = nullptr;
    QPushButton* btnCancel = nullptr;
    bool Cancelled = false;
    // Abandons the running download; set by the update check.
    std::function<void()> AbortDownload;

    void btnCancelClick();
    // Esc and the close box cancel like the button: the window closes when the request ends.
    void reject() override;
};

// The read-me as plain text, never rendered or opened elsewhere; four fifths of the screen.
class TWebReadMeWindow : public TGrowingDialog {
    Q_OBJECT
public:
    // Room for the button and a few lines of text.
    static constexpr QSize MinimumSize{320, 200};

    TWebReadMeWindow(QWidget* parent, const QFont& font, const QString& text);
    QPlainTextEdit* Text() const { return m_text; }

private:
    QPlainTextEdit* m_text = nullptr;
};

// Centres `window` on the screen of `owner` (the primary screen without one).
void CenterOnScreen(QWidget* window, const QWidget* owner);
