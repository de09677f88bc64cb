#include "MediaGenerator.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Generator {
    const char* name;
    MediaGeneratorFunction function;
};

std::vector<Generator>& generators()
{
    static std::vector<Generator> all;
    return all;
}

} // namespace

MediaGeneratorRegistration::MediaGeneratorRegistration(const char* name, MediaGeneratorFunction function)
{
    generators().push_back({name, function});
}

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: vesbrik-media MEDIA_DIR [GENERATOR]\n");
        return 2;
    }
    const std::filesystem::path mediaDir = argv[1];
    std::filesystem::create_directories(mediaDir);
    const std::string only = argc > 2 ? argv[2] : "";
    bool ok = true;
    for (const Generator& g : generators()) {
        if (!only.empty() && only != g.name)
            continue;
        if (!g.function(mediaDir)) {
            std::fprintf(stderr, "vesbrik-media: generator '%s' failed\n", g.name);
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
