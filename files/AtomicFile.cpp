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

// A chain of links longer than this is a loop, as the kernel counts it.
constexpr int MaxLinksFollowed = 40;

// Where a save of path really writes, and what the way there says.
struct SaveTarget {
    std::string file;
    // path is a link (or a chain of them) to a file that is not there.
    bool danglingLink = false;
    // A loop of links: nowhere to write.
    bool loop = false;
};

// The file the save really replaces: the end of the links at path, so that
// a player's linked file stays a link to the updated file. Each link is
// followed by hand, so one that points nowhere still names the file it
// means (realpath would give up on it).
SaveTarget saveTargetOf(const std::string& path)
{
    std::string current = path;
    for (int hop = 0; hop <= MaxLinksFollowed; ++hop) {
        struct stat info;
        if (lstat(current.c_str(), &info) != 0)
            return {current, hop > 0 && errno == ENOENT};
        if (!S_ISLNK(info.st_mode))
            return {current};
        char pointed[PATH_MAX];
        const ssize_t length = readlink(current.c_str(), pointed, sizeof pointed - 1);
        if (length <= 0)
            return {current};
        const std::string next(pointed, static_cast<size_t>(length));
        current = next.front() == '/' ? next : folderOf(current) + "/" + next;
    }
    return {path, false, true};
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
        // The nearest name on the way that is there tells why the folder is
        // not: a file in the way, or a folder where nothing may be made.
        for (std::string above = folder;; above = folderOf(above)) {
            struct stat info;
            if (stat(above.c_str(), &info) == 0) {
                if (!S_ISDIR(info.st_mode))
                    return shown(above) + " is in the way: a file where a folder should be";
                if (above != folder && faccessat(AT_FDCWD, above.c_str(), W_OK, AT_EACCESS) != 0) {
                    const bool readOnlyDisk = errno == EROFS;
                    // "." says little on a terminal: the folder's own name does.
                    std::error_code unknown;
                    const std::string named = above == "." ? std::filesystem::current_path(unknown).string() : above;
                    return "the folder " + shown(folder) + " is missing and cannot be made: the folder " + shown(named) +
                           (readOnlyDisk ? " is on a read-only disk" : " is write-protected");
                }
                break;
            }
            if (above == "." || above == "/")
                break;
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

bool removeIfPlainFile(const std::string& file)
{
    struct stat info;
    return lstat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && unlink(file.c_str()) == 0;
}

bool fail(std::string* whyNot, const std::string& why)
{
    if (whyNot)
        *whyNot = why;
    return false;
}

} // namespace

std::string temporaryFileFor(const std::string& path) { return saveTargetOf(path).file + ".tmp"; }

bool replaceFileAtomically(const std::string& path, std::string_view contents, std::string* whyNot)
{
    if (path.empty())
        return fail(whyNot, "no file name was given");
    const SaveTarget way = saveTargetOf(path);
    if (way.loop)
        return fail(whyNot, shown(path) + " is a loop of links");
    const std::string& target = way.file;
    // A link to nowhere still says where the player wants the file: it is
    // made there while that folder is there, and the link is never replaced
    // by a plain file of the game's.
    if (way.danglingLink && !isFolder(folderOf(target)))
        return fail(whyNot, shown(path) + " is a link to " + shown(target) + ", and the folder " +
                                shown(folderOf(target)) + " is missing");

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
    if (way.danglingLink)
        reportFileProblem(path, "is a link to " + shown(target) + ", which was missing",
                          "the file is made there and the link stays");
    return true;
}

bool removeLeftoverTemporary(const std::string& path)
{
    bool removed = removeIfPlainFile(path + ".tmp");
    // A link's save leaves its temporary beside the file linked to; that one
    // is cleared only when it lies in the same folder as the link, never in
    // a folder of the player's elsewhere.
    const std::string target = saveTargetOf(path).file;
    std::error_code error;
    if (target != path && std::filesystem::equivalent(folderOf(target), folderOf(path), error) && !error)
        removed = removeIfPlainFile(target + ".tmp") || removed;
    return removed;
}

int removeLeftoverTemporaries(const std::filesystem::path& folder, const std::function<bool(const std::string&)>& isOwn)
{
    constexpr std::string_view Ending = ".tmp";
    std::error_code error;
    int removed = 0;
    int looked = 0;
    const std::filesystem::directory_iterator end;
    for (auto it = std::filesystem::directory_iterator(folder, error); !error && it != end && looked < MaxNamesLookedAt;
         it.increment(error), ++looked) {
        const std::string name = it->path().filename().string();
        if (!name.ends_with(Ending) || !isOwn(name.substr(0, name.size() - Ending.size())))
            continue;
        // Only a plain file: a link named so is not followed out of the folder.
        std::error_code kind;
        if (it->is_regular_file(kind) && !it->is_symlink(kind) && std::filesystem::remove(it->path(), kind))
            ++removed;
    }
    return removed;
}
