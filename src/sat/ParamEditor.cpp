#include "sat/ParamEditor.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "core/ImageLayout.h"
#include "core/ValueCodecs.h"
#include "sat/FirDefaults.h"
#include "sat/FirSettings.h"

namespace plenum {
namespace {

// The refusal texts of each device family's edit window, by Refusal.
struct RefusalTexts {
    const MessageText* wrongValue;
    const MessageText* wrongQ;
    const MessageText* wrongFrequency;
    const MessageText* wrongAttenuation;
};
constexpr RefusalTexts kSatRefusals{&texts::kWrongValue, &texts::kWrongQ, &texts::kWrongFrequency,
                                    &texts::kWrongAttenuation};
constexpr RefusalTexts kSubRefusals{&texts::kIncorrectValue, &texts::kIncorrectQ, &texts::kIncorrectValue,
                                    &texts::kIncorrectValue};

EditResult Refused(Refusal refusal = Refusal::WrongValue) { return {refusal, {}}; }
EditResult Send(ParamFamily family, ParamAddress address = {}) { return {Refusal::None, {{family, address}}}; }

bool Finite(double v) { return std::isfinite(v); }
bool InRange(double v, const ValueRange& range) { return Finite(v) && range.contains(v); }

template <std::size_t N>
std::optional<std::uint8_t> ListPosition(const std::array<int, N>& list, int value) {
    const auto it = std::find(list.begin(), list.end(), value);
    if (it == list.end()) return std::nullopt;
    return static_cast<std::uint8_t>(it - list.begin());
}

std::uint8_t WithBit(std::uint8_t byte, int bit, bool set) {
    return static_cast<std::uint8_t>(set ? byte | (1 << bit) : byte & ~(1 << bit));
}

std::uint8_t MakeUpCode(double db) { return static_cast<std::uint8_t>(std::lround((db + 12.0) * 2.0)); }

}  // namespace

const MessageText& RefusalText(Refusal refusal, DeviceKind kind) {
    const RefusalTexts& family = kind == DeviceKind::Sub ? kSubRefusals : kSatRefusals;
    switch (refusal) {
        case Refusal::WrongQ: return *family.wrongQ;
        case Refusal::WrongFrequency: return *family.wrongFrequency;
        case Refusal::WrongAttenuation: return *family.wrongAttenuation;
        default: return *family.wrongValue;
    }
}

ParamEditor::ParamEditor(AppContext& ctx, int slot) : ctx_(ctx), slot_(slot), kind_(KindOf(ctx.device(slot))) {}

std::uint8_t& ParamEditor::image(int offset) {
    const auto index = static_cast<std::size_t>(slot_);
    return kind_ == DeviceKind::Sub ? ctx_.subImage[index][static_cast<std::size_t>(offset)]
                                    : ctx_.satImage[index][static_cast<std::size_t>(offset)];
}

std::uint8_t& ParamEditor::status(int offset) { return ctx_.statusOf(slot_)[static_cast<std::size_t>(offset)]; }

bool ParamEditor::wayValid(int way) const { return way == 0 || (kind_ == DeviceKind::Sat && way == 1); }

EditResult ParamEditor::inputGainDb(double db) {
    if (!InRange(db, ranges::kInputGainDb)) return Refused();
    image(sat::kInputGain) = static_cast<std::uint8_t>(GainIndexNearest(db));
    return Send(ParamFamily::InputGain);
}

EditResult ParamEditor::outputGainDb(int way, double db) {
    if (!wayValid(way) || !InRange(db, ranges::kInputGainDb)) return Refused();
    const int offset = kind_ == DeviceKind::Sub ? sub::kOutputGain : sat::kOutputGain + way;
    image(offset) = static_cast<std::uint8_t>(GainIndexNearest(db));
    return Send(ParamFamily::OutputGain, {way, 0, 0, 0});
}

EditResult ParamEditor::sourceGainDb(int source, double db) {
    if ((source != 0 && source != 1) || !InRange(db, ranges::kSourceGainDb)) return Refused();
    image(18 + source) = static_cast<std::uint8_t>(GainIndexNearest(db, kGainIndexZeroDb));
    return Send(ParamFamily::Input);
}

EditResult ParamEditor::inputSource(std::optional<int> choice, std::optional<int> danteChannel) {
    if ((choice && *choice != 0 && *choice != 1) || (danteChannel && *danteChannel != 0 && *danteChannel != 1))
        return Refused();
    std::uint8_t flags = image(sat::kInputConfig);
    // Choice 0 is bit 0, choice 1 bit 3; Dante left is bit 4, right bit 5.
    if (choice) flags = WithBit(WithBit(flags, 0, *choice == 0), 3, *choice == 1);
    if (danteChannel) flags = WithBit(WithBit(flags, 4, *danteChannel == 0), 5, *danteChannel == 1);
    image(sat::kInputConfig) = flags;
    return Send(ParamFamily::Input);
}

EditResult ParamEditor::inputMute(bool muted) {
    image(sat::kInputMute) = muted ? 1 : 0;
    return Send(ParamFamily::InputMute);
}

EditResult ParamEditor::outputFlag(ParamFamily family, int way, bool set) {
    const ParamAddress address{way, 0, 0, 0};
    if (!AddressValid(family, kind_, address)) return Refused();
    const CarriedBytes carried = BytesCarried(family, kind_, address);
    assert(carried.image.size() == 1 && "a one-flag family");
    std::uint8_t& byte = image(carried.image.front().offset);
    const std::uint8_t mask = carried.image.front().mask;
    byte = static_cast<std::uint8_t>(set ? byte | mask : byte & ~mask);
    return Send(family, address);
}

EditResult ParamEditor::outputMute(int way, bool muted) { return outputFlag(ParamFamily::OutputMute, way, muted); }

EditResult ParamEditor::inputPolarity(bool inverted) {
    image(sat::kPolarity) = inverted ? 1 : 0;
    return Send(ParamFamily::InputPolarity);
}

EditResult ParamEditor::outputPolarity(int way, bool inverted) {
    return outputFlag(ParamFamily::OutputPolarity, way, inverted);
}

EditResult ParamEditor::inputDelay(double value, bool metres) {
    if (!Finite(value) || value < 0) return Refused();
    const double maxMs = kind_ == DeviceKind::Sub ? kSubInputDelayMaxMs : kSatInputDelayMaxMs;
    const DelayCode code = metres ? SplitDelayMetres(value, maxMs) : SplitDelayMs(value, maxMs);
    image(sat::kInputDelay) = code.high();
    image(sat::kInputDelay + 1) = code.low();
    image(sat::kInputDelay + 2) = code.samples;
    return Send(ParamFamily::InputDelay);
}

EditResult ParamEditor::outputDelay(int way, double value, bool metres) {
    const ParamAddress address{way, 0, 0, 0};
    if (!AddressValid(ParamFamily::OutputDelay, kind_, address) || !Finite(value) || value < 0) return Refused();
    const DelayCode code = metres ? SplitDelayMetres(value, kOutputDelayMaxMs) : SplitDelayMs(value, kOutputDelayMaxMs);
    // The table lists the way's delay bytes in payload order: whole ms high, low, extra samples.
    const CarriedBytes carried = BytesCarried(ParamFamily::OutputDelay, kind_, address);
    assert(carried.image.size() == 3);
    image(carried.image[0].offset) = code.high();
    image(carried.image[1].offset) = code.low();
    image(carried.image[2].offset) = code.samples;
    return Send(ParamFamily::OutputDelay, address);
}

EditResult ParamEditor::peqBand(int band, int way, const PeqChange& change) {
    const bool sat = kind_ == DeviceKind::Sat;
    const int inputBands = sat ? sat::kInputBands : sub::kInputBands;
    const int totalBands = sat ? sat::kBandsTotal : sub::kBandsTotal;
    if (band < 0 || band >= totalBands || !wayValid(way)) return Refused();
    if (change.type && (*change.type < 0 || *change.type >= kPeqTypeCount)) return Refused();
    if (change.frequencyHz && !InRange(*change.frequencyHz, ranges::kFrequencyHz))
        return Refused(Refusal::WrongFrequency);
    if (change.q && !(Finite(*change.q) && *change.q >= QFromCode(0) - 1e-9 && *change.q <= QFromCode(255) + 1e-9))
        return Refused(Refusal::WrongQ);
    if (change.gainDb && !InRange(*change.gainDb, ranges::kPeqGainDb)) return Refused();

    const bool input = band < inputBands;
    const int b = input ? band : band - inputBands;
    // Offsets of the five band bytes: type, frequency high and low, Q, gain.
    std::array<int, 5> at{};
    if (sat && input) {
        at = {sat::kInPeqType + b, sat::kInPeqFreqHigh + b, sat::kInPeqFreqLow + b, sat::kInPeqQ + b, sat::kInPeqGain + b};
    } else if (sat) {
        at = {sat::OutPeqOffset(sat::kOutPeqType, b, way), sat::OutPeqOffset(sat::kOutPeqFreqHigh, b, way),
              sat::OutPeqOffset(sat::kOutPeqFreqLow, b, way), sat::OutPeqOffset(sat::kOutPeqQ, b, way),
              sat::OutPeqOffset(sat::kOutPeqGain, b, way)};
    } else if (input) {
        at = {sub::kInPeqType + b, sub::kInPeqFreqHigh + b, sub::kInPeqFreqLow + b, sub::kInPeqQ + b, sub::kInPeqGain + b};
    } else {
        at = {sub::kOutPeqType + b, sub::kOutPeqFreqHigh + b, sub::kOutPeqFreqLow + b, sub::kOutPeqQ + b,
              sub::kOutPeqGain + b};
    }
    if (change.type) image(at[0]) = static_cast<std::uint8_t>(*change.type);
    if (change.frequencyHz) {
        const FrequencyBytes f = SplitFrequency(*change.frequencyHz);
        image(at[1]) = f.high;
        image(at[2]) = f.low;
    }
    if (change.q) image(at[3]) = static_cast<std::uint8_t>(QCodeNearest(*change.q));
    std::uint8_t gain = image(at[4]);
    if (change.gainDb) gain = static_cast<std::uint8_t>((gain & kPeqBypassBit) | PeqGainCode(*change.gainDb));
    if (change.bypass) gain = WithBit(gain, 7, *change.bypass);
    image(at[4]) = gain;
    if (input) return Send(ParamFamily::InputPeqBand, {0, b, 0, 0});
    return Send(ParamFamily::OutputPeqBand, {sat ? way : 0, b, 0, 0});
}

EditResult ParamEditor::inputEqBypass(int section, bool bypassed) {
    const int sections = kind_ == DeviceKind::Sat ? 3 : 1;
    if (section < 0 || section >= sections) return Refused();
    const int offset = kind_ == DeviceKind::Sat ? sat::kInputEqBypass : sub::kInputEqBypass;
    image(offset) = WithBit(image(offset), section, bypassed);
    return Send(ParamFamily::InputEqBypass, {0, 0, section, 0});
}

EditResult ParamEditor::outputEqBypass(int way, bool bypassed) {
    if (!wayValid(way)) return Refused();
    const int offset = kind_ == DeviceKind::Sat ? sat::kOutputEqBypass : sub::kOutputEqBypass;
    image(offset) = WithBit(image(offset), way, bypassed);
    return Send(ParamFamily::OutputEqBypass, {way, 0, 0, 0});
}

EditResult ParamEditor::inputCrossover(std::optional<int> slope, std::optional<double> frequencyHz) {
    const int maxSlope = kind_ == DeviceKind::Sat ? kSatSlopeMax : kSubSlopeMax;
    if (slope && (*slope < 0 || *slope > maxSlope)) return Refused();
    if (frequencyHz && !InRange(*frequencyHz, ranges::kFrequencyHz)) return Refused(Refusal::WrongFrequency);
    const int base = kind_ == DeviceKind::Sat ? sat::kInputXover : sub::kInputXover;
    if (slope) image(base) = static_cast<std::uint8_t>(*slope);
    if (frequencyHz) {
        const FrequencyBytes f = SplitFrequency(*frequencyHz);
        image(base + 1) = f.high;
        image(base + 2) = f.low;
    }
    return Send(ParamFamily::InputCrossover);
}

EditResult ParamEditor::outputFilter(int way, bool lowPass, std::optional<int> slope, std::optional<double> frequencyHz) {
    const int maxSlope = kind_ == DeviceKind::Sat ? kSatSlopeMax : kSubSlopeMax;
    if (!wayValid(way) || (slope && (*slope < 0 || *slope > maxSlope))) return Refused();
    if (frequencyHz && !InRange(*frequencyHz, ranges::kFrequencyHz)) return Refused(Refusal::WrongFrequency);
    std::array<int, 3> at{};  // slope, frequency high, frequency low
    if (kind_ == DeviceKind::Sat) {
        at = lowPass ? std::array{sat::kOutLpSlope + way, sat::kOutLpFreqHigh + way, sat::kOutLpFreqLow + way}
                     : std::array{sat::kOutHpSlope + way, sat::kOutHpFreqHigh + way, sat::kOutHpFreqLow + way};
    } else {
        const int base = lowPass ? sub::kOutLp : sub::kOutHp;
        at = {base, base + 1, base + 2};
    }
    if (slope) image(at[0]) = static_cast<std::uint8_t>(*slope);
    if (frequencyHz) {
        const FrequencyBytes f = SplitFrequency(*frequencyHz);
        image(at[1]) = f.high;
        image(at[2]) = f.low;
    }
    return Send(lowPass ? ParamFamily::OutputLowPass : ParamFamily::OutputHighPass, {way, 0, 0, 0});
}

EditResult ParamEditor::gate(std::optional<bool> on, std::optional<double> thresholdDb, std::optional<int> attackMs,
                             std::optional<int> releaseMs) {
    std::optional<std::uint8_t> threshold, attack, release;
    if (thresholdDb) {
        if (!InRange(*thresholdDb, ranges::kGateThresholdDb)) return Refused();
        threshold = static_cast<std::uint8_t>(std::lround((*thresholdDb + 90.0) / 5.0));
    }
    if (attackMs && !(attack = ListPosition(kGateList28, *attackMs))) return Refused();
    if (releaseMs && !(release = ListPosition(kGateList27, *releaseMs))) return Refused();
    if (threshold) image(26) = *threshold;
    if (release) image(27) = *release;
    std::uint8_t byte28 = image(28);
    if (attack) byte28 = static_cast<std::uint8_t>((byte28 & 0x80) | *attack);
    if (on) byte28 = WithBit(byte28, 7, *on);
    image(28) = byte28;
    return Send(ParamFamily::Gate);
}

EditResult ParamEditor::dlf(std::optional<bool> on, std::optional<double> amount, std::optional<double> reference) {
    if (amount && !InRange(*amount, ranges::kDlf)) return Refused();
    if (reference && (kind_ != DeviceKind::Sat || !InRange(*reference, ranges::kDlf))) return Refused();
    const int offset = kind_ == DeviceKind::Sat ? 30 : 29;
    std::uint8_t byte = image(offset);
    if (amount) byte = static_cast<std::uint8_t>((byte & 0x80) | std::lround(*amount));
    if (on) byte = WithBit(byte, 7, *on);
    image(offset) = byte;
    if (reference) image(29) = static_cast<std::uint8_t>(std::lround(*reference));
    return Send(ParamFamily::Dlf);
}

EditResult ParamEditor::compressor(int way, const CompressorChange& c) {
    const bool output = way >= 0;
    if (output && (kind_ != DeviceKind::Sat || !wayValid(way))) return Refused();
    if (c.thresholdDb && !InRange(*c.thresholdDb, ranges::kCompressorThresholdDb)) return Refused();
    if (c.ratio && !InRange(*c.ratio, ranges::kCompressorRatio)) return Refused();
    if (c.makeUpDb && !InRange(*c.makeUpDb, ranges::kCompressorMakeUpDb)) return Refused();
    if ((c.attackCode && (*c.attackCode < 0 || *c.attackCode > 255)) ||
        (c.releaseCode && (*c.releaseCode < 0 || *c.releaseCode > 255)))
        return Refused();
    // Field f of the input compressor is at base + f; of an output way at 474 + 2f + way.
    const int base = kind_ == DeviceKind::Sat ? sat::kCompressor : sub::kCompressor;
    auto field = [&](int f) -> std::uint8_t& { return output ? image(sat::kOutCompressor + 2 * f + way) : image(base + f); };
    if (c.releaseCode) field(0) = static_cast<std::uint8_t>(*c.releaseCode);
    if (c.ratio) field(1) = static_cast<std::uint8_t>(*c.ratio - 1);
    std::uint8_t threshold = field(2);
    if (c.thresholdDb) threshold = static_cast<std::uint8_t>((threshold & 0x80) | std::lround(-*c.thresholdDb));
    if (c.on) threshold = WithBit(threshold, 7, *c.on);
    field(2) = threshold;
    if (c.attackCode) field(3) = static_cast<std::uint8_t>(*c.attackCode);
    if (c.makeUpDb) field(4) = static_cast<std::uint8_t>(std::lround(*c.makeUpDb * 2.0));
    if (c.automatic) {
        const int autoOffset = output ? sat::kOutCompressorAuto + way
                                      : (kind_ == DeviceKind::Sat ? sat::kCompressorAuto : sub::kCompressorAuto);
        image(autoOffset) = *c.automatic;
    }
    if (output) return Send(ParamFamily::OutputCompressor, {way, 0, 0, 0});
    return Send(ParamFamily::InputCompressor);
}

EditResult ParamEditor::limiter(int way, std::optional<bool> on, std::optional<double> thresholdDb) {
    if (!wayValid(way)) return Refused();
    if (thresholdDb && !InRange(*thresholdDb, ranges::kLimiterThresholdDb)) return Refused();
    const int offset = kind_ == DeviceKind::Sat ? sat::kLimiterSecond + way : sub::kLimiter + 2;
    std::uint8_t byte = image(offset);
    if (thresholdDb) byte = static_cast<std::uint8_t>((byte & 0x80) | std::lround(-*thresholdDb));
    if (on) byte = WithBit(byte, 7, *on);
    image(offset) = byte;
    return Send(ParamFamily::Limiter, {way, 0, 0, 0});
}

EditResult ParamEditor::outputLimiter(int way, int code) {
    if (!wayValid(way) || code < 0 || code > 255) return Refused();
    image(kind_ == DeviceKind::Sat ? sat::kHLimiter + way : sub::kHLimiter) = static_cast<std::uint8_t>(code);
    return Send(ParamFamily::OutputLimiter, {way, 0, 0, 0});
}

EditResult ParamEditor::makeUpDb(int way, double db) {
    const ValueRange range = kind_ == DeviceKind::Sat ? ranges::kSatOutputMakeUpDb : ranges::kSubOutputMakeUpDb;
    if (!wayValid(way) || !InRange(db, range)) return Refused();
    image(kind_ == DeviceKind::Sat ? sat::kMakeUp + way : sub::kMakeUp) = MakeUpCode(db);
    return Send(ParamFamily::MakeUpGain, {way, 0, 0, 0});
}

EditResult ParamEditor::roomCorrection(double value) {
    if (kind_ != DeviceKind::Sat || !InRange(value, ranges::kRoomCorrection)) return Refused();
    image(sat::kRoomCorrection) = static_cast<std::uint8_t>(std::lround(value));
    return Send(ParamFamily::RoomCorrection);
}

EditResult ParamEditor::noise(std::optional<bool> on, std::optional<int> type, std::optional<double> levelDb) {
    if (type && (*type < 0 || *type > 1)) return Refused();
    if (levelDb && !InRange(*levelDb, ranges::kNoiseLevelDb)) return Refused();
    if (on) status(status::kNoiseEnable) = *on ? 1 : 0;
    if (type) status(status::kNoiseType) = static_cast<std::uint8_t>(*type);
    if (levelDb) status(status::kNoiseLevel) = static_cast<std::uint8_t>(std::lround(-*levelDb));
    return Send(ParamFamily::NoiseGenerator);
}

EditResult ParamEditor::xoverMode(int code) {
    if (kind_ != DeviceKind::Sat || code < 0 || code >= kXoverModeCodes) return Refused();
    image(sat::kFirMirOutput) = static_cast<std::uint8_t>(code);
    return Send(ParamFamily::FirOutput);
}

EditResult ParamEditor::firWay(int way, const FirWayChange& change) {
    if (kind_ != DeviceKind::Sat || !wayValid(way)) return Refused();
    SatParamImage& sat = ctx_.satImage[static_cast<std::size_t>(slot_)];
    FirWaySettings settings = ReadFirWay(sat, way);
    auto firFrequency = [](double hz) { return Finite(hz) && hz >= kFirSettingMinHz && hz <= kFirSettingMaxHz; };
    if ((change.lowPassHz && !firFrequency(*change.lowPassHz)) || (change.highPassHz && !firFrequency(*change.highPassHz)))
        return Refused(Refusal::WrongFrequency);
    if (change.attenuationSetting &&
        !(Finite(*change.attenuationSetting) && *change.attenuationSetting >= 0 &&
          *change.attenuationSetting <= kFirAttenuationSettingMax))
        return Refused(Refusal::WrongAttenuation);
    if (change.window) settings.window = *change.window;
    if (change.lowPassHz) settings.lowPassHz = static_cast<int>(std::lround(*change.lowPassHz));
    if (change.highPassHz) settings.highPassHz = static_cast<int>(std::lround(*change.highPassHz));
    if (change.attenuationSetting) settings.attenuationSetting = static_cast<int>(std::lround(*change.attenuationSetting));
    if (change.taps) settings.taps = *change.taps;
    if (change.removeLatency) settings.removeLatency = *change.removeLatency;
    if (!FirWaySettingsValid(settings)) return Refused();
    SatParamImage written = sat;
    WriteFirWay(written, way, settings);
    if (FirWayReadsEmpty(written, way)) {
        // Every multiple of 256 Hz in the FIR range is at most 19968 Hz, so one more stays in range.
        int& moved = way == 0 && change.lowPassHz && !change.highPassHz ? settings.lowPassHz : settings.highPassHz;
        moved += 1;
        WriteFirWay(written, way, settings);
    }
    sat = written;
    return Send(ParamFamily::FirDesign);
}

EditResult ParamEditor::firStopBand(int way, bool lowPass, int entry) {
    if (kind_ != DeviceKind::Sat || !wayValid(way) || entry < 0 || entry >= kFirStopBandCount) return Refused();
    image((lowPass ? sat::kOutLpSlope : sat::kOutHpSlope) + way) = static_cast<std::uint8_t>(kFirStopBandFirstSlope + entry);
    return Send(lowPass ? ParamFamily::OutputLowPass : ParamFamily::OutputHighPass, {way, 0, 0, 0});
}

EditResult ParamEditor::firEnable(int way, bool on) {
    if (kind_ != DeviceKind::Sat || !wayValid(way)) return Refused();
    status(status::kFirEnabled) = WithBit(status(status::kFirEnabled), way, on);
    return Send(ParamFamily::FirEnable, {way, 0, 0, 0});
}

}  // namespace plenum
