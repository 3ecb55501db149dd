#pragma once
// TFolderScan: every audio file the encoder reads under a folder, recursively, in path order
// (names compared with digit runs by value), hidden files and folders left out. Each folder is
// read once, known by device and inode, so a symbolic link back into the tree adds nothing twice
// and a link loop ends. Works in slices (Step) so a caller can read a large tree off the main
// thread or between events and show the running count.
//
// Thread safety: none inside; one thread at a time uses an instance (any thread may).
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <sys/types.h>

// Whether the name ends in one of the extensions the encoder reads (.wav .aif .aiff .aifc .flac
// .ogg .oga .opus .w64 .rf64 .caf), in any letter case.
bool IsEncodableAudioName(QStringView name);

// < 0, 0, > 0: names compared without regard to letter case, a run of digits against another by
// its value ("2" before "10"); ties are broken by the plain comparison, so only equal names are 0.
int CompareNamesNaturally(QStringView a, QStringView b);

class TFolderScan {
public:
    explicit TFolderScan(const QString& root);

    // Reads at most `folders` more folders; true while some remain.
    bool Step(int folders = 16);
    // Reads the whole tree; progress (when given) hears the running count after each folder and
    // may answer false to stop early.
    void Run(const std::function<bool(qsizetype found)>& progress = {});

    bool Done() const { return m_pending.isEmpty(); }
    qsizetype Count() const { return m_files.size(); }
    // The files found so far, absolute, in path order (a later Step only appends).
    const QStringList& Files() const { return m_files; }
    // Folders that could not be read, with the system's reason.
    const QStringList& Problems() const { return m_problems; }

private:
    // One item of the walk: a file to list or a folder still to read, in path order.
    struct Item {
        QByteArray path;  // in the file-name encoding
        bool folder = false;
    };
    void ReadFolder(const QByteArray& path);

    QList<Item> m_pending;  // a stack: the next item in path order is last
    QSet<std::pair<dev_t, ino_t>> m_seen;
    QStringList m_files;
    QStringList m_problems;
};
