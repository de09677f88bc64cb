#pragma once
// The game's command line: nothing to play, --help or --version to ask,
// --replay FILE [--verify] to watch or check a recorded game. Anything else
// is refused with a one-line usage message, so a mistyped option never starts
// a full-screen game the player did not mean to start.
#include <optional>
#include <string>
#include <vector>

#include "app/ReplayPlayer.h"

struct CommandLineAnswer {
    enum Action { Play, Print, Refuse };
    Action action = Play;
    // What to print: to standard output for Print, standard error for Refuse.
    std::string text;
    // The process status for Print and Refuse.
    int status = 0;
    // Play: a recording to watch or check instead of the menu.
    std::optional<ReplayRequest> replay;
};

// arguments: the words after the program's name.
CommandLineAnswer readCommandLine(const std::vector<std::string>& arguments);
