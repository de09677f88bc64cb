#include "view/FontCache.h"

#include "device/Font.h"

#include <algorithm>

CFontCache::CFontCache() = default;
CFontCache::~CFontCache() = default;

CFont* CFontCache::font(const std::string& face, int height, int width, int weight)
{
    const Key key{face, height, width, weight};
    auto found = fonts.find(key);
    if (found == fonts.end()) {
        if (fonts.size() >= Capacity) {
            const auto oldest = std::min_element(fonts.begin(), fonts.end(), [](const auto& a, const auto& b) {
                return a.second.lastAsked < b.second.lastAsked;
            });
            fonts.erase(oldest);
        }
        found = fonts.emplace(key, Entry{CFont::create(face, height, width, weight), 0}).first;
    }
    found->second.lastAsked = ++asked;
    return found->second.font.get();
}
