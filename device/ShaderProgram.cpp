#include "device/ShaderProgram.h"

#include "device/Device.h"

#include <epoxy/gl.h>

// Every vertex stage places its vertices invariantly: a pass drawn with one
// program can then test for equal depth against what another program drew,
// which the compiler could otherwise round differently (the shadow step
// shades only the surfaces the scene kept this way).
const char* const VertexInputDeclarations = R"(invariant gl_Position;
layout(location = 0) in vec4 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec4 inColour;
layout(location = 3) in vec2 inTexCoord0;
layout(location = 4) in vec3 inTexCoord1;
layout(location = 5) in mat4 inInstanceWorld;
layout(location = 9) in vec4 inInstanceColour;
)";

// Screen pixels to clip space. The device's clip origin is the upper left, so
// clip y = +1 is the top row; x, y in pixels from the top left of the viewport.
const char* const ScreenVertexStage = R"(uniform vec2 uViewportSize;
out vec4 vColour;
out vec2 vTexCoord;
void main()
{
    gl_Position = vec4(inPosition.x / uViewportSize.x * 2.0 - 1.0,
                       1.0 - inPosition.y / uViewportSize.y * 2.0, inPosition.z, 1.0);
    vColour = inColour;
    vTexCoord = inTexCoord0;
}
)";

namespace {

// The first texture unit of effect samplers: unit 0 is the screen program's,
// which effects leave alone.
constexpr int FirstEffectTextureUnit = 1;

std::string stageText(const ShaderSource& source, bool vertex)
{
    std::string text = "#version 450 core\n";
    if (vertex)
        text += VertexInputDeclarations;
    text += "#line " + std::to_string(source.firstLine) + "\n";
    text += source.text;
    return text;
}

// The compiler's or the linker's message about a shader or program object.
std::string infoLog(GLuint object, PFNGLGETSHADERIVPROC getValue, PFNGLGETSHADERINFOLOGPROC getLog)
{
    GLint length = 0;
    getValue(object, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(std::max(length, 1)), '\0');
    getLog(object, length, nullptr, log.data());
    log.resize(log.find('\0') == std::string::npos ? log.size() : log.find('\0'));
    return log;
}

GLuint compileStage(GLenum stage, const ShaderSource& source, std::string& errors)
{
    const std::string text = stageText(source, stage == GL_VERTEX_SHADER);
    const char* pointer = text.c_str();
    GLuint shader = glCreateShader(stage);
    glShaderSource(shader, 1, &pointer, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        errors += source.name + ":\n" + infoLog(shader, glGetShaderiv, glGetShaderInfoLog);
        if (!errors.empty() && errors.back() != '\n')
            errors += '\n';
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

bool isSampler(GLenum type)
{
    switch (type) {
    case GL_SAMPLER_2D:
    case GL_SAMPLER_CUBE:
    case GL_SAMPLER_2D_SHADOW:
    case GL_SAMPLER_3D:
        return true;
    default:
        return false;
    }
}

} // namespace

CShaderProgram::CShaderProgram(unsigned name) : name(name) {}

CShaderProgram::~CShaderProgram()
{
    if (hasDevice())
        device().forgetProgram(this);
    glDeleteProgram(name);
}

std::unique_ptr<CShaderProgram> CShaderProgram::build(const ShaderSource& vertex, const ShaderSource& fragment,
                                                      std::string& errors)
{
    GLuint vs = compileStage(GL_VERTEX_SHADER, vertex, errors);
    GLuint fs = compileStage(GL_FRAGMENT_SHADER, fragment, errors);
    if (!vs || !fs) {
        glDeleteShader(vs);
        glDeleteShader(fs);
        return nullptr;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    glDetachShader(program, vs);
    glDetachShader(program, fs);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        errors += "linking " + vertex.name + " with " + fragment.name + ":\n" +
                  infoLog(program, glGetProgramiv, glGetProgramInfoLog) + "\n";
        glDeleteProgram(program);
        return nullptr;
    }
    std::unique_ptr<CShaderProgram> result(new CShaderProgram(program));
    result->readUniforms();
    return result;
}

void CShaderProgram::readUniforms()
{
    GLint count = 0;
    glGetProgramInterfaceiv(name, GL_UNIFORM, GL_ACTIVE_RESOURCES, &count);
    int nextUnit = FirstEffectTextureUnit;
    for (GLint i = 0; i < count; ++i) {
        const GLenum properties[4] = {GL_TYPE, GL_ARRAY_SIZE, GL_LOCATION, GL_NAME_LENGTH};
        GLint values[4] = {};
        glGetProgramResourceiv(name, GL_UNIFORM, i, 4, properties, 4, nullptr, values);
        if (values[2] < 0)
            continue; // in a uniform block
        std::string uniformName(static_cast<size_t>(values[3]), '\0');
        glGetProgramResourceName(name, GL_UNIFORM, i, values[3], nullptr, uniformName.data());
        uniformName.resize(uniformName.find('\0') == std::string::npos ? uniformName.size()
                                                                         : uniformName.find('\0'));
        if (uniformName.size() > 3 && uniformName.ends_with("[0]"))
            uniformName.resize(uniformName.size() - 3);
        Uniform uniform{uniformName, static_cast<unsigned>(values[0]), values[1], values[2], -1};
        if (isSampler(uniform.type)) {
            uniform.textureUnit = nextUnit++;
            glProgramUniform1i(name, uniform.location, uniform.textureUnit);
        }
        if (uniform.name == "uViewportSize")
            viewportUniform = uniform.location;
        activeUniforms.push_back(uniform);
    }
}
