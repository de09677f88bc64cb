#include <cstdio>

#include "app/CommandLine.h"
#include "app/Entry.h"
#include "platform/MemoryPolicy.h"
#include "platform/StopSignals.h"

// What holds for the whole process is set here, once: the heap's policy and
// the stop signals, which end the game as leaving it through the menu does.
int main(int argc, char** argv)
{
    const CommandLineAnswer answer = readCommandLine({argv + 1, argv + argc});
    if (answer.action == CommandLineAnswer::Print)
        std::fputs(answer.text.c_str(), stdout);
    if (answer.action == CommandLineAnswer::Refuse)
        std::fputs(answer.text.c_str(), stderr);
    if (answer.action != CommandLineAnswer::Play)
        return answer.status;
    keepFreedMemoryForReuse();
    catchStopSignals();
    GameOptions options;
    options.replay = answer.replay;
    const int status = runGame(options);
    endByCaughtSignal();
    return status;
}
