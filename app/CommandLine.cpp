#include "app/CommandLine.h"

#ifndef VESBRIK_VERSION
#define VESBRIK_VERSION "unknown"
#endif

namespace {

constexpr const char* Usage = "usage: vesbrik [--help | --version]";

std::string helpText()
{
    return std::string(Usage) +
           "\n\n"
           "Vesbrik, a 3D falling-block game. Started in a folder that holds media/,\n"
           "it plays from that folder; installed, it reads its settings from\n"
           "$XDG_CONFIG_HOME/vesbrik/settings.xml and keeps the high scores in\n"
           "$XDG_DATA_HOME/vesbrik/hiscore.xml.\n"
           "\n"
           "  --help     show this text and exit\n"
           "  --version  show the version and exit\n"
           "\n"
           "Keys: arrows move and turn, Shift turns back, Pause pauses, Escape leaves,\n"
           "Alt+Enter switches full screen, F12 or PrintScreen saves a screenshot.\n";
}

// The argument as the message names it: printable ASCII only and cut short,
// so that no argument can put control sequences on the player's terminal.
std::string shown(const std::string& argument)
{
    constexpr size_t MaxShown = 40;
    std::string text;
    for (char c : argument.substr(0, MaxShown))
        text += (c >= 0x20 && c < 0x7F) ? c : '?';
    if (argument.size() > MaxShown)
        text += "...";
    return text;
}

} // namespace

CommandLineAnswer readCommandLine(const std::vector<std::string>& arguments)
{
    CommandLineAnswer answer;
    if (arguments.empty())
        return answer;
    if (arguments.size() == 1 && arguments[0] == "--help") {
        answer.action = CommandLineAnswer::Print;
        answer.text = helpText();
        return answer;
    }
    if (arguments.size() == 1 && arguments[0] == "--version") {
        answer.action = CommandLineAnswer::Print;
        answer.text = std::string("vesbrik ") + VESBRIK_VERSION + "\n";
        return answer;
    }
    answer.action = CommandLineAnswer::Refuse;
    answer.status = 2;
    const std::string& wrong = arguments[0] == "--help" || arguments[0] == "--version" ? arguments[1] : arguments[0];
    answer.text = "vesbrik: unknown argument '" + shown(wrong) + "'; " + Usage + "\n";
    return answer;
}
