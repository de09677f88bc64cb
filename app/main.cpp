#include <cstdio>

#include "app/CommandLine.h"
#include "app/Entry.h"

int main(int argc, char** argv)
{
    const CommandLineAnswer answer = readCommandLine({argv + 1, argv + argc});
    if (answer.action == CommandLineAnswer::Print)
        std::fputs(answer.text.c_str(), stdout);
    if (answer.action == CommandLineAnswer::Refuse)
        std::fputs(answer.text.c_str(), stderr);
    if (answer.action != CommandLineAnswer::Play)
        return answer.status;
    GameOptions options;
    options.replay = answer.replay;
    return runGame(options);
}
