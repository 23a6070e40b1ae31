#include "fir/NumberText.h"

#include <charconv>
#include <cmath>
#include <string>

namespace plenum::fir {

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::optional<double> ParseDecimal(std::string_view text, bool decimalComma) {
    text = TrimBlanks(text);
    if (text.empty() || text.size() > 64) return std::nullopt;
    std::string plain(text);
    if (plain.front() == '+') {
        plain.erase(0, 1);
        if (plain.empty() || plain.front() == '-' || plain.front() == '+') return std::nullopt;
    }
    int separators = 0;
    for (char& c : plain) {
        if (c == ',' && decimalComma) c = '.';
        if (c == '.') ++separators;
        const bool allowed = (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
        if (!allowed || separators > 1) return std::nullopt;
    }
    double value = 0;
    const char* end = plain.data() + plain.size();
    const auto [ptr, error] = std::from_chars(plain.data(), end, value, std::chars_format::general);
    if (error != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::vector<std::string_view> TextLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = text.find_first_of("\r\n", start);
        const auto line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!TrimBlanks(line).empty()) lines.push_back(line);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return lines;
}

}  // namespace plenum::fir
