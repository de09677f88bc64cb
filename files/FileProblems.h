#pragma once
// What the game says when one of its files lets it down. A missing or broken
// data file never stops the game: it prints one line on standard error that
// names the file, what is wrong with it and what the game does instead, and
// plays on. Each such line is printed once per run, however often the file is
// asked for again.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>

// Prints "vesbrik: FILE: PROBLEM; INSTEAD" unless the same line was printed
// before in this run. FILE is shown as printableText shows it.
void reportFileProblem(const std::string& file, const std::string& problem, const std::string& instead);

// What stands where a file belongs, in a few words: "a folder, not a file",
// "a named pipe, not a file", "a device, not a file", "a socket, not a file";
// "" when a file is there (a link is followed) or nothing is. Every reader
// asks this before it opens a name, since a folder opens like a file and
// reads as an empty one, and a pipe or a device would be waited on forever.
std::string whatStandsInsteadOfAFile(const std::filesystem::path& path);

// Why a file that failed to load is of no use, in a few words: "missing",
// what stands there instead of a file, "cannot be opened", or `whenReadable`
// (what the reader found wrong) when the file is there and opens. With
// maxBytes, a larger file is "too large: SIZE, where the game reads files
// of at most LIMIT".
std::string whyUnusable(const std::filesystem::path& file, const std::string& whenReadable);
std::string whyUnusable(const std::filesystem::path& file, const std::string& whenReadable, uintmax_t maxBytes);

// The name under which a file the game could not read is kept before it is
// written over: "<path>.unreadable-YYYY-MM-DDTHH-MM-SS", in local time.
std::string unreadableCopyName(const std::string& path, std::time_t when);

// Keeps the file at path beside it under unreadableCopyName (with "-2", "-3"
// ... added when that name is taken), so that replacing the file loses
// nothing. Returns the copy's path, or "" when no copy could be made; the
// file itself is never changed.
std::string keepUnreadableCopy(const std::string& path, std::time_t when);

// Text from outside the game (a file name, a word of the command line) as a
// message may show it on the player's terminal: valid UTF-8 stays as it is;
// control characters, bidirectional overrides and bytes that are not UTF-8
// are written as escapes (\n, \x1b, \u202e, \xff, and \\ for a backslash),
// so no name can move the cursor, clear the screen or hide its own end; text
// of more than maxCharacters characters keeps its start and its end, with
// "..." in the middle.
std::string printableText(std::string_view text, size_t maxCharacters = 160);
