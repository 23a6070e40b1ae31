#include "fir/IrImport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>

#include "dsp/MeasureConditioning.h"
#include "fir/FirTexts.h"
#include "fir/NumberText.h"

namespace plenum::fir {
namespace {

constexpr std::uintmax_t kMaxFileBytes = 64u << 20;
constexpr std::size_t kIrColumns = 4;

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

std::vector<std::string_view> Fields(std::string_view line, std::string_view separators) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start <= line.size()) {
        const auto end = line.find_first_of(separators, start);
        const auto field = line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!field.empty()) fields.push_back(field);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return fields;
}

std::optional<IrRow> ParseRow(std::string_view line, std::string_view separators, bool decimalComma) {
    const auto fields = Fields(line, separators);
    if (fields.size() < kIrColumns) return std::nullopt;
    std::array<double, kIrColumns> values{};
    for (std::size_t i = 0; i < kIrColumns; ++i) {
        const auto value = ParseDecimal(fields[i], decimalComma);
        if (!value) return std::nullopt;
        values[i] = *value;
    }
    return IrRow{values[0], values[1], values[2], values[3]};
}

}  // namespace

bool IsIrFileName(const std::filesystem::path& path) { return Upper(path.extension().string()) == ".TXT"; }

std::optional<IrMeasurement> ParseIrText(std::span<const std::uint8_t> bytes, bool decimalComma) {
    if (bytes.size() < 2) return std::nullopt;
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const auto lines = TextLines(text);
    if (lines.empty()) return std::nullopt;
    IrMeasurement measurement;
    std::size_t first = kSmaartHeaderLines;
    std::string_view separators = decimalComma ? "\t ;" : "\t ;,";
    if (Upper(lines.front()).find(kRitaMarker) != std::string::npos) {
        measurement.format = IrFormat::Rita;
        first = 1;
        separators = "\t ;,";
        decimalComma = false;
    }
    if (lines.size() <= first) return std::nullopt;
    for (std::size_t i = first; i < lines.size(); ++i) {
        const auto row = ParseRow(lines[i], separators, decimalComma);
        if (!row) return std::nullopt;
        if (!measurement.rows.empty() && row->frequencyHz <= measurement.rows.back().frequencyHz) return std::nullopt;
        if (row->frequencyHz < 0) return std::nullopt;
        measurement.rows.push_back(*row);
    }
    if (measurement.rows.size() < 2) return std::nullopt;
    return measurement;
}

std::optional<IrMeasurement> LoadIrFile(const std::filesystem::path& path, bool decimalComma) {
    if (!IsIrFileName(path)) return std::nullopt;
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size < 2 || size > kMaxFileBytes) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::uintmax_t>(in.gcount()) != size) return std::nullopt;
    return ParseIrText(bytes, decimalComma);
}

std::optional<IrCurve> ConditionIr(const IrMeasurement& measurement, double widthOctaves) {
    const std::size_t n = measurement.rows.size();
    std::vector<double> frequency(n), magnitude(n), phase(n);
    for (std::size_t i = 0; i < n; ++i) {
        frequency[i] = measurement.rows[i].frequencyHz;
        magnitude[i] = std::pow(10.0, measurement.rows[i].magnitudeDb / 20.0);
        phase[i] = measurement.rows[i].phaseDeg;
    }
    ConditionedCurve conditioned;
    if (ConditionMeasurement(frequency, magnitude, phase, widthOctaves, conditioned) != 0) return std::nullopt;
    IrCurve curve;
    curve.magnitudeDb = MeasurementToDisplayGrid(conditioned.magnitudeDb);
    curve.phaseDeg = MeasurementToDisplayGrid(conditioned.phaseDeg);
    curve.frequencyHz.resize(curve.magnitudeDb.size());
    for (std::size_t k = 0; k < curve.frequencyHz.size(); ++k)
        curve.frequencyHz[k] = static_cast<double>(k * kDisplayStride) * kMeasureBinHz;
    return curve;
}

std::optional<IrMeasurement> ImportIrFile(const std::filesystem::path& path, Prompter& prompter, int languageFlag,
                                          bool decimalComma) {
    auto measurement = LoadIrFile(path, decimalComma);
    if (!measurement) Tell(prompter, languageFlag, texts::kIrWrongFile);
    return measurement;
}

}  // namespace plenum::fir
