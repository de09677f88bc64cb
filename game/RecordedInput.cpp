#include "game/RecordedInput.h"

#include <array>
#include <utility>

#include "game/Recording.h"

namespace {

// The numbers are the keys' classic virtual-key codes (Left, Right, Down, Up,
// Shift, Pause, F11, Space).
constexpr std::array<std::pair<Action, uint16_t>, 8> RecordedCodes = {{
    {Action::SlideLeft, 0x25},
    {Action::SlideRight, 0x27},
    {Action::DropFaster, 0x28},
    {Action::TurnClockwise, 0x26},
    {Action::TurnAnticlockwise, 0x10},
    {Action::Pause, 0x13},
    {Action::LevelUp, 0x7A},
    {Action::MoveLight, 0x20},
}};

} // namespace

std::optional<uint16_t> recordedCode(Action action)
{
    for (const auto& [move, code] : RecordedCodes) {
        if (move == action)
            return code;
    }
    return std::nullopt;
}

std::optional<Action> recordedAction(uint16_t code)
{
    for (const auto& [move, recorded] : RecordedCodes) {
        if (recorded == code)
            return move;
    }
    return std::nullopt;
}

uint8_t recordedHeld(const HeldKeys& held)
{
    return static_cast<uint8_t>((held.left ? HeldLeft : 0) | (held.right ? HeldRight : 0) | (held.down ? HeldDown : 0));
}

HeldKeys heldFromRecording(uint8_t bits)
{
    return {(bits & HeldLeft) != 0, (bits & HeldRight) != 0, (bits & HeldDown) != 0};
}
