// The key filter every numeric text box uses, on a toolkit-free model of the box.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace plenum {

struct TextBoxModel {
    std::string text;
    std::size_t caret = 0;  // insertion point, 0 = before the first character
};

inline constexpr int kKeyEnter = 13;

// Filters one typed key. Setting key to 0 swallows it. Control keys (backspace 8, copy 3, paste
// 22, cut 24, undo 26) and digits pass; letters pass only when numericOnly is clear; "-" is
// limited to one, at the start, when numericOnly is set; "." and "," become the locale's
// separator (decimals allowed) and only one is accepted. Enter cleans the text of a ratio or
// "-00" entry and returns 1; everything else returns 0.
std::int16_t NumericKeyFilter(TextBoxModel& box, int& key, bool decimalsAllowed, bool numericOnly,
                              bool decimalComma);

// The text of a box after Enter: a leading "1:" and everything from ":1" on are removed, and a
// text beginning with "-00" becomes "-90.5".
std::string CleanEnteredText(const std::string& text);

}  // namespace plenum
