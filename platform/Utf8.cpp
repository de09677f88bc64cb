#include "platform/Utf8.h"

namespace {

// Number of continuation bytes a lead byte announces, or -1 when it is none.
int continuationBytes(unsigned char lead)
{
    if (lead < 0x80)
        return 0;
    if ((lead >> 5) == 0x6)
        return 1;
    if ((lead >> 4) == 0xE)
        return 2;
    if ((lead >> 3) == 0x1E)
        return 3;
    return -1;
}

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

} // namespace

std::u32string decodeUtf8(const std::string& text)
{
    std::u32string out;
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = text[i];
        const int extra = continuationBytes(lead);
        if (extra < 0 || i + extra >= text.size() + (extra == 0)) {
            ++i;
            continue;
        }
        char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char c = text[i + k];
            valid = valid && isContinuation(c);
            code = (code << 6) | (c & 0x3F);
        }
        if (!valid) {
            ++i;
            continue;
        }
        out.push_back(code);
        i += extra + 1;
    }
    return out;
}

void appendUtf8(std::string& text, char32_t c)
{
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | (c >> 12));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x110000) {
        text += static_cast<char>(0xF0 | (c >> 18));
        text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void removeLastUtf8Character(std::string& text)
{
    while (!text.empty()) {
        const unsigned char last = text.back();
        text.pop_back();
        if (!isContinuation(last))
            return;
    }
}
