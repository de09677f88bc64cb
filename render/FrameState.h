#pragma once
// The state every step of the frame starts from. The frame begins by putting
// the device into it; a step that needs something else sets it inside a
// state scope (device/StateBlock.h), so the next step finds this state
// again and no step depends on what the one before happened to leave.
#include "device/RenderStates.h"

class CDevice;

// A new device's state with the scene's choices (depth test on, clockwise
// faces shown, no blending, no stencil, no depth bias, one-fold anisotropy),
// keeping the viewport of `current`, which belongs to the target, not to a
// step.
DeviceState defaultFrameState(const DeviceState& current);
void applyDefaultFrameState(CDevice& device);
