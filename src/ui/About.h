#pragma once
// The about box: the logo, the credits scrolling without end, and the program's file version
// read back from the version note the build embeds in the executable. Main thread only.
#include "UpdateWindows.h"

#include <QFrame>
#include <QPixmap>
#include <QSize>
#include <QStringList>

class QLabel;
class QPushButton;
class QTimer;

// The file version of an executable: two 32-bit words whose 16-bit halves are major, minor
// (High) and release, build (Low).
struct TFileVersion {
    quint32 High = 0;
    quint32 Low = 0;
};

// Reads the version note ("Tonewright", type 1) of an ELF file; false when it has none or is
// no ELF file.
bool ReadFileVersion(const QString& path, TFileVersion* version);
// "major.minor.release.build" of the file, or empty when it carries no version.
QString FileVersionText(const QString& path);

// The logo's size, and the logo drawn for a pixel density (a device pixel ratio).
inline constexpr QSize LogoSize(188, 47);
QPixmap AboutLogo(qreal ratio);

// A panel whose lines of text scroll upward one pixel per Interval milliseconds while Active.
class TSecretPanel : public QFrame {
    Q_OBJECT

public:
    explicit TSecretPanel(QWidget* parent = nullptr);

    QStringList Lines() const { return FLines; }
    void SetLines(const QStringList& lines);
    // With Cycled the text starts again from the top after its last line has scrolled up.
    bool Cycled() const { return FCycled; }
    void SetCycled(bool value) { FCycled = value; }
    int Interval() const;
    void SetInterval(int ms);
    bool Active() const;
    // Switching on starts from the top.
    void SetActive(bool value);

    int Offset() const { return FOffset; }
    int LineHeight() const { return FLineHeight; }
    // The inside of the one-pixel bevel, and three pixels more.
    QRect TextArea() const { return rect().adjusted(4, 4, -4, -4); }
    // One scroll step, as the timer does it.
    void Tick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Recalculate();

    QStringList FLines;
    bool FCycled = false;
    int FOffset = 0;
    int FLineHeight = 1;
    QTimer* FTimer = nullptr;
};

// Built from layouts at a fixed size: the design size, or what longer texts need.
class TFormAbout : public TGrowingDialog {
    Q_OBJECT

public:
    // `executablePath`: the file whose version is shown; empty for the running program.
    explicit TFormAbout(QWidget* parent = nullptr, const QString& executablePath = QString());

    QLabel* ImageLogo = nullptr;
    TSecretPanel* SecretPanel = nullptr;
    QPushButton* ButtonOK = nullptr;
    QLabel* LabelVersion = nullptr;

    // The credits: 45 lines, entering from below.
    static QStringList CreditLines();

    // The close box behaves as OK.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
};
