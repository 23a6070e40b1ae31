// Importing a measured response (the IR import window): SMAART and RiTA text exports, parsed into
// rows, then conditioned onto the measurement grid and reduced to the display grid.
//
// Both exports are plain text with the extension ".txt" (compared upper-cased; any other file is
// refused before it is opened). The first line, upper-cased, containing "FREQUENCY,VALUES" marks a
// RiTA export, whose data start on the second line; anything else is read as a SMAART export,
// whose data follow three header lines. Empty lines are left out everywhere. A data line holds
// at least four fields: frequency in Hz, magnitude in dB, phase in degrees, and a fourth column
// (SMAART's coherence) that is kept but not used; further fields are ignored. Fields are
// separated by tabs, blanks, ";" and "," — in a SMAART export with a decimal comma the "," is
// the decimal separator instead. No field is replaced: a line with fewer than four fields or a
// field that is not a number makes the file wrong, and so do fewer than two rows and frequencies
// that do not rise. Every failure is "Wrong File" and keeps the previous import.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/Prompter.h"

namespace plenum::fir {

enum class IrFormat { Smaart, Rita };

struct IrRow {
    double frequencyHz = 0;
    double magnitudeDb = 0;
    double phaseDeg = 0;
    double fourth = 0;
    bool operator==(const IrRow&) const = default;
};

struct IrMeasurement {
    IrFormat format = IrFormat::Smaart;
    std::vector<IrRow> rows;
};

inline constexpr std::string_view kRitaMarker = "FREQUENCY,VALUES";
inline constexpr std::size_t kSmaartHeaderLines = 3;
inline constexpr std::string_view kIrOpenFilter = "SMAART IR(*.Txt)|*.txt|RiTA IR(*.Txt)|*.txt";

// True for a path whose extension is ".txt" in any case.
bool IsIrFileName(const std::filesystem::path& path);
std::optional<IrMeasurement> ParseIrText(std::span<const std::uint8_t> bytes, bool decimalComma);
// Refuses anything but ".txt" without opening it, then reads and parses the file.
std::optional<IrMeasurement> LoadIrFile(const std::filesystem::path& path, bool decimalComma);

// The measurement grid: 32769 bins of a 65536-point transform at 48 kHz; the display grid is its
// every fourth bin, the first 6827 bins of the 16384-point grid (f_k = k * 48000 / 16384).
inline constexpr std::size_t kMeasureBins = 32769;
inline constexpr double kMeasureBinHz = 48000.0 / 65536.0;
inline constexpr std::size_t kDisplayPoints = 6827;
inline constexpr std::size_t kDisplayStride = 4;

// The numeric steps of the conditioning, so that the numeric component can be plugged in.
// Magnitudes are linear, phases in degrees; every function works on whole curves.
struct IrNumerics {
    std::function<std::vector<double>(std::span<const double> phaseDeg)> unwrapPhase;
    std::function<std::vector<double>(std::span<const double> phaseDeg)> wrapPhase;
    // The measured points onto the measurement grid (kMeasureBins bins each).
    std::function<void(std::span<const double> frequencyHz, std::span<const double> magnitude,
                       std::span<const double> phaseDeg, std::vector<double>& magnitudeOut,
                       std::vector<double>& phaseOut)>
        interpolate;
    // Fractional-octave smoothing of both curves between 20 Hz and 20 kHz, in place; 1/N octave
    // is passed as N. Empty: the curve stays unsmoothed.
    std::function<void(std::vector<double>& magnitude, std::vector<double>& phaseDeg, int octaveDivisor)> smooth;
    std::function<std::vector<double>(std::span<const double> magnitude)> magnitudeToDb;
};

// Plain versions of every step but the smoothing, which stays empty: phase unwrap (steps of more
// than 180 degrees taken as wraps) and wrap into (-180, 180], linear interpolation in frequency
// (the first and last measured values held beyond the measured range), 20 log10 with a floor at
// -200 dB.
IrNumerics BasicIrNumerics();

// The conditioned curve on the display grid.
struct IrCurve {
    std::vector<double> frequencyHz;
    std::vector<double> magnitudeDb;
    std::vector<double> phaseDeg;
};

// Unwraps and wraps the measured phase, converts the magnitude from dB to linear, interpolates
// onto the measurement grid, smooths (when a divisor is given and a smoothing is plugged in),
// converts to dB, wraps the phase and keeps every fourth bin for the display grid.
IrCurve ConditionIr(const IrMeasurement& measurement, const IrNumerics& numerics,
                    std::optional<int> octaveDivisor);

// The import window's file step: a refused or unreadable file shows "Wrong File" (title " Error")
// and returns nullopt, leaving whatever the caller imported before.
std::optional<IrMeasurement> ImportIrFile(const std::filesystem::path& path, Prompter& prompter, int languageFlag,
                                          bool decimalComma);

}  // namespace plenum::fir
