#include "core/ModelCatalog.h"

#include <algorithm>

namespace plenum {

std::vector<int> PickableModelCodes() { return {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11}; }

bool IsPickableModel(int modelCode) {
    const std::vector<int> codes = PickableModelCodes();
    return std::find(codes.begin(), codes.end(), modelCode) != codes.end();
}

std::vector<int> VariantsOf(int modelCode) {
    if (modelCode == 8) return {1, 2, 3, 4, 5, 6};
    if (modelCode == 10) return {1, 2};
    return {};
}

bool HasVariants(int modelCode) { return !VariantsOf(modelCode).empty(); }

bool IsOfferedVariant(int modelCode, int variant) {
    const std::vector<int> variants = VariantsOf(modelCode);
    return std::find(variants.begin(), variants.end(), variant) != variants.end();
}

int DefaultVariant(int modelCode) {
    const std::vector<int> variants = VariantsOf(modelCode);
    return variants.empty() ? 0 : variants.front();
}

}  // namespace plenum
