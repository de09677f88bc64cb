#include "game/KeptRecordings.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <set>
#include <system_error>
#include <vector>

#include "game/HighScoreTable.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view KeptPrefix = "game-";
constexpr std::string_view RecordingEnding = ".vrp";
// Longer than any name the game gives; bounds the scan of a copy's text.
constexpr size_t MaxKeptNameLength = 80;
// A replays or table folder holds a few dozen files; a stranger one is not
// searched to its end.
constexpr int MaxNamesLookedAt = 10000;
// A table is a few kilobytes. A kept copy larger than this, or copies
// larger than this together, are not read through: they keep everything.
constexpr std::streamsize MaxCopyBytes = 4 << 20;
constexpr std::streamsize MaxBytesOfAllCopies = 64 << 20;

// The kept recordings the tables name; all when some table could not be
// read through, so that nothing is removed on a guess.
struct NamedRecordings {
    std::set<std::string, std::less<>> names;
    bool all = false;

    bool contains(std::string_view name) const { return all || names.contains(name); }
};

// Every kept name that appears in the text, wherever it stands: an
// attribute of any spelling, a comment, the last line of a file cut short.
void takeNamesFromText(std::string_view text, NamedRecordings& named)
{
    for (size_t at = text.find(KeptPrefix); at != std::string_view::npos; at = text.find(KeptPrefix, at + 1)) {
        size_t end = at + KeptPrefix.size();
        while (end < text.size() && end - at < MaxKeptNameLength &&
               (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '-'))
            ++end;
        const std::string_view candidate = text.substr(at, end - at + RecordingEnding.size());
        if (isKeptRecordingName(candidate))
            named.names.emplace(candidate);
    }
}

// Reads one kept copy of the table into named, within what is left of the
// budget for all copies.
void takeNamesFromCopy(const fs::path& copy, std::streamsize& budget, NamedRecordings& named)
{
    std::ifstream file(copy, std::ios::binary);
    const std::streamsize allowed = std::min(MaxCopyBytes, budget);
    std::string text(static_cast<size_t>(allowed) + 1, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    const std::streamsize read = file.gcount();
    if (!file.is_open() || file.bad() || read > allowed) {
        named.all = true;
        return;
    }
    budget -= read;
    text.resize(static_cast<size_t>(read));
    takeNamesFromText(text, named);
}

// The names the table in use gives and those its kept copies beside it give.
NamedRecordings namedByTables(const CHighScoreTable& table)
{
    NamedRecordings named;
    for (const HighScoreEntry& entry : table.allEntries())
        if (!entry.replay.empty())
            named.names.insert(entry.replay);

    const fs::path file(table.path());
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    const std::string copyPrefix = file.filename().string() + ".unreadable-";
    std::streamsize budget = MaxBytesOfAllCopies;
    std::error_code error;
    int looked = 0;
    auto it = fs::directory_iterator(folder, error);
    for (; !error && it != fs::directory_iterator() && !named.all; it.increment(error)) {
        if (++looked > MaxNamesLookedAt) {
            named.all = true;
            break;
        }
        if (it->path().filename().string().starts_with(copyPrefix))
            takeNamesFromCopy(it->path(), budget, named);
    }
    // A folder that cannot be looked through may hold copies that were not seen.
    if (error)
        named.all = true;
    return named;
}

} // namespace

std::string keptRecordingName(long long seconds, int score, int copy)
{
    char name[MaxKeptNameLength];
    if (copy > 1)
        std::snprintf(name, sizeof name, "game-%lld-%d-%d.vrp", seconds, score, copy);
    else
        std::snprintf(name, sizeof name, "game-%lld-%d.vrp", seconds, score);
    return name;
}

bool isKeptRecordingName(std::string_view name)
{
    if (name.size() > MaxKeptNameLength || !name.starts_with(KeptPrefix) || !name.ends_with(RecordingEnding))
        return false;
    const std::string_view numbers =
        name.substr(KeptPrefix.size(), name.size() - KeptPrefix.size() - RecordingEnding.size());
    // Numbers joined by single dashes: no empty number at either end or between.
    bool afterDigit = false;
    for (const char c : numbers) {
        if (c == '-' && afterDigit)
            afterDigit = false;
        else if (std::isdigit(static_cast<unsigned char>(c)))
            afterDigit = true;
        else
            return false;
    }
    return afterDigit;
}

int removeUnnamedRecordings(const fs::path& folder, const CHighScoreTable& table)
{
    const NamedRecordings named = namedByTables(table);
    if (named.all)
        return 0;
    std::error_code error;
    std::vector<fs::path> unnamed;
    int looked = 0;
    for (auto it = fs::directory_iterator(folder, error);
         !error && it != fs::directory_iterator() && looked < MaxNamesLookedAt; it.increment(error), ++looked) {
        const std::string name = it->path().filename().string();
        std::error_code kind;
        if (isKeptRecordingName(name) && !named.contains(name) && it->is_regular_file(kind) && !it->is_symlink(kind))
            unnamed.push_back(it->path());
    }
    int removed = 0;
    for (const fs::path& file : unnamed)
        removed += fs::remove(file, error) ? 1 : 0;
    return removed;
}
