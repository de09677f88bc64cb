#include "app/Settings.h"

#include <filesystem>

#include "files/FileProblems.h"
#include "xml/XmlDocument.h"

CSettings::CSettings()
{
    for (const SettingDeclaration& setting : settingTable())
        values[static_cast<size_t>(setting.id)] = setting.byDefault;
}

void CSettings::set(SettingId id, int value) { values[static_cast<size_t>(id)] = heldToRange(declarationOf(id), value); }

std::optional<float> CSettings::renderScale() const
{
    const int share = value(SettingId::RenderScale);
    return share == 0 ? std::nullopt : std::optional<float>(static_cast<float>(share) / 1000.0f);
}

void CSettings::load(const std::string& filePath)
{
    path = filePath;
    CXmlDocument document;
    // A missing file is the usual case: the defaults, silently.
    std::error_code unknown;
    if (!document.load(filePath) && std::filesystem::exists(filePath, unknown))
        reportFileProblem(filePath, whyUnusable(filePath, "not readable XML", CXmlDocument::MaxFileSize),
                          "the defaults are used (" + std::to_string(width()) + " x " + std::to_string(height()) +
                              ", windowed, every pass on)");
    read(document.root());
}

void CSettings::read(const CXmlNode& root)
{
    for (const SettingDeclaration& setting : settingTable()) {
        if (!root.hasAttribute(setting.attribute))
            continue;
        const size_t at = static_cast<size_t>(setting.id);
        texts[at] = root.attribute(setting.attribute);
        values[at] = readSettingText(setting, texts[at], values[at], path);
    }
    keys.read(root, path);
}
