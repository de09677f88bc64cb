#include "files/FileProblems.h"

#include "files/FileWriting.h"

#include <cstdio>
#include <fstream>
#include <mutex>
#include <set>
#include <system_error>

namespace {

// Copies beyond this many for one second mean something else is wrong.
constexpr int MaxCopiesPerSecond = 100;

} // namespace

void reportFileProblem(const std::string& file, const std::string& problem, const std::string& instead)
{
    // The lines already printed this run. Loads happen at start-up and on a
    // reload key, so a file broken once would otherwise be reported again
    // each time it is asked for.
    static std::mutex guard;
    static std::set<std::string> printed;

    const std::string line = "vesbrik: " + file + ": " + problem + "; " + instead;
    std::lock_guard lock(guard);
    if (!printed.insert(line).second)
        return;
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

std::string whyUnusable(const std::filesystem::path& file, const std::string& whenReadable)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (!std::filesystem::exists(status))
        return "missing";
    if (!std::filesystem::is_regular_file(status))
        return "not a file";
    if (!std::ifstream(file, std::ios::binary))
        return "cannot be opened";
    return whenReadable;
}

std::string unreadableCopyName(const std::string& path, std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H-%M-%S", &local);
    return path + ".unreadable-" + stamp;
}

std::string keepUnreadableCopy(const std::string& path, std::time_t when)
{
    namespace fs = std::filesystem;
    std::error_code error;
    // A link to the player's file keeps the file it points to, not the link.
    const fs::path original = fs::canonical(path, error);
    if (error || !fs::is_regular_file(original, error))
        return "";

    const std::string base = unreadableCopyName(path, when);
    for (int n = 1; n <= MaxCopiesPerSecond; ++n) {
        const std::string copy = n == 1 ? base : base + "-" + std::to_string(n);
        if (fs::exists(fs::symlink_status(copy, error)))
            continue;
        // A copy, not a second link: the kept bytes must stay as they are
        // whatever later writes into the original in place. It reaches the
        // disk before the save that follows replaces the original.
        if (fs::copy_file(original, copy, fs::copy_options::none, error) && syncToDisk(copy))
            return copy;
        // Half a copy is no copy; a name taken meanwhile is someone else's.
        if (error != std::errc::file_exists)
            fs::remove(copy, error);
        return "";
    }
    return "";
}
