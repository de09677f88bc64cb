#include "files/GameFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* GameFolderName = "vesbrik";
constexpr const char* ScreenshotFolderName = "Vesbrik";

// The XDG rules ignore a relative path in a variable as if it were unset.
bool usable(const std::string& value) { return !value.empty() && value.front() == '/'; }

fs::path xdgFolder(const std::string& variable, const std::string& home, const char* fallbackUnderHome)
{
    if (usable(variable))
        return variable;
    return fs::path(home) / fallbackUnderHome;
}

fs::path configHome(const FolderFacts& facts) { return xdgFolder(facts.xdgConfigHome, facts.home, ".config"); }
fs::path dataHome(const FolderFacts& facts) { return xdgFolder(facts.xdgDataHome, facts.home, ".local/share"); }

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool sameFolder(const std::string& a, const std::string& b)
{
    return fs::path(a).lexically_normal() / "" == fs::path(b).lexically_normal() / "";
}

fs::path picturesFolder(const FolderFacts& facts)
{
    if (usable(facts.xdgPicturesDir))
        return facts.xdgPicturesDir;
    const std::string named = picturesFolderFromUserDirs(facts.userDirs, facts.home);
    if (!named.empty())
        return named;
    return fs::path(facts.home) / "Pictures";
}

// An installed binary lies in PREFIX/bin and its data in PREFIX/share/vesbrik,
// wherever PREFIX was put; the configured prefix is the fallback for a binary
// that was copied elsewhere.
GameFolders installedFolders(const FolderFacts& facts, const FolderCheck& holdsMedia)
{
    GameFolders folders;
    folders.portable = false;
    folders.mediaFound = false;
    std::vector<fs::path> candidates;
    if (!facts.executableFolder.empty())
        candidates.push_back((facts.executableFolder / ".." / "share" / GameFolderName).lexically_normal());
    if (!facts.configuredDataFolder.empty())
        candidates.push_back(facts.configuredDataFolder);
    folders.searchedDataFolders = candidates;
    for (const fs::path& candidate : candidates) {
        if (holdsMedia(candidate)) {
            folders.workingFolder = candidate;
            folders.mediaFound = true;
            break;
        }
    }
    if (!folders.mediaFound)
        folders.workingFolder = facts.workingFolder;
    folders.settingsFile = configHome(facts) / GameFolderName / "settings.xml";
    folders.highScoreFile = dataHome(facts) / GameFolderName / "hiscore.xml";
    folders.replayFolder = dataHome(facts) / GameFolderName / "replays";
    return folders;
}

} // namespace

GameFolders chooseGameFolders(const FolderFacts& facts, const FolderCheck& holdsMedia)
{
    GameFolders folders;
    if (facts.workingFolderHasMedia) {
        // Relative, exactly as the game has always named them.
        folders.workingFolder = facts.workingFolder;
        folders.settingsFile = "settings.xml";
        folders.highScoreFile = "media/hiscore.xml";
        folders.replayFolder = "replays";
    } else {
        folders = installedFolders(facts, holdsMedia);
    }
    folders.screenshotFolder = picturesFolder(facts) / ScreenshotFolderName;
    return folders;
}

std::string picturesFolderFromUserDirs(const std::string& userDirs, const std::string& home)
{
    std::istringstream lines(userDirs);
    std::string line;
    const std::string key = "XDG_PICTURES_DIR=";
    std::string value;
    while (std::getline(lines, line)) {
        line = trimmed(line);
        if (line.rfind(key, 0) != 0)
            continue;
        value = line.substr(key.size());
    }
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) {
        if (value.size() > 5 && value[5] != '/')
            return ""; // $HOMEWORK is no folder of the home
        value = home + value.substr(5);
    }
    if (!usable(value) || sameFolder(value, home))
        return "";
    return fs::path(value).lexically_normal().string();
}

std::string screenshotFileName(const std::tm& localTime, int attempt)
{
    char name[96];
    const int length = std::snprintf(name, sizeof name, "vesbrik-%04d-%02d-%02d-%02d%02d%02d",
                                     localTime.tm_year + 1900, localTime.tm_mon + 1, localTime.tm_mday,
                                     localTime.tm_hour, localTime.tm_min, localTime.tm_sec);
    if (attempt > 0 && length > 0 && static_cast<size_t>(length) < sizeof name)
        std::snprintf(name + length, sizeof name - static_cast<size_t>(length), "-%d", attempt + 1);
    return std::string(name) + ".png";
}

bool holdsGameMedia(const fs::path& folder)
{
    std::error_code error;
    const fs::path media = folder / "media";
    return fs::is_regular_file(media / "sound.xml", error) || fs::is_regular_file(media / "phong.fx", error);
}

FolderFacts gatherFolderFacts()
{
    FolderFacts facts;
    std::error_code error;
    facts.workingFolder = fs::current_path(error);
    facts.workingFolderHasMedia = holdsGameMedia(".");
    const fs::path binary = fs::read_symlink("/proc/self/exe", error);
    if (!error)
        facts.executableFolder = binary.parent_path();
#ifdef VESBRIK_CONFIGURED_DATA_DIR
    facts.configuredDataFolder = VESBRIK_CONFIGURED_DATA_DIR;
#endif
    auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
    facts.home = variable("HOME");
    if (facts.home.empty()) {
        if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
            facts.home = entry->pw_dir;
    }
    facts.xdgConfigHome = variable("XDG_CONFIG_HOME");
    facts.xdgDataHome = variable("XDG_DATA_HOME");
    facts.xdgPicturesDir = variable("XDG_PICTURES_DIR");
    // A small text file of the player's; anything past its first kilobytes is
    // not a folder list.
    std::ifstream userDirs(configHome(facts) / "user-dirs.dirs");
    if (userDirs) {
        std::string text(16384, '\0');
        userDirs.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<size_t>(userDirs.gcount()));
        facts.userDirs = text;
    }
    return facts;
}

bool makeFolderFor(const fs::path& file)
{
    const fs::path folder = file.parent_path();
    if (folder.empty())
        return true;
    std::error_code error;
    if (fs::is_directory(folder, error))
        return true;
    fs::create_directories(folder, error);
    return !error && fs::is_directory(folder, error);
}
