#pragma once
// A state block of all device state: a copy taken from the device, put back
// by apply. Render targets are not part of it: a pass changes them through
// CRenderTargetScope, which puts back what it replaced.
#include "device/RenderStates.h"

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

// A step that changes device state keeps one of these: the state in force
// when the scope began is put back when it ends, whatever the step set.
class CStateScope {
public:
    CStateScope() = default;
    ~CStateScope() { saved.apply(); }
    CStateScope(const CStateScope&) = delete;
    CStateScope& operator=(const CStateScope&) = delete;

private:
    CStateBlock saved;
};
