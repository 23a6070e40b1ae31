#include "device/ProgramFile.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "core/ValueCodecs.h"

namespace plenum::device {
namespace {

constexpr std::string_view kMagic = "PLNP";
constexpr std::uint8_t kFormat = 1;

std::size_t ImageSize(DeviceKind kind) { return kind == DeviceKind::Sub ? SubParamImage::size() : SatParamImage::size(); }

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string ModelExtension(std::uint8_t modelCode) {
    std::string digits = std::to_string(modelCode);
    if (digits.size() < 2) digits.insert(0, "0");
    return ".s" + digits;
}

std::optional<double> Number(std::string_view text) {
    double value = 0;
    const auto* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || ptr != end) return std::nullopt;
    return value;
}

}  // namespace

Bytes EncodeProgram(DeviceKind kind, std::uint8_t modelCode, std::span<const std::uint8_t> image) {
    BinaryWriter out;
    for (const char c : kMagic) out.u8(static_cast<std::uint8_t>(c));
    out.u8(kFormat);
    out.u8(static_cast<std::uint8_t>(kind));
    out.u8(modelCode);
    out.u16(static_cast<std::uint16_t>(image.size()));
    out.bytes(image);
    return out.take();
}

std::optional<ProgramFile> DecodeProgram(std::span<const std::uint8_t> bytes) {
    BinaryReader in(bytes);
    for (const char c : kMagic)
        if (in.u8() != static_cast<std::uint8_t>(c)) return std::nullopt;
    if (in.u8() != kFormat) return std::nullopt;
    const std::uint8_t kind = in.u8();
    if (kind > 1) return std::nullopt;
    ProgramFile program;
    program.kind = static_cast<DeviceKind>(kind);
    program.modelCode = in.u8();
    const std::size_t length = in.u16();
    if (!in.ok() || length != ImageSize(program.kind) || in.remaining() != length) return std::nullopt;
    // A subwoofer program in a satellite's model code (or the reverse) is damaged.
    if ((program.kind == DeviceKind::Sub) != (program.modelCode == kSubModelCode)) return std::nullopt;
    program.image.resize(length);
    in.bytes(program.image);
    if (!in.ok()) return std::nullopt;
    return program;
}

std::vector<std::string> ProgramExtensions(DeviceKind kind, std::uint8_t modelCode) {
    if (kind == DeviceKind::Sub) return {".sub"};
    return {".sat", ModelExtension(modelCode)};
}

bool ExtensionAccepted(const std::filesystem::path& path, DeviceKind kind, std::uint8_t modelCode) {
    const std::string extension = Lower(path.extension().string());
    const auto offered = ProgramExtensions(kind, modelCode);
    return std::find(offered.begin(), offered.end(), extension) != offered.end();
}

bool ProgramFits(const ProgramFile& program, const std::filesystem::path& path, DeviceKind kind,
                 std::uint8_t modelCode) {
    if (program.kind != kind) return false;
    // ".sat" carries any satellite's program; a model's own extension only that model's.
    if (kind == DeviceKind::Sat && Lower(path.extension().string()) != ".sat") return program.modelCode == modelCode;
    return true;
}

bool FileNameSupported(const std::filesystem::path& path) {
    const std::string name = path.filename().string();
    if (name.empty()) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x20 && u < 0x7F && std::string_view("\\/:*?\"<>|").find(c) == std::string_view::npos;
    });
}

std::optional<std::vector<GeqPoint>> ParseGeqText(std::string_view text, std::size_t maxPoints) {
    std::vector<GeqPoint> points;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        std::vector<std::string_view> fields;
        std::size_t i = 0;
        auto separator = [](char c) { return c == ' ' || c == '\t' || c == ',' || c == ';' || c == '\r'; };
        while (i < line.size()) {
            while (i < line.size() && separator(line[i])) ++i;
            const std::size_t from = i;
            while (i < line.size() && !separator(line[i])) ++i;
            if (i > from) fields.push_back(line.substr(from, i - from));
        }
        if (fields.empty()) continue;
        if (fields.size() != 2) return std::nullopt;
        const auto frequency = Number(fields[0]);
        const auto gain = Number(fields[1]);
        if (!frequency || !gain || !ranges::kFrequencyHz.contains(*frequency) || !ranges::kPeqGainDb.contains(*gain))
            return std::nullopt;
        points.push_back({*frequency, *gain});
        if (points.size() > maxPoints) return std::nullopt;
    }
    if (points.empty()) return std::nullopt;
    return points;
}

}  // namespace plenum::device
