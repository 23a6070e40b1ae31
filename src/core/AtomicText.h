// Text files saved the same way as every binary file: written beside the target and renamed over
// it, so a failed save leaves the previous file as it was.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <system_error>

#include "core/BinaryIO.h"

namespace plenum {

inline std::error_code WriteTextFileAtomic(const std::filesystem::path& path, std::string_view text) {
    return WriteFileAtomic(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace plenum
