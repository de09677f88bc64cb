#include "render/FrameState.h"

#include "device/Device.h"

DeviceState defaultFrameState(const DeviceState& current)
{
    DeviceState state;
    state.renderStates[static_cast<size_t>(RenderState::ZEnable)] = stateValue(true);
    state.renderStates[static_cast<size_t>(RenderState::CullMode)] = stateValue(Cull::CCW);
    state.samplerStates[static_cast<size_t>(SamplerState::MaxAnisotropy)] = 1;
    state.viewport = current.viewport;
    return state;
}

void applyDefaultFrameState(CDevice& device) { device.setState(defaultFrameState(device.state())); }
