#include "dsp/ResponseCsv.h"

#include <cstdio>
#include <vector>

#include "dsp/GridEvaluation.h"
#include "dsp/Response.h"

namespace plenum {

namespace {
constexpr auto kPoints = static_cast<std::size_t>(FrequencyGrid::kPointCount);
constexpr const char* kDesignFailed = "the filter design divides by zero or overflows";
}  // namespace

void WriteCurveCsv(std::ostream& out, const FrequencyGrid& grid, std::span<const double> magnitudeDb,
                   std::span<const double> phaseDeg) {
    char line[128];
    for (std::size_t k = 0; k < kPoints; ++k) {
        std::snprintf(line, sizeof line, "%zu,%.17g,%.17g,%.17g\n", k, grid.frequency(static_cast<int>(k)),
                      magnitudeDb[k], phaseDeg[k]);
        out << line;
    }
}

std::optional<std::string> WritePeqResponseCsv(std::ostream& out, const FrequencyGrid& grid, const PeqBand& band) {
    std::vector<double> magnitude(kPoints, 0.0), phase(kPoints, 0.0);
    const auto type = PeqTypeFromCode(band.typeCode);
    if (!type) return "unknown PEQ type " + std::to_string(band.typeCode) + " (0..17)";
    if (!band.isBypassed() && *type != PeqType::Ext) {
        const auto section = DesignPeq(band);
        if (!section || !IsUsableSection(*section)) return kDesignFailed;
        EvaluateSectionOnGridExact(grid, *section, IsAllPass(*type) ? MagnitudeRule::Flat : MagnitudeRule::Evaluate,
                                   magnitude, phase);
    }
    WriteCurveCsv(out, grid, magnitude, phase);
    return std::nullopt;
}

std::optional<std::string> WriteXoverResponseCsv(std::ostream& out, const FrequencyGrid& grid, int slopeCode,
                                                 bool lowPass, double frequencyHz) {
    if (slopeCode < 0 || slopeCode >= kXoverSlopeCount)
        return "unknown crossover slope " + std::to_string(slopeCode) + " (0.." + std::to_string(kXoverSlopeCount - 1) + ")";
    std::vector<double> magnitude(kPoints, 0.0), phase(kPoints, 0.0);
    std::vector<double> sectionMagnitude(kPoints), sectionPhase(kPoints);
    const XoverCascade cascade = XoverSlopeStages(slopeCode);
    std::vector<BiquadCoefficients> sections;
    for (int i = 0; i < cascade.count; ++i) {
        const auto& stage = cascade.stages[static_cast<std::size_t>(i)];
        sections.push_back(DesignXoverSection(stage.order, lowPass, frequencyHz, stage.q));
        if (!IsUsableSection(sections.back())) return kDesignFailed;
    }
    for (const auto& section : sections) {
        EvaluateSectionOnGridExact(grid, section, MagnitudeRule::Evaluate, sectionMagnitude, sectionPhase);
        for (std::size_t k = 0; k < kPoints; ++k) {
            magnitude[k] += sectionMagnitude[k];
            phase[k] += sectionPhase[k];
        }
    }
    WriteCurveCsv(out, grid, magnitude, phase);
    return std::nullopt;
}

}  // namespace plenum
