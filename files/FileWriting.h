#pragma once
// The steps every file the game writes is made of: all the bytes written
// however the kernel splits the write, and a sync that makes them (or a
// folder's new entry) survive a power cut.
#include <string>
#include <string_view>

// Writes every byte to the open file, going on after short writes and
// interrupted calls. False (with errno set) when a write fails.
bool writeAll(int fd, std::string_view bytes);

// Flushes a file or a folder (the names in it) to the disk. False when it
// cannot be opened or the flush fails.
bool syncToDisk(const std::string& path);

// Creates the file with the bytes only if no file of that name exists.
// Returns 0, or the errno of the step that failed: EEXIST when the name is
// taken. A file that could not be written whole is removed again.
int createFileWith(const std::string& path, std::string_view bytes);
