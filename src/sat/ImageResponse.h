// What the loudspeaker plays, read from its parameter image into the response engine: the curves
// the edit windows draw.
//
// A graph response has one channel per path the windows draw:
// - satellite: channel 0 = way LOW, 1 = way HIGH (each the whole chain: input gain, input bands,
//   input crossover, the way's bands, high-pass, low-pass and output gain), 2 = the input alone
//   (input gain, input bands, input crossover: what the three input pages edit);
// - subwoofer: channel 0 = the output (the whole chain), 1 = the input alone.
// The polarity of a channel is the input polarity combined with the way's output polarity, so an
// inverted way whose input is inverted too plays in phase.
//
// How image bytes become sections:
// - a PEQ band is bypassed when bit 7 of its gain byte is set or its equaliser section is
//   bypassed: satellite input bands 0..9 by bit 0 of byte 34 (page "INPUT"), 10..40 by bit 1
//   ("ROOM"), 41..50 by bit 2 ("PRE X-OVER"), a way's bands by bit w of byte 356; subwoofer input
//   bands by bit 0 of byte 33, output bands by bit 0 of byte 76. The gain is bits 0..5 of the
//   gain byte (dB = code / 2 - 15), the Q 0.1 + 0.05 x code, the frequency the 16-bit whole Hz;
// - the input crossover is one high-pass (its factory setting is "Bypass" at 20 Hz: the
//   loudspeaker's subsonic filter); a way has its high-pass and its low-pass;
// - crossover slopes are the IIR cascades of the slope list. The FIR stop-band entries, and the
//   FIR/MIR modes of a way (byte 520), are drawn without a FIR: the way shows its IIR filters as
//   stored, a FIR stop-band entry is flat. The FIR windows draw FIR responses themselves;
// - gains are flat sections of the gain table's dB value (input gain, output gain of the way);
//   mutes, delays and the dynamics (gate, compressor, limiter, make-up) are not drawn: the graph
//   shows the filters and levels a sound engineer sets, the meters show the dynamics.
//
// A design that divides by zero or overflows keeps the slot's previous curve (the engine's rule);
// an unknown type code (a damaged image byte) does the same.
#pragma once

#include <span>

#include "core/DeviceState.h"
#include "dsp/Biquad.h"
#include "dsp/GraphGeometry.h"
#include "dsp/Response.h"
#include "sat/ParamEditor.h"

namespace plenum {

namespace sat_graph {
inline constexpr int kLow = 0;
inline constexpr int kHigh = 1;
inline constexpr int kInput = 2;
inline constexpr int kInputGainSlot = sat_slots::kCount;
constexpr int OutputGainSlot(int way) { return sat_slots::kCount + 1 + way; }
inline constexpr int kSlotCount = sat_slots::kCount + 3;
inline constexpr int kInputSections = 3;
// The input equaliser section (bypass bit of byte 34) of input band 0..50.
constexpr int InputSectionOf(int band) { return band < 10 ? 0 : band <= 40 ? 1 : 2; }
}  // namespace sat_graph

namespace sub_graph {
inline constexpr int kOutput = 0;
inline constexpr int kInput = 1;
inline constexpr int kInputGainSlot = sub_slots::kCount;
inline constexpr int kOutputGainSlot = sub_slots::kCount + 1;
inline constexpr int kSlotCount = sub_slots::kCount + 2;
}  // namespace sub_graph

ResponseLayout SatGraphLayout();
ResponseLayout SubGraphLayout();
inline ResponseLayout GraphLayout(DeviceKind kind) {
    return kind == DeviceKind::Sat ? SatGraphLayout() : SubGraphLayout();
}

// One band as the loudspeaker plays it, bypass bits of the band and of its section included.
// band in the edit window's numbering: satellite 0..50 input, 51..58 output band of `way`;
// subwoofer 0..4 input, 5..12 output.
PeqBand SatPeqBand(const SatParamImage& image, int band, int way);
PeqBand SubPeqBand(const SubParamImage& image, int band);

// The graph handle of a band (same numbering): at its frequency and gain, dimmed when bypassed.
BandHandle SatBandHandle(const SatParamImage& image, int band, int way);
BandHandle SubBandHandle(const SubParamImage& image, int band);

// The response slot of a band (same numbering).
int SatBandSlot(int band, int way);
int SubBandSlot(int band);

// Fills every slot and the polarities of a response opened with the matching layout.
void LoadResponse(DeviceResponse& response, const SatParamImage& image);
void LoadResponse(DeviceResponse& response, const SubParamImage& image);

// After an edit: recomputes only what the family touches (one band for a PEQ band or a band
// drag, the section's bands for a section bypass, one filter, one gain, the polarities); the
// families the graph does not show change nothing. RecallFactory, StoreState and anything that
// replaces the whole image want LoadResponse.
void RefreshResponse(DeviceResponse& response, const SatParamImage& image, ParamFamily family,
                     const ParamAddress& address);
void RefreshResponse(DeviceResponse& response, const SubParamImage& image, ParamFamily family,
                     const ParamAddress& address);
// Every send of an edit's result (ParamEditor's EditResult::sends).
void RefreshResponse(DeviceResponse& response, const SatParamImage& image, std::span<const EditTarget> sends);
void RefreshResponse(DeviceResponse& response, const SubParamImage& image, std::span<const EditTarget> sends);

// The satellite's crossover graph draws LOW, HIGH and the path a listener on the axis hears:
// the two ways' acoustic sum, added as complex values point by point (polarities applied). For a
// matched Linkwitz-Riley pair this sum is the all-pass of the slope (flat magnitude, the
// all-pass's phase), so the crossover graph shows that all-pass path; any other pairing shows
// its real dip or bump. Magnitude in dB (a cancellation gives -4000 dB, Log10Safe's floor), the
// phase wrapped like DrawnPhaseDeg; both spans hold kPointCount values.
void SummedWaysResponse(const DeviceResponse& response, std::span<double> magnitudeDb, std::span<double> phaseDeg);

}  // namespace plenum
