// The half of the device that sends its state to GL: the framebuffers and
// vertex arrays it keeps, and the comparison of the state with what GL was
// last given before each draw.
#include "device/Device.h"

#include "device/Buffers.h"
#include "device/ShaderProgram.h"
#include "device/Texture.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <initializer_list>

namespace {

uint32_t word(const DeviceState& s, RenderState r) { return s.renderStates[static_cast<size_t>(r)]; }

GLenum glCompare(uint32_t cmp)
{
    switch (static_cast<Cmp>(cmp)) {
    case Cmp::Never: return GL_NEVER;
    case Cmp::Less: return GL_LESS;
    case Cmp::Equal: return GL_EQUAL;
    case Cmp::LessEqual: return GL_LEQUAL;
    case Cmp::Greater: return GL_GREATER;
    case Cmp::NotEqual: return GL_NOTEQUAL;
    case Cmp::GreaterEqual: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

GLenum glStencilOperation(uint32_t op)
{
    switch (static_cast<StencilOp>(op)) {
    case StencilOp::Zero: return GL_ZERO;
    case StencilOp::Replace: return GL_REPLACE;
    case StencilOp::IncrSat: return GL_INCR;
    case StencilOp::DecrSat: return GL_DECR;
    case StencilOp::Invert: return GL_INVERT;
    case StencilOp::Incr: return GL_INCR_WRAP;
    case StencilOp::Decr: return GL_DECR_WRAP;
    default: return GL_KEEP;
    }
}

GLenum glBlendFactor(uint32_t blend)
{
    switch (static_cast<Blend>(blend)) {
    case Blend::Zero: return GL_ZERO;
    case Blend::One: return GL_ONE;
    case Blend::SrcColor: return GL_SRC_COLOR;
    case Blend::InvSrcColor: return GL_ONE_MINUS_SRC_COLOR;
    case Blend::SrcAlpha: return GL_SRC_ALPHA;
    case Blend::InvSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
    case Blend::DestAlpha: return GL_DST_ALPHA;
    case Blend::InvDestAlpha: return GL_ONE_MINUS_DST_ALPHA;
    case Blend::DestColor: return GL_DST_COLOR;
    case Blend::InvDestColor: return GL_ONE_MINUS_DST_COLOR;
    case Blend::SrcAlphaSat: return GL_SRC_ALPHA_SATURATE;
    case Blend::BothSrcAlpha: return GL_SRC_ALPHA;
    case Blend::BothInvSrcAlpha: return GL_ONE_MINUS_SRC_ALPHA;
    default: return GL_ONE;
    }
}

GLenum blendEquationOf(uint32_t op)
{
    switch (static_cast<BlendOp>(op)) {
    case BlendOp::Subtract: return GL_FUNC_SUBTRACT;
    case BlendOp::RevSubtract: return GL_FUNC_REVERSE_SUBTRACT;
    case BlendOp::Min: return GL_MIN;
    case BlendOp::Max: return GL_MAX;
    default: return GL_FUNC_ADD;
    }
}

// The render states as the device holds them, and which of them differ from
// what GL was last given (all of them when GL's state is not known).
class StateChanges {
public:
    StateChanges(const DeviceState& now, const DeviceState& sent, bool all) : now(now), sent(sent), all(all) {}

    bool any(std::initializer_list<RenderState> states) const
    {
        return all || std::any_of(states.begin(), states.end(),
                                  [this](RenderState s) { return word(now, s) != word(sent, s); });
    }
    uint32_t operator[](RenderState s) const { return word(now, s); }

private:
    const DeviceState& now;
    const DeviceState& sent;
    bool all;
};

void enable(GLenum capability, bool on) { on ? glEnable(capability) : glDisable(capability); }

void sendDepthStates(const StateChanges& s)
{
    if (s.any({RenderState::ZEnable}))
        enable(GL_DEPTH_TEST, s[RenderState::ZEnable] != 0);
    if (s.any({RenderState::ZWriteEnable}))
        glDepthMask(s[RenderState::ZWriteEnable] ? GL_TRUE : GL_FALSE);
    if (s.any({RenderState::ZFunc}))
        glDepthFunc(glCompare(s[RenderState::ZFunc]));
}

void sendCulling(const StateChanges& s)
{
    if (!s.any({RenderState::CullMode}))
        return;
    // Culling goes by the winding as seen on the screen: CCW removes
    // triangles whose corners run anticlockwise, so clockwise ones are the
    // front faces (the pixel test of culling holds this).
    const auto cull = static_cast<Cull>(s[RenderState::CullMode]);
    enable(GL_CULL_FACE, cull != Cull::None);
    if (cull != Cull::None) {
        glCullFace(GL_BACK);
        glFrontFace(cull == Cull::CCW ? GL_CW : GL_CCW);
    }
}

void sendBlending(const StateChanges& s)
{
    if (s.any({RenderState::AlphaBlendEnable}))
        enable(GL_BLEND, s[RenderState::AlphaBlendEnable] != 0);
    if (s.any({RenderState::SrcBlend, RenderState::DestBlend})) {
        const uint32_t source = s[RenderState::SrcBlend];
        GLenum destination = glBlendFactor(s[RenderState::DestBlend]);
        // The "both" factors set the destination factor too and override it.
        if (static_cast<Blend>(source) == Blend::BothSrcAlpha)
            destination = GL_ONE_MINUS_SRC_ALPHA;
        else if (static_cast<Blend>(source) == Blend::BothInvSrcAlpha)
            destination = GL_SRC_ALPHA;
        glBlendFunc(glBlendFactor(source), destination);
    }
    if (s.any({RenderState::BlendOp}))
        glBlendEquation(blendEquationOf(s[RenderState::BlendOp]));
    if (s.any({RenderState::ColorWriteEnable})) {
        const uint32_t mask = s[RenderState::ColorWriteEnable];
        glColorMask((mask & ColorWriteRed) != 0, (mask & ColorWriteGreen) != 0, (mask & ColorWriteBlue) != 0,
                    (mask & ColorWriteAlpha) != 0);
    }
}

void sendStencil(const StateChanges& s)
{
    if (s.any({RenderState::StencilEnable}))
        enable(GL_STENCIL_TEST, s[RenderState::StencilEnable] != 0);
    if (s.any({RenderState::StencilFunc, RenderState::StencilRef, RenderState::StencilMask}))
        glStencilFunc(glCompare(s[RenderState::StencilFunc]), static_cast<GLint>(s[RenderState::StencilRef]),
                      s[RenderState::StencilMask]);
    if (s.any({RenderState::StencilFail, RenderState::StencilZFail, RenderState::StencilPass}))
        glStencilOp(glStencilOperation(s[RenderState::StencilFail]), glStencilOperation(s[RenderState::StencilZFail]),
                    glStencilOperation(s[RenderState::StencilPass]));
    if (s.any({RenderState::StencilWriteMask}))
        glStencilMask(s[RenderState::StencilWriteMask]);
}

// The bias is held in depth-range units; GL's "units" are steps of the
// 24-bit depth buffer.
constexpr float DepthBufferSteps = 16777216.0f;

void sendDepthBias(const DeviceState& now, const DeviceState& sent, bool all)
{
    if (!all && now.floatStates == sent.floatStates)
        return;
    const float bias = now.floatStates[static_cast<size_t>(FloatState::DepthBias)];
    const float slope = now.floatStates[static_cast<size_t>(FloatState::SlopeScaleDepthBias)];
    enable(GL_POLYGON_OFFSET_FILL, bias != 0.0f || slope != 0.0f);
    if (bias != 0.0f || slope != 0.0f)
        glPolygonOffset(slope, bias * DepthBufferSteps);
}

} // namespace

// ---- GL objects for targets and vertex layouts --------------------------------

unsigned CDevice::framebufferFor(const CSurface* colour, const CSurface* depth)
{
    const std::pair<const CSurface*, const CSurface*> key(colour, depth);
    if (auto found = framebuffers.find(key); found != framebuffers.end())
        return found->second;
    GLuint name = 0;
    glCreateFramebuffers(1, &name);
    if (colour)
        glNamedFramebufferTexture(name, GL_COLOR_ATTACHMENT0, colour->glName(), 0);
    if (depth)
        glNamedFramebufferTexture(name, GL_DEPTH_STENCIL_ATTACHMENT, depth->glName(), 0);
    framebuffers[key] = name;
    return name;
}

unsigned CDevice::vertexArrayFor(const VertexLayout& layout, bool instanced)
{
    if (auto found = vertexArrays.find({&layout, instanced}); found != vertexArrays.end())
        return found->second;
    GLuint vao = 0;
    glCreateVertexArrays(1, &vao);
    for (const VertexAttribute& attribute : layout.attributes) {
        const auto location = static_cast<GLuint>(attribute.input);
        glEnableVertexArrayAttrib(vao, location);
        if (attribute.floats == ArgbWord) // a 32-bit ARGB word is the bytes B, G, R, A in memory
            glVertexArrayAttribFormat(vao, location, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, attribute.offset);
        else
            glVertexArrayAttribFormat(vao, location, attribute.floats, GL_FLOAT, GL_FALSE, attribute.offset);
        glVertexArrayAttribBinding(vao, location, 0);
    }
    if (instanced) {
        // The instance buffer is binding 1, advancing once per instance. Its
        // storage is replaced at every instanced draw, its name stays.
        glVertexArrayVertexBuffer(vao, 1, instanceBuffer, 0, sizeof(MeshInstance));
        for (GLuint column = 0; column < 5; ++column) {
            const GLuint location = InstanceWorldLocation + column;
            glEnableVertexArrayAttrib(vao, location);
            glVertexArrayAttribFormat(vao, location, 4, GL_FLOAT, GL_FALSE, column * 16);
            glVertexArrayAttribBinding(vao, location, 1);
        }
        glVertexArrayBindingDivisor(vao, 1, 1);
    }
    vertexArrays[{&layout, instanced}] = vao;
    return vao;
}

// ---- sending the state to GL ----------------------------------------------------

void CDevice::applyTargets()
{
    if (appliedValid && !forceFullApply && target == appliedTarget && depthStencil == appliedDepthStencil)
        return;
    const GLuint name = framebufferFor(target, depthStencil);
    glBindFramebuffer(GL_FRAMEBUFFER, name);
    appliedFramebuffer = name;
    appliedTarget = target;
    appliedDepthStencil = depthStencil;
}

void CDevice::applyRenderStates(bool all)
{
    const StateChanges changes{current, applied, all};
    sendDepthStates(changes);
    sendCulling(changes);
    sendBlending(changes);
    sendStencil(changes);
    sendDepthBias(current, applied, all);
    applied.renderStates = current.renderStates;
    applied.floatStates = current.floatStates;
}

void CDevice::applySampler(bool all)
{
    if (!all && current.samplerStates == applied.samplerStates)
        return;
    auto state = [this](SamplerState s) { return current.samplerStates[static_cast<size_t>(s)]; };
    const auto mag = static_cast<TexFilter>(state(SamplerState::MagFilter));
    const auto min = static_cast<TexFilter>(state(SamplerState::MinFilter));
    const auto mip = static_cast<TexFilter>(state(SamplerState::MipFilter));
    glSamplerParameteri(sampler0, GL_TEXTURE_MAG_FILTER, mag == TexFilter::Point ? GL_NEAREST : GL_LINEAR);
    const bool nearest = min == TexFilter::Point;
    GLenum minFilter = nearest ? GL_NEAREST : GL_LINEAR;
    if (mip == TexFilter::Point)
        minFilter = nearest ? GL_NEAREST_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_NEAREST;
    else if (mip != TexFilter::None)
        minFilter = nearest ? GL_NEAREST_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_LINEAR;
    glSamplerParameteri(sampler0, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(minFilter));
    auto address = [](uint32_t value) -> GLint {
        switch (static_cast<TexAddress>(value)) {
        case TexAddress::Mirror: return GL_MIRRORED_REPEAT;
        case TexAddress::Clamp: return GL_CLAMP_TO_EDGE;
        case TexAddress::Border: return GL_CLAMP_TO_BORDER;
        default: return GL_REPEAT;
        }
    };
    glSamplerParameteri(sampler0, GL_TEXTURE_WRAP_S, address(state(SamplerState::AddressU)));
    glSamplerParameteri(sampler0, GL_TEXTURE_WRAP_T, address(state(SamplerState::AddressV)));
    if (epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic") ||
        epoxy_has_gl_extension("GL_ARB_texture_filter_anisotropic")) {
        const bool anisotropic = min == TexFilter::Anisotropic || mag == TexFilter::Anisotropic;
        const float amount =
            anisotropic ? static_cast<float>(std::max<uint32_t>(1, state(SamplerState::MaxAnisotropy))) : 1.0f;
        glSamplerParameterf(sampler0, GL_TEXTURE_MAX_ANISOTROPY_EXT, amount);
    }
    applied.samplerStates = current.samplerStates;
}

void CDevice::applyVertexInput(uint32_t stride, unsigned buffer, bool all, bool instanced)
{
    const GLuint vao = vertexArrayFor(*current.layout, instanced);
    if (all || vao != appliedVertexArray) {
        glBindVertexArray(vao);
        appliedVertexArray = vao;
        appliedVertexBuffer = 0;
        appliedIndexBuffer = 0;
    }
    if (all || buffer != appliedVertexBuffer || stride != appliedVertexStride) {
        glVertexArrayVertexBuffer(vao, 0, buffer, 0, static_cast<GLsizei>(stride));
        appliedVertexBuffer = buffer;
        appliedVertexStride = stride;
    }
}

void CDevice::apply(bool forClear)
{
    const bool all = !appliedValid || forceFullApply;
    applyTargets();
    if (all || current.viewport != applied.viewport) {
        const Viewport& v = current.viewport;
        glViewport(v.x, v.y, v.width, v.height);
        glDepthRangef(v.minZ, v.maxZ);
        applied.viewport = v;
    }
    if (forClear) {
        appliedValid = appliedValid && !all;
        return;
    }
    applyRenderStates(all);
    applySampler(all);

    const CShaderProgram* program = current.program ? current.program : screenProgram.get();
    if (all || !appliedProgramValid || program != appliedProgram) {
        glUseProgram(program->glName());
        appliedProgram = program;
        appliedProgramValid = true;
    }
    if (program->viewportLocation() >= 0)
        glProgramUniform2f(program->glName(), program->viewportLocation(), static_cast<float>(current.viewport.width),
                           static_cast<float>(current.viewport.height));

    // Unit 0: the screen program samples 2D, so a cube map there, or no
    // texture, reads the white one.
    const CTexture* texture =
        current.texture && !current.texture->isCube() ? current.texture : whiteTexture.get();
    if (all || texture != appliedUnitTexture[0]) {
        glBindTextureUnit(0, texture->glName());
        appliedUnitTexture[0] = texture;
    }
    applied.texture = current.texture;
    appliedValid = true;
}

void CDevice::bindEffectTexture(int unit, const CTexture* texture, unsigned sampler)
{
    if (unit <= 0 || unit >= 16)
        return;
    if (texture != appliedUnitTexture[unit] || forceFullApply) {
        // A unit holds one texture per target: unbind all of them first, or a
        // cube map left from another program would still answer a samplerCube
        // that is now given a flat texture (the missing environment map).
        const CTexture* old = appliedUnitTexture[unit];
        if (old && (!texture || old->isCube() != texture->isCube()))
            glBindTextureUnit(static_cast<GLuint>(unit), 0);
        glBindTextureUnit(static_cast<GLuint>(unit), texture ? texture->glName() : 0);
        appliedUnitTexture[unit] = texture;
    }
    if (sampler != appliedUnitSampler[unit] || forceFullApply) {
        glBindSampler(static_cast<GLuint>(unit), sampler);
        appliedUnitSampler[unit] = sampler;
    }
}
