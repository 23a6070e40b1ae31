// The group preset file "GroupP.lst" from arbitrary bytes: never crash; a file that is not one
// yields nothing, and one that is yields curves an equaliser can play and encodes back unchanged.
#include <algorithm>
#include <cstdlib>

#include "groups/GroupPresets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace plenum;
    const std::span<const std::uint8_t> bytes(data, size);
    const auto user = ParseGroupPresetFile(bytes);
    if (!user) return 0;
    if (size != kGroupPresetFileSize || data[0] != kGroupPresetMarker) std::abort();
    const auto encoded = EncodeGroupPresetFile(*user);
    if (!std::equal(encoded.begin(), encoded.end(), bytes.begin(), bytes.end())) std::abort();
    for (const GroupCurve& curve : *user)
        for (std::size_t band = 0; band < 5; ++band)
            if (curve[band] >= 18 || (curve[20 + band] & 0x7F) > 60) std::abort();
    return 0;
}
