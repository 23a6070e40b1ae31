// Measured-response exports from arbitrary bytes (IR_RITA 1: behind the RiTA marker line, so the
// RiTA reading is the one exercised): never crash; a parsed file has at least two rows of rising,
// finite frequencies, and its conditioned curve has the display grid's length with wrapped phase.
#include <cmath>
#include <cstdlib>
#include <string>

#include "fir/IrImport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace plenum::fir;
    std::string text = IR_RITA ? "Frequency,Values\n" : "";
    text.append(reinterpret_cast<const char*>(data), size);
    const auto parsed = ParseIrText(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()),
                                                                  text.size()),
                                    false);
    if (!parsed) return 0;
    if (parsed->rows.size() < 2) std::abort();
    if (IR_RITA && parsed->format != IrFormat::Rita) std::abort();
    for (std::size_t i = 1; i < parsed->rows.size(); ++i)
        if (!(parsed->rows[i].frequencyHz > parsed->rows[i - 1].frequencyHz)) std::abort();
    if (parsed->rows.size() > 4096) return 0;  // conditioning is linear in the rows; keep runs quick
    const auto curve = ConditionIr(*parsed, 1.0 / 6);
    if (!curve) return 0;
    if (curve->phaseDeg.size() != kDisplayPoints) std::abort();
    for (double phase : curve->phaseDeg)
        if (std::isfinite(phase) && (phase <= -180.0 || phase > 180.0)) std::abort();
    return 0;
}
