// A satellite's crossover FIR settings as its image keeps them: the output crossover mode (byte
// 520) and, per output way, the seven FIR design bytes at 503..516 (way 0 at 503, 505, ... 515,
// way 1 at 504, 506, ... 516; byte i of a way at 503 + way + 2 i):
//   i = 0      FIR window type (FirWindow code 0..10)
//   i = 1, 2   frequency of the way's low-pass FIR side, Hz, high and low byte
//   i = 3, 4   frequency of the way's high-pass FIR side, Hz, high and low byte
//   i = 5      attenuation setting in dB, added to 21 dB for the adjustable windows (0..99)
//   i = 6      bit 0: the latency switch ("Remove FIR/MIR latency" ON); bits 1..4: the tap count
//              as (512 - taps) / 32, so 0 is 512 taps and 8 is 256
// The device's defaults (4, 78, 32, 0, 250, 59, 1) read as: Hamming, low-pass at 20000 Hz,
// high-pass at 250 Hz (a way left open between the FIR limits), 80 dB for an adjustable window,
// 512 taps, latency removed.
//
// A FIR side keeps its own frequency here, apart from the IIR filter of the same side (bytes
// 344..355), because the two ranges differ (FIR 250..20000 Hz, IIR 20..20000 Hz): switching a
// side between IIR and FIR never clamps the other's value. The way's FIR sides share the window,
// attenuation, taps and latency switch.
//
// The stop-band choice of a FIR side ("---", "-40dB NXF" ... "<-75dB NXF") continues the slope
// list after the IIR slopes, so it is the side's slope byte (344 + way high-pass, 350 + way
// low-pass) holding 13 + the entry's position; a slope byte below 13 shows "---".
//
// The device refills a way with the defaults when it reads it as empty (FirDefaults.h), which
// includes a high-pass frequency whose low byte is 0 (a multiple of 256 Hz) on way 1; the editor
// never writes such a value (ParamEditor::firWay).
#pragma once

#include <array>
#include <optional>

#include "core/DeviceState.h"

namespace plenum {

inline constexpr int kXoverModeCodes = 4;  // byte 520: 0 IIR, 1 FIR + HP, 2 MIR, 3 FIR + LP
inline constexpr int kFirStopBandFirstSlope = 13;
inline constexpr int kFirStopBandCount = 9;
inline constexpr int kFirWindowCodes = 11;
inline constexpr int kFirSettingMinHz = 250;
inline constexpr int kFirSettingMaxHz = 20000;
inline constexpr int kFirAttenuationSettingMax = 99;
inline constexpr int kFirSettingMaxTaps = 512;
inline constexpr int kFirSettingMinTaps = 256;
inline constexpr int kFirSettingTapStep = 32;

struct FirWaySettings {
    int window = 4;
    int lowPassHz = 20000;
    int highPassHz = 250;
    int attenuationSetting = 59;
    int taps = 512;
    bool removeLatency = true;
    bool operator==(const FirWaySettings&) const = default;
};

// Whether a value can be kept in the bytes (ranges above; taps 256..512 in steps of 32).
bool FirWaySettingsValid(const FirWaySettings& settings);
bool FirTapsValid(int taps);

// Reads a way's settings; a byte outside its range reads as the nearest value that is valid.
FirWaySettings ReadFirWay(const SatParamImage& image, int way);
// Precondition: FirWaySettingsValid(settings).
void WriteFirWay(SatParamImage& image, int way, const FirWaySettings& settings);
// The image offsets of byte i of a way's design bytes.
constexpr int FirWayByte(int way, int i) { return 503 + way + 2 * i; }

int XoverModeCode(const SatParamImage& image);  // byte 520, 0 when out of range

// The FIR side whose frequency the edit window's FIR frequency entry edits: the FIR side of the
// FIR + HP (1) and FIR + LP (3) modes; otherwise the side facing the other way (the LOW way's
// low-pass, the HIGH way's high-pass). True for the low-pass side.
constexpr bool FirEntryIsLowPass(int modeCode, int way) {
    if (modeCode == 1) return false;
    if (modeCode == 3) return true;
    return way == 0;
}

// The stop-band entry of a side's slope byte: 0 ("---") for an IIR slope code.
int FirStopBand(const SatParamImage& image, int way, bool lowPass);

}  // namespace plenum
