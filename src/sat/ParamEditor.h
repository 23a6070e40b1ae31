// Typed values into a device's image: the edit paths shared by the edit windows and plenumctl.
// Each operation validates everything first (a refused value changes nothing), converts the value
// to the device's code, writes the image (or status record) and returns the commands to send.
//
// Codes this application chooses for settings the device documents only by range:
// - gate: byte 26 threshold position (-90..-60 dB in 5 dB steps), byte 27 release position in
//   30..1000 ms, bits 0..6 of byte 28 attack position in 1..1000 ms, bit 7 of 28 on;
// - DLF: amount 0..100 in bits 0..6 with bit 7 on (satellite byte 30, subwoofer byte 29); the
//   satellite's byte 29 is the DLF reference (0..100);
// - compressor (input at 327..333, output ways in the arrays at 474..485): release code, ratio
//   position (ratio - 1), threshold -dB with bit 7 on, attack code, make-up in 0.5 dB steps, a
//   reserved byte; byte 327 is the input compressor's automatic flag, and each output way keeps
//   its own in the two-element array at 472 + way (placed before the way arrays as 327 sits
//   before 328), so no compressor's switch reaches another's;
// - limiter per way: bits 0..6 of 490+way threshold -dB with bit 7 on, 488+way attack code,
//   486+way release code;
// - output make-up: (dB + 12) * 2 in 494+way (subwoofer 127); 517+way couples the two ways;
// - noise generator: status 222 enable, 223 type, 224 level -dB;
// - PEQ band bypass: bit 7 of the band's gain byte (the gain code uses bits 0..5);
// - subwoofer output delay, mute and polarity (its one output, way 0): the delay in bytes 67, 68,
//   69 (whole ms high, low, extra samples; the three bytes between the output gain and the output
//   filters), 0..40 ms (13.932 m); the mute in bit 0 of byte 128 and the polarity in bit 0 of
//   byte 129 (1 = inverted; the two bytes after the make-up gain, other bits left alone). They
//   travel in the satellite's output-way forms with way 0: delay 2 / 1, 0, U[67], U[68], U[69];
//   mute 3 / 1, 0, bit 0 of U[128]; polarity 4 / 1, 0, bit 0 of U[129].
#pragma once

#include <optional>
#include <vector>

#include "core/AppContext.h"
#include "core/Texts.h"
#include "sat/ParamCommands.h"

namespace plenum {

enum class Refusal { None, WrongValue, WrongQ, WrongFrequency, WrongAttenuation };
// The message a device family's edit window shows for a refusal: the satellite's and the
// subwoofer's windows word it differently.
const MessageText& RefusalText(Refusal refusal, DeviceKind kind);

struct EditTarget {
    ParamFamily family;
    ParamAddress address;
};

struct EditResult {
    Refusal refusal = Refusal::None;
    std::vector<EditTarget> sends;
    bool ok() const { return refusal == Refusal::None; }
};

inline constexpr int kSatSlopeMax = 12;  // IIR slopes a satellite offers
inline constexpr int kSubSlopeMax = 8;
inline constexpr int kPeqBypassBit = 0x80;

class ParamEditor {
public:
    ParamEditor(AppContext& ctx, int slot);
    DeviceKind kind() const { return kind_; }
    const MessageText& refusalText(Refusal refusal) const { return RefusalText(refusal, kind_); }

    EditResult inputGainDb(double db);
    EditResult outputGainDb(int way, double db);
    EditResult sourceGainDb(int source, double db);  // source 0 or 1: image byte 18 + source
    EditResult inputSource(std::optional<int> choice, std::optional<int> danteChannel);
    EditResult inputMute(bool muted);
    EditResult outputMute(int way, bool muted);
    EditResult inputPolarity(bool inverted);
    EditResult outputPolarity(int way, bool inverted);
    EditResult inputDelay(double value, bool metres = false);
    EditResult outputDelay(int way, double value, bool metres = false);

    struct PeqChange {
        std::optional<int> type{};
        std::optional<double> frequencyHz{};
        std::optional<double> q{};
        std::optional<double> gainDb{};
        std::optional<bool> bypass{};
    };
    // band in the edit window's numbering: satellite 0..50 input, 51..58 output of `way`;
    // subwoofer 0..4 input, 5..12 output.
    EditResult peqBand(int band, int way, const PeqChange& change);
    EditResult inputEqBypass(int section, bool bypassed);
    EditResult outputEqBypass(int way, bool bypassed);
    EditResult inputCrossover(std::optional<int> slope, std::optional<double> frequencyHz);
    EditResult outputFilter(int way, bool lowPass, std::optional<int> slope, std::optional<double> frequencyHz);

    EditResult gate(std::optional<bool> on, std::optional<double> thresholdDb, std::optional<int> attackMs,
                    std::optional<int> releaseMs);
    EditResult dlf(std::optional<bool> on, std::optional<double> amount, std::optional<double> reference);
    struct CompressorChange {
        std::optional<bool> on{};
        std::optional<bool> automatic{};
        std::optional<double> thresholdDb{};
        std::optional<int> ratio{};  // 1..32 (1:1 .. 32:1)
        std::optional<double> makeUpDb{};
        std::optional<int> attackCode{};
        std::optional<int> releaseCode{};
    };
    // way -1: the input compressor; 0 / 1 an output way (satellite).
    EditResult compressor(int way, const CompressorChange& change);
    EditResult limiter(int way, std::optional<bool> on, std::optional<double> thresholdDb);
    EditResult outputLimiter(int way, int code);
    EditResult makeUpDb(int way, double db);
    EditResult roomCorrection(double value);
    EditResult noise(std::optional<bool> on, std::optional<int> type, std::optional<double> levelDb);

    // Crossover FIR settings of a satellite (FirSettings.h): the output crossover mode (byte 520,
    // command 31), a way's FIR design settings (both ways' 14 bytes as one block write), the
    // stop-band entry of a FIR side (its slope byte, the side's crossover command) and the FIR
    // enable of a way (status byte 380, command 13). A FIR frequency outside 250..20000 Hz is
    // refused as a wrong frequency, an attenuation outside 0..99 as a wrong attenuation.
    EditResult xoverMode(int code);
    struct FirWayChange {
        std::optional<int> window{};
        std::optional<double> lowPassHz{};
        std::optional<double> highPassHz{};
        std::optional<double> attenuationSetting{};
        std::optional<int> taps{};
        std::optional<bool> removeLatency{};
    };
    // A frequency that would make the device read the way as empty (FirWayReadsEmpty) and refill it
    // with the defaults is kept 1 Hz higher instead (1024 Hz is kept as 1025 Hz): the user asked for
    // that frequency and 1 Hz is inaudible, while losing the whole way's settings is not. The moved
    // side is the LOW way's low-pass when the change sets only that, otherwise the high-pass.
    EditResult firWay(int way, const FirWayChange& change);
    EditResult firStopBand(int way, bool lowPass, int entry);
    EditResult firEnable(int way, bool on);

private:
    std::uint8_t& image(int offset);
    std::uint8_t& status(int offset);
    bool wayValid(int way) const;
    // Sets or clears the flag a one-flag family (output mute, polarity) carries for `way`, where
    // the family's table row puts it.
    EditResult outputFlag(ParamFamily family, int way, bool set);

    AppContext& ctx_;
    int slot_;
    DeviceKind kind_;
};

}  // namespace plenum
