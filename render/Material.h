#pragma once
// The shading interface through which mesh subsets are drawn. The renderer
// owns the three materials; a subset names the one that draws it.
#include <glm/glm.hpp>

class CSceneEntity;
class CTexture;

// A subset's material values, handed as one block to apply.
struct MaterialValues {
    glm::vec4 diffuse{0.0f};
    glm::vec4 specular{0.0f};
    glm::vec4 luminous{0.0f};
    glm::vec4 reflection{0.0f};
    float power = 0.0f;
    const CTexture* texture = nullptr; // none: untextured
};

class CMaterial {
public:
    virtual ~CMaterial() = default;
    // (Re)creates the material's effect and targets; false when it has none.
    virtual bool reload() = 0;
    // Prepares a group of items; returns the number of passes.
    virtual int begin() = 0;
    virtual void beginPass(int pass) = 0;
    // Per-item values: the entity's world matrix and colour, the subset's values.
    virtual void apply(const CSceneEntity& entity, const MaterialValues& values) = 0;
    // Whether the current pass draws a subset's run of items as instances of
    // one draw, each with its entity's world matrix and colour, after
    // applyInstanced of the subset's values, instead of apply per item.
    virtual bool instanced() const { return false; }
    virtual void applyInstanced(const MaterialValues&) {}
    virtual void endPass(int pass) = 0;
    virtual void end() = 0;
};
