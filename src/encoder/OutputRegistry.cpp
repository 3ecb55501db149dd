// OutputRegistry: names compared as the folder compares them, MP3s of this run known by inode.
#include "OutputRegistry.h"
#include "OutputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace bladeenc {

namespace {

// statfs f_type values of file systems that compare names without letter case.
constexpr long kMsdosMagic = 0x4d44;      // vfat, msdos
constexpr long kExfatMagic = 0x2011BAB0;  // the kernel's exFAT
constexpr long kHfsPlusMagic = 0x482b;
constexpr long kCifsMagic = 0xFF534D42;
constexpr long kSmb2Magic = 0xFE534D42;
constexpr unsigned kCasefoldFlag = 0x40000000;  // FS_CASEFOLD_FL: an ext4/f2fs folder folded by name

std::string AsciiLower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

} // namespace

bool FolderIgnoresCase(const std::string& folder)
{
    struct statfs fs;
    if (statfs(folder.c_str(), &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type) & 0xFFFFFFFFul) {
    case kMsdosMagic: case kExfatMagic: case kHfsPlusMagic: case kCifsMagic: case kSmb2Magic:
        return true;
    default:
        break;
    }
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    unsigned flags = 0;
    bool folded = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & kCasefoldFlag);
    close(fd);
    return folded;
}

std::optional<OutputKey> OutputKeyOf(const std::string& path)
{
    const std::string folder = FolderOf(path);
    struct stat st;
    if (stat(folder.c_str(), &st) != 0)
        return std::nullopt;
    OutputKey key{st.st_dev, st.st_ino, NameOf(path)};
    if (FolderIgnoresCase(folder))
        key.name = AsciiLower(key.name);
    return key;
}

std::string OutputRegistry::Refusal(const std::string& target) const
{
    struct stat st;
    if (lstat(target.c_str(), &st) != 0)
        return {};  // nothing there (or nothing we can see): the link or rename will tell
    auto made = m_made.find({st.st_dev, st.st_ino});
    if (made != m_made.end())
        return "would replace \"" + target + "\", encoded from \"" + made->second +
               "\" in this run; rename one of them";
    // The rename over a file needs only the folder's permission: a file made read-only is the
    // user's word that it stays, so the same rule as for writing into it holds.
    if (access(target.c_str(), W_OK) != 0 && errno != ENOENT) {
        const int err = errno;
        return "would replace \"" + target + "\", which may not be written (" + std::strerror(err) +
               "); the MP3 was not made";
    }
    return {};
}

void OutputRegistry::Record(const struct stat& made, const std::string& source)
{
    m_made[{made.st_dev, made.st_ino}] = source;
}

} // namespace bladeenc
