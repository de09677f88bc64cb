#include "game/HighScoreTable.h"

#include <ctime>
#include <sys/stat.h>
#include <utility>

#include "files/FileProblems.h"
#include "xml/XmlDocument.h"

namespace {

// A file that holds something the table could not read. An empty file holds
// no scores, and a folder or device at the path is no player's table.
bool holdsUnreadBytes(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

// An element the table reads as an entry. Attribute names are exact: an
// entry written with Name= and Score= is some other program's, and reading
// it as "" and 0 would lose it.
bool isEntry(const CXmlNode& node) { return node.hasAttribute("name") || node.hasAttribute("score"); }

std::string elementsThatAreNotEntries(int count)
{
    return count == 1 ? "1 element that is not a high-score entry"
                      : std::to_string(count) + " elements that are not high-score entries";
}

} // namespace

CHighScoreTable::CHighScoreTable(std::string path) : filePath(std::move(path)) { load(); }

void CHighScoreTable::load()
{
    CXmlDocument document;
    const bool loaded = document.load(filePath);
    unreadableFile = !loaded && holdsUnreadBytes(filePath);
    if (unreadableFile)
        reportFileProblem(filePath, whyUnusable(filePath, "not a readable high-score table", CXmlDocument::MaxFileSize),
                          "the table starts empty, and the file is kept aside before the first save");
    const Reading reading = read(document.root());
    if (!loaded || !reading.leftSomethingUnread() || !holdsUnreadBytes(filePath))
        return;
    unreadableFile = true;
    const std::string what = reading.otherElements > 0
                                 ? "holds " + elementsThatAreNotEntries(reading.otherElements) +
                                       " (an entry has name=\"...\" score=\"...\")"
                                 : "its root element carries attributes: it is not a high-score table";
    const std::string instead = reading.entries == 0 ? "the table starts empty"
                                                     : "the table starts with the " + std::to_string(reading.entries) +
                                                           " entries it could read";
    reportFileProblem(filePath, what, instead + ", and the file is kept aside before the first save");
}

CHighScoreTable::Reading CHighScoreTable::read(const CXmlNode& root)
{
    // Element names are not examined: a hand-edited file with <entry> or
    // <Score> elements reads the same. Comments take no place in the table.
    Reading reading;
    reading.rootAttributes = root.attributeCount() > 0;
    for (CXmlNode node = root.child(0); !node.isNull(); node = node.nextSibling()) {
        if (!node.isElement())
            continue;
        if (!isEntry(node)) {
            ++reading.otherElements;
            continue;
        }
        if (reading.entries == EntryCount)
            continue;
        HighScoreEntry& entry = entries[reading.entries++];
        entry.name = node.attribute("name");
        entry.score = parseDecimal(node.attribute("score"));
        entry.level = parseDecimal(node.attribute("level"));
        entry.seconds = parseDecimal(node.attribute("seconds"));
        entry.replay = node.attribute("replay");
    }
    return reading;
}

HighScoreEntry* CHighScoreTable::insert(int score, int level, int seconds)
{
    int place = 0;
    while (place < EntryCount && entries[place].score >= score)
        ++place;
    if (place == EntryCount)
        return nullptr;
    for (int i = EntryCount - 1; i > place; --i)
        entries[i] = entries[i - 1];
    entries[place] = HighScoreEntry{"", score, level, seconds, ""};
    return &entries[place];
}

bool CHighScoreTable::save()
{
    if (unreadableFile && !keepUnreadableFile())
        return false;
    CXmlDocument document;
    write(document);
    std::string whyNot;
    if (document.save(filePath, &whyNot))
        return true;
    reportFileProblem(filePath, "the high-score table cannot be saved: " + whyNot,
                      "the new scores are kept until the game ends");
    return false;
}

// The player's old table may be readable by hand or by a later version of
// the game; it is never written over unseen.
bool CHighScoreTable::keepUnreadableFile()
{
    if (!holdsUnreadBytes(filePath)) {
        // Gone or emptied since it was loaded: nothing left to keep.
        unreadableFile = false;
        return true;
    }
    const std::string copy = keepUnreadableCopy(filePath, std::time(nullptr));
    if (copy.empty()) {
        reportFileProblem(filePath, "an unreadable high-score table cannot be kept aside",
                          "it is left as it is and the new scores are not saved");
        return false;
    }
    reportFileProblem(filePath, "was not a readable high-score table", "kept it as " + copy);
    unreadableFile = false;
    return true;
}

void CHighScoreTable::write(CXmlDocument& document) const
{
    document.loadXml("<hiscore></hiscore>");
    CXmlNode root = document.root();
    for (const HighScoreEntry& entry : entries) {
        CXmlNode element = root.insertElement(root.childCount(), "Entry");
        element.setAttribute("name", entry.name);
        element.setAttribute("score", entry.score);
        element.setAttribute("level", entry.level);
        element.setAttribute("seconds", entry.seconds);
        // Only games that kept a recording carry the extra attribute.
        if (!entry.replay.empty())
            element.setAttribute("replay", entry.replay);
    }
}
