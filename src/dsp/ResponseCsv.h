// A response curve as CSV, one line per grid point: "k,freq,mag_db,phase_deg" for k = 0..6826,
// every number with 17 significant digits so that the text reads back to the same double.
// The values come from the exact per-point formulas (SectionMagnitudeDb / SectionPhaseDeg) with
// the curve rules of a slot (0 Hz, bypass, all-pass magnitude, "Ext"), and the phase is the raw
// section phase before any wrapping; for a crossover, the sum over its sections.
#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string>

#include "dsp/Biquad.h"
#include "dsp/FrequencyGrid.h"

namespace plenum {

void WriteCurveCsv(std::ostream& out, const FrequencyGrid& grid, std::span<const double> magnitudeDb,
                   std::span<const double> phaseDeg);

// Nothing written and an error text returned when the type code is unknown or the design
// divides by zero or overflows.
std::optional<std::string> WritePeqResponseCsv(std::ostream& out, const FrequencyGrid& grid, const PeqBand& band);
std::optional<std::string> WriteXoverResponseCsv(std::ostream& out, const FrequencyGrid& grid, int slopeCode,
                                                 bool lowPass, double frequencyHz);

}  // namespace plenum
