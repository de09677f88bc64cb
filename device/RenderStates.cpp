#include "device/RenderStates.h"

// Direct3D 9's defaults for a new device.
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
    set(RenderState::DepthBias, stateValue(0.0f));
    set(RenderState::SlopeScaleDepthBias, stateValue(0.0f));
    set(RenderState::Lighting, 1);
    set(RenderState::SpecularEnable, 0);
    set(RenderState::Ambient, 0);

    auto sampler = [this](SamplerState s, uint32_t value) { samplerStates[static_cast<size_t>(s)] = value; };
    sampler(SamplerState::MagFilter, stateValue(TexFilter::Point));
    sampler(SamplerState::MinFilter, stateValue(TexFilter::Point));
    sampler(SamplerState::MipFilter, stateValue(TexFilter::None));
    sampler(SamplerState::AddressU, stateValue(TexAddress::Wrap));
    sampler(SamplerState::AddressV, stateValue(TexAddress::Wrap));
    sampler(SamplerState::MaxAnisotropy, 1);

    // Stage 0: colour = texture x diffuse, alpha = texture alpha.
    auto stage = [this](TextureStageState s, uint32_t value) { stageStates[static_cast<size_t>(s)] = value; };
    stage(TextureStageState::ColorOp, stateValue(TextureOp::Modulate));
    stage(TextureStageState::ColorArg1, stateValue(TextureArg::Texture));
    stage(TextureStageState::ColorArg2, stateValue(TextureArg::Current));
    stage(TextureStageState::AlphaOp, stateValue(TextureOp::SelectArg1));
    stage(TextureStageState::AlphaArg1, stateValue(TextureArg::Texture));
    stage(TextureStageState::AlphaArg2, stateValue(TextureArg::Current));
}
