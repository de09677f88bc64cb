#pragma once
// A linked GLSL program (vertex and fragment stage). Every program is compiled
// as "#version 450 core" with the game's vertex inputs declared in front of the
// vertex stage, so one vertex layout feeds the built-in stages and the effect
// files alike (VertexInput names the first five):
//   location 0 inPosition (vec4: x, y, z, 1, or a screen vertex's pixel x, y, depth, 1)
//   location 1 inNormal, 2 inColour (ARGB as RGBA 0..1), 3 inTexCoord0, 4 inTexCoord1
//   locations 5 to 8 inInstanceWorld (mat4), 9 inInstanceColour: an instanced
//   draw's per-instance values (MeshInstance); other draws leave them unfed.
#include <memory>
#include <string>
#include <vector>

// The first location of inInstanceWorld; inInstanceColour follows its four.
constexpr unsigned InstanceWorldLocation = 5;
// The vertex inputs as GLSL, put in front of every vertex stage.
extern const char* const VertexInputDeclarations;
// The stage that draws pre-transformed screen vertices: it passes vColour and
// vTexCoord on and places the vertex by uViewportSize.
extern const char* const ScreenVertexStage;

struct ShaderSource {
    std::string text;       // the stage's code, without the version line
    std::string name;       // for messages
    int firstLine = 1;      // line of the file the text starts on
};

class CShaderProgram {
public:
    // A program, or none with the compiler's or linker's text in errors.
    static std::unique_ptr<CShaderProgram> build(const ShaderSource& vertex, const ShaderSource& fragment,
                                                 std::string& errors);
    ~CShaderProgram();
    CShaderProgram(const CShaderProgram&) = delete;
    CShaderProgram& operator=(const CShaderProgram&) = delete;

    unsigned glName() const { return name; }
    // Where the device writes the viewport size (-1 when the program has no use for it).
    int viewportLocation() const { return viewportUniform; }

    struct Uniform {
        std::string name; // array uniforms without the "[0]"
        unsigned type;    // GL type
        int size;         // array length
        int location;
        int textureUnit;  // samplers only, else -1
    };
    const std::vector<Uniform>& uniforms() const { return activeUniforms; }

private:
    explicit CShaderProgram(unsigned name);
    void readUniforms();

    unsigned name;
    int viewportUniform = -1;
    std::vector<Uniform> activeUniforms;
};
