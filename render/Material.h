#pragma once
// The shading interface through which mesh subsets are drawn. The renderer
// owns the three materials; a subset names the one that draws it.
#include <span>

#include <glm/glm.hpp>

#include "device/Device.h"

class CSceneEntity;
class CTexture;
struct RenderItem;

// A subset's material values, handed as one block to apply.
struct MaterialValues {
    glm::vec4 diffuse{0.0f};
    glm::vec4 specular{0.0f};
    glm::vec4 luminous{0.0f};
    glm::vec4 reflection{0.0f};
    float power = 0.0f;
    const CTexture* texture = nullptr; // none: untextured
};

// The polygon offset a material's pass draws with, in the device's depth
// bias units: a constant part and one scaled by the surface's slope.
struct DepthOffset {
    float constant = 0.0f;
    float slopeScaled = 0.0f;
    bool operator==(const DepthOffset&) const = default;
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
    // Whether the current pass draws a run of items of one mesh part with
    // drawInstances rather than item by item (apply, then the part draws).
    virtual bool instanced() const { return false; }
    // Draws the run as instances: `instances` holds each item's world matrix
    // and colour (the part's diffuse times the entity's), in the run's order.
    virtual void drawInstances(std::span<const RenderItem>, std::span<const MeshInstance>) {}
    // The depth offset a surface with these values is drawn with: a later
    // pass over the same surfaces needs it to meet their depth exactly.
    virtual DepthOffset depthOffset(const MaterialValues&) const { return {}; }
    virtual void endPass(int pass) = 0;
    virtual void end() = 0;
};
