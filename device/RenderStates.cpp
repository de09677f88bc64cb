#include "device/RenderStates.h"

// The state of a new device: depth tested and written, counter-clockwise
// triangles culled, nothing blended, no stencil, no depth offset, point
// sampling with wrapping.
DeviceState::DeviceState()
{
    auto set = [this](RenderState s, uint32_t value) { renderStates[static_cast<size_t>(s)] = value; };
    set(RenderState::ZEnable, 1);
    set(RenderState::ZWriteEnable, 1);
    set(RenderState::ZFunc, stateValue(Cmp::LessEqual));
    set(RenderState::CullMode, stateValue(Cull::CCW));
    set(RenderState::AlphaBlendEnable, 0);
    set(RenderState::SrcBlend, stateValue(Blend::One));
    set(RenderState::DestBlend, stateValue(Blend::Zero));
    set(RenderState::BlendOp, stateValue(BlendOp::Add));
    set(RenderState::ColorWriteEnable, ColorWriteAll);
    set(RenderState::StencilEnable, 0);
    set(RenderState::StencilFail, stateValue(StencilOp::Keep));
    set(RenderState::StencilZFail, stateValue(StencilOp::Keep));
    set(RenderState::StencilPass, stateValue(StencilOp::Keep));
    set(RenderState::StencilFunc, stateValue(Cmp::Always));
    set(RenderState::StencilRef, 0);
    set(RenderState::StencilMask, 0xFFFFFFFF);
    set(RenderState::StencilWriteMask, 0xFFFFFFFF);

    auto sampler = [this](SamplerState s, uint32_t value) { samplerStates[static_cast<size_t>(s)] = value; };
    sampler(SamplerState::MagFilter, stateValue(TexFilter::Point));
    sampler(SamplerState::MinFilter, stateValue(TexFilter::Point));
    sampler(SamplerState::MipFilter, stateValue(TexFilter::None));
    sampler(SamplerState::AddressU, stateValue(TexAddress::Wrap));
    sampler(SamplerState::AddressV, stateValue(TexAddress::Wrap));
    sampler(SamplerState::MaxAnisotropy, 1);
}
