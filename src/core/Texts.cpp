#include "core/Texts.h"

#include <array>

namespace plenum {

std::string FillText(std::string_view pattern, std::initializer_list<std::string_view> values) {
    std::string out(pattern);
    std::size_t index = 0;
    for (std::string_view value : values) {
        const std::string marker = "{" + std::to_string(index++) + "}";
        for (std::size_t at = out.find(marker); at != std::string::npos; at = out.find(marker, at + value.size()))
            out.replace(at, marker.size(), value);
    }
    return out;
}

std::string_view LinkModeName(int linkMode) {
    static constexpr std::array<std::string_view, 3> kNames{"USB", "WLAN", "LAN"};
    if (linkMode < 0 || linkMode >= static_cast<int>(kNames.size())) return "";
    return kNames[static_cast<std::size_t>(linkMode)];
}

}  // namespace plenum
