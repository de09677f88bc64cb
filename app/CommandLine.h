#pragma once
// The game's command line: nothing to play, --help or --version to ask.
// Anything else is refused with a one-line usage message, so a mistyped
// option never starts a full-screen game the player did not mean to start.
#include <string>
#include <vector>

struct CommandLineAnswer {
    enum Action { Play, Print, Refuse };
    Action action = Play;
    // What to print: to standard output for Print, standard error for Refuse.
    std::string text;
    // The process status for Print and Refuse.
    int status = 0;
};

// arguments: the words after the program's name.
CommandLineAnswer readCommandLine(const std::vector<std::string>& arguments);
