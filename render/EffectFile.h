#pragma once
// Loading an effect file, the rule for every effect the game uses: an effect
// that cannot be read or compiled shows the compiler's text (or "error loading
// shader" and a line naming the file when there is none) and ends the
// program with status 1. It never returns empty.
#include "effects/Effect.h"

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string_view>

// `techniques` are the ones the caller selects: an effect that lacks one of
// them (renamed, say) is an error like any other, named with the file and
// the technique, rather than drawing on with whatever technique was chosen
// before.
std::unique_ptr<CEffect> loadEffectFile(const std::filesystem::path& path,
                                        std::initializer_list<std::string_view> techniques);
