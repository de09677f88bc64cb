#pragma once
// Loading an effect file, the rule for every effect the game uses: an effect
// that cannot be read or compiled shows the compiler's text (or "error loading
// shader" and a line naming the file when there is none) and ends the
// program with status 1. It never returns empty.
#include "effects/Effect.h"

#include <filesystem>
#include <memory>

std::unique_ptr<CEffect> loadEffectFile(const std::filesystem::path& path);
