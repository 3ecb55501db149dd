// OutputFile: complete-or-nothing output through O_TMPFILE + linkat, or a named temp + rename.
#include "OutputFile.h"
#include "BladeEnc.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bladeenc {

namespace {
// The named temporary file of the running encode, for the signal handlers of main.cpp.
std::atomic<const char*> g_pendingTemp{nullptr};
}

const char* PendingTempPath()
{
    return g_pendingTemp.load();
}

namespace {
void OnFatalSignal(int sig)
{
    if (const char* temp = g_pendingTemp.load())
        unlink(temp);
    signal(sig, SIG_DFL);
    raise(sig);  // die of the same signal, so the parent sees why
}
} // namespace

void InstallTempCleanupOnSignals()
{
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGQUIT}) {
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
    error_.clear();
#ifdef O_TMPFILE
    // Linking an unnamed file into place goes through /proc/self/fd (AT_EMPTY_PATH needs a
    // privilege): without /proc, a named temporary file it is.
    // BLADEENC_NO_O_TMPFILE (non-empty) takes the named way, as on a file system without it.
    const char* noUnnamed = std::getenv("BLADEENC_NO_O_TMPFILE");
    if (noUnnamed && *noUnnamed)
        allowUnnamed = false;
    if (allowUnnamed && access("/proc/self/fd", X_OK) == 0) {
        fd_ = open(folder_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            unnamed_ = true;
            return true;
        }
        // EOPNOTSUPP / EISDIR / EINVAL: the file system or kernel lacks it; other errors
        // (no permission, no space) will show again below with the named file.
    }
#endif
    std::string pattern = folder_ + "/." + NameOf(finalPath) + ".tw-XXXXXX";
    std::string buffer = pattern;
    fd_ = mkostemp(buffer.data(), O_CLOEXEC);
    if (fd_ < 0)
        return Fail("cannot create a temporary file in " + folder_, errno);
    // mkostemp creates 0600; give the file the mode a plain create would have had.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd_, 0666 & ~mask);
    unnamed_ = false;
    tempPath_ = buffer;
    g_pendingTemp.store(tempPath_.c_str());
    return true;
}

bool OutputFile::Write(const void* data, size_t size)
{
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

bool OutputFile::Commit()
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
    if (unnamed_) {
        std::string procPath = "/proc/self/fd/" + std::to_string(fd_);
        auto linkTo = [&](const std::string& name) {
            if (linkat(AT_FDCWD, procPath.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
                return 0;
            int err = errno;
            if (err == ENOENT || err == EPERM || err == EXDEV) {
                // No /proc: AT_EMPTY_PATH works where the process may use it.
                if (linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0)
                    return 0;
                if (errno == EEXIST)
                    err = EEXIST;
            }
            return err;
        };
        int err = linkTo(finalPath_);
        if (err == EEXIST) {
            // Replace an existing file in one step: link under a unique hidden name, then rename
            // that over the final name.
            for (int attempt = 0; attempt < 100 && err == EEXIST; ++attempt) {
                char suffix[32];
                std::snprintf(suffix, sizeof suffix, ".tw-%d-%d", int(getpid()), attempt);
                std::string temp = folder_ + "/." + NameOf(finalPath_) + suffix;
                err = linkTo(temp);
                if (err == 0) {
                    if (rename(temp.c_str(), finalPath_.c_str()) != 0) {
                        err = errno;
                        unlink(temp.c_str());
                    }
                }
            }
        }
        if (err != 0) {
            Discard();
            return Fail("cannot put the MP3 file in place as " + finalPath_, err);
        }
    } else {
        if (rename(tempPath_.c_str(), finalPath_.c_str()) != 0) {
            int err = errno;
            Discard();
            return Fail("cannot put the MP3 file in place as " + finalPath_, err);
        }
        g_pendingTemp.store(nullptr);
        tempPath_.clear();
    }
    close(fd_);
    fd_ = -1;
    SyncFolder(folder_);
    return true;
}

void OutputFile::Discard()
{
    if (!tempPath_.empty()) {
        g_pendingTemp.store(nullptr);
        unlink(tempPath_.c_str());
        tempPath_.clear();
    }
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

} // namespace bladeenc
