#include "files/FileProblems.h"

#include "files/FileWriting.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <vector>

namespace {

// Copies beyond this many for one second mean something else is wrong.
constexpr int MaxCopiesPerSecond = 100;
constexpr size_t MaxRememberedLines = 4096;

// One character of outside text: its bytes, or where they are not UTF-8,
// the first byte alone. Overlong forms, surrogates and code points past
// U+10FFFF are not UTF-8.
struct Character {
    size_t length = 1;
    char32_t code = 0;
    bool valid = false;
};

Character nextCharacter(std::string_view text, size_t at)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return {1, lead, true};
    size_t length = 0;
    char32_t code = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0)
        length = 2, code = lead & 0x1F, least = 0x80;
    else if ((lead & 0xF0) == 0xE0)
        length = 3, code = lead & 0x0F, least = 0x800;
    else if ((lead & 0xF8) == 0xF0)
        length = 4, code = lead & 0x07, least = 0x10000;
    else
        return {};
    if (at + length > text.size())
        return {};
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return {};
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return {};
    return {length, code, true};
}

// Characters a terminal acts on instead of showing: C0 and C1 controls,
// DEL, and the marks that reorder or break a line.
bool actsOnTheTerminal(char32_t code)
{
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x2028 || code == 0x2029 ||
           (code >= 0x200E && code <= 0x200F) || (code >= 0x202A && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069);
}

std::string escaped(const char* format, unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string shownCharacter(std::string_view text, const Character& character, size_t at)
{
    if (!character.valid)
        return escaped("\\x%02x", static_cast<unsigned char>(text[at]));
    switch (character.code) {
    case '\\':
        return "\\\\";
    case '\n':
        return "\\n";
    case '\r':
        return "\\r";
    case '\t':
        return "\\t";
    default:
        break;
    }
    if (character.code < 0x80 && actsOnTheTerminal(character.code))
        return escaped("\\x%02x", static_cast<unsigned>(character.code));
    if (actsOnTheTerminal(character.code))
        return escaped("\\u%04x", static_cast<unsigned>(character.code));
    return std::string(text.substr(at, character.length));
}

// A file's size as a player reads it: "17.0 MB (17825792 bytes)", or the
// bytes alone below a megabyte; a round limit reads "16 MB".
std::string sizeInWords(uintmax_t bytes)
{
    constexpr uintmax_t Megabyte = 1024 * 1024;
    if (bytes < Megabyte)
        return std::to_string(bytes) + " bytes";
    if (bytes % Megabyte == 0)
        return std::to_string(bytes / Megabyte) + " MB";
    char megabytes[32];
    std::snprintf(megabytes, sizeof megabytes, "%.1f MB", static_cast<double>(bytes) / Megabyte);
    return std::string(megabytes) + " (" + std::to_string(bytes) + " bytes)";
}

} // namespace

std::string printableText(std::string_view text, size_t maxCharacters)
{
    std::vector<std::string> shown;
    for (size_t at = 0; at < text.size();) {
        const Character character = nextCharacter(text, at);
        shown.push_back(shownCharacter(text, character, at));
        at += character.length;
    }
    const size_t keep = std::max<size_t>(maxCharacters, 2);
    std::string out;
    if (shown.size() <= keep) {
        for (const std::string& piece : shown)
            out += piece;
        return out;
    }
    // The end of a name is often what tells it apart (its extension, the
    // number of a copy), so both ends stay.
    const size_t head = keep - keep / 2;
    for (size_t i = 0; i < head; ++i)
        out += shown[i];
    out += "...";
    for (size_t i = shown.size() - keep / 2; i < shown.size(); ++i)
        out += shown[i];
    return out;
}

void reportFileProblem(const std::string& file, const std::string& problem, const std::string& instead)
{
    // The lines already printed this run. Loads happen at start-up and on a
    // reload key, so a file broken once would otherwise be reported again
    // each time it is asked for.
    static std::mutex guard;
    static std::set<std::string> printed;

    const std::string line = "vesbrik: " + printableText(file) + ": " + problem + "; " + instead;
    std::lock_guard lock(guard);
    // Settings lines quote the file's values, so a run fed endless broken
    // files (a fuzzer) would remember endless lines: past a bound that no
    // game reaches, lines are printed without being remembered.
    if (printed.size() < MaxRememberedLines ? !printed.insert(line).second : printed.count(line) > 0)
        return;
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

std::string whatStandsInsteadOfAFile(const std::filesystem::path& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || S_ISREG(info.st_mode))
        return "";
    if (S_ISDIR(info.st_mode))
        return "a folder, not a file";
    if (S_ISFIFO(info.st_mode))
        return "a named pipe, not a file";
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        return "a device, not a file";
    if (S_ISSOCK(info.st_mode))
        return "a socket, not a file";
    return "not a file";
}

std::string whyUnusable(const std::filesystem::path& file, const std::string& whenReadable)
{
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::status(file, error)))
        return "missing";
    if (std::string instead = whatStandsInsteadOfAFile(file); !instead.empty())
        return instead;
    if (!std::ifstream(file, std::ios::binary))
        return "cannot be opened";
    return whenReadable;
}

std::string whyUnusable(const std::filesystem::path& file, const std::string& whenReadable, uintmax_t maxBytes)
{
    const std::string why = whyUnusable(file, whenReadable);
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(file, error);
    if (why != whenReadable || error || size <= maxBytes)
        return why;
    return "too large: " + sizeInWords(size) + ", where the game reads files of at most " + sizeInWords(maxBytes);
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
