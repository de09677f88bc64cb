#pragma once
// Replacing a file so that a crash or a full disk can never leave it cut short:
// the new contents go to a temporary file beside it, which is flushed to disk
// and then renamed over the old file in one step.
#include <string>
#include <string_view>

// Writes contents to path through "<path>.tmp" in the same folder (a stale one
// left by an earlier crash is replaced). Returns false, with the old file
// untouched and the temporary removed, when any step fails: a missing or
// unwritable folder, a write-protected old file, a short write, a failed sync.
// A symbolic link at path is followed, so the file it points to is replaced.
bool replaceFileAtomically(const std::string& path, std::string_view contents);
