// FIR coefficient files: the formats a loading window reads, the result codes of a load, the tap
// counts a crossover FIR accepts and the messages that refuse the others, and the coefficient
// buffer of a loading window.
//
// The format follows from the last three characters of the path, upper-cased ("TXT", "CSV",
// "SAF", "FEQ"); anything else, and a file shorter than 2 bytes, is unreadable (255). Text
// formats are read whole and split into lines at CR and LF; empty lines are left out.
//   TXT  one coefficient per line.
//   CSV  fields separated by ";" and, unless the number setting uses a decimal comma, by ","
//        (with a decimal comma "," is the decimal separator and only ";" separates); the
//        coefficient is the last non-empty field of a line, so "tap;value" and "time,value"
//        exports read as well as one value per line.
//   SAF  a measurement program's export: a header line, then one coefficient per line. The
//        header's first field (fields separated by blanks, tabs or ";") tells two layouts apart:
//        513 marks the counted layout, whose second header field is the tap count N and after
//        which exactly N coefficient lines follow (any other number of lines: 255); any other
//        header is the plain layout, a title line that is skipped. The decimal separator is "."
//        or "," as the application's number setting says.
//   FEQ  packed filter files need a decoding component this application does not have: they are
//        not offered in the open dialog and a load answers 255.
// Coefficients fill the buffer in file order. A line that is not a number makes the file
// unreadable (255); more lines than the window's tap limit stop the load with 2; a value at or
// beyond +-4 stops it with 1 (whichever the file reaches first).
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/Prompter.h"

namespace plenum::fir {

enum class FirFileFormat { Text, Separated, Measurement, Packed, Unknown };
FirFileFormat FirFileFormatOf(std::string_view path);

inline constexpr std::uint8_t kFirLoaded = 0;
inline constexpr std::uint8_t kFirOutOfRange = 1;
inline constexpr std::uint8_t kFirTooManyTaps = 2;
inline constexpr std::uint8_t kFirUnreadable = 255;

inline constexpr int kMaxFirTaps = 1024;
inline constexpr double kFirCoefficientLimit = 4.0;  // every coefficient c: -4 < c < 4
inline constexpr int kSafCountedHeader = 513;
inline constexpr std::array<int, 10> kAcceptedFirTaps{256, 288, 320, 352, 384, 416, 448, 480, 512, 1024};
inline constexpr int kMinFirTaps = 256;

inline constexpr std::string_view kFirOpenFilter = "FIR (*.Txt)|*.txt|FIR (*.Csv)|*.csv|FIR (*.Saf)|*.saf";

struct FirLoadResult {
    std::uint8_t code = kFirUnreadable;
    std::vector<double> coefficients;  // tap 1 first; the tap count is the size
};

// Parses a file's bytes as `format`; the window accepts at most `tapLimit` taps.
FirLoadResult ParseFirFile(FirFileFormat format, std::span<const std::uint8_t> bytes, int tapLimit,
                           bool decimalComma);
// LoadFirFile (window, path): the format from the path, the bytes from the file.
FirLoadResult LoadFirFile(const std::filesystem::path& path, int tapLimit, bool decimalComma);

// Which window words the tap-count messages: the loading windows, or the phase designer's output
// window with its own Chinese texts.
enum class FirMessageSet { Loader, OutputWindow };

// The message that refuses a load (code 1, 2, 255, or a loaded count the crossover does not take:
// fewer than 256, more than the limit, not in the list), in the chosen language; nullopt when the
// load is accepted. A code 2 load is told the window's limit like a count above it.
std::optional<std::string> FirRefusal(const FirLoadResult& result, int tapLimit, FirMessageSet set,
                                      int languageFlag);

// "FIR: Name=" + file name + "; Taps=" + count, and the form without a count.
std::string FirLabel(std::string_view name, int taps);
std::string FirNameLabel(std::string_view name);

// A loading window's coefficient buffer: a load that is refused shows its message (title
// "Error") and leaves the buffer and its name as they were.
class FirCoefficientBuffer {
public:
    explicit FirCoefficientBuffer(int tapLimit, FirMessageSet set = FirMessageSet::Loader)
        : tapLimit_(tapLimit), set_(set) {}

    // True when the file was loaded and accepted. lastCode() keeps the load's result code.
    bool load(const std::filesystem::path& path, Prompter& prompter, int languageFlag, bool decimalComma);

    int tapLimit() const { return tapLimit_; }
    std::uint8_t lastCode() const { return lastCode_; }
    const std::vector<double>& coefficients() const { return coefficients_; }
    int taps() const { return static_cast<int>(coefficients_.size()); }
    const std::string& name() const { return name_; }
    bool empty() const { return coefficients_.empty(); }

private:
    int tapLimit_;
    FirMessageSet set_;
    std::uint8_t lastCode_ = kFirLoaded;
    std::vector<double> coefficients_;
    std::string name_;
};

}  // namespace plenum::fir
