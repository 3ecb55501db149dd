// The about box: the credits' scroll steps and the version read back from a file's note.
#include "About.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>

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
    EXPECT_EQ(with.LabelVersion->pos(), QPoint(212, 188));
    TFormAbout without;
    EXPECT_EQ(without.LabelVersion->text(), QString());
    EXPECT_FALSE(without.ImageLogo->pixmap().isNull());
    EXPECT_EQ(without.ImageLogo->pixmap().size(), QSize(188, 47));
}

TEST(AboutBox, ShowingStartsTheCreditsAndTheCloseBoxActsAsOK)
{
    TFormAbout about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Tonewright"));
    EXPECT_EQ(about.size(), QSize(257, 203));
    EXPECT_FALSE(about.SecretPanel->Active());
    about.show();
    EXPECT_TRUE(about.SecretPanel->Active());
    EXPECT_EQ(about.SecretPanel->Interval(), 65);
    EXPECT_TRUE(about.ButtonOK->isDefault());
    about.close();
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(AboutBox, EveryCreditLineFitsThePanel)
{
    // A line wider than the panel would scroll by cut at both ends.
    TFormAbout about;
    const QFontMetrics metrics(about.SecretPanel->font());
    const int room = about.SecretPanel->TextArea().width();
    for (const QString& line : TFormAbout::CreditLines())
        EXPECT_LE(metrics.horizontalAdvance(line), room) << line.toStdString();
}
