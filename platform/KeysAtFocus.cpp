#include "platform/KeysAtFocus.h"

#include <algorithm>
#include <utility>

void CKeysAtFocus::focusGained(const uint8_t* keyState, int count)
{
    downAtFocus.reset();
    for (int key = 0; key < std::min(count, KeyCount); ++key)
        downAtFocus[static_cast<size_t>(key)] = keyState[key] != 0;
    lastPressDropped = false;
}

void CKeysAtFocus::focusLost()
{
    downAtFocus.reset();
    lastPressDropped = false;
}

bool CKeysAtFocus::pressCounts(int scancode)
{
    lastPressDropped = known(scancode) && downAtFocus[static_cast<size_t>(scancode)];
    return !lastPressDropped;
}

void CKeysAtFocus::released(int scancode)
{
    if (known(scancode))
        downAtFocus[static_cast<size_t>(scancode)] = false;
}

// A key's text follows its press at once, so the text after a dropped press
// is that key's.
bool CKeysAtFocus::textCounts() { return !std::exchange(lastPressDropped, false); }

bool CKeysAtFocus::heldCounts(int scancode) const
{
    return !known(scancode) || !downAtFocus[static_cast<size_t>(scancode)];
}
