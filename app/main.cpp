#include "app/Entry.h"

int main()
{
    return runGame(GameOptions{});
}
