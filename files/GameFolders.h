#pragma once
// Where the game finds its media and keeps the player's files.
//
// Portable: started in a folder that holds media/ (a clone's run/ folder), the
// game works in that folder as it always has: media/, settings.xml and
// media/hiscore.xml, all relative to it.
//
// Installed: the media come from the data folder (share/vesbrik/ beside the
// binary's bin/, or the one the build was configured for), which becomes the
// game's working folder; the settings are read from
// $XDG_CONFIG_HOME/vesbrik/settings.xml and the high-score table is kept in
// $XDG_DATA_HOME/vesbrik/hiscore.xml, with the XDG defaults (~/.config,
// ~/.local/share) when a variable is unset, empty or not an absolute path.
//
// Screenshots go to $XDG_PICTURES_DIR/Vesbrik/, taken from the environment or
// from the player's user-dirs.dirs, else ~/Pictures/Vesbrik/.
//
// The rules are pure functions of FolderFacts, so tests can give any
// environment; gatherFolderFacts() reads the real one.
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

struct FolderFacts {
    // The folder the game was started in, and whether it holds the game's
    // media/ (see holdsGameMedia).
    std::filesystem::path workingFolder;
    bool workingFolderHasMedia = false;
    // The folder holding the running binary; empty when unknown.
    std::filesystem::path executableFolder;
    // The data folder of the configured install prefix; empty when none.
    std::filesystem::path configuredDataFolder;
    // The environment, "" for an unset variable. home falls back to the
    // password entry when $HOME is unset.
    std::string home;
    std::string xdgConfigHome;
    std::string xdgDataHome;
    std::string xdgPicturesDir;
    // The text of $XDG_CONFIG_HOME/user-dirs.dirs, "" when there is none.
    std::string userDirs;
};

struct GameFolders {
    bool portable = true;
    // The folder the game works in: media/ lies inside it.
    std::filesystem::path workingFolder;
    // False when no folder with the game's media was found at all; the data
    // folders looked at are listed for the player.
    bool mediaFound = true;
    std::vector<std::filesystem::path> searchedDataFolders;
    std::filesystem::path settingsFile;
    std::filesystem::path highScoreFile;
    // Where finished games are recorded (made by the first recording).
    std::filesystem::path replayFolder;
    // Made when the first screenshot is saved.
    std::filesystem::path screenshotFolder;
};

// A data folder is usable when it holds media/; the check is passed in so the
// rules stay free of the disk.
using FolderCheck = std::function<bool(const std::filesystem::path& dataFolder)>;

GameFolders chooseGameFolders(const FolderFacts& facts, const FolderCheck& holdsMedia);

// The pictures folder named in a user-dirs.dirs text (XDG_PICTURES_DIR="$HOME/..."
// or an absolute path); "" when the text names none, or names the home folder
// itself, which is how that file says a folder is switched off.
std::string picturesFolderFromUserDirs(const std::string& userDirs, const std::string& home);

// A screenshot's file name from the local time it was taken; attempt 0 is the
// plain name, later attempts add a number for shots within the same second.
std::string screenshotFileName(const std::tm& localTime, int attempt);

// Whether folder/media holds the game's media: its sound list or its shading
// effect. A folder named media alone is not enough; the root folder and many
// home folders have one of their own.
bool holdsGameMedia(const std::filesystem::path& folder);

// The facts of this process: working folder, binary, environment.
FolderFacts gatherFolderFacts();

// Makes the folder that will hold file, and its parents. True when it
// exists afterwards.
bool makeFolderFor(const std::filesystem::path& file);
