// The add-device dialog's entries: the catalogue of core/ModelCatalog.h (shared with plenumctl),
// with the hardware variants of codes 8 and 10 as separate entries, and the names the picker shows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/ModelCatalog.h"

namespace plenum::ui {

using plenum::HasVariants;
using plenum::PickableModelCodes;
using plenum::VariantsOf;

struct ModelEntry {
    std::uint8_t modelCode = 0;
    std::int16_t variant = 0;  // meaningful for codes 8 and 10 only
    bool operator==(const ModelEntry&) const = default;
};

// The entry's name as the picker shows it: the model name, or for codes whose model name is blank
// a family label built from `unnamedPattern` ("{0}" = code, "{1}" = "SAT" / "SUB").
std::string PickerName(const ModelEntry& entry, std::string_view unnamedPattern);

}  // namespace plenum::ui
