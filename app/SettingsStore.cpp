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

std::string escapedValue(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '"': escaped += "&quot;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

// <keys .../> or <padbuttons .../> as the bindings have them: every move with
// a key, in the order of the help.
std::string bindingsElement(const CKeyBindings& keys, bool pad)
{
    std::string element = pad ? "<padbuttons" : "<keys";
    for (int move = 0; move < BindableMoveCount; ++move) {
        const std::string name = pad ? boundButtonName(keys, move) : boundKeyName(keys, move);
        if (!name.empty())
            element += std::string(" ") + bindableMoves()[static_cast<size_t>(move)].attribute + "=\"" +
                       escapedValue(name) + "\"";
    }
    return element + "/>";
}

// Where the root's child element of that name starts and ends (after its
// "/>"), or none. Only an empty element is followed; one with content gives
// none too, and the caller leaves the bytes to the reader.
std::optional<std::pair<size_t, size_t>> emptyChild(const std::string& document, size_t from, const std::string& name)
{
    for (size_t at = document.find("<" + name, from); at != std::string::npos;
         at = document.find("<" + name, at + 1)) {
        const size_t after = at + 1 + name.size();
        if (after >= document.size() || (document[after] != ' ' && document[after] != '\t' &&
                                          document[after] != '\n' && document[after] != '\r' &&
                                          document[after] != '/'))
            continue;
        const size_t close = document.find('>', after);
        if (close == std::string::npos || document[close - 1] != '/')
            return std::nullopt;
        return std::make_pair(at, close + 1);
    }
    return std::nullopt;
}

// Puts the element in place of the root's child of that name, or adds it as
// the root's last child on a line of its own, opening a root written as
// <settings .../>. None when the bytes are not laid out so simply.
std::optional<std::string> withChild(std::string document, const std::string& root, const std::string& name,
                                     const std::string& element)
{
    const size_t rootAt = document.find("<" + root);
    if (rootAt == std::string::npos)
        return std::nullopt;
    const size_t rootClose = document.find('>', rootAt);
    if (rootClose == std::string::npos)
        return std::nullopt;
    if (document[rootClose - 1] == '/') {
        document.replace(rootClose - 1, 2, ">\n  " + element + "\n</" + root + ">");
        return document;
    }
    if (const auto child = emptyChild(document, rootClose, name)) {
        document.replace(child->first, child->second - child->first, element);
        return document;
    }
    const size_t end = document.rfind("</" + root);
    if (end == std::string::npos || end < rootClose)
        return std::nullopt;
    const bool lineStart = end > 0 && document[end - 1] == '\n';
    document.insert(end, (lineStart ? "  " : "\n  ") + element + "\n");
    return document;
}

// The bindings written into the document, read back by the XML reader.
std::optional<std::string> withBindings(std::string document, const std::string& root, const CKeyBindings& before,
                                        const CKeyBindings& after)
{
    if (before == after)
        return document;
    for (const bool pad : {false, true}) {
        std::optional<std::string> changed =
            withChild(std::move(document), root, pad ? "padbuttons" : "keys", bindingsElement(after, pad));
        if (!changed)
            return std::nullopt;
        document = std::move(*changed);
    }
    CXmlDocument check;
    if (!check.loadXml(document))
        return std::nullopt;
    CKeyBindings readBack;
    readBack.read(check.root(), "");
    if (!(readBack == after))
        return std::nullopt;
    return document;
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
    // The keys too, or the save would say it kept them when it did not.
    if (!(before.keys == after.keys))
        for (const bool pad : {false, true}) {
            const char* name = pad ? "padbuttons" : "keys";
            CXmlNode element = root.findChild(name);
            if (element.isNull())
                element = root.insertElement(root.childCount(), name);
            if (element.isNull())
                return std::nullopt;
            for (int move = 0; move < BindableMoveCount; ++move) {
                const std::string bound = pad ? boundButtonName(after.keys, move) : boundKeyName(after.keys, move);
                if (!bound.empty())
                    element.setAttribute(bindableMoves()[static_cast<size_t>(move)].attribute, bound);
            }
        }
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
    return withBindings(tag->text(), tag->elementName(), before.keys, after.keys);
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
    if (settings == onDisk && settings.keys == onDisk.keys)
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
