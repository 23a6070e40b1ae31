#include "fir/FirFile.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <iterator>

#include "fir/FirTexts.h"
#include "fir/NumberText.h"

namespace plenum::fir {
namespace {

// No coefficient file comes near this; a bigger one is not a coefficient file.
constexpr std::uintmax_t kMaxFileBytes = 16u << 20;

std::vector<std::string_view> Fields(std::string_view line, std::string_view separators) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start <= line.size()) {
        const auto end = line.find_first_of(separators, start);
        const auto field = TrimBlanks(line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (!field.empty()) fields.push_back(field);
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return fields;
}

// Reads the coefficient lines in order with the count and range checks.
FirLoadResult ReadCoefficients(std::span<const std::string_view> lines, int tapLimit, bool decimalComma,
                               std::string_view separators) {
    FirLoadResult result;
    for (std::string_view line : lines) {
        std::string_view field = line;
        if (!separators.empty()) {
            const auto fields = Fields(line, separators);
            if (fields.empty()) return {};
            field = fields.back();
        }
        if (static_cast<int>(result.coefficients.size()) >= tapLimit) return {kFirTooManyTaps, {}};
        const auto value = ParseDecimal(field, decimalComma);
        if (!value) return {};
        if (*value >= kFirCoefficientLimit || *value <= -kFirCoefficientLimit) return {kFirOutOfRange, {}};
        result.coefficients.push_back(*value);
    }
    result.code = kFirLoaded;
    return result;
}

FirLoadResult ReadMeasurementExport(std::span<const std::string_view> lines, int tapLimit, bool decimalComma) {
    if (lines.empty()) return {};
    const auto header = Fields(lines.front(), " \t;");
    const auto body = lines.subspan(1);
    const auto marker = header.empty() ? std::nullopt : ParseDecimal(header.front(), decimalComma);
    if (!marker || *marker != kSafCountedHeader) return ReadCoefficients(body, tapLimit, decimalComma, {});
    const auto count = header.size() >= 2 ? ParseDecimal(header[1], decimalComma) : std::nullopt;
    if (!count || *count < 0) return {};
    if (*count > tapLimit) return {kFirTooManyTaps, {}};
    if (*count != std::floor(*count)) return {};
    if (static_cast<double>(body.size()) != *count) return {};
    return ReadCoefficients(body, tapLimit, decimalComma, {});
}

}  // namespace

FirFileFormat FirFileFormatOf(std::string_view path) {
    if (path.size() < 3) return FirFileFormat::Unknown;
    std::string last(path.substr(path.size() - 3));
    for (char& c : last) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (last == "TXT") return FirFileFormat::Text;
    if (last == "CSV") return FirFileFormat::Separated;
    if (last == "SAF") return FirFileFormat::Measurement;
    if (last == "FEQ") return FirFileFormat::Packed;
    return FirFileFormat::Unknown;
}

FirLoadResult ParseFirFile(FirFileFormat format, std::span<const std::uint8_t> bytes, int tapLimit,
                           bool decimalComma) {
    if (bytes.size() < 2) return {};
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const auto lines = TextLines(text);
    switch (format) {
        case FirFileFormat::Text:
            return ReadCoefficients(lines, tapLimit, decimalComma, {});
        case FirFileFormat::Separated:
            return ReadCoefficients(lines, tapLimit, decimalComma, decimalComma ? ";" : ",;");
        case FirFileFormat::Measurement:
            return ReadMeasurementExport(lines, tapLimit, decimalComma);
        case FirFileFormat::Packed:  // no decoding component
        case FirFileFormat::Unknown:
            break;
    }
    return {};
}

FirLoadResult LoadFirFile(const std::filesystem::path& path, int tapLimit, bool decimalComma) {
    const FirFileFormat format = FirFileFormatOf(path.string());
    if (format == FirFileFormat::Unknown || format == FirFileFormat::Packed) return {};
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error || size < 2 || size > kMaxFileBytes) return {};
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::uintmax_t>(in.gcount()) != size) return {};
    return ParseFirFile(format, bytes, tapLimit, decimalComma);
}

std::optional<std::string> FirRefusal(const FirLoadResult& result, int tapLimit, FirMessageSet set,
                                      int languageFlag) {
    const bool output = set == FirMessageSet::OutputWindow;
    const std::string limit = std::to_string(tapLimit);
    auto text = [&](const Bilingual& message, std::initializer_list<std::string_view> values = {}) {
        return FillText(message.pick(languageFlag), values);
    };
    switch (result.code) {
        case kFirLoaded:
            break;
        case kFirOutOfRange:
            return text(texts::kFirOutOfRange);
        case kFirTooManyTaps:
            return text(output ? texts::kFirMaxTapsOutput : texts::kFirMaxTaps, {limit});
        default:
            return text(texts::kFirWrongFile);
    }
    const int taps = static_cast<int>(result.coefficients.size());
    if (taps < kMinFirTaps) return text(output ? texts::kFirMinTapsOutput : texts::kFirMinTaps);
    if (taps > tapLimit) return text(output ? texts::kFirMaxTapsOutput : texts::kFirMaxTaps, {limit});
    if (std::find(kAcceptedFirTaps.begin(), kAcceptedFirTaps.end(), taps) == kAcceptedFirTaps.end())
        return text(output ? texts::kFirTapChoiceOutput : texts::kFirTapChoice, {texts::kFirTapList});
    return std::nullopt;
}

std::string FirLabel(std::string_view name, int taps) {
    return FillText(texts::kFirLabel.en, {name, std::to_string(taps)});
}

std::string FirNameLabel(std::string_view name) { return FillText(texts::kFirNameLabel.en, {name}); }

bool FirCoefficientBuffer::load(const std::filesystem::path& path, Prompter& prompter, int languageFlag,
                                bool decimalComma) {
    FirLoadResult result = LoadFirFile(path, tapLimit_, decimalComma);
    lastCode_ = result.code;
    if (const auto refusal = FirRefusal(result, tapLimit_, set_, languageFlag)) {
        prompter.showMessage(Icon::Exclamation, std::string(texts::kFirErrorTitle.pick(languageFlag)), *refusal);
        return false;
    }
    coefficients_ = std::move(result.coefficients);
    name_ = path.filename().string();
    return true;
}

}  // namespace plenum::fir
