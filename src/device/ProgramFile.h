// Program files of the edit windows and the GEQ text import.
//
// A program file holds one live program as the loudspeaker keeps it, behind a small header:
//   "PLNP", format 1, device kind (0 satellite, 1 subwoofer), model code, 16-bit image length
//   (little-endian), then the image bytes and nothing after them.
// Satellites save as ".sat" (any satellite model: the image layout is shared) or with the model's
// own extension ".sNN" (NN = the two-digit model code), which loads only into that model;
// subwoofers save as ".sub".
//
// A GEQ text file lists one band per line: frequency in Hz and gain in dB, separated by blanks,
// tabs, a comma or a semicolon; blank lines are skipped. It fills the room bands in order.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/BinaryIO.h"
#include "sat/ParamCommands.h"

namespace plenum::device {

struct ProgramFile {
    DeviceKind kind = DeviceKind::Sat;
    std::uint8_t modelCode = 0;
    std::vector<std::uint8_t> image;
};

Bytes EncodeProgram(DeviceKind kind, std::uint8_t modelCode, std::span<const std::uint8_t> image);
// Refuses (nullopt) anything but a complete file of format 1 whose length matches its kind.
std::optional<ProgramFile> DecodeProgram(std::span<const std::uint8_t> bytes);

// The extensions a model's window offers, lower case with the dot; the first is the default.
std::vector<std::string> ProgramExtensions(DeviceKind kind, std::uint8_t modelCode);
bool ExtensionAccepted(const std::filesystem::path& path, DeviceKind kind, std::uint8_t modelCode);
// Whether a decoded program may load into a device of this kind and model under this file name.
bool ProgramFits(const ProgramFile& program, const std::filesystem::path& path, DeviceKind kind,
                 std::uint8_t modelCode);
// File names must be printable ASCII without the characters no file system takes (\ / : * ? " < > |).
bool FileNameSupported(const std::filesystem::path& path);

struct GeqPoint {
    double frequencyHz = 0;
    double gainDb = 0;
};
// nullopt for a malformed line, a value out of range (20..20000 Hz, -15..+15 dB), no band or more
// than maxPoints bands.
std::optional<std::vector<GeqPoint>> ParseGeqText(std::string_view text, std::size_t maxPoints);

}  // namespace plenum::device
