#include "ui/logic/ModelCatalog.h"

#include "core/Registry.h"
#include "core/Texts.h"

namespace plenum::ui {

std::vector<int> PickableModelCodes() { return {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11}; }

std::vector<int> VariantsOf(int modelCode) {
    if (modelCode == 8) return {1, 2, 3, 4, 5, 6};
    if (modelCode == 10) return {1, 2};
    return {};
}

bool HasVariants(int modelCode) { return !VariantsOf(modelCode).empty(); }

std::string PickerName(const ModelEntry& entry, std::string_view unnamedPattern) {
    const std::string name = ModelName(entry.modelCode, entry.variant);
    if (name.find_first_not_of(' ') != std::string::npos) return name;
    return FillText(unnamedPattern, {std::to_string(entry.modelCode), entry.modelCode == kSubModelCode ? "SUB" : "SAT"});
}

}  // namespace plenum::ui
