#include "device/FixedFunction.h"

#include "device/ShaderProgram.h"

#include <epoxy/gl.h>
#include <glm/gtc/type_ptr.hpp>

namespace {

const char* const FixedVertexStage = R"(
uniform bool uPreTransformed;
uniform vec2 uViewportSize;
uniform mat4 uWorld;
uniform mat4 uView;
uniform mat4 uWorldView;
uniform mat4 uProjection;
uniform mat3 uNormalMatrix;
uniform bool uHasNormal;
uniform bool uHasColour;
uniform bool uLighting;
uniform bool uSpecularEnable;
uniform vec4 uGlobalAmbient;
uniform vec4 uMaterialDiffuse;
uniform vec4 uMaterialAmbient;
uniform vec4 uMaterialSpecular;
uniform vec4 uMaterialEmissive;
uniform float uMaterialPower;
uniform int uLightCount;
uniform int uLightType[8];
uniform vec4 uLightDiffuse[8];
uniform vec4 uLightSpecular[8];
uniform vec4 uLightAmbient[8];
uniform vec3 uLightPosition[8];  // view space
uniform vec3 uLightDirection[8]; // view space
uniform vec4 uLightAttenuation[8]; // attenuation 0, 1, 2 and range

out vec4 vDiffuse;
out vec4 vSpecular;
out vec2 vTexCoord;

void main()
{
    vTexCoord = inTexCoord0;
    vec4 colour = uHasColour ? inColour : vec4(1.0);
    vSpecular = vec4(0.0);
    if (uPreTransformed) {
        gl_Position = vec4(inPosition.x / uViewportSize.x * 2.0 - 1.0,
                           1.0 - inPosition.y / uViewportSize.y * 2.0, inPosition.z, 1.0);
        vDiffuse = colour;
        return;
    }
    // Placed as the effects place their vertices, term for term, so an
    // effect drawn over this surface meets it at the very same depth.
    gl_Position = uProjection * uView * (uWorld * vec4(inPosition.xyz, 1.0));
    vec4 viewPosition = uWorldView * vec4(inPosition.xyz, 1.0);
    if (!uLighting) {
        vDiffuse = colour;
        return;
    }
    // Direct3D's vertex lighting: camera-space, local viewer, normals not renormalised.
    vec4 materialDiffuse = uHasColour ? inColour : uMaterialDiffuse;
    vec3 normal = uHasNormal ? uNormalMatrix * inNormal : vec3(0.0);
    vec3 toEye = -normalize(viewPosition.xyz);
    vec3 ambient = vec3(0.0);
    vec3 diffuse = vec3(0.0);
    vec3 specular = vec3(0.0);
    for (int i = 0; i < uLightCount; ++i) {
        vec3 toLight;
        float attenuation = 1.0;
        if (uLightType[i] == 3) {
            toLight = -normalize(uLightDirection[i]);
        } else {
            vec3 offset = uLightPosition[i] - viewPosition.xyz;
            float distance = length(offset);
            if (distance > uLightAttenuation[i].w)
                continue;
            toLight = distance > 0.0 ? offset / distance : vec3(0.0, 0.0, -1.0);
            float denominator = uLightAttenuation[i].x + uLightAttenuation[i].y * distance
                              + uLightAttenuation[i].z * distance * distance;
            attenuation = denominator > 0.0 ? 1.0 / denominator : 1.0;
        }
        ambient += attenuation * uLightAmbient[i].rgb;
        diffuse += attenuation * uLightDiffuse[i].rgb * max(dot(normal, toLight), 0.0);
        if (uSpecularEnable && uMaterialPower > 0.0) {
            vec3 halfway = normalize(toLight + toEye);
            specular += attenuation * uLightSpecular[i].rgb * pow(max(dot(normal, halfway), 0.0), uMaterialPower);
        }
    }
    vDiffuse.rgb = uMaterialEmissive.rgb + uMaterialAmbient.rgb * (uGlobalAmbient.rgb + ambient)
                 + materialDiffuse.rgb * diffuse;
    vDiffuse.a = materialDiffuse.a;
    vDiffuse = clamp(vDiffuse, 0.0, 1.0);
    vSpecular = vec4(clamp(uMaterialSpecular.rgb * specular, 0.0, 1.0), 0.0);
}
)";

const char* const FixedFragmentStage = R"(
in vec4 vDiffuse;
in vec4 vSpecular;
in vec2 vTexCoord;
uniform sampler2D uTexture;
uniform bool uHasTexture;
uniform bool uAddSpecular;
uniform ivec3 uColourStage; // operation, argument 1, argument 2
uniform ivec3 uAlphaStage;
out vec4 fragColour;

vec4 stageArgument(int argument, vec4 texel)
{
    vec4 value;
    int source = argument & 15;
    if (source == 2)
        value = texel;
    else if (source == 4)
        value = vSpecular;
    else
        value = vDiffuse; // diffuse, or the current colour, which is the diffuse at stage 0
    if ((argument & 16) != 0)
        value = 1.0 - value;
    if ((argument & 32) != 0)
        value = vec4(value.a);
    return value;
}

vec4 combine(int operation, vec4 a, vec4 b)
{
    switch (operation) {
    case 2: return a;
    case 3: return b;
    case 4: return a * b;
    case 5: return a * b * 2.0;
    case 6: return a * b * 4.0;
    case 7: return a + b;
    case 8: return a + b - 0.5;
    case 10: return a - b;
    default: return vDiffuse;
    }
}

void main()
{
    // A stage without a texture reads white, so an untextured quad shows its vertex colour.
    vec4 texel = uHasTexture ? texture(uTexture, vTexCoord) : vec4(1.0);
    vec4 colour = vDiffuse;
    if (uColourStage.x != 1) {
        colour.rgb = combine(uColourStage.x, stageArgument(uColourStage.y, texel),
                             stageArgument(uColourStage.z, texel)).rgb;
        if (uAlphaStage.x != 1)
            colour.a = combine(uAlphaStage.x, stageArgument(uAlphaStage.y, texel),
                               stageArgument(uAlphaStage.z, texel)).a;
    }
    if (uAddSpecular)
        colour.rgb += vSpecular.rgb;
    fragColour = clamp(colour, 0.0, 1.0);
}
)";

glm::vec4 argbToVector(uint32_t argb)
{
    return {((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
            ((argb >> 24) & 0xFF) / 255.0f};
}

uint32_t rs(const DeviceState& s, RenderState r) { return s.renderStates[static_cast<size_t>(r)]; }
uint32_t ts(const DeviceState& s, TextureStageState t) { return s.stageStates[static_cast<size_t>(t)]; }

} // namespace

struct CFixedFunction::Locations {
    GLint preTransformed, world, view, worldView, projection, normalMatrix, hasNormal, hasColour, lighting, specularEnable,
        globalAmbient, materialDiffuse, materialAmbient, materialSpecular, materialEmissive, materialPower,
        lightCount, lightType, lightDiffuse, lightSpecular, lightAmbient, lightPosition, lightDirection,
        lightAttenuation, texture, hasTexture, addSpecular, colourStage, alphaStage;
};

CFixedFunction::CFixedFunction() = default;
CFixedFunction::~CFixedFunction() = default;

bool CFixedFunction::create(std::string& errors)
{
    shader = CShaderProgram::build({FixedVertexStage, "fixed-function vertex stage", 1},
                                   {FixedFragmentStage, "fixed-function fragment stage", 1}, errors);
    if (!shader)
        return false;
    const GLuint p = shader->glName();
    auto at = [p](const char* name) { return glGetUniformLocation(p, name); };
    locations = std::make_unique<Locations>(Locations{
        at("uPreTransformed"), at("uWorld"), at("uView"), at("uWorldView"), at("uProjection"), at("uNormalMatrix"), at("uHasNormal"),
        at("uHasColour"), at("uLighting"), at("uSpecularEnable"), at("uGlobalAmbient"), at("uMaterialDiffuse"),
        at("uMaterialAmbient"), at("uMaterialSpecular"), at("uMaterialEmissive"), at("uMaterialPower"),
        at("uLightCount"), at("uLightType"), at("uLightDiffuse"), at("uLightSpecular"), at("uLightAmbient"),
        at("uLightPosition"), at("uLightDirection"), at("uLightAttenuation"), at("uTexture"), at("uHasTexture"),
        at("uAddSpecular"), at("uColourStage"), at("uAlphaStage")});
    glProgramUniform1i(p, locations->texture, 0);
    uploadedValid = false;
    return true;
}

void CFixedFunction::upload(const DeviceState& state, uint32_t fvf, bool hasTexture)
{
    const bool all = !uploadedValid;
    if (all) {
        transformsValid = false;
        lightsValid = false;
    }
    const bool preTransformed = (fvf & FvfXyzRhw) != 0;
    const bool lighting = !preTransformed && rs(state, RenderState::Lighting) != 0;
    uploadSwitches(state, fvf, hasTexture, lighting, all);
    if (all || state.stageStates != uploaded.stageStates)
        uploadStage(state);
    if (!preTransformed && (all || !transformsValid || state.world != uploaded.world ||
                            state.view != uploaded.view || state.projection != uploaded.projection))
        uploadTransforms(state);
    if (lighting && (all || !lightsValid || state.material != uploaded.material || state.lights != uploaded.lights ||
                     state.lightEnabled != uploaded.lightEnabled || state.view != lightsView ||
                     rs(state, RenderState::Ambient) != rs(uploaded, RenderState::Ambient)))
        uploadLighting(state);
    uploaded.stageStates = state.stageStates;
    uploadedFvf = fvf;
    uploadedHasTexture = hasTexture;
    uploadedValid = true;
}

void CFixedFunction::uploadSwitches(const DeviceState& state, uint32_t fvf, bool hasTexture, bool lighting, bool all)
{
    const GLuint p = shader->glName();
    const Locations& at = *locations;
    if (all || fvf != uploadedFvf) {
        glProgramUniform1i(p, at.preTransformed, (fvf & FvfXyzRhw) != 0);
        glProgramUniform1i(p, at.hasNormal, (fvf & FvfNormal) != 0);
        glProgramUniform1i(p, at.hasColour, (fvf & FvfDiffuse) != 0);
    }
    if (all || hasTexture != uploadedHasTexture)
        glProgramUniform1i(p, at.hasTexture, hasTexture);
    const bool specular = lighting && rs(state, RenderState::SpecularEnable) != 0;
    glProgramUniform1i(p, at.lighting, lighting);
    glProgramUniform1i(p, at.specularEnable, specular);
    glProgramUniform1i(p, at.addSpecular, specular);
}

void CFixedFunction::uploadStage(const DeviceState& state)
{
    const GLuint p = shader->glName();
    glProgramUniform3i(p, locations->colourStage, static_cast<GLint>(ts(state, TextureStageState::ColorOp)),
                       static_cast<GLint>(ts(state, TextureStageState::ColorArg1)),
                       static_cast<GLint>(ts(state, TextureStageState::ColorArg2)));
    glProgramUniform3i(p, locations->alphaStage, static_cast<GLint>(ts(state, TextureStageState::AlphaOp)),
                       static_cast<GLint>(ts(state, TextureStageState::AlphaArg1)),
                       static_cast<GLint>(ts(state, TextureStageState::AlphaArg2)));
}

void CFixedFunction::uploadTransforms(const DeviceState& state)
{
    transformsValid = true;
    uploaded.world = state.world;
    uploaded.view = state.view;
    uploaded.projection = state.projection;
    const GLuint p = shader->glName();
    const glm::mat4 worldView = state.view * state.world;
    const glm::mat3 normalMatrix = glm::transpose(glm::inverse(glm::mat3(worldView)));
    glProgramUniformMatrix4fv(p, locations->world, 1, GL_FALSE, glm::value_ptr(state.world));
    glProgramUniformMatrix4fv(p, locations->view, 1, GL_FALSE, glm::value_ptr(state.view));
    glProgramUniformMatrix4fv(p, locations->worldView, 1, GL_FALSE, glm::value_ptr(worldView));
    glProgramUniformMatrix4fv(p, locations->projection, 1, GL_FALSE, glm::value_ptr(state.projection));
    glProgramUniformMatrix3fv(p, locations->normalMatrix, 1, GL_FALSE, glm::value_ptr(normalMatrix));
}

void CFixedFunction::uploadLighting(const DeviceState& state)
{
    lightsValid = true;
    lightsView = state.view;
    uploaded.material = state.material;
    uploaded.lights = state.lights;
    uploaded.lightEnabled = state.lightEnabled;
    uploaded.renderStates[static_cast<size_t>(RenderState::Ambient)] = rs(state, RenderState::Ambient);
    const GLuint p = shader->glName();
    const Locations& at = *locations;
    glProgramUniform4fv(p, at.globalAmbient, 1, glm::value_ptr(argbToVector(rs(state, RenderState::Ambient))));
    glProgramUniform4fv(p, at.materialDiffuse, 1, glm::value_ptr(state.material.diffuse));
    glProgramUniform4fv(p, at.materialAmbient, 1, glm::value_ptr(state.material.ambient));
    glProgramUniform4fv(p, at.materialSpecular, 1, glm::value_ptr(state.material.specular));
    glProgramUniform4fv(p, at.materialEmissive, 1, glm::value_ptr(state.material.emissive));
    glProgramUniform1f(p, at.materialPower, state.material.power);
    uploadLights(state);
}

// Enabled lights are packed in index order; lights are given in world space
// and lit in camera space, as Direct3D does.
void CFixedFunction::uploadLights(const DeviceState& state)
{
    GLint types[MaxLights] = {};
    glm::vec4 diffuse[MaxLights], specularColour[MaxLights], ambient[MaxLights], attenuation[MaxLights];
    glm::vec3 position[MaxLights], direction[MaxLights];
    int count = 0;
    for (int i = 0; i < MaxLights; ++i) {
        const Light& light = state.lights[i];
        if (!state.lightEnabled[i] || (light.type != LightType::Point && light.type != LightType::Directional &&
                                       light.type != LightType::Spot))
            continue;
        types[count] = static_cast<GLint>(light.type);
        diffuse[count] = light.diffuse;
        specularColour[count] = light.specular;
        ambient[count] = light.ambient;
        position[count] = glm::vec3(state.view * glm::vec4(light.position, 1.0f));
        direction[count] = glm::vec3(state.view * glm::vec4(light.direction, 0.0f));
        attenuation[count] = {light.attenuation0, light.attenuation1, light.attenuation2, light.range};
        ++count;
    }
    const GLuint p = shader->glName();
    const Locations& at = *locations;
    glProgramUniform1i(p, at.lightCount, count);
    if (count == 0)
        return;
    glProgramUniform1iv(p, at.lightType, count, types);
    glProgramUniform4fv(p, at.lightDiffuse, count, glm::value_ptr(diffuse[0]));
    glProgramUniform4fv(p, at.lightSpecular, count, glm::value_ptr(specularColour[0]));
    glProgramUniform4fv(p, at.lightAmbient, count, glm::value_ptr(ambient[0]));
    glProgramUniform3fv(p, at.lightPosition, count, glm::value_ptr(position[0]));
    glProgramUniform3fv(p, at.lightDirection, count, glm::value_ptr(direction[0]));
    glProgramUniform4fv(p, at.lightAttenuation, count, glm::value_ptr(attenuation[0]));
}
