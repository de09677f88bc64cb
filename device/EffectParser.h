#pragma once
// Reads the effect file format (media/effects.md): a small block language of
// techniques, passes, samplers and GLSL stages, compiled into an effect.
#include "device/Effect.h"

#include <memory>
#include <string>

// An effect, or none with the parser's or the GLSL compiler's text in errors.
std::unique_ptr<CEffect> parseEffect(const std::string& text, const std::string& fileName, std::string& errors);
// Only whether the text reads as an effect file (no GL needed): false with
// the reason in errors.
bool checkEffectText(const std::string& text, const std::string& fileName, std::string& errors);
