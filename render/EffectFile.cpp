#include "render/EffectFile.h"

#include "platform/FatalError.h"

std::unique_ptr<CEffect> loadEffectFile(const std::filesystem::path& path)
{
    std::string errors;
    std::unique_ptr<CEffect> effect = CEffect::fromFile(path, errors);
    if (!effect)
        exitWithMessage(errors.empty() ? "error loading shader" : errors);
    return effect;
}
