#include "sat/FirSettings.h"

#include <algorithm>

#include "core/ImageLayout.h"

namespace plenum {

bool FirTapsValid(int taps) {
    return taps >= kFirSettingMinTaps && taps <= kFirSettingMaxTaps && taps % kFirSettingTapStep == 0;
}

bool FirWaySettingsValid(const FirWaySettings& s) {
    auto inFirRange = [](int hz) { return hz >= kFirSettingMinHz && hz <= kFirSettingMaxHz; };
    return s.window >= 0 && s.window < kFirWindowCodes && inFirRange(s.lowPassHz) && inFirRange(s.highPassHz) &&
           s.attenuationSetting >= 0 && s.attenuationSetting <= kFirAttenuationSettingMax && FirTapsValid(s.taps);
}

FirWaySettings ReadFirWay(const SatParamImage& image, int way) {
    auto byte = [&](int i) { return static_cast<int>(image[static_cast<std::size_t>(FirWayByte(way, i))]); };
    auto hz = [](int value) { return std::clamp(value, kFirSettingMinHz, kFirSettingMaxHz); };
    FirWaySettings s;
    s.window = std::min(byte(0), kFirWindowCodes - 1);
    s.lowPassHz = hz(byte(1) * 256 + byte(2));
    s.highPassHz = hz(byte(3) * 256 + byte(4));
    s.attenuationSetting = std::min(byte(5), kFirAttenuationSettingMax);
    const int tapsCode = std::min((byte(6) >> 1) & 0x0F, (kFirSettingMaxTaps - kFirSettingMinTaps) / kFirSettingTapStep);
    s.taps = kFirSettingMaxTaps - kFirSettingTapStep * tapsCode;
    s.removeLatency = (byte(6) & 1) != 0;
    return s;
}

void WriteFirWay(SatParamImage& image, int way, const FirWaySettings& s) {
    auto set = [&](int i, int value) { image[static_cast<std::size_t>(FirWayByte(way, i))] = static_cast<std::uint8_t>(value); };
    set(0, s.window);
    set(1, s.lowPassHz >> 8);
    set(2, s.lowPassHz & 0xFF);
    set(3, s.highPassHz >> 8);
    set(4, s.highPassHz & 0xFF);
    set(5, s.attenuationSetting);
    set(6, (((kFirSettingMaxTaps - s.taps) / kFirSettingTapStep) << 1) | (s.removeLatency ? 1 : 0));
}

int XoverModeCode(const SatParamImage& image) {
    const int code = image[sat::kFirMirOutput];
    return code < kXoverModeCodes ? code : 0;
}

int FirStopBand(const SatParamImage& image, int way, bool lowPass) {
    const int slope = image[static_cast<std::size_t>((lowPass ? sat::kOutLpSlope : sat::kOutHpSlope) + way)];
    const int entry = slope - kFirStopBandFirstSlope;
    return entry >= 0 && entry < kFirStopBandCount ? entry : 0;
}

}  // namespace plenum
