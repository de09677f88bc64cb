#include "files/AtomicFile.h"

#include "files/FileProblems.h"
#include "files/FileWriting.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A folder of the game's own holds a few dozen files; a stranger one is not
// searched to its end.
constexpr int MaxNamesLookedAt = 10000;

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

std::string shown(const std::string& name) { return printableText(name, 120); }

bool isFolder(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// What keeps a new file from being made in folder, after the attempt failed
// with error: the folder or one above it missing or not a folder, no right to
// write, a read-only or full disk.
std::string whyNoFileIn(const std::string& folder, int error)
{
    if (error == ENOENT || error == ENOTDIR) {
        // The nearest name on the way that is there but is no folder is what
        // stands in the way; otherwise the folder is simply missing.
        for (std::string above = folder; !above.empty() && above != "." && above != "/"; above = folderOf(above)) {
            struct stat info;
            if (stat(above.c_str(), &info) == 0)
                return S_ISDIR(info.st_mode) ? "the folder " + shown(folder) + " is missing"
                                             : shown(above) + " is in the way: a file where a folder should be";
        }
        return "the folder " + shown(folder) + " is missing";
    }
    if (error == EACCES || error == EPERM)
        return "the folder " + shown(folder) + " is write-protected";
    if (error == EROFS)
        return "the folder " + shown(folder) + " is on a read-only disk";
    if (error == ENOSPC || error == EDQUOT)
        return "the disk of " + shown(folder) + " is full";
    return "no file can be made in " + shown(folder) + " (" + std::strerror(error) + ")";
}

std::string whyNotWritten(const std::string& temporary, int error)
{
    if (error == ENOSPC || error == EDQUOT)
        return "the disk of " + shown(folderOf(temporary)) + " is full";
    if (error == EFBIG)
        return shown(temporary) + " would be larger than the system allows";
    return "writing " + shown(temporary) + " failed (" + std::strerror(error) + ")";
}

// What is at the target that a save may not replace: something other than a
// file, or a write-protected file. "" when the target may be replaced.
std::string whyTargetIsKept(const std::string& target, bool& hadOld, struct stat& old)
{
    hadOld = stat(target.c_str(), &old) == 0;
    if (!hadOld)
        return "";
    if (S_ISDIR(old.st_mode))
        return "a folder named " + shown(target) + " is in the way";
    if (!S_ISREG(old.st_mode))
        return shown(target) + " is not a plain file";
    // A write-protected old file stays as it is, just as a direct overwrite
    // would have been refused; the rename alone would not ask.
    if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return shown(target) + " is write-protected";
    return "";
}

bool fail(std::string* whyNot, const std::string& why)
{
    if (whyNot)
        *whyNot = why;
    return false;
}

} // namespace

std::string temporaryFileFor(const std::string& path) { return resolveTarget(path) + ".tmp"; }

bool replaceFileAtomically(const std::string& path, std::string_view contents, std::string* whyNot)
{
    if (path.empty())
        return fail(whyNot, "no file name was given");
    const std::string target = resolveTarget(path);

    struct stat old;
    bool hadOld = false;
    if (const std::string kept = whyTargetIsKept(target, hadOld, old); !kept.empty())
        return fail(whyNot, kept);

    const std::string temporary = target + ".tmp";
    // A stale temporary from a killed save is replaced; a folder of that name
    // is not the game's to remove.
    if (isFolder(temporary))
        return fail(whyNot, "a folder named " + shown(temporary) + " is in the way");
    unlink(temporary.c_str());
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int error = errno;
        return fail(whyNot, error == EEXIST ? shown(temporary) + " is in the way and cannot be removed"
                                            : whyNoFileIn(folderOf(target), error));
    }

    std::string why;
    bool written = writeAll(fd, contents);
    if (!written)
        why = whyNotWritten(temporary, errno);
    if (written && hadOld && fchmod(fd, old.st_mode & 07777) != 0)
        written = false, why = "the permissions of " + shown(target) + " cannot be kept (" + std::strerror(errno) + ")";
    if (written && fsync(fd) != 0)
        written = false, why = whyNotWritten(temporary, errno);
    if (close(fd) != 0 && written)
        written = false, why = whyNotWritten(temporary, errno);
    if (written && rename(temporary.c_str(), target.c_str()) != 0)
        written = false, why = shown(temporary) + " cannot take the place of " + shown(target) + " (" +
                               std::strerror(errno) + ")";
    if (!written) {
        unlink(temporary.c_str());
        return fail(whyNot, why);
    }
    // Makes the rename itself durable; without it a power cut can bring back
    // the old directory entry, or none at all on some file systems.
    if (!syncToDisk(folderOf(target)))
        return fail(whyNot, "the folder " + shown(folderOf(target)) + " cannot be flushed to disk");
    return true;
}

bool removeLeftoverTemporary(const std::string& path)
{
    const std::string temporary = temporaryFileFor(path);
    struct stat info;
    return lstat(temporary.c_str(), &info) == 0 && S_ISREG(info.st_mode) && unlink(temporary.c_str()) == 0;
}

int removeLeftoverTemporaries(const std::filesystem::path& folder, std::string_view extension)
{
    const std::string ending = std::string(extension) + ".tmp";
    std::error_code error;
    int removed = 0;
    int looked = 0;
    const std::filesystem::directory_iterator end;
    for (auto it = std::filesystem::directory_iterator(folder, error); !error && it != end && looked < MaxNamesLookedAt;
         it.increment(error), ++looked) {
        const std::string name = it->path().filename().string();
        // A name that is only the ending is nobody's temporary.
        if (name.size() <= ending.size() || !name.ends_with(ending))
            continue;
        std::error_code kind;
        if (it->is_regular_file(kind) && !it->is_symlink(kind) && std::filesystem::remove(it->path(), kind))
            ++removed;
    }
    return removed;
}
