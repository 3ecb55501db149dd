// OutputFile: writes a file so that its final name only ever shows complete content. The data
// goes to an unnamed O_TMPFILE file in the target's folder (or, where the file system lacks
// that, a hidden named temporary file there) and is linked or renamed into place by Commit().
// An existing file under the final name stays untouched until then.
#pragma once

#include <string>

namespace bladeenc {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();  // discards what was not committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file; false with error() set on failure.
    bool Open(const std::string& finalPath, bool allowUnnamed = true);
    int fd() const { return fd_; }
    bool unnamed() const { return unnamed_; }
    const std::string& tempPath() const { return tempPath_; }  // empty for an unnamed file

    // Writes all bytes at the current position (retrying short writes) / at an offset.
    bool Write(const void* data, size_t size);
    bool WriteAt(const void* data, size_t size, long long offset);

    // Flushes the data to disk, puts it under the final name (replacing an existing file only
    // now) and flushes the folder. False with error() set; the temporary file is then gone and
    // an existing file under the final name is unchanged.
    bool Commit();
    // Removes the temporary file; the final name is not touched.
    void Discard();

    const std::string& error() const { return error_; }

private:
    bool Fail(const std::string& what, int err);
    std::string finalPath_;
    std::string folder_;
    std::string tempPath_;
    std::string error_;
    int fd_ = -1;
    bool unnamed_ = false;
};

// Path of the named temporary file being written right now (fallback mode only), or nullptr.
// Read by signal handlers so an interrupted run can remove it; async-signal-safe to read.
const char* PendingTempPath();
// Makes SIGTERM, SIGINT, SIGHUP, SIGPIPE and SIGQUIT remove that file before the process dies
// of the signal (signals the parent set to be ignored stay ignored).
void InstallTempCleanupOnSignals();

// Folder part of a path ("." when it has none), and its last component.
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);
// fsync of a folder, so a link, rename or unlink in it survives a crash.
bool SyncFolder(const std::string& folder);

} // namespace bladeenc
