#pragma once
// UTF-8 text, as typed by the player and stored in the high-score names.
#include <string>

// Code points of UTF-8 text; malformed bytes are skipped.
std::u32string decodeUtf8(const std::string& text);
// Appends one code point as UTF-8.
void appendUtf8(std::string& text, char32_t codePoint);
// Removes the last whole character (all of its bytes); nothing when empty.
void removeLastUtf8Character(std::string& text);
