#pragma once
// Fonts by face, pixel size and weight, each made once. The overlays ask for
// the sizes their layout gives on the current viewport every time they draw,
// so text is always made at the size it is shown (never a smaller font
// stretched), and a window that goes back to a size it had finds that
// size's glyphs already made. It keeps a few sizes; the one asked for least
// recently goes first.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>

class CFont;

class CFontCache {
public:
    CFontCache();
    ~CFontCache();
    CFontCache(const CFontCache&) = delete;
    CFontCache& operator=(const CFontCache&) = delete;

    // As CFont::create, but made only the first time; null when none can be
    // made. The font stays valid until this cache is asked for more sizes
    // than it keeps, so use it for one draw and ask again for the next.
    CFont* font(const std::string& face, int height, int width = 0, int weight = 0);

    // How many sizes are kept: more than all the overlays of one frame use.
    static constexpr size_t Capacity = 16;

private:
    using Key = std::tuple<std::string, int, int, int>;
    struct Entry {
        std::unique_ptr<CFont> font;
        uint64_t lastAsked = 0;
    };
    std::map<Key, Entry> fonts;
    uint64_t asked = 0;
};
