#pragma once
// How a recording writes the player's part of a frame: each move as the
// number of the key that asked for it when games were first recorded (so
// every recording ever made still plays), the held moves as three bits.
#include <cstdint>
#include <optional>

#include "game/Action.h"
#include "game/HeldKeys.h"

// The number a recording keeps for a move that changes the game; none for
// an action that leaves the game as it is (the camera, the picture).
std::optional<uint16_t> recordedCode(Action action);
// The move a recorded number stands for; none for a number no game records.
std::optional<Action> recordedAction(uint16_t code);

// The held moves as RecordedFrame::held bits, and back.
uint8_t recordedHeld(const HeldKeys& held);
HeldKeys heldFromRecording(uint8_t bits);
