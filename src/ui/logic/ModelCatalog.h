// The models the add-device dialog offers: every model code except 2 (a platform this application
// does not drive), with the hardware variants of codes 8 and 10 as separate entries because they
// are different cabinets on one amplifier platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plenum::ui {

struct ModelEntry {
    std::uint8_t modelCode = 0;
    std::int16_t variant = 0;  // meaningful for codes 8 and 10 only
    bool operator==(const ModelEntry&) const = default;
};

// The model codes in picker order: 0, 1 (the subwoofer), 3..11.
std::vector<int> PickableModelCodes();
// The variants offered for a model code (8: 1..6, 10: 1..2); empty for the others.
std::vector<int> VariantsOf(int modelCode);
bool HasVariants(int modelCode);
// The entry's name as the picker shows it: the model name, or for codes whose model name is blank
// a family label built from `unnamedPattern` ("{0}" = code, "{1}" = "SAT" / "SUB").
std::string PickerName(const ModelEntry& entry, std::string_view unnamedPattern);

}  // namespace plenum::ui
