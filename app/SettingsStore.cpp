#include "app/SettingsStore.h"

#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/stat.h>
#include <utility>

#include "app/RootTagText.h"
#include "files/AtomicFile.h"
#include "files/FileProblems.h"
#include "files/GameFolders.h"
#include "xml/XmlDocument.h"

namespace {

// Something is there that the reader could not take: never write over it unseen.
bool holdsUnreadBytes(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

std::optional<std::string> wholeFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    if (!file)
        return std::nullopt;
    return bytes.str();
}

constexpr const char* FreshFile = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                  "<!-- Vesbrik's settings, written by the game when you change them in its "
                                  "options; you may edit them by hand as well. -->\n"
                                  "<settings/>\n";

// The changed values, read back by the XML reader: the edit found the real
// root element and left a document that parses.
bool readsBack(const CRootTagText& tag, const std::vector<std::pair<const char*, std::string>>& changed)
{
    CXmlDocument document;
    if (!document.loadXml(tag.text()))
        return false;
    const CXmlNode root = document.root();
    if (root.name() != tag.elementName() || root.attributeCount() != static_cast<int>(tag.attributeNames().size()))
        return false;
    for (const auto& [attribute, text] : changed)
        if (root.attribute(attribute) != text)
            return false;
    return true;
}

// The document rewritten by the XML reader, for bytes the tag cannot be
// found in: the values and comments stay, the layout is the reader's.
std::optional<std::string> rewritten(const std::string& path, const CSettings& before, const CSettings& after)
{
    CXmlDocument document;
    if (!document.load(path))
        return std::nullopt;
    CXmlNode root = document.root();
    for (const SettingDeclaration& setting : settingTable())
        if (before.value(setting.id) != after.value(setting.id))
            root.setAttribute(setting.attribute, settingText(setting, after.value(setting.id),
                                                             root.attribute(setting.attribute)));
    return document.text();
}

} // namespace

CSettingsStore::CSettingsStore(std::string path, const CSettings& asRead) : filePath(std::move(path)), onDisk(asRead)
{
}

std::optional<std::string> CSettingsStore::withChanges(const std::string& document, const CSettings& before,
                                                       const CSettings& after)
{
    std::optional<CRootTagText> tag = CRootTagText::find(document);
    if (!tag)
        return std::nullopt;
    std::vector<std::pair<const char*, std::string>> changed;
    for (const SettingDeclaration& setting : settingTable()) {
        const int value = after.value(setting.id);
        if (value == before.value(setting.id))
            continue;
        const std::string text = settingText(setting, value, tag->value(setting.attribute).value_or(""));
        tag->set(setting.attribute, text);
        changed.emplace_back(setting.attribute, text);
    }
    if (!readsBack(*tag, changed))
        return std::nullopt;
    return tag->text();
}

std::optional<std::string> CSettingsStore::currentText()
{
    std::error_code unknown;
    if (!std::filesystem::exists(filePath, unknown))
        return FreshFile;
    CXmlDocument document;
    if (document.load(filePath)) {
        if (std::optional<std::string> bytes = wholeFile(filePath))
            return bytes;
        reportFileProblem(filePath, "cannot be read again to be changed",
                          "the changed settings last until the game ends");
        return std::nullopt;
    }
    if (holdsUnreadBytes(filePath)) {
        const std::string copy = keepUnreadableCopy(filePath, std::time(nullptr));
        if (copy.empty()) {
            reportFileProblem(filePath, "is not readable settings and cannot be kept aside",
                              "it is left as it is and the changed settings last until the game ends");
            return std::nullopt;
        }
        reportFileProblem(filePath, "was not readable settings", "kept it as " + copy);
    }
    return FreshFile;
}

bool CSettingsStore::save(const CSettings& settings)
{
    if (settings == onDisk)
        return true;
    const std::optional<std::string> current = currentText();
    if (!current)
        return false;
    std::optional<std::string> text = withChanges(*current, onDisk, settings);
    if (!text)
        text = rewritten(filePath, onDisk, settings);
    std::string whyNot = "its root element cannot be found";
    makeFolderFor(filePath);
    if (!text || !replaceFileAtomically(filePath, *text, &whyNot)) {
        reportFileProblem(filePath, "the settings cannot be saved: " + whyNot,
                          "the changed settings last until the game ends");
        return false;
    }
    onDisk = settings;
    return true;
}
