// Little-endian binary reading and writing for every file the application keeps, and the atomic
// save that protects the previous file: write a temporary file beside the target, flush, rename.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace plenum {

using Bytes = std::vector<std::uint8_t>;

class BinaryWriter {
public:
    void u8(std::uint8_t value) { buffer_.push_back(value); }
    void i16(std::int16_t value) { u16(static_cast<std::uint16_t>(value)); }
    void u16(std::uint16_t value);
    void i32(std::int32_t value) { u32(static_cast<std::uint32_t>(value)); }
    void u32(std::uint32_t value);
    void f32(float value);
    void bytes(std::span<const std::uint8_t> data);
    // A 16-bit character count followed by that many single-byte characters.
    void countedString(std::string_view text);
    // Zero bytes up to an absolute size; a buffer already past it is left alone.
    void padTo(std::size_t size);

    std::size_t size() const { return buffer_.size(); }
    const Bytes& data() const { return buffer_; }
    Bytes take() { return std::move(buffer_); }

private:
    Bytes buffer_;
};

// Reads a byte span. Reading past the end or a malformed field puts the reader into the failed
// state: every later read returns zeros, and the caller checks ok() once at the end.
class BinaryReader {
public:
    explicit BinaryReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::uint8_t u8();
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::uint16_t u16();
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    std::uint32_t u32();
    float f32();
    void bytes(std::span<std::uint8_t> out);
    // A counted string; a count above maxLength (or negative) fails the reader.
    std::string countedString(std::size_t maxLength = 4096);
    void skip(std::size_t count);
    void seek(std::size_t position);

    void fail() { ok_ = false; }
    bool ok() const { return ok_; }
    std::size_t position() const { return position_; }
    std::size_t remaining() const { return ok_ ? data_.size() - position_ : 0; }
    bool atEnd() const { return remaining() == 0; }

private:
    bool take(std::size_t count);

    std::span<const std::uint8_t> data_;
    std::size_t position_ = 0;
    bool ok_ = true;
};

// Writes the whole file through a temporary file in the same folder, then renames it over the
// target. On any failure the previous file is untouched and the temporary file removed.
std::error_code WriteFileAtomic(const std::filesystem::path& path, std::span<const std::uint8_t> data);

// Reads a whole file; files larger than maxBytes are refused (error: file_too_large).
std::optional<Bytes> ReadWholeFile(const std::filesystem::path& path, std::error_code& error,
                                   std::size_t maxBytes = 64u << 20);

}  // namespace plenum
