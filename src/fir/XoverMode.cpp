#include "fir/XoverMode.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "dsp/Biquad.h"
#include "dsp/FrequencyGrid.h"
#include "fir/FirTexts.h"
#include "fir/NumberText.h"

namespace plenum::fir {

namespace {

inline constexpr MessageText kXoverDesignError{{"Warning", "警告"}, kWrongXoverParameters, Icon::Exclamation};

}  // namespace

std::optional<XoverMode> XoverModeFromCode(int code) {
    if (code < 0 || code >= kXoverModeCount) return std::nullopt;
    return static_cast<XoverMode>(code);
}

XoverSideKind SideKind(XoverMode mode, bool highPass) {
    switch (mode) {
    case XoverMode::Iir: return XoverSideKind::Iir;
    case XoverMode::FirHp: return highPass ? XoverSideKind::Fir : XoverSideKind::Iir;
    case XoverMode::Mir: return XoverSideKind::Mir;
    case XoverMode::FirLp: return highPass ? XoverSideKind::Iir : XoverSideKind::Fir;
    }
    return XoverSideKind::Iir;
}

std::string_view SideCaption(XoverMode mode, bool highPass) {
    switch (SideKind(mode, highPass)) {
    case XoverSideKind::Iir: return highPass ? "IIR - HIGH PASS" : "IIR - LOW PASS";
    case XoverSideKind::Fir: return highPass ? "FIR - HIGH PASS" : "FIR - LOW PASS";
    case XoverSideKind::Mir: return highPass ? "MIR - HIGH PASS" : "MIR - LOW PASS";
    }
    return {};
}

std::string_view LatencySwitchCaption(XoverSideKind kind) {
    switch (kind) {
    case XoverSideKind::Iir: return {};
    case XoverSideKind::Fir: return "Remove FIR latency";
    case XoverSideKind::Mir: return "Remove MIR latency";
    }
    return {};
}

std::string LatencyText(double ms) {
    char text[48];
    std::snprintf(text, sizeof text, "Latency = %.3f ms", ms);
    return text;
}

std::optional<double> CheckXoverFrequency(std::string_view text, XoverSideKind kind, Prompter& prompter,
                                          int languageFlag) {
    const double low = kind == XoverSideKind::Iir ? kIirXoverMinHz : kFirMinFrequencyHz;
    const double high = kind == XoverSideKind::Iir ? kIirXoverMaxHz : kFirMaxFrequencyHz;
    const auto value = ParseDecimal(text, false);
    if (!value || *value < low || *value > high) {
        Tell(prompter, languageFlag, texts::kWrongFrequency);
        return std::nullopt;
    }
    return value;
}

std::optional<double> CheckAttenuationSetting(std::string_view text, Prompter& prompter, int languageFlag) {
    const auto value = ParseDecimal(text, false);
    const double most = kMaxAdjustableAttenuationDb - kMinAdjustableAttenuationDb;
    if (!value || *value < 0 || *value > most) {
        Tell(prompter, languageFlag, texts::kWrongAttenuation);
        return std::nullopt;
    }
    return value;
}

std::optional<DesignedSide> DesignSide(const FirDesignRequest& request, Prompter& prompter, int languageFlag) {
    FirDesign design;
    FirDesignRequest used = request;
    if (used.taps > kCrossoverFirMaxTaps) used.taps = kCrossoverFirMaxTaps;
    if (DesignFir(used, design) != FirDesignResult::Ok) {
        Tell(prompter, languageFlag, kXoverDesignError);
        return std::nullopt;
    }
    DesignedSide side;
    side.words = EncodeFirWords(design.coefficients);
    side.taps = static_cast<int>(design.coefficients.size());
    side.quantised.reserve(design.coefficients.size());
    for (int i = 0; i < side.taps; ++i) side.quantised.push_back(DecodeFirWord(side.words[static_cast<std::size_t>(i)]));
    side.latencyMs = design.latencyMs;
    char name[64];
    std::snprintf(name, sizeof name, "%s %s %.0fHz", request.highPass ? "HP" : "LP",
                  std::string(Info(request.window).label).c_str(), request.frequencyHz);
    side.name = name;
    return side;
}

std::vector<double> CascadeSides(std::span<const double> first, std::span<const double> second, int maxTaps) {
    if (first.empty()) return {second.begin(), second.end()};
    if (second.empty()) return {first.begin(), first.end()};
    const std::size_t length =
        std::min(first.size() + second.size() - 1, static_cast<std::size_t>(std::max(0, maxTaps)));
    std::vector<double> out(length, 0.0);
    for (std::size_t i = 0; i < first.size() && i < length; ++i)
        for (std::size_t j = 0; j < second.size() && i + j < length; ++j) out[i + j] += first[i] * second[j];
    return out;
}

WayCurve FlatWayCurve() {
    WayCurve curve;
    curve.magnitudeDb.assign(FrequencyGrid::kPointCount, 0.0);
    curve.phaseDeg.assign(FrequencyGrid::kPointCount, 0.0);
    return curve;
}

void AddIirSide(WayCurve& curve, int slopeCode, bool lowPass, double frequencyHz) {
    const XoverCascade cascade = XoverSlopeStages(slopeCode);
    for (int s = 0; s < cascade.count; ++s) {
        const XoverStage& stage = cascade.stages[static_cast<std::size_t>(s)];
        const BiquadCoefficients c = DesignXoverSection(stage.order, lowPass, frequencyHz, stage.q);
        if (!c.isFinite()) continue;
        // 0 Hz is left to the next point's value: the evaluation is not defined there.
        for (int k = 1; k < FrequencyGrid::kPointCount; ++k) {
            const double f = FrequencyGrid::FrequencyAt(k);
            curve.magnitudeDb[static_cast<std::size_t>(k)] += SectionMagnitudeDb(c, f);
            curve.phaseDeg[static_cast<std::size_t>(k)] += SectionPhaseDeg(c, f);
        }
        curve.magnitudeDb[0] = curve.magnitudeDb[1];
        curve.phaseDeg[0] = curve.phaseDeg[1];
    }
}

void AddFirSide(WayCurve& curve, std::span<const double> magnitudeDb, std::span<const double> phaseDeg) {
    const std::size_t n = std::min({curve.magnitudeDb.size(), magnitudeDb.size(), phaseDeg.size()});
    for (std::size_t k = 0; k < n; ++k) {
        curve.magnitudeDb[k] += magnitudeDb[k];
        curve.phaseDeg[k] += phaseDeg[k];
    }
}

void WrapWayPhase(WayCurve& curve) {
    for (double& p : curve.phaseDeg) {
        p = std::fmod(p, 360.0);
        if (p > 180.0) p -= 360.0;
        if (p <= -180.0) p += 360.0;
    }
}

}  // namespace plenum::fir
