#include "platform/VirtualKeys.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace {

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

const std::pair<const char*, int> NamedKeys[] = {
    {"backspace", vk::Backspace}, {"tab", vk::Tab},         {"return", vk::Return},    {"enter", vk::Return},
    {"shift", vk::Shift},         {"control", vk::Control}, {"ctrl", vk::Control},     {"alt", vk::Alt},
    {"pause", vk::Pause},         {"escape", vk::Escape},   {"esc", vk::Escape},       {"space", vk::Space},
    {"pageup", vk::PageUp},       {"pagedown", vk::PageDown}, {"end", vk::End},        {"home", vk::Home},
    {"left", vk::Left},           {"up", vk::Up},           {"right", vk::Right},      {"down", vk::Down},
    {"insert", vk::Insert},       {"delete", vk::Delete},   {"printscreen", vk::Snapshot},
    {"pada", vk::PadA},           {"padb", vk::PadB},       {"padstart", vk::PadStart}, {"padback", vk::PadBack},
    {"padleft", vk::PadLeft},     {"padright", vk::PadRight}, {"padup", vk::PadUp},    {"paddown", vk::PadDown},
};

} // namespace

int virtualKeyFromName(const std::string& name)
{
    const std::string key = lower(name);
    for (const auto& [keyName, code] : NamedKeys)
        if (key == keyName)
            return code;
    if (key.size() == 1 && std::isalpha(static_cast<unsigned char>(key[0])))
        return vk::LetterA + (key[0] - 'a');
    if (key.size() == 1 && std::isdigit(static_cast<unsigned char>(key[0])))
        return vk::Digit0 + (key[0] - '0');
    if (key.size() >= 2 && key.size() <= 3 && key[0] == 'f' && std::all_of(key.begin() + 1, key.end(), ::isdigit)) {
        int n = std::stoi(key.substr(1));
        if (n >= 1 && n <= 12)
            return vk::F1 + n - 1;
    }
    return 0;
}
