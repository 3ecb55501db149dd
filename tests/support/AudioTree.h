#pragma once
// A folder tree of audio files as a user's music folder holds them: nested folders, names whose
// digit runs sort by value, hidden files and folders, non-audio files, a linked album outside the
// tree, two symbolic link loops, a dangling link and a named pipe with an audio name. `Expected`
// is every audio file under `Root`, once each, in path order.
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

class AudioTree {
public:
    AudioTree()
    {
        for (const char* name : {"a.wav", "artist a/x.AIFF", "Artist B/Album 9/01.ogg",
                                 "Artist B/Album 10/track 2.wav", "Artist B/Album 10/track 10.flac",
                                 "Artist B/Album 10/track 11.opus", "folder.wav/inner.caf", "linked album/song.oga",
                                 "z/deep/er/w.w64"})
            Expected.append(Root + u'/' + QString::fromUtf8(name));
        for (const QString& path : Expected)
            if (!path.contains(QStringLiteral("/linked album/")))
                Touch(path);
        Touch(Dir.path() + QStringLiteral("/elsewhere/song.oga"));
        Link(QStringLiteral("../elsewhere"), Root + QStringLiteral("/linked album"));
        for (const char* name : {".hidden/y.wav", ".z.wav", "Artist B/Album 10/cover.jpg",
                                 "Artist B/Album 10/notes.txt", "z/.cache/t.flac", "mp3/old.mp3", "nowav"})
            Touch(Root + u'/' + QString::fromUtf8(name));
        Link(QStringLiteral("."), Root + QStringLiteral("/loop"));               // back to the top
        Link(QStringLiteral("../.."), Root + QStringLiteral("/z/deep/up"));       // a loop from below
        Link(QStringLiteral("nowhere.flac"), Root + QStringLiteral("/dangling.flac"));
        EXPECT_EQ(mkfifo(QFile::encodeName(Root + QStringLiteral("/pipe.wav")).constData(), 0600), 0);
    }

    QTemporaryDir Dir;
    QString Root = Dir.path() + QStringLiteral("/in");
    QStringList Expected;

private:
    static void Touch(const QString& path)
    {
        QDir().mkpath(path.section(u'/', 0, -2));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    }
    static void Link(const QString& target, const QString& link)
    {
        ASSERT_EQ(symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()), 0);
    }
};
