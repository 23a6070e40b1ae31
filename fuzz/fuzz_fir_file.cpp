// FIR coefficient files (one target per format, FIR_FORMAT names it) from arbitrary bytes: never
// crash; a result is one of the four codes; a loaded file holds 1..limit coefficients, each
// inside +-4, and nothing else; the first byte picks the window's limit and the number setting.
#include <cstdlib>

#include "fir/FirFile.h"
#include "fir/FirWord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace plenum::fir;
    if (size == 0) return 0;
    const int limit = 1 + (data[0] & 0x7F) * 8;
    const bool decimalComma = (data[0] & 0x80) != 0;
    const FirLoadResult result =
        ParseFirFile(FirFileFormat::FIR_FORMAT, std::span<const std::uint8_t>(data + 1, size - 1), limit, decimalComma);
    switch (result.code) {
        case kFirLoaded:
            if (result.coefficients.empty() || static_cast<int>(result.coefficients.size()) > limit) std::abort();
            for (double c : result.coefficients) {
                if (!(c > -kFirCoefficientLimit && c < kFirCoefficientLimit)) std::abort();
                const double back = DecodeFirWord(EncodeFirWord(c));
                if (back - c > 0.5 / kFirWordScale + 1e-12 || c - back > 0.5 / kFirWordScale + 1e-12) std::abort();
            }
            break;
        case kFirOutOfRange:
        case kFirTooManyTaps:
        case kFirUnreadable:
            if (!result.coefficients.empty()) std::abort();
            break;
        default:
            std::abort();
    }
    (void)FirRefusal(result, limit, FirMessageSet::Loader, 1);
    return 0;
}
