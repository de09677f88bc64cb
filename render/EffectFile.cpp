#include "render/EffectFile.h"

#include "files/FileProblems.h"
#include "platform/FatalError.h"

std::unique_ptr<CEffect> loadEffectFile(const std::filesystem::path& path,
                                        std::initializer_list<std::string_view> techniques)
{
    std::string errors;
    std::unique_ptr<CEffect> effect = CEffect::fromFile(path, errors);
    // A file that could not be read has no compiler text; the line after the
    // message names it, so the player knows which file to put back.
    if (!effect && errors.empty())
        exitWithMessage("error loading shader\n" + path.string() + ": " + whyUnusable(path, "cannot be read"));
    if (!effect)
        exitWithMessage(errors);
    for (std::string_view technique : techniques)
        if (!effect->hasTechnique(std::string(technique)))
            exitWithMessage("error loading shader\n" + path.string() + ": has no technique \"" +
                            std::string(technique) + "\", which the game draws with");
    return effect;
}
