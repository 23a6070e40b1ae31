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

// The conditioned curve on the display grid.
struct IrCurve {
    std::vector<double> frequencyHz;
    std::vector<double> magnitudeDb;
    std::vector<double> phaseDeg;
};

// Converts the magnitude from dB to linear, unwraps the phase, resamples both onto the
// measurement grid, smooths them over `widthOctaves` (0: not smoothed) between 20 Hz and 20 kHz,
// converts to dB, wraps the phase and keeps every fourth bin for the display grid. Nothing when
// the numeric chain refuses the curve (a width it does not take).
std::optional<IrCurve> ConditionIr(const IrMeasurement& measurement, double widthOctaves);

// The import window's file step: a refused or unreadable file shows "Wrong File" (title " Error")
// and returns nullopt, leaving whatever the caller imported before.
std::optional<IrMeasurement> ImportIrFile(const std::filesystem::path& path, Prompter& prompter, int languageFlag,
                                          bool decimalComma);

}  // namespace plenum::fir
