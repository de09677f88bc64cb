#pragma once
// The fixed-function pipeline of Direct3D 9 as far as the game uses it, as one
// built-in GLSL program: transformed or pre-transformed vertices, per-vertex
// lighting from point and directional lights with a material, and texture
// stage 0's colour and alpha operations. The device draws with it whenever no
// effect program is set.
#include "device/RenderStates.h"

#include <memory>
#include <string>

class CShaderProgram;

class CFixedFunction {
public:
    CFixedFunction();
    ~CFixedFunction();
    bool create(std::string& errors);

    const CShaderProgram* program() const { return shader.get(); }
    // Sends what the draw needs from the state. Only values that changed since
    // the last call are sent.
    void upload(const DeviceState& state, uint32_t fvf, bool hasTexture);
    // Forget what was sent (after the GL state was disturbed, or to force).
    void invalidate() { uploadedValid = false; }

private:
    struct Locations;
    // The parts of upload, each sending one group of uniforms.
    void uploadSwitches(const DeviceState& state, uint32_t fvf, bool hasTexture, bool lighting, bool all);
    void uploadStage(const DeviceState& state);
    void uploadTransforms(const DeviceState& state);
    void uploadLighting(const DeviceState& state);
    void uploadLights(const DeviceState& state);

    std::unique_ptr<CShaderProgram> shader;
    std::unique_ptr<Locations> locations;
    DeviceState uploaded;
    uint32_t uploadedFvf = 0;
    bool uploadedHasTexture = false;
    bool uploadedValid = false;
    bool transformsValid = false;
    bool lightsValid = false;
    glm::mat4 lightsView{1.0f};
};
