#pragma once
// The ten best results with the players' names, kept in media/hiscore.xml.
// Index 0 is the best. The table never sorts: a new score is inserted in
// place, so a file kept in order stays in order and ties go to the older entry.
#include <array>
#include <string>

class CXmlDocument;
class CXmlNode;

struct HighScoreEntry {
    std::string name = "-";
    int score = 0;
    int level = 0;
    int seconds = 0;
    // The file name of the game's recording in the replays folder, or empty.
    std::string replay{};

    bool operator==(const HighScoreEntry&) const = default;
};

class CHighScoreTable {
public:
    static constexpr int EntryCount = 10;

    // Fills the table with the default entries, then loads the file at path.
    explicit CHighScoreTable(std::string path);

    // Reads the file over the current entries. A missing or ill-formed file
    // changes nothing; entries the file does not reach keep their values. A
    // file that is there but cannot be read, or that parses but holds
    // elements the table does not recognise as entries (another program's
    // file, entries wrapped in one more element, attributes spelt otherwise),
    // is reported on standard error and remembered, so that the first save
    // keeps it aside instead of writing over the player's old scores.
    void load();
    // Entry i comes from the i-th entry element under root: an element with
    // a name or a score attribute. Comments and other non-element children
    // are skipped, entries past the tenth ignored. Returns what was taken and
    // what could not be: other elements, and attributes of the root itself
    // (a lone entry, or another file, as the whole document).
    struct Reading {
        int entries = 0;
        int otherElements = 0;
        bool rootAttributes = false;
        bool leftSomethingUnread() const { return otherElements > 0 || rootAttributes; }
    };
    Reading read(const CXmlNode& root);

    // Places a finished game's score below every entry with an equal or better
    // score, pushing the rest down and dropping the last. Returns the entry
    // that now holds it (the caller fills in the name), or nullptr when the
    // score is not better than the tenth. The entry keeps the game's level
    // and its whole seconds of play.
    HighScoreEntry* insert(int score, int level, int seconds);

    // Replaces the file with the ten entries. A failed save leaves the old file
    // whole; the table in memory keeps its entries either way. True when the
    // new file is safely on disk. Over a file that did not load, the old file
    // is first kept beside it (see keepUnreadableCopy) and the copy named on
    // standard error; when no copy can be made nothing is written. A failed
    // save is reported on standard error as well.
    bool save();
    // True while the file on disk is one that could not be read and has not
    // been kept aside yet.
    bool unreadableOnDisk() const { return unreadableFile; }
    // The document save writes: <hiscore> with ten <Entry> elements.
    void write(CXmlDocument& document) const;

    const HighScoreEntry& entry(int index) const { return entries[index]; }
    const std::array<HighScoreEntry, EntryCount>& allEntries() const { return entries; }
    const std::string& path() const { return filePath; }

private:
    bool keepUnreadableFile();

    std::string filePath;
    std::array<HighScoreEntry, EntryCount> entries;
    bool unreadableFile = false;
};
