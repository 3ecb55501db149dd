#include "AtomicFile.h"

#include <QByteArrayView>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool WriteAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(size));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// The template's suffix as mkstemp fills it in.
constexpr qsizetype TemporarySuffixLength = 6;

QByteArray TemporaryPrefix(const QByteArray& name)
{
    return '.' + name + '.';
}

bool IsTemporaryName(QByteArrayView entry, const QByteArray& prefix)
{
    if (entry.size() != prefix.size() + TemporarySuffixLength || !entry.startsWith(prefix))
        return false;
    for (const char c : entry.sliced(prefix.size()))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}
} // namespace

bool WriteFileAtomically(const QString& path, const QByteArray& data)
{
    const QByteArray target = QFile::encodeName(path);
    const qsizetype slash = target.lastIndexOf('/');
    QByteArray tmpl = target.left(slash + 1) + TemporaryPrefix(target.mid(slash + 1))
                      + QByteArray(TemporarySuffixLength, 'X');

    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0)
        return false;

    struct stat old {};
    mode_t mode = 0644;
    if (::stat(target.constData(), &old) == 0)
        mode = old.st_mode & 07777;
    else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    bool ok = ::fchmod(fd, mode) == 0 || errno == EPERM;
    ok = ok && WriteAll(fd, data.constData(), data.size());
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(tmpl.constData(), target.constData()) == 0;
    if (!ok)
        ::unlink(tmpl.constData());
    return ok;
}

bool ReplaceWritableFile(const QString& path, const QByteArray& data)
{
    QString target = path;
    const QFileInfo info(path);
    if (info.isSymLink())
        target = info.symLinkTarget();
    if (::access(QFile::encodeName(target).constData(), W_OK) != 0 && errno != ENOENT)
        return false;
    return WriteFileAtomically(target, data);
}

void RemoveStaleTemporaryFiles(const QString& path, int minAgeSeconds)
{
    const QByteArray target = QFile::encodeName(path);
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : target.left(slash + 1);
    const QByteArray prefix = TemporaryPrefix(target.mid(slash + 1));
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        if (!IsTemporaryName(QByteArrayView(entry->d_name), prefix))
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)
            && now - st.st_mtime > minAgeSeconds)
            (void)::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}
