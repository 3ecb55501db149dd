#include "AsNobody.h"

#include <QFile>

#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

int RunAsNobody(const QStringList& paths, const std::function<int()>& body)
{
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody)
        return CannotBecomeNobody;
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    if (::getuid() == 0)
        for (const QString& path : paths)
            if (::chown(QFile::encodeName(path).constData(), uid, gid) != 0)
                return CannotBecomeNobody;
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::getuid() == 0 && (::setgid(gid) != 0 || ::setuid(uid) != 0))
            ::_exit(CannotBecomeNobody);
        ::_exit(body());
    }
    if (pid < 0)
        return -1;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
