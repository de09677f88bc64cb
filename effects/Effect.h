#pragma once
// Effects: techniques of passes, each pass a GLSL program plus the render
// states it sets, read from our own effect file format (media/effects.md).
// Parameters are the programs' uniforms, found by name; values are kept in the
// effect and sent to the pass program at beginPass and commitChanges.
// begin() remembers the device state the technique's passes change and end()
// puts it back, so what the caller set around an effect stays in force.
#include "device/RenderStates.h"

#include <glm/glm.hpp>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CShaderProgram;
class CTexture;
struct EffectText;

class CEffect {
public:
    // An effect, or none with the reason in errors: the parser's or the GLSL
    // compiler's text; empty when the file cannot be read at all.
    static std::unique_ptr<CEffect> fromFile(const std::filesystem::path& path, std::string& errors);
    static std::unique_ptr<CEffect> fromText(const std::string& text, const std::string& fileName,
                                             std::string& errors);
    ~CEffect();
    CEffect(const CEffect&) = delete;
    CEffect& operator=(const CEffect&) = delete;

    // ---- techniques --------------------------------------------------------------------
    // Selects by name; false (and no change) when there is none of that name.
    bool setTechnique(const std::string& name);
    const std::string& technique() const;
    bool hasTechnique(const std::string& name) const;
    // The value a technique's pass sets for a render state, or `otherwise`
    // when it leaves the state alone (or has no such pass).
    uint32_t passState(const std::string& technique, int pass, RenderState state, uint32_t otherwise) const;
    float passState(const std::string& technique, int pass, FloatState state, float otherwise) const;

    // ---- parameters by name (a handle of -1 is "no such parameter": setting it does nothing)
    int parameterByName(const std::string& name) const;
    void setMatrix(int parameter, const glm::mat4& value);
    void setVector(int parameter, const glm::vec4& value);
    void setVectorArray(int parameter, const glm::vec4* values, int count);
    void setFloat(int parameter, float value);
    void setTexture(int parameter, const CTexture* texture);
    void setMatrix(const std::string& name, const glm::mat4& value) { setMatrix(parameterByName(name), value); }
    void setVector(const std::string& name, const glm::vec4& value) { setVector(parameterByName(name), value); }
    void setVectorArray(const std::string& name, const glm::vec4* values, int count)
    {
        setVectorArray(parameterByName(name), values, count);
    }
    void setFloat(const std::string& name, float value) { setFloat(parameterByName(name), value); }
    void setTexture(const std::string& name, const CTexture* texture) { setTexture(parameterByName(name), texture); }
    // Read back what was set (tests, debugging).
    const std::vector<float>& parameterValues(int parameter) const;
    const CTexture* parameterTexture(int parameter) const;

    // ---- drawing ------------------------------------------------------------------------
    // Remembers the state the passes change; returns the pass count.
    int begin(unsigned flags = 0);
    void beginPass(int pass);
    // Sends parameter values changed since the pass began (or the last commit).
    void commitChanges();
    void endPass();
    void end();

    using PassState = RenderStateSetting;
    struct Pass {
        std::string name;
        std::shared_ptr<CShaderProgram> program;
        std::vector<PassState> states;
        std::vector<FloatStateSetting> floatStates;
        int link = -1; // index of the program's entry in links
    };
    struct Technique {
        std::string name;
        std::vector<Pass> passes;
    };
    struct Parameter {
        std::string name;
        unsigned type = 0; // GL type of the uniform
        int size = 1;      // array length
        std::vector<float> values;
        const CTexture* texture = nullptr;
        unsigned sampler = 0; // GL sampler object for texture parameters
        bool set = false;
        bool dirty = false;
    };

private:
    // Pass programs by their vertex and fragment stages' names: passes with
    // the same stages share one.
    using Programs = std::map<std::pair<std::string, std::string>, std::shared_ptr<CShaderProgram>>;

    CEffect() = default;
    bool buildTechniques(const EffectText& read, Programs& programs, std::string& errors);
    void addParameters(const Programs& programs, const EffectText& read);
    void linkPrograms(const Programs& programs);
    void upload(const Pass& pass, bool onlyDirty);
    const Pass* findPass(const std::string& technique, int pass) const;

    // What one program's uniforms are bound to, and what each was last sent:
    // the program is this effect's alone, so a value it already holds need
    // not be sent again.
    struct ProgramLink {
        const CShaderProgram* program = nullptr;
        std::vector<int> parameterOfUniform; // -1: not a parameter
        std::vector<std::vector<float>> sent; // packed, empty: never sent
    };
    std::vector<ProgramLink> links;
    std::vector<float> packed; // reused between uploads

    std::vector<Technique> techniques;
    std::vector<Parameter> parameters;
    std::map<std::string, int> parameterIndex;
    std::vector<unsigned> samplerObjects;
    int currentTechnique = 0;
    int currentPass = -1;
    bool begun = false;
    // What begin() remembered: the states the passes set, and the program.
    std::vector<PassState> savedStates;
    std::vector<FloatStateSetting> savedFloatStates;
    const CShaderProgram* savedProgram = nullptr;
};
