// TFolderScan: a depth-first walk whose stack holds each folder's entries sorted, so the files
// come out in path order without a sort of the whole list.
#include "FolderScan.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool IsEncodableAudioName(QStringView name)
{
    static const char* const kExtensions[] = {".wav", ".aif", ".aiff", ".aifc", ".flac", ".ogg",
                                              ".oga", ".opus", ".w64", ".rf64", ".caf"};
    for (const char* ext : kExtensions) {
        const qsizetype length = qsizetype(std::strlen(ext));
        if (name.size() > length && name.endsWith(QLatin1StringView(ext, length), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

int CompareNamesNaturally(QStringView a, QStringView b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            // Leading zeros add nothing to the value; then the longer run is the larger number.
            qsizetype si = i, sj = j;
            while (si < a.size() && a[si] == u'0')
                ++si;
            while (sj < b.size() && b[sj] == u'0')
                ++sj;
            qsizetype ei = si, ej = sj;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            if (ei - si != ej - sj)
                return ei - si < ej - sj ? -1 : 1;
            if (int c = a.mid(si, ei - si).compare(b.mid(sj, ej - sj)); c != 0)
                return c;
            i = ei;
            j = ej;
            continue;
        }
        const char32_t ca = a[i].toCaseFolded().unicode(), cb = b[j].toCaseFolded().unicode();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return a.compare(b);
}

TFolderScan::TFolderScan(const QString& root)
{
    // Absolute without resolving anything: the files keep the names the user chose.
    QByteArray path = QFile::encodeName(root.startsWith(u'/') ? root : QDir::currentPath() + u'/' + root);
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    m_pending.append(Item{path, true});
}

bool TFolderScan::Step(int folders)
{
    while (!m_pending.isEmpty()) {
        Item item = m_pending.takeLast();
        if (!item.folder) {
            m_files.append(QFile::decodeName(item.path));
            continue;
        }
        if (folders-- <= 0) {
            m_pending.append(std::move(item));
            return true;
        }
        ReadFolder(item.path);
    }
    return false;
}

void TFolderScan::Run(const std::function<bool(qsizetype found)>& progress)
{
    while (Step(1))
        if (progress && !progress(m_files.size()))
            return;
    if (progress)
        progress(m_files.size());
}

void TFolderScan::ReadFolder(const QByteArray& path)
{
    const int fd = open(path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) {
        m_problems.append(QFile::decodeName(path) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)));
        if (fd >= 0)
            close(fd);
        return;
    }
    if (m_seen.contains({st.st_dev, st.st_ino})) {
        close(fd);
        return;
    }
    m_seen.insert({st.st_dev, st.st_ino});
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return;
    }

    struct Entry {
        QString name;
        Item item;
    };
    std::vector<Entry> entries;
    const QByteArray prefix = path == "/" ? path : path + '/';
    while (const dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.')
            continue;  // hidden, and "." and ".."
        unsigned char type = e->d_type;
        if (type == DT_LNK || type == DT_UNKNOWN) {
            struct stat target;
            if (fstatat(dirfd(dir), e->d_name, &target, 0) != 0)
                continue;  // a dangling link
            type = S_ISDIR(target.st_mode) ? DT_DIR : S_ISREG(target.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type != DT_DIR && type != DT_REG)
            continue;
        QString name = QFile::decodeName(e->d_name);
        if (type == DT_REG && !IsEncodableAudioName(name))
            continue;
        entries.push_back({std::move(name), Item{prefix + e->d_name, type == DT_DIR}});
    }
    closedir(dir);
    // Sorted last first onto the stack, so the first in path order is taken next.
    std::sort(entries.begin(), entries.end(),
              [](const Entry& x, const Entry& y) { return CompareNamesNaturally(x.name, y.name) > 0; });
    for (Entry& entry : entries)
        m_pending.append(std::move(entry.item));
}
