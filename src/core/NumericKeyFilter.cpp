#include "core/NumericKeyFilter.h"

#include <algorithm>

namespace plenum {

std::string CleanEnteredText(const std::string& text) {
    std::string out = text;
    if (out.rfind("1:", 0) == 0) out.erase(0, 2);
    if (const auto ratioTail = out.find(":1"); ratioTail != std::string::npos) out.erase(ratioTail);
    if (out.rfind("-00", 0) == 0) out = "-90.5";
    return out;
}

std::int16_t NumericKeyFilter(TextBoxModel& box, int& key, bool decimalsAllowed, bool numericOnly,
                              bool decimalComma) {
    switch (key) {
        case 8: case 3: case 22: case 24: case 26: return 0;
        case kKeyEnter:
            box.text = CleanEnteredText(box.text);
            box.caret = std::min(box.caret, box.text.size());
            return 1;
        default: break;
    }
    if (key >= '0' && key <= '9') return 0;
    if ((key >= 'A' && key <= 'Z') || (key >= 'a' && key <= 'z')) {
        if (numericOnly) key = 0;
        return 0;
    }
    if (key == '-') {
        if (numericOnly && (box.text.find('-') != std::string::npos || box.caret != 0)) key = 0;
        return 0;
    }
    if (key == '.' || key == ',') {
        if (!decimalsAllowed) {
            key = 0;
            return 0;
        }
        const char separator = decimalComma ? ',' : '.';
        key = box.text.find(separator) != std::string::npos ? 0 : separator;
        return 0;
    }
    key = 0;
    return 0;
}

}  // namespace plenum
