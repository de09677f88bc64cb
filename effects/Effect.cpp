#include "effects/Effect.h"

#include "device/Device.h"
#include "device/ShaderProgram.h"
#include "device/Texture.h"
#include "effects/EffectParser.h"
#include "files/FileProblems.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

// How many floats one element of a uniform of this GL type holds (0: not a number).
int componentsOf(unsigned type)
{
    switch (type) {
    case GL_FLOAT: return 1;
    case GL_FLOAT_VEC2: return 2;
    case GL_FLOAT_VEC3: return 3;
    case GL_FLOAT_VEC4: return 4;
    case GL_FLOAT_MAT4: return 16;
    case GL_INT:
    case GL_BOOL: return 1;
    default: return 0;
    }
}

bool isTextureType(unsigned type)
{
    return type == GL_SAMPLER_2D || type == GL_SAMPLER_CUBE || type == GL_SAMPLER_2D_SHADOW || type == GL_SAMPLER_3D;
}

// The program of a pass: its stages looked up by name and compiled; none,
// with the reason in errors, when a stage is missing or does not compile.
std::unique_ptr<CShaderProgram> compilePass(const EffectText& read, const EffectPassText& pass, std::string& errors)
{
    ShaderSource vertex{ScreenVertexStage, "built-in screen vertex stage", 1};
    if (!pass.vertex.empty()) {
        const auto found = read.vertexStages.find(pass.vertex);
        if (found == read.vertexStages.end()) {
            errors = read.fileName + ": pass '" + pass.name + "' names no vertex stage '" + pass.vertex + "'\n";
            return nullptr;
        }
        vertex = found->second;
    }
    const auto fragment = read.fragmentStages.find(pass.fragment);
    if (fragment == read.fragmentStages.end()) {
        errors = read.fileName + ": pass '" + pass.name + "' names no fragment stage '" + pass.fragment + "'\n";
        return nullptr;
    }
    return CShaderProgram::build(vertex, fragment->second, errors);
}

GLuint makeSampler(const EffectSampler& s)
{
    GLuint sampler = 0;
    glCreateSamplers(1, &sampler);
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, s.magFilter);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER, s.minFilter);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, s.wrap);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, s.wrap);
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, s.wrap);
    if (s.compare) {
        glSamplerParameteri(sampler, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
        glSamplerParameteri(sampler, GL_TEXTURE_COMPARE_FUNC, s.compare);
    }
    if (s.anisotropy > 1.0f && (epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic") ||
                                epoxy_has_gl_extension("GL_ARB_texture_filter_anisotropic")))
        glSamplerParameterf(sampler, GL_TEXTURE_MAX_ANISOTROPY_EXT, s.anisotropy);
    return sampler;
}

} // namespace

// ---- the effect ------------------------------------------------------------------

std::unique_ptr<CEffect> CEffect::fromText(const std::string& text, const std::string& fileName, std::string& errors)
{
    errors.clear();
    const std::optional<EffectText> read = readEffectText(text, fileName, errors);
    if (!read)
        return nullptr;
    std::unique_ptr<CEffect> effect(new CEffect());
    Programs programs;
    if (!effect->buildTechniques(*read, programs, errors))
        return nullptr;
    effect->addParameters(programs, *read);
    effect->linkPrograms(programs);
    return effect;
}

bool CEffect::buildTechniques(const EffectText& read, Programs& programs, std::string& errors)
{
    for (const EffectTechniqueText& techniqueText : read.techniques) {
        Technique technique{techniqueText.name, {}};
        for (const EffectPassText& passText : techniqueText.passes) {
            std::shared_ptr<CShaderProgram>& program = programs[{passText.vertex, passText.fragment}];
            if (!program) {
                std::string compilerText;
                program = compilePass(read, passText, compilerText);
                if (!program) {
                    errors = compilerText;
                    return false;
                }
            }
            technique.passes.push_back({passText.name, program, passText.states, passText.floatStates});
        }
        techniques.push_back(std::move(technique));
    }
    return true;
}

// The parameters: every uniform of every pass program, by name.
void CEffect::addParameters(const Programs& programs, const EffectText& read)
{
    for (const auto& [stages, program] : programs) {
        for (const CShaderProgram::Uniform& uniform : program->uniforms()) {
            if (uniform.name == "uViewportSize" || parameterIndex.count(uniform.name))
                continue;
            Parameter parameter;
            parameter.name = uniform.name;
            parameter.type = uniform.type;
            parameter.size = uniform.size;
            if (isTextureType(uniform.type)) {
                const auto declared = read.samplers.find(uniform.name);
                parameter.sampler = makeSampler(declared != read.samplers.end() ? declared->second : EffectSampler{});
                samplerObjects.push_back(parameter.sampler);
            } else {
                parameter.values.assign(static_cast<size_t>(std::max(1, uniform.size)) * 16, 0.0f);
            }
            parameterIndex[uniform.name] = static_cast<int>(parameters.size());
            parameters.push_back(std::move(parameter));
        }
    }
}

// Each pass learns once which parameter feeds each of its program's uniforms,
// so drawing looks up no names.
void CEffect::linkPrograms(const Programs& programs)
{
    for (const auto& [stages, program] : programs) {
        ProgramLink link;
        link.program = program.get();
        for (const CShaderProgram::Uniform& uniform : program->uniforms()) {
            const auto found = parameterIndex.find(uniform.name);
            link.parameterOfUniform.push_back(found == parameterIndex.end() ? -1 : found->second);
        }
        link.sent.resize(program->uniforms().size());
        links.push_back(std::move(link));
    }
    for (Technique& technique : techniques) {
        for (Pass& pass : technique.passes) {
            const auto same = std::find_if(links.begin(), links.end(),
                                           [&](const ProgramLink& l) { return l.program == pass.program.get(); });
            pass.link = static_cast<int>(same - links.begin());
        }
    }
}

std::unique_ptr<CEffect> CEffect::fromFile(const std::filesystem::path& path, std::string& errors)
{
    errors.clear();
    // A folder opens like a file and reads as an empty one, which would be
    // blamed on the file's text; the caller says what stands there instead.
    if (!whatStandsInsteadOfAFile(path).empty())
        return nullptr;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return nullptr;
    std::ostringstream contents;
    contents << file.rdbuf();
    if (!file.good() && !file.eof())
        return nullptr;
    return fromText(contents.str(), path.filename().string(), errors);
}

CEffect::~CEffect()
{
    if (begun)
        end();
    if (!samplerObjects.empty())
        glDeleteSamplers(static_cast<GLsizei>(samplerObjects.size()), samplerObjects.data());
}

bool CEffect::setTechnique(const std::string& name)
{
    for (size_t i = 0; i < techniques.size(); ++i) {
        if (techniques[i].name == name) {
            currentTechnique = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

const std::string& CEffect::technique() const { return techniques[static_cast<size_t>(currentTechnique)].name; }

bool CEffect::hasTechnique(const std::string& name) const
{
    return std::any_of(techniques.begin(), techniques.end(), [&](const Technique& t) { return t.name == name; });
}

const CEffect::Pass* CEffect::findPass(const std::string& technique, int pass) const
{
    const auto named = std::find_if(techniques.begin(), techniques.end(),
                                    [&](const Technique& t) { return t.name == technique; });
    if (named == techniques.end() || pass < 0 || static_cast<size_t>(pass) >= named->passes.size())
        return nullptr;
    return &named->passes[static_cast<size_t>(pass)];
}

namespace {

// The value a pass's list of settings gives a state, or `otherwise`.
template <typename Setting, typename State, typename Value>
Value valueIn(const std::vector<Setting>& settings, State state, Value otherwise)
{
    const auto set = std::find_if(settings.begin(), settings.end(), [&](const Setting& s) { return s.state == state; });
    return set == settings.end() ? otherwise : set->value;
}

// Adds to `saved` the device's present value of every state the settings
// name that it does not hold yet.
template <typename Setting>
void rememberStates(const std::vector<Setting>& settings, std::vector<Setting>& saved)
{
    for (const Setting& s : settings) {
        const bool known =
            std::any_of(saved.begin(), saved.end(), [&](const Setting& kept) { return kept.state == s.state; });
        if (!known)
            saved.push_back({s.state, device().renderState(s.state)});
    }
}

template <typename Setting>
void setStates(const std::vector<Setting>& settings)
{
    for (const Setting& s : settings)
        device().setRenderState(s.state, s.value);
}

} // namespace

uint32_t CEffect::passState(const std::string& technique, int pass, RenderState state, uint32_t otherwise) const
{
    const Pass* found = findPass(technique, pass);
    return found ? valueIn(found->states, state, otherwise) : otherwise;
}

float CEffect::passState(const std::string& technique, int pass, FloatState state, float otherwise) const
{
    const Pass* found = findPass(technique, pass);
    return found ? valueIn(found->floatStates, state, otherwise) : otherwise;
}

int CEffect::parameterByName(const std::string& name) const
{
    const auto found = parameterIndex.find(name);
    return found == parameterIndex.end() ? -1 : found->second;
}

void CEffect::setMatrix(int parameter, const glm::mat4& value)
{
    if (parameter < 0 || parameter >= static_cast<int>(parameters.size()) || parameters[parameter].values.empty())
        return;
    Parameter& p = parameters[parameter];
    std::copy(&value[0][0], &value[0][0] + 16, p.values.begin());
    p.set = p.dirty = true;
}

void CEffect::setVector(int parameter, const glm::vec4& value) { setVectorArray(parameter, &value, 1); }

void CEffect::setVectorArray(int parameter, const glm::vec4* values, int count)
{
    if (parameter < 0 || parameter >= static_cast<int>(parameters.size()) || parameters[parameter].values.empty() ||
        !values)
        return;
    Parameter& p = parameters[parameter];
    count = std::clamp(count, 0, p.size);
    for (int i = 0; i < count; ++i)
        std::copy(&values[i][0], &values[i][0] + 4, p.values.begin() + i * 16);
    p.set = p.dirty = true;
}

void CEffect::setFloat(int parameter, float value)
{
    if (parameter < 0 || parameter >= static_cast<int>(parameters.size()) || parameters[parameter].values.empty())
        return;
    Parameter& p = parameters[parameter];
    p.values[0] = value;
    p.set = p.dirty = true;
}

void CEffect::setTexture(int parameter, const CTexture* texture)
{
    if (parameter < 0 || parameter >= static_cast<int>(parameters.size()) || !parameters[parameter].sampler)
        return;
    Parameter& p = parameters[parameter];
    p.texture = texture;
    p.set = p.dirty = true;
}

const std::vector<float>& CEffect::parameterValues(int parameter) const
{
    static const std::vector<float> none;
    if (parameter < 0 || parameter >= static_cast<int>(parameters.size()))
        return none;
    return parameters[parameter].values;
}

const CTexture* CEffect::parameterTexture(int parameter) const
{
    if (parameter < 0 || parameter >= static_cast<int>(parameters.size()))
        return nullptr;
    return parameters[parameter].texture;
}

int CEffect::begin(unsigned flags)
{
    (void)flags; // flags 0: save and restore the state the passes change
    const Technique& technique = techniques[static_cast<size_t>(currentTechnique)];
    savedStates.clear();
    savedFloatStates.clear();
    for (const Pass& pass : technique.passes) {
        rememberStates(pass.states, savedStates);
        rememberStates(pass.floatStates, savedFloatStates);
    }
    savedProgram = device().program();
    begun = true;
    return static_cast<int>(technique.passes.size());
}

void CEffect::beginPass(int pass)
{
    const Technique& technique = techniques[static_cast<size_t>(currentTechnique)];
    if (pass < 0 || pass >= static_cast<int>(technique.passes.size()))
        return;
    currentPass = pass;
    const Pass& p = technique.passes[static_cast<size_t>(pass)];
    device().setProgram(p.program.get());
    setStates(p.states);
    setStates(p.floatStates);
    upload(p, false);
}

void CEffect::commitChanges()
{
    const Technique& technique = techniques[static_cast<size_t>(currentTechnique)];
    if (currentPass < 0 || currentPass >= static_cast<int>(technique.passes.size()))
        return;
    upload(technique.passes[static_cast<size_t>(currentPass)], true);
}

void CEffect::endPass() { currentPass = -1; }

void CEffect::end()
{
    if (!begun)
        return;
    setStates(savedStates);
    setStates(savedFloatStates);
    device().setProgram(savedProgram);
    begun = false;
    currentPass = -1;
}

void CEffect::upload(const Pass& pass, bool onlyDirty)
{
    const CShaderProgram& program = *pass.program;
    ProgramLink& link = links[static_cast<size_t>(pass.link)];
    const GLuint name = program.glName();
    const std::vector<CShaderProgram::Uniform>& uniforms = program.uniforms();
    for (size_t u = 0; u < uniforms.size(); ++u) {
        const CShaderProgram::Uniform& uniform = uniforms[u];
        const int index = link.parameterOfUniform[u];
        if (index < 0)
            continue;
        const Parameter& p = parameters[static_cast<size_t>(index)];
        if (uniform.textureUnit >= 0) {
            // Texture bindings are offered at every commit: another program
            // may have used the unit in between (the device skips a binding
            // the unit already holds).
            device().bindEffectTexture(uniform.textureUnit, p.texture, p.sampler);
            continue;
        }
        if (!p.set || (onlyDirty && !p.dirty))
            continue;
        const int components = componentsOf(uniform.type);
        if (components == 0)
            continue;
        const int count = std::min(uniform.size, p.size);
        // Values are kept 16 floats per element; pack them to the uniform's size.
        packed.resize(static_cast<size_t>(count * components));
        for (int i = 0; i < count; ++i)
            std::copy_n(p.values.begin() + i * 16, components, packed.begin() + i * components);
        std::vector<float>& sent = link.sent[u];
        if (sent == packed)
            continue;
        sent = packed;
        switch (uniform.type) {
        case GL_FLOAT_MAT4: glProgramUniformMatrix4fv(name, uniform.location, count, GL_FALSE, packed.data()); break;
        case GL_FLOAT: glProgramUniform1fv(name, uniform.location, count, packed.data()); break;
        case GL_FLOAT_VEC2: glProgramUniform2fv(name, uniform.location, count, packed.data()); break;
        case GL_FLOAT_VEC3: glProgramUniform3fv(name, uniform.location, count, packed.data()); break;
        case GL_FLOAT_VEC4: glProgramUniform4fv(name, uniform.location, count, packed.data()); break;
        case GL_INT:
        case GL_BOOL: glProgramUniform1i(name, uniform.location, static_cast<GLint>(packed[0])); break;
        default: break;
        }
    }
    // Dirty flags clear once the current program has the values; a parameter
    // set for one pass reaches the next pass's program at its beginPass.
    for (Parameter& p : parameters)
        p.dirty = false;
}
