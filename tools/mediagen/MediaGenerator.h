#pragma once
// The media generator makes every mesh, image and sound the game ships. Each
// kind of media registers itself with a name; the program runs them all into
// the folder given on its command line (or only the one named after it).
#include <filesystem>

using MediaGeneratorFunction = bool (*)(const std::filesystem::path& mediaDir);

struct MediaGeneratorRegistration {
    MediaGeneratorRegistration(const char* name, MediaGeneratorFunction function);
};

// In a generator's .cpp:  static MediaGeneratorRegistration reg("sounds", &makeSounds);
