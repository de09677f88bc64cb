#pragma once
// A state block of all device state: a copy taken from the device, put back
// by apply. Render targets are not part of it, as in Direct3D.
#include "platform/RenderStates.h"

class CStateBlock {
public:
    // Captures the device's current state.
    CStateBlock();
    void capture();
    void apply() const;
    const DeviceState& state() const { return saved; }

private:
    DeviceState saved;
};
