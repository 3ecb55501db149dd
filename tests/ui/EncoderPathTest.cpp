// An encoder named without a folder: the batch checks and starts the same file, the one the
// folders of PATH hold, never one that merely lies in the working folder.
#include "ConsoleIO.h"
#include "Dialogs.h"
#include "BatchRun.h"
#include "Main.h"
#include "MainWindowParts.h"
#include "ScriptedDialogs.h"
#include "Spin.h"
#include "TempProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

class EncoderPath : public ::testing::Test {
protected:
    TempProgramFolder folder;
    ScriptedMessageBoxes boxes;
    TSettings settings;
    std::unique_ptr<TFormMain> main;
    QString oldCurrent = QDir::currentPath();
    QByteArray oldPath = qgetenv("PATH");

    void SetUp() override
    {
        main = std::make_unique<TFormMain>(settings);
        main->show();
        main->AddFile(QStringLiteral("/a/x.wav"));
        qputenv("FAKE_BLADEENC_SCRIPT_TEXT",
                "print Files to encode: 1\nprint Encoding: /a/x.wav\nprint Completed. Encoding time: 0:00:01\n");
        ASSERT_TRUE(QDir().mkpath(folder.File(QStringLiteral("work"))));
        ASSERT_TRUE(QDir().mkpath(folder.File(QStringLiteral("bin"))));
        ASSERT_TRUE(QDir::setCurrent(folder.File(QStringLiteral("work"))));
    }

    void TearDown() override
    {
        QDir::setCurrent(oldCurrent);
        qputenv("PATH", oldPath);
        qunsetenv("FAKE_BLADEENC_SCRIPT_TEXT");
        (void)QTest::qWaitFor([&] { return !main->Batch->GUI2Console1->Running(); }, 20000);
        main.reset();
    }

    // Puts the scripted encoder at `relative` in the test folder under the name tw-bare-encoder.
    void PlaceEncoder(const QString& relative)
    {
        ASSERT_TRUE(QFile::link(QString::fromUtf8(TW_FAKE_BLADEENC),
                                folder.File(relative + QStringLiteral("/tw-bare-encoder"))));
    }

    void Encode()
    {
        settings.BladeEncPath = QStringLiteral("tw-bare-encoder");
        main->ActionList1Update();
        wintest::Part(*main, "ActionEncode")->trigger();
    }
};

} // namespace

TEST_F(EncoderPath, ABareNameInTheWorkingFolderOnlyIsNotFound)
{
    PlaceEncoder(QStringLiteral("work"));
    boxes.Answer(IDOK);
    Encode();
    ASSERT_EQ(boxes.Asked().size(), 1u);
    EXPECT_EQ(boxes.Asked()[0].Text.toStdString(),
              "The file \"tw-bare-encoder\" couldn't be found.\r\nPlease go to the options and specify the correct "
              "location of BladeEnc.");
    EXPECT_FALSE(main->Batch->GUI2Console1->Running());
    EXPECT_TRUE(main->Batch->Log().isEmpty());
}

TEST_F(EncoderPath, ABareNameInAFolderOfPathIsCheckedAndStarted)
{
    PlaceEncoder(QStringLiteral("bin"));
    qputenv("PATH", QFile::encodeName(folder.File(QStringLiteral("bin"))) + ':' + oldPath);
    Encode();
    EXPECT_TRUE(boxes.Asked().empty());
    EXPECT_FALSE(main->Batch->State().ErrorOccurred) << main->Batch->Log().join(QLatin1Char('\n')).toStdString();
    ASSERT_FALSE(main->Batch->Log().isEmpty());
    EXPECT_EQ(main->Batch->Log().last().toStdString(), "Completed. Encoding time: 0:00:01");
}
