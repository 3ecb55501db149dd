// Stopping a batch of the real encoder mid-file, where it writes a named temporary file (as on
// file systems without O_TMPFILE): the encoder is asked to end and cleans up after itself.
#include "BatchRun.h"
#include "ConsoleIO.h"
#include "Dialogs.h"
#include "Main.h"
#include "MainWindowParts.h"
#include "ScriptedDialogs.h"
#include "Spin.h"
#include "TempProgramFolder.h"
#include "WavFile.h"
#include "Progress.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// Names in `folder`, hidden ones included.
QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

} // namespace

TEST(BatchStop, StoppedMidFileLeavesNothingButTheSource)
{
    TempProgramFolder folder;
    ScriptedMessageBoxes boxes;
    qputenv("BLADEENC_NO_O_TMPFILE", "1");
    TSettings settings;
    auto main = std::make_unique<TFormMain>(settings);
    main->show();
    settings.BladeEncPath = QString::fromUtf8(TW_BLADEENC);

    // Two minutes of sound: seconds of work for the encoder, so the stop lands mid-file.
    QByteArray pcm(44100 * 4 * 120, '\0');
    for (qsizetype i = 0; i < pcm.size(); i += 2)
        pcm[i + 1] = char((i / 200) % 2 ? 0x20 : 0xe0);
    folder.Write(QStringLiteral("music/long.wav"), Stereo16Wav(pcm, 44100));
    const QString music = folder.File(QStringLiteral("music"));
    main->AddFile(folder.File(QStringLiteral("music/long.wav")));

    // Once the temporary file shows: Cancel, and Yes to the abort question.
    bool sawTemporary = false;
    QTimer watch;
    const QDeadlineTimer giveUp(60000);
    QObject::connect(&watch, &QTimer::timeout, main.get(), [&] {
        if (!main->Batch->ProgressForm || !main->Batch->ProgressForm->isVisible())
            return;
        sawTemporary = Entries(music).filter(QStringLiteral(".tw-")).size() == 1;
        if (!sawTemporary && !giveUp.hasExpired())
            return;
        watch.stop();
        boxes.Answer(IDYES);
        main->Batch->ProgressForm->ButtonCancel->click();
    });
    watch.start(5);

    main->ActionList1Update();
    wintest::Part(*main, "ActionEncode")->trigger();
    (void)QTest::qWaitFor([&] { return !main->Batch->GUI2Console1->Running(); }, 30000);
    qunsetenv("BLADEENC_NO_O_TMPFILE");

    ASSERT_TRUE(sawTemporary) << "the encoder wrote no named temporary file";
    ASSERT_FALSE(main->Batch->Log().join(QLatin1Char('\n')).contains(QStringLiteral("Completed.")))
        << "the file was done before the stop";
    EXPECT_FALSE(main->Batch->GUI2Console1->Running());
    EXPECT_EQ(Entries(music).join(QLatin1Char('|')).toStdString(), "long.wav");
    EXPECT_EQ(boxes.Asked().size(), 1u);
    main.reset();
}
