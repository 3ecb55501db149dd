#include "ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern "C" {
#include <sys/pidfd.h>
}

namespace ChildProcess {

namespace {

// Moves a descriptor above the standard ones, so that the child's dup2 calls can never
// overwrite one of our ends with another.
int LiftAboveStandard(int fd)
{
    if (fd > 2)
        return fd;
    const int lifted = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    const int saved = errno;
    close(fd);
    errno = saved;
    return lifted;
}

}  // namespace

int CreatePipe(Pipe& pipe, int size)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return errno;
    fds[0] = LiftAboveStandard(fds[0]);
    if (fds[0] < 0) {
        const int e = errno;
        close(fds[1]);
        return e;
    }
    fds[1] = LiftAboveStandard(fds[1]);
    if (fds[1] < 0) {
        const int e = errno;
        close(fds[0]);
        return e;
    }
    if (size > 0)
        (void)fcntl(fds[1], F_SETPIPE_SZ, size);
    pipe.Read = fds[0];
    pipe.Write = fds[1];
    return 0;
}

int Spawn(const SpawnRequest& request, pid_t& pid)
{
    if (request.Program.isEmpty() || request.Arguments.empty())
        return ENOENT;

    std::vector<char*> argv;
    argv.reserve(request.Arguments.size() + 1);
    for (const QByteArray& a : request.Arguments)
        argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);

    std::vector<char*> envp;
    if (request.ReplaceEnvironment) {
        envp.reserve(request.Environment.size() + 1);
        for (const QByteArray& e : request.Environment)
            envp.push_back(const_cast<char*>(e.constData()));
        envp.push_back(nullptr);
    }

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    if (int e = posix_spawn_file_actions_init(&actions))
        return e;
    if (int e = posix_spawnattr_init(&attr)) {
        posix_spawn_file_actions_destroy(&actions);
        return e;
    }

    int result = 0;
    auto step = [&result](int e) {
        if (result == 0 && e != 0)
            result = e;
    };
    step(posix_spawn_file_actions_adddup2(&actions, request.Input, 0));
    step(posix_spawn_file_actions_adddup2(&actions, request.Output, 1));
    step(posix_spawn_file_actions_adddup2(&actions, request.Output, 2));
    step(posix_spawn_file_actions_addclosefrom_np(&actions, 3));
    if (!request.WorkingDirectory.isEmpty())
        step(posix_spawn_file_actions_addchdir_np(&actions, request.WorkingDirectory.constData()));

    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    step(posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK
                                             | POSIX_SPAWN_SETSIGDEF));
    step(posix_spawnattr_setpgroup(&attr, 0));
    step(posix_spawnattr_setsigmask(&attr, &none));
    step(posix_spawnattr_setsigdefault(&attr, &all));

    if (result == 0) {
        char** env = request.ReplaceEnvironment ? envp.data() : environ;
        result = request.SearchPath
            ? posix_spawnp(&pid, request.Program.constData(), &actions, &attr, argv.data(), env)
            : posix_spawn(&pid, request.Program.constData(), &actions, &attr, argv.data(), env);
    }
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    return result;
}

int OpenPidFd(pid_t pid)
{
    const int fd = pidfd_open(pid, 0);
    return fd >= 0 ? LiftAboveStandard(fd) : -1;
}

bool HasEnded(pid_t pid)
{
    siginfo_t info{};
    int r;
    do {
        r = waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
    } while (r < 0 && errno == EINTR);
    if (r < 0)
        return errno == ECHILD;  // already collected elsewhere
    return info.si_pid != 0;
}

bool TerminateGroup(pid_t pid, int pidFd, int graceMs)
{
    if (pid <= 0)
        return true;
    (void)kill(-pid, SIGTERM);
    (void)kill(pid, SIGTERM);  // in case it left its group
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
    for (;;) {
        if (HasEnded(pid))
            return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0)
            return false;
        if (pidFd >= 0) {
            pollfd fd{pidFd, POLLIN, 0};
            (void)poll(&fd, 1, static_cast<int>(left));
        } else {
            usleep(static_cast<useconds_t>(std::min<long long>(left, 5) * 1000));
        }
    }
}

void KillGroup(pid_t pid)
{
    if (pid <= 0)
        return;
    (void)kill(-pid, SIGKILL);
    (void)kill(pid, SIGKILL);  // in case it left its group
}

int Reap(pid_t pid)
{
    if (pid <= 0)
        return -1;
    int status = 0;
    pid_t r;
    while ((r = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
    }
    return r == pid ? status : -1;
}

void CloseFd(int& fd)
{
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

}  // namespace ChildProcess
