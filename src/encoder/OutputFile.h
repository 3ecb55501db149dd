// OutputFile: writes a file so that its final name only ever shows complete content. The data
// goes to an unnamed O_TMPFILE file in the target's folder (or, where the file system lacks
// that, a hidden named temporary file there) and is linked or renamed into place by Commit().
// An existing file under the final name stays untouched until then.
//
// Every name that ever holds our data before Commit is ".tw-XXXXXX" in the target's folder: short
// and fixed in length, so a target whose name is at the file system's limit still works. While a
// writer lives it holds an flock on its file; a file of that pattern that nobody holds is a
// leftover of a killed run and is removed by the next run that writes into the folder.
//
// Thread safety: one OutputFile per thread; the signal cleanup and the folder sweep are shared and
// safe to use from several threads.
#pragma once

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace bladeenc {

class OutputRegistry;

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();  // discards what was not committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file; false with error() set on failure. The environment variable
    // BLADEENC_NO_O_TMPFILE (non-empty) forces the named temporary file, as allowUnnamed = false.
    bool Open(const std::string& finalPath, bool allowUnnamed = true);
    int fd() const { return fd_; }
    const std::string& finalPath() const { return finalPath_; }
    bool unnamed() const { return unnamed_; }
    const std::string& tempPath() const { return tempPath_; }  // empty for an unnamed file

    // Writes all bytes at the current position (retrying short writes) / at an offset.
    bool Write(const void* data, size_t size);
    bool WriteAt(const void* data, size_t size, long long offset);

    // Flushes the data to disk, puts it under the final name (replacing an existing file only
    // now) and flushes the folder. False with error() set; the temporary file is then gone and
    // an existing file under the final name is unchanged. With a registry, the name is checked
    // and taken under its lock, and the new file recorded as made from madeFrom.
    bool Commit(OutputRegistry* registry = nullptr, const std::string& madeFrom = {});
    // Removes the temporary file; the final name is not touched.
    void Discard();

    const std::string& error() const { return error_; }

private:
    bool Fail(const std::string& what, int err);
    bool OpenNamed();
    int LinkUnderTempName(std::string& name);  // errno-style result
    int PutInPlace();                          // errno-style result
    std::string finalPath_;
    std::string folder_;
    std::string tempPath_;
    std::string error_;
    int fd_ = -1;
    int signalSlot_ = -1;  // this file's entry in the signal cleanup table, or -1
    bool unnamed_ = false;
    int writes_ = 0;       // calls of Write() so far, counted while a lost-write hook is set
};

// Test seam for a write that is lost while it reports success, as on a failing disk or a flaky
// network share: when a hook is set, Write() asks it first with the file and the number of that
// write in the file (from 0), and skips writing when it returns true. Set by tests only, while no
// file is being written; an empty hook removes it.
using LostWriteHook = std::function<bool(const OutputFile& file, int writeIndex)>;
void SetLostWriteHookForTests(LostWriteHook hook);

// True for a name of our temporary files: ".tw-" and six characters of mkstemp's alphabet.
bool IsTempName(const std::string& name);
// Removes the leftovers of killed runs in folder: files named like ours, owned by us, empty or
// holding MP3 data, that no living writer holds. Returns how many were removed.
int RemoveStaleTempFiles(const std::string& folder);

// Paths of the named temporary files being written right now (fallback mode, and the moment
// between link and rename when replacing a file). Filled so signal handlers can remove them.
std::vector<std::string> PendingTempPaths();
// Makes SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGQUIT and SIGABRT (a failed assertion in a library)
// remove those files before the process dies of the signal (signals the parent set to be
// ignored stay ignored).
void InstallTempCleanupOnSignals();
// For threads that write output files: the cleanup signals then reach a thread that never
// creates one, so the handler can wait for creations under way instead of racing them.
void BlockCleanupSignalsInThisThread();

// The process's umask, read once (the first call must come before other threads create files).
mode_t ProcessUmask();

// Folder part of a path ("." when it has none), and its last component.
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);
// fsync of a folder, so a link, rename or unlink in it survives a crash.
bool SyncFolder(const std::string& folder);

} // namespace bladeenc
