#include "ui/logic/ModelCatalog.h"

#include "core/Registry.h"
#include "core/Texts.h"

namespace plenum::ui {

std::string PickerName(const ModelEntry& entry, std::string_view unnamedPattern) {
    const std::string name = ModelName(entry.modelCode, entry.variant);
    if (name.find_first_not_of(' ') != std::string::npos) return name;
    return FillText(unnamedPattern, {std::to_string(entry.modelCode), entry.modelCode == kSubModelCode ? "SUB" : "SAT"});
}

}  // namespace plenum::ui
