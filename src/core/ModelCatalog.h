// The models a device can be added as by hand, as the add-device dialog offers them and plenumctl
// accepts them: every model code except 2 (a platform this application does not drive), and for
// codes 8 and 10 the hardware variants, which are different cabinets on one amplifier platform.
// Both front ends take the choice and its default from here, so they cannot drift apart.
#pragma once

#include <vector>

namespace plenum {

// The model codes in picker order: 0, 1 (the subwoofer), 3..11.
std::vector<int> PickableModelCodes();
bool IsPickableModel(int modelCode);
// The variants offered for a model code (8: 1..6, 10: 1..2); empty for the others.
std::vector<int> VariantsOf(int modelCode);
bool HasVariants(int modelCode);
// True when the variant is one the catalogue offers for the model.
bool IsOfferedVariant(int modelCode, int variant);
// The variant chosen when none is picked: the first offered, or 0 for a model without variants.
int DefaultVariant(int modelCode);

}  // namespace plenum
