#include "About.h"

#include "ResStr.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>
#include <elf.h>

namespace {

// The about box's design sizes (with an 8-point font): the minimums its layout grows from.
constexpr QSize DesignSize(257, 203);
constexpr QSize PanelSize(222, 113);
constexpr QSize ButtonSize(75, 25);

constexpr char NoteOwner[] = "Tonewright"; // with its terminating zero: 11 bytes
constexpr quint32 NoteTypeFileVersion = 1;
constexpr qint64 MaxNoteSectionSize = 1 << 20;

template <class T>
bool ReadAt(QFile& file, qint64 offset, T* out)
{
    return file.seek(offset) && file.read(reinterpret_cast<char*>(out), sizeof(T)) == static_cast<qint64>(sizeof(T));
}

quint32 Word(const QByteArray& data, qsizetype at)
{
    quint32 value = 0;
    std::memcpy(&value, data.constData() + at, sizeof value);
    return value;
}

bool FindNote(const QByteArray& notes, qsizetype align, TFileVersion* version)
{
    const auto padded = [align](qsizetype n) { return (n + align - 1) / align * align; };
    qsizetype at = 0;
    while (at + 12 <= notes.size()) {
        const quint32 nameSize = Word(notes, at);
        const quint32 descSize = Word(notes, at + 4);
        const quint32 type = Word(notes, at + 8);
        const qsizetype name = at + 12;
        if (nameSize > static_cast<quint32>(notes.size()) || descSize > static_cast<quint32>(notes.size()))
            return false;
        const qsizetype desc = name + padded(nameSize);
        const qsizetype next = desc + padded(descSize);
        if (next > notes.size())
            return false;
        if (nameSize == sizeof NoteOwner && std::memcmp(notes.constData() + name, NoteOwner, sizeof NoteOwner) == 0
            && type == NoteTypeFileVersion && descSize == 8) {
            version->High = Word(notes, desc);
            version->Low = Word(notes, desc + 4);
            return true;
        }
        at = next;
    }
    return false;
}

template <class Ehdr, class Shdr>
bool FindVersionNote(QFile& file, TFileVersion* version)
{
    Ehdr header{};
    if (!ReadAt(file, 0, &header) || header.e_shentsize != sizeof(Shdr) || header.e_shnum == 0)
        return false;
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        Shdr section{};
        if (!ReadAt(file, static_cast<qint64>(header.e_shoff + i * sizeof(Shdr)), &section))
            return false;
        if (section.sh_type != SHT_NOTE || section.sh_size == 0 || section.sh_size > MaxNoteSectionSize)
            continue;
        if (!file.seek(static_cast<qint64>(section.sh_offset)))
            continue;
        const QByteArray notes = file.read(static_cast<qint64>(section.sh_size));
        if (FindNote(notes, section.sh_addralign == 8 ? 8 : 4, version))
            return true;
    }
    return false;
}

} // namespace

bool ReadFileVersion(const QString& path, TFileVersion* version)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    unsigned char ident[EI_NIDENT] = {};
    if (file.read(reinterpret_cast<char*>(ident), EI_NIDENT) != EI_NIDENT || std::memcmp(ident, ELFMAG, SELFMAG) != 0)
        return false;
    // The note's words are written in the byte order of the machine that built the file.
    constexpr unsigned char hostOrder = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? ELFDATA2LSB : ELFDATA2MSB;
    if (ident[EI_DATA] != hostOrder)
        return false;
    if (ident[EI_CLASS] == ELFCLASS64)
        return FindVersionNote<Elf64_Ehdr, Elf64_Shdr>(file, version);
    if (ident[EI_CLASS] == ELFCLASS32)
        return FindVersionNote<Elf32_Ehdr, Elf32_Shdr>(file, version);
    return false;
}

QString FileVersionText(const QString& path)
{
    TFileVersion v;
    if (!ReadFileVersion(path, &v))
        return {};
    return QString::asprintf("%d.%d.%d.%d", static_cast<int>(v.High >> 16), static_cast<int>(v.High & 0xFFFF),
                             static_cast<int>(v.Low >> 16), static_cast<int>(v.Low & 0xFFFF));
}

TSecretPanel::TSecretPanel(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setAutoFillBackground(true);
    FTimer = new QTimer(this);
    FTimer->setInterval(100);
    connect(FTimer, &QTimer::timeout, this, [this] { Tick(); });
    Recalculate();
}

void TSecretPanel::SetLines(const QStringList& lines)
{
    FLines = lines;
    FOffset = 0;
    update();
}

int TSecretPanel::Interval() const
{
    return FTimer->interval();
}

void TSecretPanel::SetInterval(int ms)
{
    FTimer->setInterval(ms);
}

bool TSecretPanel::Active() const
{
    return FTimer->isActive();
}

void TSecretPanel::SetActive(bool value)
{
    if (value == Active())
        return;
    if (value) {
        FOffset = 0;
        Recalculate();
        FTimer->start();
    } else {
        FTimer->stop();
    }
    update();
}

void TSecretPanel::Tick()
{
    const int end = (static_cast<int>(FLines.size()) - 1) * FLineHeight;
    if (FOffset < end)
        ++FOffset;
    else if (FCycled)
        FOffset = 0;
    else
        FTimer->stop();
    update();
}

void TSecretPanel::Recalculate()
{
    const QFontMetrics metrics(font());
    FLineHeight = std::max(1, metrics.height() + std::max(0, metrics.leading()));
}

void TSecretPanel::changeEvent(QEvent* event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) {
        Recalculate();
        update();
    }
}

void TSecretPanel::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    Recalculate();
}

void TSecretPanel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    const QRect area = TextArea();
    if (area.width() <= 0 || area.height() <= 0)
        return;
    // Drawn off screen and copied in one step, so the moving text does not flicker; at the
    // screen's pixel density, so it stays sharp at any scale.
    const qreal ratio = devicePixelRatioF();
    QPixmap picture(area.size() * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(palette().color(backgroundRole()));
    {
        QPainter p(&picture);
        p.setFont(font());
        p.setPen(palette().color(foregroundRole()));
        const int count = static_cast<int>(FLines.size());
        int y = -(FOffset % FLineHeight);
        for (int line = FOffset / FLineHeight; y < area.height() && line <= count; ++line, y += FLineHeight) {
            const QString text = line < count ? FLines.at(line) : QStringLiteral(" ");
            p.drawText(QRect(0, y, area.width(), FLineHeight),
                       Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine | Qt::TextExpandTabs, text);
        }
    }
    QPainter screen(this);
    screen.drawPixmap(area.topLeft(), picture);
}

QStringList TFormAbout::CreditLines()
{
    QStringList lines;
    for (int i = 0; i < 8; ++i)
        lines << QString(); // the text enters from below the visible area
    lines << QStringLiteral("Tonewright") << QString() << tr("A front-end for BladeEnc")
          << tr("by the Tonewright developers, 2026") << tr("Licence: GNU GPL v3 or later")
          << tr("Built with the help of:");
    // Names of libraries stay as they are; tr() gives them back unchanged.
    const char* const blocks[][2] = {
        {QT_TR_NOOP("The Qt Company and the Qt Project"), "(Qt Core, Qt GUI)"},
        {QT_TR_NOOP("The Qt Company and the Qt Project"), "(Qt Widgets, Qt D-Bus)"},
        {QT_TR_NOOP("The LAME Project"), "(libmp3lame)"},
        {QT_TR_NOOP("Erik de Castro Lopo and contributors"), "(libsndfile)"},
        {QT_TR_NOOP("The GNU Project"), QT_TR_NOOP("(the GNU C Library)")},
        {QT_TR_NOOP("Free Software Foundation"), "(libstdc++)"},
        {QT_TR_NOOP("The freedesktop.org community"), "(libdbus)"},
    };
    for (const auto& block : blocks)
        lines << QString() << tr(block[0]) << tr(block[1]);
    lines << QString() << tr("Comments and bug reports to:")
          << QStringLiteral("tonewright@users.example.org") << QString()
          << tr("Many thanks to Tord Jansson,") << tr("the author of BladeEnc,")
          << tr("the encoder behind it all.") << QString() << tr("Have fun!");
    lines << QString();
    Q_ASSERT(lines.size() == 45);
    return lines;
}

TFormAbout::TFormAbout(QWidget* parent, const QString& executablePath) : TGrowingDialog(parent, DesignSize)
{
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(ResStr::AboutCaption);
    SetFixed(true);
    // A white box whatever the desktop's colours: its texts are dark with it.
    QPalette white = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        white.setColor(group, QPalette::Window, Qt::white);
        white.setColor(group, QPalette::WindowText, Qt::black);
    }
    white.setColor(QPalette::Disabled, QPalette::Window, Qt::white);
    white.setColor(QPalette::Disabled, QPalette::WindowText, Qt::darkGray);
    setPalette(white);
    setAutoFillBackground(true);

    ImageLogo = new QLabel(this);
    ImageLogo->setAccessibleName(QStringLiteral("Tonewright"));
    ImageLogo->setFixedSize(LogoSize);
    ImageLogo->setPixmap(AboutLogo(devicePixelRatioF()));

    SecretPanel = new TSecretPanel(this);
    QPalette panelColours = SecretPanel->palette();
    panelColours.setColor(QPalette::Window, panelColours.color(QPalette::Base));
    SecretPanel->setPalette(panelColours);
    SecretPanel->SetLines(CreditLines());
    // Every line fits inside the text area (4 pixels in from each side): a longer one would
    // scroll by cut at both ends.
    int widest = 0;
    for (const QString& line : CreditLines())
        widest = std::max(widest, SecretPanel->fontMetrics().horizontalAdvance(line));
    SecretPanel->setMinimumSize(std::max(PanelSize.width(), widest + 8), PanelSize.height());
    // What scrolls by, for a screen reader at once.
    SecretPanel->setAccessibleName(ResStr::AboutCredits);
    SecretPanel->setAccessibleDescription(CreditLines().filter(QRegularExpression(QStringLiteral("\\S"))).join(QLatin1Char('\n')));
    SecretPanel->SetCycled(true);
    SecretPanel->SetInterval(65);

    ButtonOK = new QPushButton(ResStr::AboutOK, this);
    // An explicit minimum overrides the font's: the design's size or the font's height.
    ButtonOK->setMinimumSize(ButtonSize.expandedTo(QSize(0, ButtonOK->fontMetrics().height() + 8)));
    ButtonOK->setDefault(true);
    connect(ButtonOK, &QPushButton::clicked, this, [this] { accept(); });

    LabelVersion = new QLabel(this);
    LabelVersion->setAttribute(Qt::WA_TranslucentBackground);
    LabelVersion->setText(
        FileVersionText(executablePath.isEmpty() ? QCoreApplication::applicationFilePath() : executablePath));

    // The design: logo, credits and button centred one below the other (5, 47, 1, 113, 4, 25, 8
    // pixels), the version in the bottom right corner, 2 pixels up.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(17, 5, 17, 2);
    layout->setSpacing(0);
    layout->addWidget(ImageLogo, 0, Qt::AlignHCenter);
    layout->addSpacing(1);
    layout->addWidget(SecretPanel, 1);
    layout->addSpacing(4);
    // One cell for both: the button stays in the middle whatever the version's width.
    auto* bottom = new QGridLayout;
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->addWidget(ButtonOK, 0, 0, Qt::AlignHCenter | Qt::AlignTop);
    bottom->addWidget(LabelVersion, 0, 0, Qt::AlignRight | Qt::AlignBottom);
    bottom->setRowMinimumHeight(0, ButtonSize.height() + 6);
    layout->addLayout(bottom);

    resize(DesignSize);
    Fit();
    ButtonOK->setFocus();
}

QPixmap AboutLogo(qreal ratio)
{
    // Drawn, not loaded: sharp at any pixel density.
    QPixmap pixmap(LogoSize * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::white);
    QPainter p(&pixmap);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    const QColor blue(0x1f, 0x4e, 0x8c);
    // The mark: level bars in a blue square.
    const QRectF mark(2, 6, 36, 36);
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawRoundedRect(mark, 4, 4);
    p.setBrush(Qt::white);
    const double bars[] = {0.45, 0.8, 0.6, 0.95, 0.35};
    for (int i = 0; i < 5; ++i) {
        const double h = bars[i] * 26;
        p.drawRect(QRectF(mark.left() + 5 + i * 5.5, mark.bottom() - 5 - h, 3.5, h));
    }
    // The name and what it does.
    QFont name(QStringLiteral("serif"));
    name.setStyleHint(QFont::Serif);
    name.setPixelSize(22);
    name.setBold(true);
    p.setFont(name);
    p.setPen(blue);
    p.drawText(QRectF(44, 2, LogoSize.width() - 44, 28), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tonewright"));
    QFont line(QStringLiteral("monospace"));
    line.setStyleHint(QFont::Monospace);
    line.setPixelSize(10);
    p.setFont(line);
    p.setPen(QColor(0x55, 0x55, 0x55));
    p.drawText(QRectF(44, 30, LogoSize.width() - 44, 14), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("WAV / AIFF  to  MP3"));
    p.end();
    return pixmap;
}

void TFormAbout::reject()
{
    accept();
}

void TFormAbout::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    SecretPanel->SetActive(true);
}
