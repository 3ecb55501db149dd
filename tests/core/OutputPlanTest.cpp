// TOutputPlan: the MP3 of each file of a list spanning two albums, and the encoder arguments
// for each choice of output folder.
#include "OutputPlan.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

const QStringList kTwoAlbums = {
    QStringLiteral("/music/Artist/Album One/01 Intro.wav"),
    QStringLiteral("/music/Artist/Album One/CD2/02.b.flac"),
    QStringLiteral("/music/Artist/Album Two/03 Finale.aiff"),
};

} // namespace

TEST(TOutputPlan, TwoAlbumsBesideInOneFolderAndBelowIt)
{
    struct Case {
        const char* what;
        QString folder;
        bool keep;
        QStringList mp3s;
        QStringList arguments;
    } cases[] = {
        {"beside", {}, true,
         {u"/music/Artist/Album One/01 Intro.mp3"_s, u"/music/Artist/Album One/CD2/02.b.mp3"_s,
          u"/music/Artist/Album Two/03 Finale.mp3"_s},
         kTwoAlbums},
        {"one folder", u"/out/"_s, false,
         {u"/out/01 Intro.mp3"_s, u"/out/02.b.mp3"_s, u"/out/03 Finale.mp3"_s},
         QStringList{u"-OUTDIR=/out"_s} + kTwoAlbums},
        {"the tree below the shared folder", u"/out"_s, true,
         {u"/out/Album One/01 Intro.mp3"_s, u"/out/Album One/CD2/02.b.mp3"_s, u"/out/Album Two/03 Finale.mp3"_s},
         {kTwoAlbums[0], u"/out/Album One/01 Intro.mp3"_s, kTwoAlbums[1], u"/out/Album One/CD2/02.b.mp3"_s,
          kTwoAlbums[2], u"/out/Album Two/03 Finale.mp3"_s}},
    };
    for (const Case& c : cases) {
        TOutputPlan plan(kTwoAlbums, c.folder, c.keep);
        EXPECT_EQ(plan.Mp3Paths(), c.mp3s) << c.what;
        EXPECT_EQ(plan.Arguments(), c.arguments) << c.what;
    }
    EXPECT_EQ(CommonFolder(kTwoAlbums), QStringLiteral("/music/Artist"));
    EXPECT_EQ(CommonFolder({QStringLiteral("/a.wav"), QStringLiteral("/b/c.wav")}), QStringLiteral("/"));
    EXPECT_EQ(CommonFolder({QStringLiteral("/m/Album/a.wav"), QStringLiteral("/m/Album 2/b.wav")}),
              QStringLiteral("/m"));
}

TEST(TOutputPlan, OneAlbumBelowTheFolderIsOneFolderAndAListedMp3IsNeverAnOutput)
{
    TOutputPlan one({QStringLiteral("/m/A/1.wav"), QStringLiteral("/m/A/2.wav")}, QStringLiteral("/out"), true);
    EXPECT_EQ(one.Option(), QStringLiteral("-OUTDIR=/out"));
    EXPECT_EQ(one.Mp3Paths(), (QStringList{u"/out/1.mp3"_s, u"/out/2.mp3"_s}));

    // "a.wav b.mp3" would make the encoder write a.wav's MP3 over b.mp3.
    TOutputPlan listed({QStringLiteral("/m/a.wav"), QStringLiteral("/m/b.MP3"), QStringLiteral("/m/c.wav")}, {}, false);
    EXPECT_EQ(listed.FileGroups(), (QList<QStringList>{{u"/m/a.wav"_s, u"/m/a.mp3"_s}, {u"/m/b.MP3"_s}, {u"/m/c.wav"_s}}));
}

TEST(TOutputPlan, FilesWhoseMp3ExistsAreSkippedAndTheRestKeepTheirPlace)
{
    QTemporaryDir dir;
    const QString in = dir.path() + QStringLiteral("/in"), out = dir.path() + QStringLiteral("/out");
    const QStringList sources = {in + QStringLiteral("/X/1.wav"), in + QStringLiteral("/X/2.wav"),
                                 in + QStringLiteral("/Y/3.wav")};
    ASSERT_TRUE(QDir().mkpath(out + QStringLiteral("/Y")));
    QFile done(out + QStringLiteral("/Y/3.mp3"));
    ASSERT_TRUE(done.open(QIODevice::WriteOnly));

    QStringList skipped;
    TOutputPlan rest = TOutputPlan(sources, out, true).WithoutExistingMp3s(&skipped);
    EXPECT_EQ(skipped, QStringList{sources[2]});
    EXPECT_EQ(rest.Sources(), sources.mid(0, 2));
    EXPECT_EQ(rest.Arguments(), (QStringList{QStringLiteral("-OUTDIR=") + out + QStringLiteral("/X"),
                                             sources[0], sources[1]}))
        << "the files left still go below the whole list's shared folder";
}
