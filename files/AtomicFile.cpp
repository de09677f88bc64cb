#include "files/AtomicFile.h"

#include "files/FileWriting.h"

#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// The file the save really replaces: the target of a symbolic link, so that a
// player's linked score file stays a link to the updated file.
std::string resolveTarget(const std::string& path)
{
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        return path;
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr)
        return path;
    return resolved;
}

} // namespace

bool replaceFileAtomically(const std::string& path, std::string_view contents)
{
    if (path.empty())
        return false;
    const std::string target = resolveTarget(path);

    // A write-protected old file stays as it is, just as a direct overwrite
    // would have been refused; the rename alone would not ask.
    struct stat old;
    const bool hadOld = stat(target.c_str(), &old) == 0;
    if (hadOld && (!S_ISREG(old.st_mode) || faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0))
        return false;

    const std::string temporary = target + ".tmp";
    unlink(temporary.c_str());
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;

    bool written = writeAll(fd, contents);
    if (written && hadOld)
        written = fchmod(fd, old.st_mode & 07777) == 0;
    if (written)
        written = fsync(fd) == 0;
    if (close(fd) != 0)
        written = false;
    if (!written || rename(temporary.c_str(), target.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    // Makes the rename itself durable; without it a power cut can bring back
    // the old directory entry, or none at all on some file systems.
    return syncToDisk(folderOf(target));
}
