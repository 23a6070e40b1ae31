#include "sat/ImageResponse.h"

#include <cmath>
#include <complex>

#include "core/ImageLayout.h"
#include "core/ValueCodecs.h"

namespace plenum {

namespace {

constexpr int kGainCodeMask = 0x3F;
constexpr int kFirstOutputBandSat = sat::kInputBands;  // edit-window number of output band 0
constexpr int kFirstOutputBandSub = sub::kInputBands;

template <std::size_t N>
std::uint8_t At(const ByteImage<N>& image, int offset) {
    return image[static_cast<std::size_t>(offset)];
}

template <std::size_t N>
double Frequency(const ByteImage<N>& image, int highOffset, int lowOffset) {
    return At(image, highOffset) * 256.0 + At(image, lowOffset);
}

bool Bit(std::uint8_t byte, int bit) { return ((byte >> bit) & 1) != 0; }

// A band from its five bytes (type, frequency high and low, Q code, gain byte).
template <std::size_t N>
PeqBand BandAt(const ByteImage<N>& image, int type, int high, int low, int q, int gain, bool sectionBypassed) {
    PeqBand band;
    band.typeCode = At(image, type);
    band.frequencyHz = Frequency(image, high, low);
    band.q = QFromCode(At(image, q));
    band.gainDb = PeqGainDb(At(image, gain) & kGainCodeMask);
    band.bypass = (sectionBypassed || Bit(At(image, gain), 7)) ? 1 : 0;
    return band;
}

// A level as a section: b0 carries the gain, no frequency dependence, no phase.
BiquadCoefficients GainSection(int gainIndex) {
    BiquadCoefficients c;
    c.b0 = std::pow(10.0, GainTableDb(gainIndex) / 20.0);
    return c;
}

void SetGain(DeviceResponse& response, int slot, int gainIndex) {
    if (gainIndex == kGainIndexZeroDb) {
        response.SetFlat(slot);
        return;
    }
    response.SetSection(slot, GainSection(gainIndex), MagnitudeRule::Evaluate);
}

void AddRange(std::vector<int>& slots, int first, int count) {
    for (int i = 0; i < count; ++i) slots.push_back(first + i);
}

// ---- Satellite -------------------------------------------------------------------------------

void SatBand(DeviceResponse& r, const SatParamImage& image, int band, int way) {
    r.SetPeqBand(SatBandSlot(band, way), SatPeqBand(image, band, way));
}

void SatInputSection(DeviceResponse& r, const SatParamImage& image, int section) {
    for (int band = 0; band < sat::kInputBands; ++band)
        if (sat_graph::InputSectionOf(band) == section) SatBand(r, image, band, 0);
}

void SatWayBands(DeviceResponse& r, const SatParamImage& image, int way) {
    for (int b = 0; b < sat::kOutputBands; ++b) SatBand(r, image, kFirstOutputBandSat + b, way);
}

void SatInputCrossover(DeviceResponse& r, const SatParamImage& image) {
    r.SetCrossover(sat_slots::kInputXover, At(image, sat::kInputXover), false,
                   Frequency(image, sat::kInputXover + 1, sat::kInputXover + 2));
}

void SatOutputFilter(DeviceResponse& r, const SatParamImage& image, int way, bool lowPass) {
    if (lowPass) {
        r.SetCrossover(sat_slots::OutputLowPass(way), At(image, sat::kOutLpSlope + way), true,
                       Frequency(image, sat::kOutLpFreqHigh + way, sat::kOutLpFreqLow + way));
    } else {
        r.SetCrossover(sat_slots::OutputHighPass(way), At(image, sat::kOutHpSlope + way), false,
                       Frequency(image, sat::kOutHpFreqHigh + way, sat::kOutHpFreqLow + way));
    }
}

void SatPolarities(DeviceResponse& r, const SatParamImage& image) {
    const bool input = At(image, sat::kPolarity) != 0;
    for (int way = 0; way < 2; ++way) r.SetPolarityInverted(way, input != Bit(At(image, sat::kOutputPolarities), way));
    r.SetPolarityInverted(sat_graph::kInput, input);
}

// ---- Subwoofer -------------------------------------------------------------------------------

void SubBand(DeviceResponse& r, const SubParamImage& image, int band) {
    r.SetPeqBand(SubBandSlot(band), SubPeqBand(image, band));
}

void SubInputCrossover(DeviceResponse& r, const SubParamImage& image) {
    r.SetCrossover(sub_slots::kInputXover, At(image, sub::kInputXover), false,
                   Frequency(image, sub::kInputXover + 1, sub::kInputXover + 2));
}

void SubOutputFilter(DeviceResponse& r, const SubParamImage& image, bool lowPass) {
    const int base = lowPass ? sub::kOutLp : sub::kOutHp;
    r.SetCrossover(lowPass ? sub_slots::kOutputLowPass : sub_slots::kOutputHighPass, At(image, base), lowPass,
                   Frequency(image, base + 1, base + 2));
}

void SubPolarities(DeviceResponse& r, const SubParamImage& image) {
    const bool input = At(image, sub::kPolarity) != 0;
    r.SetPolarityInverted(sub_graph::kOutput, input != Bit(At(image, sub::kOutputPolarity), 0));
    r.SetPolarityInverted(sub_graph::kInput, input);
}

}  // namespace

ResponseLayout SatGraphLayout() {
    ResponseLayout layout = SatelliteLayout();
    layout.slotCount = sat_graph::kSlotCount;
    for (int way = 0; way < 2; ++way) {
        auto& slots = layout.channels[static_cast<std::size_t>(way)];
        slots.push_back(sat_graph::kInputGainSlot);
        slots.push_back(sat_graph::OutputGainSlot(way));
    }
    std::vector<int> input;
    AddRange(input, sat_slots::InputBand(0), sat_slots::kInputBands);
    AddRange(input, sat_slots::kInputXover, kMaxXoverSections);
    input.push_back(sat_graph::kInputGainSlot);
    layout.channels.push_back(std::move(input));
    return layout;
}

ResponseLayout SubGraphLayout() {
    ResponseLayout layout = SubwooferLayout();
    layout.slotCount = sub_graph::kSlotCount;
    layout.channels[0].push_back(sub_graph::kInputGainSlot);
    layout.channels[0].push_back(sub_graph::kOutputGainSlot);
    std::vector<int> input;
    AddRange(input, sub_slots::InputBand(0), sub_slots::kInputBands);
    AddRange(input, sub_slots::kInputXover, kMaxXoverSections);
    input.push_back(sub_graph::kInputGainSlot);
    layout.channels.push_back(std::move(input));
    return layout;
}

PeqBand SatPeqBand(const SatParamImage& image, int band, int way) {
    if (band < kFirstOutputBandSat) {
        const bool section = Bit(At(image, sat::kInputEqBypass), sat_graph::InputSectionOf(band));
        return BandAt(image, sat::kInPeqType + band, sat::kInPeqFreqHigh + band, sat::kInPeqFreqLow + band,
                      sat::kInPeqQ + band, sat::kInPeqGain + band, section);
    }
    const int b = band - kFirstOutputBandSat;
    const bool section = Bit(At(image, sat::kOutputEqBypass), way);
    return BandAt(image, sat::OutPeqOffset(sat::kOutPeqType, b, way), sat::OutPeqOffset(sat::kOutPeqFreqHigh, b, way),
                  sat::OutPeqOffset(sat::kOutPeqFreqLow, b, way), sat::OutPeqOffset(sat::kOutPeqQ, b, way),
                  sat::OutPeqOffset(sat::kOutPeqGain, b, way), section);
}

PeqBand SubPeqBand(const SubParamImage& image, int band) {
    if (band < kFirstOutputBandSub) {
        return BandAt(image, sub::kInPeqType + band, sub::kInPeqFreqHigh + band, sub::kInPeqFreqLow + band,
                      sub::kInPeqQ + band, sub::kInPeqGain + band, Bit(At(image, sub::kInputEqBypass), 0));
    }
    const int b = band - kFirstOutputBandSub;
    return BandAt(image, sub::kOutPeqType + b, sub::kOutPeqFreqHigh + b, sub::kOutPeqFreqLow + b, sub::kOutPeqQ + b,
                  sub::kOutPeqGain + b, Bit(At(image, sub::kOutputEqBypass), 0));
}

BandHandle SatBandHandle(const SatParamImage& image, int band, int way) {
    const PeqBand b = SatPeqBand(image, band, way);
    return BandHandleOf(band, b.frequencyHz, b.gainDb, b.typeCode, b.isBypassed());
}

BandHandle SubBandHandle(const SubParamImage& image, int band) {
    const PeqBand b = SubPeqBand(image, band);
    return BandHandleOf(band, b.frequencyHz, b.gainDb, b.typeCode, b.isBypassed());
}

int SatBandSlot(int band, int way) {
    return band < kFirstOutputBandSat ? sat_slots::InputBand(band) : sat_slots::OutputBand(way, band - kFirstOutputBandSat);
}

int SubBandSlot(int band) {
    return band < kFirstOutputBandSub ? sub_slots::InputBand(band) : sub_slots::OutputBand(band - kFirstOutputBandSub);
}

void LoadResponse(DeviceResponse& r, const SatParamImage& image) {
    for (int band = 0; band < sat::kInputBands; ++band) SatBand(r, image, band, 0);
    SatInputCrossover(r, image);
    SetGain(r, sat_graph::kInputGainSlot, At(image, sat::kInputGain));
    for (int way = 0; way < 2; ++way) {
        SatWayBands(r, image, way);
        SatOutputFilter(r, image, way, false);
        SatOutputFilter(r, image, way, true);
        SetGain(r, sat_graph::OutputGainSlot(way), At(image, sat::kOutputGain + way));
    }
    SatPolarities(r, image);
}

void LoadResponse(DeviceResponse& r, const SubParamImage& image) {
    for (int band = 0; band < sub::kBandsTotal; ++band) SubBand(r, image, band);
    SubInputCrossover(r, image);
    SubOutputFilter(r, image, false);
    SubOutputFilter(r, image, true);
    SetGain(r, sub_graph::kInputGainSlot, At(image, sub::kInputGain));
    SetGain(r, sub_graph::kOutputGainSlot, At(image, sub::kOutputGain));
    SubPolarities(r, image);
}

void RefreshResponse(DeviceResponse& r, const SatParamImage& image, ParamFamily family, const ParamAddress& a) {
    const int way = a.way == 1 ? 1 : 0;
    switch (family) {
    case ParamFamily::InputPeqBand: SatBand(r, image, a.band, 0); break;
    case ParamFamily::OutputPeqBand: SatBand(r, image, kFirstOutputBandSat + a.band, way); break;
    case ParamFamily::InputEqBypass: SatInputSection(r, image, a.section); break;
    case ParamFamily::OutputEqBypass: SatWayBands(r, image, way); break;
    case ParamFamily::InputCrossover: SatInputCrossover(r, image); break;
    case ParamFamily::OutputHighPass: SatOutputFilter(r, image, way, false); break;
    case ParamFamily::OutputLowPass: SatOutputFilter(r, image, way, true); break;
    case ParamFamily::InputGain: SetGain(r, sat_graph::kInputGainSlot, At(image, sat::kInputGain)); break;
    case ParamFamily::OutputGain:
        SetGain(r, sat_graph::OutputGainSlot(way), At(image, sat::kOutputGain + way));
        break;
    case ParamFamily::InputPolarity:
    case ParamFamily::OutputPolarity: SatPolarities(r, image); break;
    default: break;
    }
}

void RefreshResponse(DeviceResponse& r, const SubParamImage& image, ParamFamily family, const ParamAddress& a) {
    switch (family) {
    case ParamFamily::InputPeqBand: SubBand(r, image, a.band); break;
    case ParamFamily::OutputPeqBand: SubBand(r, image, kFirstOutputBandSub + a.band); break;
    case ParamFamily::InputEqBypass:
        for (int band = 0; band < kFirstOutputBandSub; ++band) SubBand(r, image, band);
        break;
    case ParamFamily::OutputEqBypass:
        for (int band = kFirstOutputBandSub; band < sub::kBandsTotal; ++band) SubBand(r, image, band);
        break;
    case ParamFamily::InputCrossover: SubInputCrossover(r, image); break;
    case ParamFamily::OutputHighPass: SubOutputFilter(r, image, false); break;
    case ParamFamily::OutputLowPass: SubOutputFilter(r, image, true); break;
    case ParamFamily::InputGain: SetGain(r, sub_graph::kInputGainSlot, At(image, sub::kInputGain)); break;
    case ParamFamily::OutputGain: SetGain(r, sub_graph::kOutputGainSlot, At(image, sub::kOutputGain)); break;
    case ParamFamily::InputPolarity:
    case ParamFamily::OutputPolarity: SubPolarities(r, image); break;
    default: break;
    }
}

void RefreshResponse(DeviceResponse& r, const SatParamImage& image, std::span<const EditTarget> sends) {
    for (const auto& send : sends) RefreshResponse(r, image, send.family, send.address);
}

void RefreshResponse(DeviceResponse& r, const SubParamImage& image, std::span<const EditTarget> sends) {
    for (const auto& send : sends) RefreshResponse(r, image, send.family, send.address);
}

void SummedWaysResponse(const DeviceResponse& r, std::span<double> magnitudeDb, std::span<double> phaseDeg) {
    constexpr double kRadPerDeg = kPi / 180.0;
    const auto magLow = r.summedMagnitudeDb(sat_graph::kLow), magHigh = r.summedMagnitudeDb(sat_graph::kHigh);
    const auto phLow = r.summedPhaseDeg(sat_graph::kLow), phHigh = r.summedPhaseDeg(sat_graph::kHigh);
    const double flipLow = r.polarityInverted(sat_graph::kLow) ? 180.0 : 0.0;
    const double flipHigh = r.polarityInverted(sat_graph::kHigh) ? 180.0 : 0.0;
    PhaseWrapState wrap;
    for (std::size_t k = 0; k < static_cast<std::size_t>(FrequencyGrid::kPointCount); ++k) {
        const std::complex<double> sum =
            std::polar(std::pow(10.0, magLow[k] / 20.0), (phLow[k] - flipLow) * kRadPerDeg) +
            std::polar(std::pow(10.0, magHigh[k] / 20.0), (phHigh[k] - flipHigh) * kRadPerDeg);
        magnitudeDb[k] = 20.0 * Log10Safe(std::abs(sum));
        phaseDeg[k] = PhaseWrapStep(wrap, std::arg(sum) / kRadPerDeg, k == 0);
    }
}

}  // namespace plenum
