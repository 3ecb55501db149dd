// OutputFile: complete-or-nothing output through O_TMPFILE + linkat, or a named temp + rename.
#include "OutputFile.h"
#include "OutputRegistry.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <random>
#include <set>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace bladeenc {

namespace {

constexpr char kTempPrefix[] = ".tw-";
constexpr size_t kTempRandom = 6;
constexpr char kTempAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// Named temporary files for the signal handlers. A slot is claimed (1) while its path is copied
// in and readable (2) while the file exists; handlers only read slots in state 2, and the path
// lives in the slot itself so no owner can free it under a handler's feet.
struct TempSlot {
    std::atomic<int> state{0};
    char path[PATH_MAX];
};
constexpr int kTempSlots = 128;
TempSlot g_tempSlots[kTempSlots];

int RegisterTemp(const std::string& path)
{
    if (path.size() >= PATH_MAX)
        return -1;  // no signal cleanup for it; the next run's sweep still removes a leftover
    for (int i = 0; i < kTempSlots; ++i) {
        int expected = 0;
        if (g_tempSlots[i].state.compare_exchange_strong(expected, 1)) {
            std::memcpy(g_tempSlots[i].path, path.c_str(), path.size() + 1);
            g_tempSlots[i].state.store(2, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

void UnregisterTemp(int& slot)
{
    if (slot >= 0)
        g_tempSlots[slot].state.store(0, std::memory_order_release);
    slot = -1;
}

// A temporary name comes into being before its slot is filled. A handler that scanned the slots
// while another thread was between the two would leave that file behind: creators count
// themselves in g_creating and stop once g_dying is set, and the handler waits for the count
// to drop before it scans.
std::atomic<int> g_creating{0};
std::atomic<bool> g_dying{false};

class CreationWindow {
public:
    CreationWindow() { g_creating.fetch_add(1); }
    ~CreationWindow() { g_creating.fetch_sub(1); }
    bool open() const { return !g_dying.load(); }  // false: the process is dying of a signal
};

constexpr int kCleanupSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGQUIT, SIGABRT};

void OnFatalSignal(int sig)
{
    g_dying.store(true);
    // Bounded, in case the handler runs on a thread inside a window of its own.
    const timespec millisecond = {0, 1000000};
    for (int wait = 0; wait < 2000 && g_creating.load() > 0; ++wait)
        nanosleep(&millisecond, nullptr);
    for (TempSlot& slot : g_tempSlots)
        if (slot.state.load(std::memory_order_acquire) == 2)
            unlink(slot.path);
    signal(sig, SIG_DFL);
    raise(sig);  // die of the same signal, so the parent sees why
}

LostWriteHook& LostWrite()
{
    static LostWriteHook hook;
    return hook;
}

bool ForcedNamed()
{
    const char* value = std::getenv("BLADEENC_NO_O_TMPFILE");
    return value && *value;
}

std::string RandomTempName()
{
    thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<size_t> pick(0, sizeof kTempAlphabet - 2);
    std::string name = kTempPrefix;
    for (size_t i = 0; i < kTempRandom; ++i)
        name += kTempAlphabet[pick(random)];
    return name;
}

bool SameInode(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Our MP3 data begins with an ID3v2 tag or a frame sync; an empty file is a writer killed early.
bool LooksLikeOurData(int fd, off_t size)
{
    if (size == 0)
        return true;
    unsigned char head[3] = {};
    if (pread(fd, head, sizeof head, 0) != ssize_t(sizeof head))
        return false;
    return (head[0] == 'I' && head[1] == 'D' && head[2] == '3') ||
           (head[0] == 0xFF && (head[1] & 0xE0) == 0xE0);
}

// Sweeps each folder once per run: a batch of many files in one folder reads it only once.
void SweepFolderOnce(const std::string& folder)
{
    static std::mutex mutex;
    static std::set<std::string> swept;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!swept.insert(folder).second)
            return;
    }
    RemoveStaleTempFiles(folder);
}

} // namespace

bool IsTempName(const std::string& name)
{
    if (name.size() != sizeof kTempPrefix - 1 + kTempRandom || name.compare(0, 4, kTempPrefix) != 0)
        return false;
    for (size_t i = 4; i < name.size(); ++i)
        if (!std::strchr(kTempAlphabet, name[i]) || name[i] == '\0')
            return false;
    return true;
}

int RemoveStaleTempFiles(const std::string& folder)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return 0;
    int removed = 0;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (!IsTempName(name))
            continue;
        std::string path = folder + "/" + name;
        int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened, named;
        // A living writer holds its lock from creation to rename: only a dead one's file is free.
        bool stale = fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == geteuid() &&
                     flock(fd, LOCK_EX | LOCK_NB) == 0 && lstat(path.c_str(), &named) == 0 &&
                     SameInode(opened, named) && LooksLikeOurData(fd, opened.st_size);
        if (stale && unlink(path.c_str()) == 0)
            ++removed;
        close(fd);
    }
    closedir(dir);
    if (removed > 0)
        SyncFolder(folder);
    return removed;
}

std::vector<std::string> PendingTempPaths()
{
    std::vector<std::string> paths;
    for (TempSlot& slot : g_tempSlots)
        if (slot.state.load(std::memory_order_acquire) == 2)
            paths.emplace_back(slot.path);
    return paths;
}

void InstallTempCleanupOnSignals()
{
    for (int sig : kCleanupSignals) {
        struct sigaction old;
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = OnFatalSignal;
        sigemptyset(&action.sa_mask);
        sigaction(sig, &action, nullptr);
    }
}

void BlockCleanupSignalsInThisThread()
{
    sigset_t set;
    sigemptyset(&set);
    for (int sig : kCleanupSignals)
        sigaddset(&set, sig);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

mode_t ProcessUmask()
{
    // umask() can only be read by setting it: done once, before the workers create files.
    static const mode_t mask = [] {
        mode_t m = umask(0);
        umask(m);
        return m;
    }();
    return mask;
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool SyncFolder(const std::string& folder)
{
    int dfd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0)
        return false;
    bool ok = fsync(dfd) == 0 || errno == EINVAL;  // some file systems cannot sync folders
    close(dfd);
    return ok;
}

OutputFile::~OutputFile()
{
    Discard();
}

bool OutputFile::Fail(const std::string& what, int err)
{
    error_ = what + ": " + std::strerror(err);
    return false;
}

bool OutputFile::Open(const std::string& finalPath, bool allowUnnamed)
{
    Discard();
    finalPath_ = finalPath;
    folder_ = FolderOf(finalPath);
    writes_ = 0;
    error_.clear();
    SweepFolderOnce(folder_);
#ifdef O_TMPFILE
    // Linking an unnamed file into place goes through /proc/self/fd (AT_EMPTY_PATH needs a
    // privilege): without /proc, a named temporary file it is.
    if (allowUnnamed && !ForcedNamed() && access("/proc/self/fd", X_OK) == 0) {
        fd_ = open(folder_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            flock(fd_, LOCK_EX);  // the name it gets for a moment in Commit is then ours
            unnamed_ = true;
            return true;
        }
        // EOPNOTSUPP / EISDIR / EINVAL: the file system or kernel lacks it; other errors
        // (no permission, no space) will show again below with the named file.
    }
#endif
    return OpenNamed();
}

bool OutputFile::OpenNamed()
{
    unnamed_ = false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        CreationWindow window;
        if (!window.open())
            return Fail("cannot create a temporary file in " + folder_, EINTR);
        std::string buffer = folder_ + "/" + kTempPrefix + "XXXXXX";
        fd_ = mkostemp(buffer.data(), O_CLOEXEC);
        if (fd_ < 0)
            return Fail("cannot create a temporary file in " + folder_, errno);
        flock(fd_, LOCK_EX);
        // Another run's sweep may have taken the file in the instant before the lock: then the
        // name is no longer ours, and a fresh one is made.
        struct stat opened, named;
        if (fstat(fd_, &opened) == 0 && lstat(buffer.c_str(), &named) == 0 && SameInode(opened, named)) {
            // mkostemp creates 0600; give the file the mode a plain create would have had.
            fchmod(fd_, 0666 & ~ProcessUmask());
            tempPath_ = buffer;
            signalSlot_ = RegisterTemp(tempPath_);
            return true;
        }
        close(fd_);
        fd_ = -1;
    }
    return Fail("cannot create a temporary file in " + folder_, EEXIST);
}

void SetLostWriteHookForTests(LostWriteHook hook)
{
    LostWrite() = std::move(hook);
}

bool OutputFile::Write(const void* data, size_t size)
{
    if (LostWrite() && LostWrite()(*this, writes_++))
        return true;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(fd_, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Fail("cannot write the MP3 file", errno);
        }
        p += n;
        size -= size_t(n);
    }
    return true;
}

bool OutputFile::WriteAt(const void* data, size_t size, long long offset)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = pwrite(fd_, p, size, off_t(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return Fail("cannot write the MP3 file", errno);
        }
        p += n;
        size -= size_t(n);
        offset += n;
    }
    return true;
}

// Links the unnamed file under a fresh temporary name in the folder; 0 or an errno value.
int OutputFile::LinkUnderTempName(std::string& name)
{
    std::string procPath = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder_ + "/" + RandomTempName();
        if (linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
            return 0;
        int err = errno;
        if (err == ENOENT || err == EPERM || err == EXDEV) {
            // No /proc: AT_EMPTY_PATH works where the process may use it.
            if (linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0)
                return 0;
            err = errno;
        }
        if (err != EEXIST)
            return err;
    }
    return EEXIST;
}

// Puts the written file under the final name; 0 or an errno value. The temporary name is gone
// either way.
int OutputFile::PutInPlace()
{
    if (!unnamed_) {
        if (rename(tempPath_.c_str(), finalPath_.c_str()) != 0)
            return errno;
        UnregisterTemp(signalSlot_);
        tempPath_.clear();
        return 0;
    }
    // A link straight to the final name never replaces anything; an existing file is replaced
    // in one step by a rename from a temporary name.
    std::string procPath = "/proc/self/fd/" + std::to_string(fd_);
    int err = 0;
    if (linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, finalPath_.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        err = errno;
        if (err == ENOENT || err == EPERM || err == EXDEV) {
            // No /proc: AT_EMPTY_PATH works where the process may use it.
            if (linkat(fd_, "", AT_FDCWD, finalPath_.c_str(), AT_EMPTY_PATH) == 0)
                err = 0;
            else if (errno == EEXIST)
                err = EEXIST;
        }
    }
    if (err == EEXIST) {
        std::string temp;
        CreationWindow window;
        err = window.open() ? LinkUnderTempName(temp) : EINTR;
        if (err == 0) {
            signalSlot_ = RegisterTemp(temp);
            if (rename(temp.c_str(), finalPath_.c_str()) != 0) {
                err = errno;
                unlink(temp.c_str());
            }
            UnregisterTemp(signalSlot_);
        }
    }
    return err;
}

bool OutputFile::Commit(OutputRegistry* registry, const std::string& madeFrom)
{
    if (fd_ < 0) {
        error_ = "no output file open";
        return false;
    }
    if (fsync(fd_) != 0 && errno != EINVAL) {
        int err = errno;
        Discard();
        return Fail("cannot write the MP3 file", err);
    }
    {
        std::unique_lock<std::mutex> lock;
        if (registry) {
            lock = registry->Lock();
            if (std::string refusal = registry->Refusal(finalPath_); !refusal.empty()) {
                Discard();
                error_ = refusal;
                return false;
            }
        }
        if (int err = PutInPlace(); err != 0) {
            Discard();
            return Fail("cannot put the MP3 file in place as " + finalPath_, err);
        }
        struct stat made;
        if (registry && fstat(fd_, &made) == 0)
            registry->Record(made, madeFrom);
    }
    close(fd_);
    fd_ = -1;
    SyncFolder(folder_);
    return true;
}

void OutputFile::Discard()
{
    if (!tempPath_.empty()) {
        unlink(tempPath_.c_str());  // before its slot goes, so a signal in between finds it
        UnregisterTemp(signalSlot_);
        tempPath_.clear();
    }
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

} // namespace bladeenc
