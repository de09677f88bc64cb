#include "game/HighScoreTable.h"

#include <utility>

#include "xml/XmlDocument.h"

CHighScoreTable::CHighScoreTable(std::string path) : filePath(std::move(path)) { load(); }

void CHighScoreTable::load()
{
    CXmlDocument document;
    document.load(filePath);
    read(document.root());
}

void CHighScoreTable::read(const CXmlNode& root)
{
    // Element names are not examined: a hand-edited file with <entry> or
    // <Score> elements reads the same. Comments take no place in the table.
    int index = 0;
    for (CXmlNode node = root.child(0); !node.isNull() && index < EntryCount; node = node.nextSibling()) {
        if (!node.isElement())
            continue;
        HighScoreEntry& entry = entries[index++];
        entry.name = node.attribute("name");
        entry.score = parseDecimal(node.attribute("score"));
        entry.level = parseDecimal(node.attribute("level"));
        entry.seconds = parseDecimal(node.attribute("seconds"));
        entry.replay = node.attribute("replay");
    }
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

bool CHighScoreTable::save() const
{
    CXmlDocument document;
    write(document);
    return document.save(filePath);
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
