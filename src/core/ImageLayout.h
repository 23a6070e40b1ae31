// Byte offsets of the satellite (576-byte) and subwoofer (192-byte) parameter images. The images
// are the loudspeaker's memory from address 384, so these offsets are part of the device interface.
#pragma once

namespace plenum {

inline constexpr int kProgramNameLength = 16;

namespace sat {
inline constexpr int kProgramName = 0;
inline constexpr int kProgramLock = 16;
inline constexpr int kInputConfig = 17;  // 17 flags, 18 and 19 source gains
inline constexpr int kInputGain = 20;
inline constexpr int kInputMute = 21;
inline constexpr int kPolarity = 22;
inline constexpr int kInputDelay = 23;  // ms high, ms low, samples
inline constexpr int kGate = 26;        // 26, 27, 28 (bit 7 of 28 = on)
inline constexpr int kDlf = 29;         // 29, 30 (bit 7 of 30 = on)
inline constexpr int kInputXover = 31;  // slope, freq high, freq low
inline constexpr int kInputEqBypass = 34;
inline constexpr int kInputBands = 51;
inline constexpr int kInPeqType = 35;
inline constexpr int kInPeqFreqHigh = 86;
inline constexpr int kInPeqFreqLow = 137;
inline constexpr int kInPeqQ = 188;
inline constexpr int kInPeqGain = 239;
inline constexpr int kCompressorAuto = 327;
inline constexpr int kCompressor = 328;  // 328..333
inline constexpr int kOutputGain = 334;  // + way
inline constexpr int kOutputMutes = 336;
inline constexpr int kOutputPolarities = 337;
inline constexpr int kOutDelayHigh = 338;  // + way
inline constexpr int kOutDelayLow = 340;
inline constexpr int kOutDelaySamples = 342;
inline constexpr int kOutHpSlope = 344;  // + way
inline constexpr int kOutHpFreqHigh = 346;
inline constexpr int kOutHpFreqLow = 348;
inline constexpr int kOutLpSlope = 350;
inline constexpr int kOutLpFreqHigh = 352;
inline constexpr int kOutLpFreqLow = 354;
inline constexpr int kOutputEqBypass = 356;
inline constexpr int kOutputBands = 8;  // per way
inline constexpr int kOutPeqType = 357;  // + band*2 + way
inline constexpr int kOutPeqFreqHigh = 373;
inline constexpr int kOutPeqFreqLow = 389;
inline constexpr int kOutPeqQ = 405;
inline constexpr int kOutPeqGain = 421;
inline constexpr int kOutCompressorAuto = 472;  // + way: automatic flag of the way's compressor
inline constexpr int kOutCompressor = 474;      // six 2-element arrays 474..485
inline constexpr int kLimiterThird = 486;   // + way
inline constexpr int kLimiterFirst = 488;
inline constexpr int kLimiterSecond = 490;  // bit 7 = on
inline constexpr int kHLimiter = 492;       // + way
inline constexpr int kMakeUp = 494;         // + way, sent with kMakeUpPartner + way
inline constexpr int kMakeUpPartner = 517;
inline constexpr int kRoomCorrection = 500;
inline constexpr int kFirDesign = 503;  // 503..516, way 0 even offsets from 503, way 1 from 504
inline constexpr int kProgramSystem = 519;
inline constexpr int kFirMirOutput = 520;
inline constexpr int kBandsTotal = 59;  // edit-window band numbers 0..58

constexpr int OutPeqOffset(int base, int band, int way) { return base + band * 2 + way; }
}  // namespace sat

namespace sub {
inline constexpr int kProgramName = 0;
inline constexpr int kProgramLock = 16;
inline constexpr int kInputConfig = 17;
inline constexpr int kInputGain = 20;
inline constexpr int kInputMute = 21;
inline constexpr int kPolarity = 22;
inline constexpr int kInputDelay = 23;
inline constexpr int kGate = 26;
inline constexpr int kDlf = 29;
inline constexpr int kInputXover = 30;
inline constexpr int kInputEqBypass = 33;
inline constexpr int kInputBands = 5;
inline constexpr int kInPeqType = 34;
inline constexpr int kInPeqFreqHigh = 39;
inline constexpr int kInPeqFreqLow = 44;
inline constexpr int kInPeqQ = 49;
inline constexpr int kInPeqGain = 54;
inline constexpr int kCompressorAuto = 59;
inline constexpr int kCompressor = 60;
inline constexpr int kOutputGain = 66;
inline constexpr int kOutDelay = 67;  // ms high, ms low, samples
inline constexpr int kOutHp = 70;  // slope, freq high, freq low
inline constexpr int kOutLp = 73;
inline constexpr int kOutputEqBypass = 76;
inline constexpr int kOutputBands = 8;
inline constexpr int kOutPeqType = 77;
inline constexpr int kOutPeqFreqHigh = 85;
inline constexpr int kOutPeqFreqLow = 93;
inline constexpr int kOutPeqQ = 101;
inline constexpr int kOutPeqGain = 109;
inline constexpr int kOutCompressor = 117;  // 117..122
inline constexpr int kLimiter = 123;        // 123..125
inline constexpr int kHLimiter = 126;
inline constexpr int kMakeUp = 127;
inline constexpr int kOutputMute = 128;      // bit 0
inline constexpr int kOutputPolarity = 129;  // bit 0, 1 = inverted
inline constexpr int kBandsTotal = 13;  // edit-window band numbers 0..12
}  // namespace sub

}  // namespace plenum
