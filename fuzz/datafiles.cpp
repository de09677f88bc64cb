// Feeds arbitrary bytes to the readers of settings.xml and media/hiscore.xml
// through a real file, as the game reads them, and checks what must hold for
// any input: the readers never crash, the window size stays usable, a
// setting changed in the bytes in place reads back as changed, the table
// survives its own save format unchanged and insertion keeps its order.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "app/Settings.h"
#include "app/SettingsStore.h"
#include "files/FileWriting.h"
#include "game/HighScoreTable.h"
#include "xml/XmlDocument.h"

namespace {

std::string inputPath;

void removeInput() { unlink(inputPath.c_str()); }

void writeInput(const uint8_t* data, size_t size)
{
    const int fd = open(inputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || !writeAll(fd, {reinterpret_cast<const char*>(data), size}))
        abort();
    close(fd);
}

// A change written into the bytes in place either leaves a document that
// parses and reads as changed, or is refused (and the store rewrites it).
void checkSettingsChangedInPlace(const std::string& bytes, const CSettings& before)
{
    CSettings after = before;
    after.flip(SettingId::Mute);
    after.set(SettingId::MusicVolume, before.value(SettingId::MusicVolume) == 3 ? 4 : 3);
    const std::optional<std::string> changed = CSettingsStore::withChanges(bytes, before, after);
    if (!changed)
        return;
    CXmlDocument document;
    if (!document.loadXml(*changed))
        abort();
    CSettings again;
    again.read(document.root());
    if (again.value(SettingId::Mute) != after.value(SettingId::Mute) ||
        again.value(SettingId::MusicVolume) != after.value(SettingId::MusicVolume))
        abort();
}

void checkSettings(const uint8_t* data, size_t size)
{
    CSettings settings;
    settings.load(inputPath);
    if (settings.width() <= 0 || settings.height() <= 0)
        abort();
    checkSettingsChangedInPlace(std::string(reinterpret_cast<const char*>(data), size), settings);
}

void checkTableRoundTrip(const CHighScoreTable& table)
{
    CXmlDocument written;
    table.write(written);
    CXmlDocument reread;
    if (!reread.loadXml(written.text()))
        abort();
    CHighScoreTable copy("");
    copy.read(reread.root());
    if (copy.allEntries() != table.allEntries())
        abort();
}

void checkInsert(CHighScoreTable& table, int score)
{
    const auto before = table.allEntries();
    const HighScoreEntry* entry = table.insert(score, 7, 42);
    int place = 0;
    while (place < CHighScoreTable::EntryCount && before[place].score >= score)
        ++place;
    if (place == CHighScoreTable::EntryCount) {
        if (entry != nullptr || table.allEntries() != before)
            abort();
        return;
    }
    if (entry != &table.entry(place) || entry->score != score || entry->level != 7 || entry->seconds != 42)
        abort();
    // The entries above the new one stay, those below move down by one (the
    // new entry's own place has nothing to compare with).
    for (int i = 0; i < CHighScoreTable::EntryCount; ++i) {
        if (i == place)
            continue;
        const HighScoreEntry& expected = i < place ? before[i] : before[i - 1];
        if (table.entry(i) != expected)
            abort();
    }
}

// The same bytes through the in-memory reader and the generic node walks.
void checkNodes(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    parseDecimal(text);
    CXmlDocument document;
    document.loadXml(text);
    CXmlNode root = document.root();
    int walked = 0;
    for (CXmlNode node = root.child(0); !node.isNull() && walked < 64; node = node.nextSibling(), ++walked) {
        node.name();
        node.attribute("name");
        node.findChild("Entry").attribute("score");
    }
    if (walked < 64 && walked != root.childCount())
        abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    inputPath = std::string(folder) + "/vesbrik-fuzz-" + std::to_string(getpid()) + ".xml";
    atexit(removeInput);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    writeInput(data, size);
    checkSettings(data, size);

    CHighScoreTable table(inputPath);
    checkTableRoundTrip(table);
    int score = 0;
    for (size_t i = 0; i < size && i < 4; ++i)
        score = static_cast<int>(static_cast<unsigned>(score) << 8 | data[i]);
    checkInsert(table, score);
    checkTableRoundTrip(table);

    checkNodes(data, size);
    return 0;
}
