#include "app/Settings.h"

#include "files/FileProblems.h"
#include "xml/XmlDocument.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// An absent or empty attribute leaves the field as it was; anything else is
// read as a decimal number, so "640px" is 640 and a word is 0.
void readInt(const CXmlNode& root, const char* name, int& field)
{
    const std::string text = root.attribute(name);
    if (!text.empty())
        field = parseDecimal(text);
}

void readSwitch(const CXmlNode& root, const char* name, bool& field)
{
    const std::string text = root.attribute(name);
    if (!text.empty())
        field = parseDecimal(text) != 0;
}

// "auto" or a decimal share from 0.5 to 1, blanks around it allowed.
std::optional<float> parseRenderScale(const std::string& text, bool& understood)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    const size_t last = text.find_last_not_of(" \t\r\n");
    const std::string word = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
    understood = true;
    if (word == "auto")
        return std::nullopt;
    char* end = nullptr;
    const double value = word.empty() ? NAN : std::strtod(word.c_str(), &end);
    if (std::isfinite(value) && end && *end == '\0' && value >= 0.5 && value <= 1.0)
        return static_cast<float>(value);
    understood = false;
    return std::nullopt;
}

void readRenderScale(const CXmlNode& root, std::optional<float>& field)
{
    const std::string text = root.attribute("renderscale");
    if (text.empty())
        return;
    bool understood = false;
    field = parseRenderScale(text, understood);
    if (!understood)
        reportFileProblem("settings.xml", "renderscale \"" + text + "\" is neither auto nor a share from 0.5 to 1",
                          "the scene's scale follows the frame rate (auto)");
}

} // namespace

void CSettings::load(const std::string& path)
{
    CXmlDocument document;
    document.load(path);
    read(document.root());
}

void CSettings::read(const CXmlNode& root)
{
    readInt(root, "width", width);
    readInt(root, "height", height);
    readSwitch(root, "fullscreen", fullscreen);
    readSwitch(root, "enablebloom", enableBloom);
    readSwitch(root, "enableshadow", enableShadow);
    readSwitch(root, "enablemirror", enableMirror);
    readSwitch(root, "filterframebuffer", filterFrameBuffer);
    readSwitch(root, "pauseonfocusloss", pauseOnFocusLoss);
    readInt(root, "framelimit", frameLimit);
    readSwitch(root, "showframerate", showFrameRate);
    readInt(root, "musicvolume", musicVolume);
    readInt(root, "effectsvolume", effectsVolume);
    readSwitch(root, "mute", mute);
    readRenderScale(root, renderScale);

    // A window needs a size; "0" or "-1" (or a word) cannot open one, so such
    // a dimension falls back to the default on its own.
    if (width <= 0)
        width = DefaultWidth;
    if (height <= 0)
        height = DefaultHeight;
    // The loop knows one limit; any other number asks for a limit all the same.
    if (frameLimit != 0)
        frameLimit = 30;
    musicVolume = std::clamp(musicVolume, 0, MaxVolume);
    effectsVolume = std::clamp(effectsVolume, 0, MaxVolume);
}
