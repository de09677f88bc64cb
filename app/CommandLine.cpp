#include "app/CommandLine.h"

#include "files/FileProblems.h"

#ifndef VESBRIK_VERSION
#define VESBRIK_VERSION "unknown"
#endif

namespace {

constexpr const char* Usage = "usage: vesbrik [--help | --version | --replay FILE [--verify]]";

std::string helpText()
{
    return std::string(Usage) +
           "\n\n"
           "Vesbrik, a 3D falling-block game. Started in a folder that holds media/,\n"
           "it plays from that folder; installed, it reads its settings from\n"
           "$XDG_CONFIG_HOME/vesbrik/settings.xml and keeps the high scores in\n"
           "$XDG_DATA_HOME/vesbrik/hiscore.xml.\n"
           "\n"
           "  --help            show this text and exit\n"
           "  --version         show the version and exit\n"
           "  --replay FILE     watch a recorded game\n"
           "  --verify          with --replay: play it headless and check its result\n"
           "                    (status 0 it matches, 1 it does not, 2 not playable,\n"
           "                    3 it matches but the game was cut short)\n"
           "\n"
           "Keys: arrows move and turn, Shift turns back, Pause pauses, Escape leaves,\n"
           "Alt+Enter switches full screen, F12 or PrintScreen saves a screenshot.\n";
}

// A command-line word as a message shows it: escaped where a terminal would
// act on it, shortened in the middle, so that no argument can put control
// sequences on the player's terminal or fill it.
std::string shown(const std::string& argument, size_t maxShown = 60) { return printableText(argument, maxShown); }

// A word where the recording's file name belongs that is an option instead,
// as in "--replay --verify". A file whose name starts with "-" is still
// reached as ./-name.
bool looksLikeAnOption(const std::string& word) { return word.size() > 1 && word[0] == '-'; }

CommandLineAnswer refusal(const std::string& problem)
{
    CommandLineAnswer answer;
    answer.action = CommandLineAnswer::Refuse;
    answer.status = 2;
    answer.text = "vesbrik: " + problem + "; " + Usage + "\n";
    return answer;
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
    // Only the replay's words may remain; anything else is named, shown
    // safely, before the replay's own rules are asked.
    for (size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--replay" && i + 1 < arguments.size() && looksLikeAnOption(arguments[i + 1]))
            return refusal("--replay needs a recording file name before '" + shown(arguments[i + 1]) +
                           "' (for a file of that name, write ./" + shown(arguments[i + 1]) + ")");
        if (arguments[i] == "--replay" && i + 1 < arguments.size())
            ++i;
        else if (arguments[i] != "--verify" && arguments[i] != "--replay")
            return refusal("unknown argument '" + shown(arguments[i]) + "'");
    }
    std::string error;
    answer.replay = readReplayArguments(arguments, &error);
    if (!error.empty())
        return refusal(shown(error, 300));
    return answer;
}
