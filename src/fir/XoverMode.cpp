#include "fir/XoverMode.h"

#include <cmath>
#include <cstdio>

#include "fir/FirTexts.h"
#include "fir/NumberText.h"

namespace plenum::fir {

namespace {

inline constexpr MessageText kWrongAttenuation{{"Warning", "警告"}, {"Wong Value", "  不正确的值"}, Icon::Exclamation};
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
        Tell(prompter, languageFlag, kWrongAttenuation);
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

}  // namespace plenum::fir
