#include <cstdio>
#include <string>
#include <vector>

#include "app/Entry.h"

int main(int argc, char** argv)
{
    GameOptions options;
    std::string error;
    options.replay = readReplayArguments({argv + 1, argv + argc}, &error);
    if (!error.empty()) {
        std::fprintf(stderr, "vesbrik: %s\n", error.c_str());
        return 2;
    }
    return runGame(options);
}
