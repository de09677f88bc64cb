#include "app/SettingsStore.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <sys/stat.h>
#include <utility>

#include "files/FileProblems.h"
#include "files/GameFolders.h"
#include "xml/XmlDocument.h"

namespace {

// One attribute of the file and its text for a record, in the order a new
// file lists them.
struct SettingAttribute {
    const char* name;
    std::string (*text)(const CSettings&);
};

std::string number(int value) { return std::to_string(value); }
std::string flag(bool value) { return value ? "1" : "0"; }

// "auto", or the share as a short decimal ("0.7").
std::string share(std::optional<float> scale)
{
    if (!scale)
        return "auto";
    char text[16];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(*scale));
    return text;
}

const SettingAttribute Attributes[] = {
    {"width", [](const CSettings& s) { return number(s.width); }},
    {"height", [](const CSettings& s) { return number(s.height); }},
    {"fullscreen", [](const CSettings& s) { return flag(s.fullscreen); }},
    {"enablebloom", [](const CSettings& s) { return flag(s.enableBloom); }},
    {"enableshadow", [](const CSettings& s) { return flag(s.enableShadow); }},
    {"enablemirror", [](const CSettings& s) { return flag(s.enableMirror); }},
    {"filterframebuffer", [](const CSettings& s) { return flag(s.filterFrameBuffer); }},
    {"pauseonfocusloss", [](const CSettings& s) { return flag(s.pauseOnFocusLoss); }},
    {"renderscale", [](const CSettings& s) { return share(s.renderScale); }},
    {"framelimit", [](const CSettings& s) { return number(s.frameLimit); }},
    {"showframerate", [](const CSettings& s) { return flag(s.showFrameRate); }},
    {"musicvolume", [](const CSettings& s) { return number(s.musicVolume); }},
    {"effectsvolume", [](const CSettings& s) { return number(s.effectsVolume); }},
    {"mute", [](const CSettings& s) { return flag(s.mute); }},
};

// Something is there that the reader could not take: never write over it unseen.
bool holdsUnreadBytes(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0;
}

constexpr const char* FreshFile = "<!-- Vesbrik's settings, written by the game when you change them in its "
                                  "options; you may edit them by hand as well. -->"
                                  "<settings/>";

} // namespace

CSettingsStore::CSettingsStore(std::string path, const CSettings& asRead) : filePath(std::move(path)), onDisk(asRead)
{
}

bool CSettingsStore::writeChanges(const CSettings& before, const CSettings& after, CXmlNode& root)
{
    bool changed = false;
    for (const SettingAttribute& attribute : Attributes) {
        const std::string value = attribute.text(after);
        if (value == attribute.text(before))
            continue;
        root.setAttribute(attribute.name, value);
        changed = true;
    }
    return changed;
}

bool CSettingsStore::save(const CSettings& settings)
{
    const bool anyChange = std::any_of(std::begin(Attributes), std::end(Attributes), [&](const SettingAttribute& a) {
        return a.text(settings) != a.text(onDisk);
    });
    if (!anyChange)
        return true;
    CXmlDocument document;
    if (!document.load(filePath)) {
        if (holdsUnreadBytes(filePath)) {
            const std::string copy = keepUnreadableCopy(filePath, std::time(nullptr));
            if (copy.empty()) {
                reportFileProblem(filePath, "is not readable settings and cannot be kept aside",
                                  "it is left as it is and the changed settings last until the game ends");
                return false;
            }
            reportFileProblem(filePath, "was not readable settings", "kept it as " + copy);
        }
        document.loadXml(FreshFile);
    }
    CXmlNode root = document.root();
    // The file keeps the player's own values wherever they did not change
    // here; a fresh file reads as the defaults, which onDisk then holds.
    writeChanges(onDisk, settings, root);
    makeFolderFor(filePath);
    std::string whyNot;
    if (!document.save(filePath, &whyNot)) {
        reportFileProblem(filePath, "the settings cannot be saved: " + whyNot,
                          "the changed settings last until the game ends");
        return false;
    }
    onDisk = settings;
    return true;
}
