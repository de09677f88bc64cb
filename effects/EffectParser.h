#pragma once
// Reads the effect file format (media/effects.md): a small block language of
// techniques, passes, samplers and GLSL stages. Reading needs no GL; the
// effect (Effect.h) compiles what was read into programs.
#include "device/RenderStates.h"
#include "device/ShaderProgram.h"

#include <epoxy/gl.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

// A sampler block's settings as GL values; a texture with no block of its
// own samples trilinear and repeats.
struct EffectSampler {
    GLint magFilter = GL_LINEAR;
    GLint minFilter = GL_LINEAR_MIPMAP_LINEAR;
    GLint wrap = GL_REPEAT;
    GLint compare = 0; // 0: no comparison
    float anisotropy = 1.0f;
};

struct EffectPassText {
    std::string name;
    std::string vertex;   // the vertex stage's name; none: the built-in screen stage
    std::string fragment; // the fragment stage's name
    std::vector<RenderStateSetting> states;
    std::vector<FloatStateSetting> floatStates;
    int line = 0;
};

struct EffectTechniqueText {
    std::string name;
    std::vector<EffectPassText> passes;
};

// An effect file as read: its stages by name, with the common code already
// in front of each, its samplers by texture name, and its techniques.
struct EffectText {
    std::string fileName;
    std::map<std::string, ShaderSource> vertexStages;
    std::map<std::string, ShaderSource> fragmentStages;
    std::map<std::string, EffectSampler> samplers;
    std::vector<EffectTechniqueText> techniques;
};

// What the text says, or none with the reason ("FILE(LINE): ...") in errors.
std::optional<EffectText> readEffectText(const std::string& text, const std::string& fileName, std::string& errors);
// Only whether the text reads as an effect file: false with the reason in errors.
bool checkEffectText(const std::string& text, const std::string& fileName, std::string& errors);
