#include "fir/IrImport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>

#include "fir/FirTexts.h"
#include "fir/NumberText.h"

namespace plenum::fir {
namespace {

constexpr std::uintmax_t kMaxFileBytes = 64u << 20;
constexpr std::size_t kIrColumns = 4;
constexpr double kFloorDb = -200.0;

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

double Wrap(double degrees) {
    double wrapped = std::fmod(degrees, 360.0);
    if (wrapped > 180.0) wrapped -= 360.0;
    if (wrapped <= -180.0) wrapped += 360.0;
    return wrapped;
}

std::vector<double> Unwrap(std::span<const double> phaseDeg) {
    std::vector<double> out(phaseDeg.begin(), phaseDeg.end());
    double offset = 0;
    for (std::size_t i = 1; i < out.size(); ++i) {
        const double step = phaseDeg[i] - phaseDeg[i - 1];
        if (step > 180.0) offset -= 360.0 * std::ceil((step - 180.0) / 360.0);
        if (step < -180.0) offset += 360.0 * std::ceil((-step - 180.0) / 360.0);
        out[i] = phaseDeg[i] + offset;
    }
    return out;
}

void Interpolate(std::span<const double> frequencyHz, std::span<const double> magnitude,
                 std::span<const double> phaseDeg, std::vector<double>& magnitudeOut, std::vector<double>& phaseOut) {
    const std::vector<double> phase = Unwrap(phaseDeg);
    magnitudeOut.assign(kMeasureBins, 0.0);
    phaseOut.assign(kMeasureBins, 0.0);
    std::size_t upper = 0;
    for (std::size_t bin = 0; bin < kMeasureBins; ++bin) {
        const double f = static_cast<double>(bin) * kMeasureBinHz;
        while (upper < frequencyHz.size() && frequencyHz[upper] < f) ++upper;
        if (upper == 0) {
            magnitudeOut[bin] = magnitude.front(), phaseOut[bin] = phase.front();
        } else if (upper == frequencyHz.size()) {
            magnitudeOut[bin] = magnitude.back(), phaseOut[bin] = phase.back();
        } else {
            const std::size_t lower = upper - 1;
            const double t = (f - frequencyHz[lower]) / (frequencyHz[upper] - frequencyHz[lower]);
            magnitudeOut[bin] = magnitude[lower] + t * (magnitude[upper] - magnitude[lower]);
            phaseOut[bin] = phase[lower] + t * (phase[upper] - phase[lower]);
        }
    }
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

IrNumerics BasicIrNumerics() {
    IrNumerics numerics;
    numerics.unwrapPhase = [](std::span<const double> phase) { return Unwrap(phase); };
    numerics.wrapPhase = [](std::span<const double> phase) {
        std::vector<double> out(phase.size());
        std::transform(phase.begin(), phase.end(), out.begin(), Wrap);
        return out;
    };
    numerics.interpolate = Interpolate;
    numerics.magnitudeToDb = [](std::span<const double> magnitude) {
        std::vector<double> out(magnitude.size());
        std::transform(magnitude.begin(), magnitude.end(), out.begin(), [](double m) {
            return m > 0 ? std::max(kFloorDb, 20.0 * std::log10(m)) : kFloorDb;
        });
        return out;
    };
    return numerics;
}

IrCurve ConditionIr(const IrMeasurement& measurement, const IrNumerics& numerics, std::optional<int> octaveDivisor) {
    const std::size_t n = measurement.rows.size();
    std::vector<double> frequency(n), magnitude(n), phase(n);
    for (std::size_t i = 0; i < n; ++i) {
        frequency[i] = measurement.rows[i].frequencyHz;
        magnitude[i] = std::pow(10.0, measurement.rows[i].magnitudeDb / 20.0);
        phase[i] = measurement.rows[i].phaseDeg;
    }
    phase = numerics.wrapPhase(numerics.unwrapPhase(phase));
    std::vector<double> gridMagnitude, gridPhase;
    numerics.interpolate(frequency, magnitude, phase, gridMagnitude, gridPhase);
    if (octaveDivisor && numerics.smooth) numerics.smooth(gridMagnitude, gridPhase, *octaveDivisor);
    const std::vector<double> magnitudeDb = numerics.magnitudeToDb(gridMagnitude);
    const std::vector<double> wrapped = numerics.wrapPhase(gridPhase);

    IrCurve curve;
    curve.frequencyHz.reserve(kDisplayPoints);
    curve.magnitudeDb.reserve(kDisplayPoints);
    curve.phaseDeg.reserve(kDisplayPoints);
    for (std::size_t k = 0; k < kDisplayPoints; ++k) {
        const std::size_t bin = k * kDisplayStride;
        curve.frequencyHz.push_back(static_cast<double>(bin) * kMeasureBinHz);
        curve.magnitudeDb.push_back(magnitudeDb[bin]);
        curve.phaseDeg.push_back(wrapped[bin]);
    }
    return curve;
}

std::optional<IrMeasurement> ImportIrFile(const std::filesystem::path& path, Prompter& prompter, int languageFlag,
                                          bool decimalComma) {
    auto measurement = LoadIrFile(path, decimalComma);
    if (!measurement) Tell(prompter, languageFlag, texts::kIrWrongFile);
    return measurement;
}

}  // namespace plenum::fir
