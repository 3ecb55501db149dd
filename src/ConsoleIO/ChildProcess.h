#pragma once
// The POSIX process layer of the console runner: pipes, spawning a child in a process group
// of its own, watching it, killing its group and reaping it. Every call is thread-safe;
// descriptors are created close-on-exec and numbered 3 or above.
#include <QByteArray>

#include <sys/types.h>

#include <vector>

namespace ChildProcess {

struct Pipe {
    int Read = -1;
    int Write = -1;
};

// Creates a pipe and asks for `size` bytes of buffer (the kernel rounds up to a power of two
// of whole pages; a refused size is ignored). Returns 0 or the errno value.
int CreatePipe(Pipe& pipe, int size);

struct SpawnRequest {
    QByteArray Program;                  // a path, or a bare name looked up in PATH
    bool SearchPath = false;
    std::vector<QByteArray> Arguments;   // argv, argv[0] included
    bool ReplaceEnvironment = false;     // false: the child inherits our environment
    std::vector<QByteArray> Environment; // "NAME=value" items
    QByteArray WorkingDirectory;         // empty: ours
    int Input = -1;                      // becomes the child's standard input
    int Output = -1;                     // becomes its standard output and standard error
};

// Starts the child with default signal dispositions, an empty signal mask, every descriptor
// but 0, 1 and 2 closed, as the leader of a new process group. Returns 0 or the errno value
// (ENOENT for a program that does not exist).
int Spawn(const SpawnRequest& request, pid_t& pid);

// A descriptor that becomes readable when the child ends, or -1 when the kernel has none.
int OpenPidFd(pid_t pid);
// True when the child has ended (it stays unreaped).
bool HasEnded(pid_t pid);
// SIGTERM to the child and to every process of its group, so that they may clean up, then
// waits up to `graceMs` for the child to end: on `pidFd` when there is one, else by looking
// every 5 ms. True when the child has ended.
bool TerminateGroup(pid_t pid, int pidFd, int graceMs);
// SIGKILL to the child and to every process of its group. Ended processes are no error.
void KillGroup(pid_t pid);
// Waits for the child to end and collects it; returns its wait status, or -1 when it was
// collected elsewhere.
int Reap(pid_t pid);
void CloseFd(int& fd);

}  // namespace ChildProcess
