#include "effects/EffectParser.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>

namespace {

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

struct Named {
    const char* name;
    uint32_t value;
};

const Named BlendNames[] = {{"zero", 1},         {"one", 2},          {"srccolor", 3},    {"invsrccolor", 4},
                            {"srcalpha", 5},     {"invsrcalpha", 6},  {"destalpha", 7},   {"invdestalpha", 8},
                            {"destcolor", 9},    {"invdestcolor", 10}, {"srcalphasat", 11}, {"bothsrcalpha", 12},
                            {"bothinvsrcalpha", 13}};
const Named CmpNames[] = {{"never", 1},   {"less", 2},     {"equal", 3},        {"lessequal", 4},
                          {"greater", 5}, {"notequal", 6}, {"greaterequal", 7}, {"always", 8}};
const Named CullNames[] = {{"none", 1}, {"cw", 2}, {"ccw", 3}};
const Named StencilOpNames[] = {{"keep", 1},    {"zero", 2},   {"replace", 3}, {"incrsat", 4},
                                {"decrsat", 5}, {"invert", 6}, {"incr", 7},    {"decr", 8}};
const Named BlendOpNames[] = {{"add", 1}, {"subtract", 2}, {"revsubtract", 3}, {"min", 4}, {"max", 5}};

enum class ValueKind { Bool, Blend, Cmp, Cull, StencilOp, BlendOp, Integer };

struct StateName {
    const char* name;
    RenderState state;
    ValueKind kind;
};

const StateName StateNames[] = {
    {"zenable", RenderState::ZEnable, ValueKind::Bool},
    {"zwriteenable", RenderState::ZWriteEnable, ValueKind::Bool},
    {"zfunc", RenderState::ZFunc, ValueKind::Cmp},
    {"cullmode", RenderState::CullMode, ValueKind::Cull},
    {"alphablendenable", RenderState::AlphaBlendEnable, ValueKind::Bool},
    {"srcblend", RenderState::SrcBlend, ValueKind::Blend},
    {"destblend", RenderState::DestBlend, ValueKind::Blend},
    {"blendop", RenderState::BlendOp, ValueKind::BlendOp},
    {"colorwriteenable", RenderState::ColorWriteEnable, ValueKind::Integer},
    {"stencilenable", RenderState::StencilEnable, ValueKind::Bool},
    {"stencilfail", RenderState::StencilFail, ValueKind::StencilOp},
    {"stencilzfail", RenderState::StencilZFail, ValueKind::StencilOp},
    {"stencilpass", RenderState::StencilPass, ValueKind::StencilOp},
    {"stencilfunc", RenderState::StencilFunc, ValueKind::Cmp},
    {"stencilref", RenderState::StencilRef, ValueKind::Integer},
    {"stencilmask", RenderState::StencilMask, ValueKind::Integer},
    {"stencilwritemask", RenderState::StencilWriteMask, ValueKind::Integer},
};

struct FloatStateName {
    const char* name;
    FloatState state;
};

const FloatStateName FloatStateNames[] = {
    {"depthbias", FloatState::DepthBias},
    {"slopescaledepthbias", FloatState::SlopeScaleDepthBias},
};

template <size_t N>
bool lookUp(const Named (&table)[N], const std::string& word, uint32_t& value)
{
    for (const Named& entry : table) {
        if (word == entry.name) {
            value = entry.value;
            return true;
        }
    }
    return false;
}

bool parseInteger(const std::string& word, uint32_t& value)
{
    if (word.empty())
        return false;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(word.c_str(), &end, 0);
    if (*end != '\0' || parsed > 0xFFFFFFFFull)
        return false;
    value = static_cast<uint32_t>(parsed);
    return true;
}

bool parseStateValue(ValueKind kind, const std::string& text, uint32_t& value)
{
    const std::string word = lower(text);
    switch (kind) {
    case ValueKind::Bool:
        if (word == "true" || word == "1")
            return value = 1, true;
        if (word == "false" || word == "0")
            return value = 0, true;
        return false;
    case ValueKind::Blend: return lookUp(BlendNames, word, value);
    case ValueKind::Cmp: return lookUp(CmpNames, word, value);
    case ValueKind::Cull: return lookUp(CullNames, word, value);
    case ValueKind::StencilOp: return lookUp(StencilOpNames, word, value);
    case ValueKind::BlendOp: return lookUp(BlendOpNames, word, value);
    case ValueKind::Integer: return parseInteger(word, value);
    }
    return false;
}

bool parseFloat(const std::string& word, float& value)
{
    char* end = nullptr;
    value = std::strtof(word.c_str(), &end);
    return !word.empty() && *end == '\0';
}

const GLenum GlComparisons[] = {GL_NEVER,   GL_LESS,     GL_EQUAL,  GL_LEQUAL,
                                GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};

// Reads the effect file format: a small block language whose shader blocks
// are GLSL, taken verbatim up to the matching closing brace.
class CEffectParser {
public:
    CEffectParser(const std::string& text, const std::string& fileName) : text(text), fileName(fileName) {}

    std::optional<EffectText> read(std::string& errors);

private:
    bool block(const std::string& keyword);
    void skipSpace();
    bool skipComment();
    bool closeBlock();
    std::string word();
    bool expect(char c);
    bool fail(const std::string& message);
    bool codeBlock(std::string& code, int& firstLine);
    bool samplerBlock(const std::string& name);
    bool techniqueBlock();
    bool passBlock(EffectTechniqueText& technique);
    bool readPassState(EffectPassText& pass, const std::string& key, const std::string& value);
    void putCommonInFront(std::map<std::string, ShaderSource>& stages) const;

    const std::string& text;
    std::string fileName;
    size_t at = 0;
    int line = 1;
    std::string error;
    std::string common;
    int commonLine = 1;
    EffectText result;
};

} // namespace

// Skips one // or /* */ comment at the current place, counting its lines.
bool CEffectParser::skipComment()
{
    if (text.compare(at, 2, "//") == 0) {
        while (at < text.size() && text[at] != '\n')
            ++at;
        return true;
    }
    if (text.compare(at, 2, "/*") == 0) {
        const size_t close = text.find("*/", at + 2);
        const size_t stop = close == std::string::npos ? text.size() : close + 2;
        line += static_cast<int>(
            std::count(text.begin() + static_cast<long>(at), text.begin() + static_cast<long>(stop), '\n'));
        at = stop;
        return true;
    }
    return false;
}

// Takes the '}' that ends a block, if it comes next.
bool CEffectParser::closeBlock()
{
    skipSpace();
    if (at < text.size() && text[at] == '}') {
        ++at;
        return true;
    }
    return false;
}

void CEffectParser::skipSpace()
{
    while (at < text.size()) {
        const char c = text[at];
        if (c == '\n') {
            ++line;
            ++at;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++at;
        } else if (c == '#') {
            while (at < text.size() && text[at] != '\n')
                ++at;
        } else if (!skipComment()) {
            return;
        }
    }
}

std::string CEffectParser::word()
{
    skipSpace();
    const size_t start = at;
    while (at < text.size()) {
        const char c = text[at];
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '-' || c == '+')
            ++at;
        else
            break;
    }
    return text.substr(start, at - start);
}

bool CEffectParser::expect(char c)
{
    skipSpace();
    if (at < text.size() && text[at] == c) {
        ++at;
        return true;
    }
    return fail(std::string("expected '") + c + "'");
}

bool CEffectParser::fail(const std::string& message)
{
    if (error.empty())
        error = fileName + "(" + std::to_string(line) + "): " + message + "\n";
    return false;
}

// The GLSL between a '{' and its matching '}', skipping braces in comments.
bool CEffectParser::codeBlock(std::string& code, int& firstLine)
{
    if (!expect('{'))
        return false;
    firstLine = line;
    const size_t start = at;
    int depth = 1;
    while (at < text.size()) {
        const char c = text[at];
        if (c == '\n') {
            ++line;
            ++at;
        } else if (!skipComment()) {
            if (c == '{')
                ++depth;
            if (c == '}' && --depth == 0) {
                code = text.substr(start, at - start);
                ++at;
                return true;
            }
            ++at;
        }
    }
    return fail("the code block has no closing '}'");
}

bool CEffectParser::samplerBlock(const std::string& name)
{
    EffectSampler sampler;
    if (!expect('{'))
        return false;
    while (!closeBlock()) {
        const std::string key = lower(word());
        if (key.empty())
            return fail("expected a sampler setting or '}'");
        if (!expect('='))
            return false;
        const std::string value = lower(word());
        if (!expect(';'))
            return false;
        if (key == "filter") {
            if (value == "point")
                sampler.magFilter = GL_NEAREST, sampler.minFilter = GL_NEAREST;
            else if (value == "linear")
                sampler.magFilter = GL_LINEAR, sampler.minFilter = GL_LINEAR;
            else if (value == "trilinear")
                sampler.magFilter = GL_LINEAR, sampler.minFilter = GL_LINEAR_MIPMAP_LINEAR;
            else if (value == "anisotropic")
                sampler.magFilter = GL_LINEAR, sampler.minFilter = GL_LINEAR_MIPMAP_LINEAR, sampler.anisotropy = 8;
            else
                return fail("unknown filter '" + value + "'");
        } else if (key == "address") {
            if (value == "wrap")
                sampler.wrap = GL_REPEAT;
            else if (value == "clamp")
                sampler.wrap = GL_CLAMP_TO_EDGE;
            else if (value == "mirror")
                sampler.wrap = GL_MIRRORED_REPEAT;
            else if (value == "border")
                sampler.wrap = GL_CLAMP_TO_BORDER;
            else
                return fail("unknown address mode '" + value + "'");
        } else if (key == "compare") {
            uint32_t cmp = 0;
            if (value == "none")
                sampler.compare = 0;
            else if (lookUp(CmpNames, value, cmp))
                sampler.compare = static_cast<GLint>(GlComparisons[cmp - 1]);
            else
                return fail("unknown comparison '" + value + "'");
        } else {
            return fail("unknown sampler setting '" + key + "'");
        }
    }
    result.samplers[name] = sampler;
    return true;
}

// One "State = value;" of a pass: a render state of whole numbers and
// names, or one of the depth offsets, which have fractions.
bool CEffectParser::readPassState(EffectPassText& pass, const std::string& key, const std::string& value)
{
    const std::string lowered = lower(key);
    for (const FloatStateName& s : FloatStateNames) {
        if (lowered != s.name)
            continue;
        float number = 0.0f;
        if (!parseFloat(lower(value), number))
            return fail("'" + value + "' is not a value of " + key);
        pass.floatStates.push_back({s.state, number});
        return true;
    }
    const StateName* found = nullptr;
    for (const StateName& s : StateNames) {
        if (lowered == s.name)
            found = &s;
    }
    if (!found)
        return fail("unknown render state '" + key + "'");
    uint32_t stateWord = 0;
    if (!parseStateValue(found->kind, value, stateWord))
        return fail("'" + value + "' is not a value of " + key);
    pass.states.push_back({found->state, stateWord});
    return true;
}

bool CEffectParser::passBlock(EffectTechniqueText& technique)
{
    EffectPassText pass;
    pass.line = line;
    pass.name = word();
    if (!expect('{'))
        return false;
    while (!closeBlock()) {
        const std::string key = word();
        if (key.empty())
            return fail("expected a pass setting or '}'");
        if (!expect('='))
            return false;
        const std::string value = word();
        if (!expect(';'))
            return false;
        const std::string lowered = lower(key);
        if (lowered == "vertex") {
            pass.vertex = value;
        } else if (lowered == "fragment") {
            pass.fragment = value;
        } else if (!readPassState(pass, key, value)) {
            return false;
        }
    }
    if (pass.fragment.empty()) {
        line = pass.line;
        return fail("pass '" + pass.name + "' has no fragment stage");
    }
    technique.passes.push_back(pass);
    return true;
}

bool CEffectParser::techniqueBlock()
{
    EffectTechniqueText technique;
    technique.name = word();
    if (technique.name.empty())
        return fail("the technique has no name");
    if (!expect('{'))
        return false;
    while (!closeBlock()) {
        if (lower(word()) != "pass")
            return fail("expected 'pass' or '}'");
        if (!passBlock(technique))
            return false;
    }
    if (technique.passes.empty())
        return fail("technique '" + technique.name + "' has no pass");
    result.techniques.push_back(technique);
    return true;
}

std::optional<EffectText> CEffectParser::read(std::string& errors)
{
    for (;;) {
        skipSpace();
        if (at >= text.size())
            break;
        if (!block(lower(word()))) {
            errors = error;
            return std::nullopt;
        }
    }
    if (result.techniques.empty()) {
        errors = fileName + ": no technique\n";
        return std::nullopt;
    }
    putCommonInFront(result.vertexStages);
    putCommonInFront(result.fragmentStages);
    result.fileName = fileName;
    return std::move(result);
}

// One top-level block, after its keyword.
bool CEffectParser::block(const std::string& keyword)
{
    if (keyword == "common")
        return codeBlock(common, commonLine);
    if (keyword == "vertex" || keyword == "fragment") {
        const std::string name = word();
        if (name.empty())
            return fail("the " + keyword + " stage has no name");
        ShaderSource source;
        source.name = fileName + ": " + keyword + " " + name;
        const bool ok = codeBlock(source.text, source.firstLine);
        (keyword == "vertex" ? result.vertexStages : result.fragmentStages)[name] = source;
        return ok;
    }
    if (keyword == "sampler") {
        const std::string name = word();
        return name.empty() ? fail("the sampler has no name") : samplerBlock(name);
    }
    if (keyword == "technique")
        return techniqueBlock();
    return fail(keyword.empty() ? "unexpected character '" + std::string(1, text[at]) + "'"
                                : "unknown block '" + keyword + "'");
}

// The common block's code goes in front of every stage, wherever in the file
// it stands; #line keeps the compiler's line numbers those of the file.
void CEffectParser::putCommonInFront(std::map<std::string, ShaderSource>& stages) const
{
    if (common.empty())
        return;
    for (auto& [name, source] : stages)
        source.text = "#line " + std::to_string(commonLine) + "\n" + common + "\n#line " +
                      std::to_string(source.firstLine) + "\n" + source.text;
}

std::optional<EffectText> readEffectText(const std::string& text, const std::string& fileName, std::string& errors)
{
    return CEffectParser(text, fileName).read(errors);
}

bool checkEffectText(const std::string& text, const std::string& fileName, std::string& errors)
{
    return readEffectText(text, fileName, errors).has_value();
}
