// OutputRegistry: the MP3 files this run has put in place, known by what the file system sees
// (device and inode), and the one rule for putting a file under a name. Two sources can reach one
// MP3 through a symlinked folder or a folder that ignores letter case: the registry turns the
// second one into an error instead of a replaced MP3 (and, with -DELETE, a lost recording).
// An existing MP3 the real user may not write is refused the same way.
//
// Thread safety: one registry serves every worker; Lock() guards the check and the link or rename
// that follows it, so no two workers can both find a name free and both take it.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>

struct stat;

namespace bladeenc {

// A file name as its folder compares names: the folder's device and inode, and the name folded
// to lower case where the folder's file system ignores letter case.
struct OutputKey {
    dev_t folderDev = 0;
    ino_t folderIno = 0;
    std::string name;
    auto operator<=>(const OutputKey&) const = default;
};
// nullopt when the folder cannot be looked at (the encode then fails on its own).
std::optional<OutputKey> OutputKeyOf(const std::string& path);
// Whether names in the folder are compared without letter case: FAT, exFAT, HFS+, SMB shares and
// case-folded ext4/f2fs folders. A FUSE file system cannot tell; it counts as case-sensitive,
// and the inode check of Refusal still catches a second source reaching the first one's MP3.
bool FolderIgnoresCase(const std::string& folder);

class OutputRegistry {
public:
    std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(m_mutex); }
    // With Lock() held: why nothing may be put under target now, or empty. Refused are a file
    // this run made (it holds another source's audio) and a file the real user may not write.
    std::string Refusal(const std::string& target) const;
    // With Lock() held, right after the file is in place: remembers it as made from source.
    void Record(const struct stat& made, const std::string& source);

private:
    std::mutex m_mutex;
    std::map<std::pair<dev_t, ino_t>, std::string> m_made;  // inode -> the source it holds
};

} // namespace bladeenc
