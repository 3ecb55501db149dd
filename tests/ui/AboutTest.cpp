// The about box: the credits' scroll steps and the version read back from a file's note.
#include "About.h"
#include "Translations.h"

#include <QAccessible>
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

#include <gtest/gtest.h>

TEST(AboutCredits, ScrollOnePixelPerTickAndStartAgainAfterTheLastLine)
{
    TSecretPanel panel;
    panel.resize(222, 113);
    const QStringList lines = TFormAbout::CreditLines();
    ASSERT_EQ(lines.size(), 45);
    panel.SetLines(lines);
    panel.SetCycled(true);
    const int L = panel.LineHeight();
    ASSERT_GT(L, 0);
    EXPECT_EQ(panel.TextArea(), QRect(4, 4, 214, 105));

    for (int i = 0; i < 30; ++i)
        panel.Tick();
    EXPECT_EQ(panel.Offset(), 30);

    // The last line reaches the top after (count - 1) * L steps; the next step starts over.
    const int end = (45 - 1) * L;
    while (panel.Offset() < end)
        panel.Tick();
    EXPECT_EQ(panel.Offset(), end);
    panel.Tick();
    EXPECT_EQ(panel.Offset(), 0);
    panel.grab(); // draws the start again without trouble

    // Without Cycled the scrolling stops at the end.
    panel.SetCycled(false);
    panel.SetActive(true);
    for (int i = 0; i < end + 5; ++i)
        panel.Tick();
    EXPECT_EQ(panel.Offset(), end);
    EXPECT_FALSE(panel.Active());
}

TEST(AboutCredits, ALargerFontChangesTheLineHeight)
{
    TSecretPanel panel;
    panel.resize(222, 113);
    const int before = panel.LineHeight();
    QFont big = panel.font();
    big.setPointSize(big.pointSize() * 3);
    panel.setFont(big);
    EXPECT_GT(panel.LineHeight(), before);
}

TEST(AboutVersion, ReadFromTheFilesNoteOrEmptyWithout)
{
    EXPECT_EQ(FileVersionText(QStringLiteral(TW_VERSION_FIXTURE)), QStringLiteral("1.2.0.44"));
    // The test program carries no note; a text file is no program at all.
    EXPECT_EQ(FileVersionText(QCoreApplication::applicationFilePath()), QString());
    EXPECT_EQ(FileVersionText(QStringLiteral("/nonexistent/tonewright")), QString());

    TFormAbout with(nullptr, QStringLiteral(TW_VERSION_FIXTURE));
    EXPECT_EQ(with.LabelVersion->text(), QStringLiteral("1.2.0.44"));
    EXPECT_TRUE(with.rect().contains(with.LabelVersion->geometry()));
    EXPECT_LE(with.LabelVersion->x(), 212);
    EXPECT_LE(with.LabelVersion->y(), 188);
    TFormAbout without;
    EXPECT_EQ(without.LabelVersion->text(), QString());
    EXPECT_FALSE(without.ImageLogo->pixmap().isNull());
    EXPECT_EQ(without.ImageLogo->pixmap().deviceIndependentSize().toSize(), QSize(188, 47));
}

TEST(AboutBox, ShowingStartsTheCreditsAndTheCloseBoxActsAsOK)
{
    TFormAbout about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Tonewright"));
    // Fixed: the user cannot resize it (its design size is checked with the other windows').
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    EXPECT_FALSE(about.SecretPanel->Active());
    about.show();
    EXPECT_TRUE(about.SecretPanel->Active());
    EXPECT_EQ(about.SecretPanel->Interval(), 65);
    EXPECT_TRUE(about.ButtonOK->isDefault());
    about.close();
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(AboutBox, EveryCreditLineFitsThePanelInEveryLanguage)
{
    // A line wider than the panel would scroll by cut at both ends: the panel, and the box with
    // it, grows to the widest line.
    for (const char* language : {"en", "de"}) {
        SCOPED_TRACE(language);
        const TTranslations translations{QStringList{QLatin1String(language)}};
        TFormAbout about;
        about.show(); // the panel gets the layout's width
        const QFontMetrics metrics(about.SecretPanel->font());
        const int room = about.SecretPanel->TextArea().width();
        for (const QString& line : TFormAbout::CreditLines())
            EXPECT_LE(metrics.horizontalAdvance(line), room) << line.toStdString();
        about.hide();
    }
}

TEST(AboutVersion, ALongBuildNumberShowsWholeInsideTheBox)
{
    TFormAbout about(nullptr, QStringLiteral(TW_VERSION_FIXTURE_LONG));
    ASSERT_EQ(about.LabelVersion->text(), QStringLiteral("1.2.0.65535"));
    const QRect label = about.LabelVersion->geometry();
    EXPECT_GE(label.width(), about.LabelVersion->fontMetrics().horizontalAdvance(about.LabelVersion->text()));
    EXPECT_TRUE(about.rect().contains(label)) << label.x() << "," << label.y() << " " << label.width() << "x" << label.height();
}

TEST(AboutBox, TextsAreDarkOnTheWhiteBoxAlsoWithADarkDesktop)
{
    const QPalette before = QApplication::palette();
    QPalette dark = before;
    for (auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
        dark.setColor(role, QColor(40, 40, 40));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        dark.setColor(role, QColor(220, 220, 220));
    QApplication::setPalette(dark);
    {
        TFormAbout about(nullptr, QStringLiteral(TW_VERSION_FIXTURE));
        const QPalette& version = about.LabelVersion->palette();
        EXPECT_EQ(about.palette().color(QPalette::Window), QColor(Qt::white));
        const QColor text = version.color(about.LabelVersion->foregroundRole());
        // Well apart from white: at least the 4.5 : 1 of readable text.
        EXPECT_LT(text.lightness(), 100) << text.name().toStdString();
    }
    QApplication::setPalette(before);
}

TEST(AboutBox, TheCreditsHaveTextForAScreenReader)
{
    TFormAbout about;
    QAccessibleInterface* credits = QAccessible::queryAccessibleInterface(about.SecretPanel);
    ASSERT_NE(credits, nullptr);
    EXPECT_EQ(credits->text(QAccessible::Name), QStringLiteral("Credits"));
    const QString said = credits->text(QAccessible::Description);
    for (const char* line : {"A front-end for BladeEnc", "(libmp3lame)", "Have fun!"})
        EXPECT_TRUE(said.contains(QLatin1String(line))) << line;
    EXPECT_FALSE(said.startsWith(QLatin1Char('\n')));
}

namespace {
// How many aligned 2 x 2 blocks of device pixels in `area` hold more than one colour: none when
// a picture of half the density was blown up.
int DetailedBlocks(const QImage& image, const QRect& area)
{
    int detailed = 0;
    for (int y = area.top() & ~1; y + 1 <= area.bottom(); y += 2)
        for (int x = area.left() & ~1; x + 1 <= area.right(); x += 2) {
            const QRgb c = image.pixel(x, y);
            if (image.pixel(x + 1, y) != c || image.pixel(x, y + 1) != c || image.pixel(x + 1, y + 1) != c)
                ++detailed;
        }
    return detailed;
}
} // namespace

// Meaningful on a screen of twice the density: ctest runs it once more under QT_SCALE_FACTOR=2.
TEST(AboutBox, LogoAndCreditsAreDrawnForTheScreensPixelDensity)
{
    TFormAbout about;
    about.show();
    const qreal ratio = about.devicePixelRatioF();
    EXPECT_EQ(about.ImageLogo->pixmap().devicePixelRatio(), ratio);
    EXPECT_EQ(about.ImageLogo->pixmap().size(), (LogoSize * ratio));
    if (ratio < 2)
        GTEST_SKIP() << "the screen has one device pixel per pixel";
    for (int i = 0; i < 120; ++i)
        about.SecretPanel->Tick(); // credits in view
    const QImage panel = about.SecretPanel->grab().toImage();
    ASSERT_EQ(panel.devicePixelRatio(), ratio);
    const QRect text(QPoint(4, 4) * ratio, about.SecretPanel->TextArea().size() * ratio);
    EXPECT_GT(DetailedBlocks(panel, text), 50);
    const QImage logo = about.ImageLogo->grab().toImage();
    EXPECT_GT(DetailedBlocks(logo, logo.rect()), 50);
}
