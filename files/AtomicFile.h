#pragma once
// Replacing a file so that a crash or a full disk can never leave it cut short:
// the new contents go to a temporary file beside it, which is flushed to disk
// and then renamed over the old file in one step. A game killed in between
// leaves only that temporary behind, which the next start removes.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

// Writes contents to path through "<path>.tmp" in the same folder (a stale one
// left by an earlier crash is replaced). Returns false, with the old file
// untouched and the temporary removed, when any step fails: a missing or
// unwritable folder, a write-protected old file, a short write, a failed sync.
// Then *whyNot (when given) says in a few words what stood in the way, naming
// it: "a folder named X.tmp is in the way", "the folder F is write-protected".
// A symbolic link at path (or a chain of them) is followed, so the file it
// points to is replaced, with the temporary beside that file: a link into a
// folder of the player's stays a link to the new file. A link to a file that
// is not there makes the file there (said in one line on standard error) when
// its folder exists, and is refused otherwise; it is never replaced by a
// plain file.
bool replaceFileAtomically(const std::string& path, std::string_view contents, std::string* whyNot = nullptr);

// The temporary a replace of path writes first: "<file>.tmp" beside the file
// a symbolic link at path points to, or beside path itself.
std::string temporaryFileFor(const std::string& path);

// Removes the temporary a replace of path left behind when the game was
// killed halfway: only a regular file of exactly that name, never a folder,
// a link or anything else that happens to be there. Behind a link, the
// temporary beside the linked file is removed only when that file lies in
// the same folder as path: the clean-up never reaches into a folder of the
// player's. True when one was removed.
bool removeLeftoverTemporary(const std::string& path);

// The same for every file "NAME.tmp" of the folder whose NAME isOwn says the
// game writes there (a recording's name). Links are not followed. Looks at a
// bounded number of names; returns how many leftovers it removed.
int removeLeftoverTemporaries(const std::filesystem::path& folder, const std::function<bool(const std::string&)>& isOwn);
