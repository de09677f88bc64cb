#include "app/Entry.h"

int runGame(const GameOptions&)
{
    return 0;
}
