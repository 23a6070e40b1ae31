// Evaluation of one biquad section on the whole frequency grid: magnitude in dB and phase in
// degrees at every point, with the rules of a curve (0 dB / 0 degrees at 0 Hz; an all-pass adds
// no magnitude).
//
// Three implementations with one contract:
// - EvaluateSectionOnGrid: the fast one the engine uses. It takes the angle terms from the
//   grid's tables and computes N, D, re and im with exactly the operations (and so the rounding)
//   of SectionMagnitudeDb / SectionPhaseDeg; only the logarithm and the arctangent are replaced,
//   by branch-free series evaluated two (SSE2) or four (AVX2) points at a time. Their truncation error is below
//   1e-15 relative, i.e. far below 1e-9 dB and 1e-9 degrees. Points whose N or D is not a
//   normal positive number (a zero of the response, an overflow) fall back to the exact scalar
//   formulas, so Log10Safe's -200 rule holds unchanged.
// - EvaluateSectionOnGridExact: SectionMagnitudeDb and SectionPhaseDeg at every point.
// - EvaluateSectionOnGridComplex: the straightforward std::complex evaluation of H(e^jw), the
//   reference the benchmarks compare against (it rounds differently near zeros of H).
#pragma once

#include <span>

#include "dsp/Biquad.h"
#include "dsp/FrequencyGrid.h"

namespace plenum {

enum class MagnitudeRule {
    Evaluate,
    Flat,  // all-pass sections: 0 dB everywhere, not evaluated
};

// Which instruction set the fast path uses: the best the processor has (AVX2 when present), or
// the SSE2 baseline every x86-64 has (tests run both).
enum class EvaluationPath { Best, Baseline };

// magnitudeDb and phaseDeg must hold FrequencyGrid::kPointCount values each.
void EvaluateSectionOnGrid(const FrequencyGrid& grid, const BiquadCoefficients& c, MagnitudeRule rule,
                           std::span<double> magnitudeDb, std::span<double> phaseDeg,
                           EvaluationPath path = EvaluationPath::Best);
void EvaluateSectionOnGridExact(const FrequencyGrid& grid, const BiquadCoefficients& c, MagnitudeRule rule,
                                std::span<double> magnitudeDb, std::span<double> phaseDeg);
void EvaluateSectionOnGridComplex(const FrequencyGrid& grid, const BiquadCoefficients& c, MagnitudeRule rule,
                                  std::span<double> magnitudeDb, std::span<double> phaseDeg);

}  // namespace plenum
