#include "app/Settings.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "files/FileProblems.h"
#include "xml/XmlDocument.h"

namespace {

std::string trimmed(const std::string& text)
{
    const auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    const auto first = std::find_if_not(text.begin(), text.end(), blank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// How an attribute is named in a message: as the file writes it.
std::string written(const char* name, const std::string& text)
{
    return std::string(name) + "=\"" + printableText(text, 40) + "\"";
}

// The length of an optional sign and the digits after it at the start of text.
size_t numberLength(const std::string& text)
{
    size_t i = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
    const size_t digitsFrom = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
        ++i;
    return i == digitsFrom ? 0 : i;
}

// A window side: a whole number above 0, "px" after it allowed. Digits
// followed by other text read as the digits, as they always have, but it is
// said. Anything else keeps the value there.
void readSize(const CXmlNode& root, const char* name, int& field, std::string& kept, const std::string& file)
{
    if (!root.hasAttribute(name))
        return;
    const std::string raw = root.attribute(name);
    const std::string text = trimmed(raw);
    const std::string instead = "the default, " + std::to_string(field) + ", is used";
    const size_t length = numberLength(text);
    if (text.empty()) {
        reportFileProblem(file, written(name, raw) + " is empty", instead);
        return;
    }
    if (length == 0) {
        reportFileProblem(file, written(name, raw) + " is not a number", instead);
        return;
    }
    const int value = parseDecimal(text);
    if (value <= 0) {
        reportFileProblem(file, written(name, raw) + " is not a size above 0", instead);
        return;
    }
    const std::string rest = lowerCase(trimmed(text.substr(length)));
    if (!rest.empty() && rest != "px")
        reportFileProblem(file, written(name, raw) + " has text after its number",
                          "it is read as " + std::to_string(value));
    field = value;
    kept = raw;
}

// A whole number (a limit, a volume), read as every data file reads one; a
// value with no number in it keeps the value there and is said.
void readNumber(const CXmlNode& root, const char* name, int& field, const std::string& file)
{
    if (!root.hasAttribute(name))
        return;
    const std::string raw = root.attribute(name);
    if (numberLength(trimmed(raw)) == 0) {
        reportFileProblem(file, written(name, raw) + (trimmed(raw).empty() ? " is empty" : " is not a number"),
                          "the default, " + std::to_string(field) + ", is used");
        return;
    }
    field = parseDecimal(raw);
}

// What a player may write for a switch; none when the text is none of them.
std::optional<bool> switchValue(const std::string& raw)
{
    const std::string text = lowerCase(trimmed(raw));
    if (text == "yes" || text == "true" || text == "on")
        return true;
    if (text == "no" || text == "false" || text == "off")
        return false;
    if (numberLength(text) == text.size() && !text.empty())
        return parseDecimal(text) != 0;
    return std::nullopt;
}

void readSwitch(const CXmlNode& root, const char* name, bool& field, const std::string& file)
{
    if (!root.hasAttribute(name))
        return;
    const std::string raw = root.attribute(name);
    if (const std::optional<bool> value = switchValue(raw)) {
        field = *value;
        return;
    }
    reportFileProblem(file,
                      written(name, raw) + (trimmed(raw).empty() ? " is empty" : " is not on or off") +
                          " (1/0, yes/no, true/false, on/off)",
                      std::string("the default, ") + (field ? "on" : "off") + ", is used");
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

void readRenderScale(const CXmlNode& root, std::optional<float>& field, const std::string& file)
{
    const std::string text = root.attribute("renderscale");
    if (text.empty())
        return;
    bool understood = false;
    field = parseRenderScale(text, understood);
    if (!understood)
        reportFileProblem(file, written("renderscale", text) + " is neither auto nor a share from 0.5 to 1",
                          "the scene's scale follows the frame rate (auto)");
}

} // namespace

void CSettings::load(const std::string& path)
{
    file = path;
    CXmlDocument document;
    // A missing file is the usual case: the defaults, silently.
    std::error_code unknown;
    if (!document.load(path) && std::filesystem::exists(path, unknown))
        reportFileProblem(path, whyUnusable(path, "not readable XML", CXmlDocument::MaxFileSize),
                          "the defaults are used (" + std::to_string(DefaultWidth) + " x " +
                              std::to_string(DefaultHeight) + ", windowed, every pass on)");
    read(document.root());
}

void CSettings::read(const CXmlNode& root)
{
    readSize(root, "width", width, widthText, file);
    readSize(root, "height", height, heightText, file);
    readSwitch(root, "fullscreen", fullscreen, file);
    readSwitch(root, "enablebloom", enableBloom, file);
    readSwitch(root, "enableshadow", enableShadow, file);
    readSwitch(root, "enablemirror", enableMirror, file);
    readSwitch(root, "filterframebuffer", filterFrameBuffer, file);
    readSwitch(root, "pauseonfocusloss", pauseOnFocusLoss, file);
    readNumber(root, "framelimit", frameLimit, file);
    readSwitch(root, "showframerate", showFrameRate, file);
    readNumber(root, "musicvolume", musicVolume, file);
    readNumber(root, "effectsvolume", effectsVolume, file);
    readSwitch(root, "mute", mute, file);
    readRenderScale(root, renderScale, file);

    // The loop knows one limit; any other number asks for a limit all the same.
    if (frameLimit != 0)
        frameLimit = 30;
    musicVolume = std::clamp(musicVolume, 0, MaxVolume);
    effectsVolume = std::clamp(effectsVolume, 0, MaxVolume);
}
