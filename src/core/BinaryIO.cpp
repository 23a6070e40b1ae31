#include "core/BinaryIO.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <unistd.h>

namespace plenum {

void BinaryWriter::u16(std::uint16_t value) {
    buffer_.push_back(static_cast<std::uint8_t>(value & 0xFF));
    buffer_.push_back(static_cast<std::uint8_t>(value >> 8));
}

void BinaryWriter::u32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) buffer_.push_back(static_cast<std::uint8_t>(value >> shift));
}

void BinaryWriter::bytes(std::span<const std::uint8_t> data) {
    if (data.empty()) return;
    const std::size_t at = buffer_.size();
    buffer_.resize(at + data.size());
    std::memcpy(buffer_.data() + at, data.data(), data.size());
}

void BinaryWriter::f32(float value) { u32(std::bit_cast<std::uint32_t>(value)); }

void BinaryWriter::countedString(std::string_view text) {
    const std::size_t length = std::min<std::size_t>(text.size(), 0x7FFF);
    u16(static_cast<std::uint16_t>(length));
    buffer_.insert(buffer_.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
}

void BinaryWriter::padTo(std::size_t size) {
    if (buffer_.size() < size) buffer_.resize(size, 0);
}

bool BinaryReader::take(std::size_t count) {
    if (!ok_ || data_.size() - position_ < count) {
        ok_ = false;
        return false;
    }
    return true;
}

std::uint8_t BinaryReader::u8() {
    if (!take(1)) return 0;
    return data_[position_++];
}

std::uint16_t BinaryReader::u16() {
    if (!take(2)) return 0;
    const auto value = static_cast<std::uint16_t>(data_[position_] | (data_[position_ + 1] << 8));
    position_ += 2;
    return value;
}

std::uint32_t BinaryReader::u32() {
    if (!take(4)) return 0;
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | data_[position_ + static_cast<std::size_t>(i)];
    position_ += 4;
    return value;
}

float BinaryReader::f32() { return std::bit_cast<float>(u32()); }

void BinaryReader::bytes(std::span<std::uint8_t> out) {
    if (!take(out.size())) {
        std::fill(out.begin(), out.end(), 0);
        return;
    }
    std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(position_), out.size(), out.begin());
    position_ += out.size();
}

std::string BinaryReader::countedString(std::size_t maxLength) {
    const std::int16_t count = i16();
    if (!ok_ || count < 0 || static_cast<std::size_t>(count) > maxLength) {
        ok_ = false;
        return {};
    }
    const auto length = static_cast<std::size_t>(count);
    if (!take(length)) return {};
    std::string text(reinterpret_cast<const char*>(data_.data() + position_), length);
    position_ += length;
    return text;
}

void BinaryReader::skip(std::size_t count) {
    if (take(count)) position_ += count;
}

void BinaryReader::seek(std::size_t position) {
    if (!ok_ || position > data_.size()) {
        ok_ = false;
        return;
    }
    position_ = position;
}

std::error_code WriteFileAtomic(const std::filesystem::path& path, std::span<const std::uint8_t> data) {
    namespace fs = std::filesystem;
    std::random_device random;
    const fs::path temp = path.parent_path() /
                          (path.filename().string() + ".tmp" + std::to_string(random() % 1000000u));
    std::error_code error;
    {
        std::FILE* file = std::fopen(temp.c_str(), "wb");
        if (file == nullptr) return std::error_code(errno, std::generic_category());
        const bool written = data.empty() || std::fwrite(data.data(), 1, data.size(), file) == data.size();
        const bool flushed = std::fflush(file) == 0 && ::fsync(fileno(file)) == 0;
        const int savedErrno = errno;
        const bool closed = std::fclose(file) == 0;
        if (!written || !flushed || !closed) {
            fs::remove(temp, error);
            return std::error_code(savedErrno != 0 ? savedErrno : EIO, std::generic_category());
        }
    }
    fs::rename(temp, path, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temp, ignored);
    }
    return error;
}

std::optional<Bytes> ReadWholeFile(const std::filesystem::path& path, std::error_code& error,
                                   std::size_t maxBytes) {
    error.clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::make_error_code(std::errc::no_such_file_or_directory);
        return std::nullopt;
    }
    in.seekg(0, std::ios::end);
    const auto end = in.tellg();
    if (end < 0) {
        error = std::make_error_code(std::errc::io_error);
        return std::nullopt;
    }
    if (static_cast<std::uint64_t>(end) > maxBytes) {
        error = std::make_error_code(std::errc::file_too_large);
        return std::nullopt;
    }
    Bytes data(static_cast<std::size_t>(end));
    in.seekg(0);
    if (!data.empty() && !in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()))) {
        error = std::make_error_code(std::errc::io_error);
        return std::nullopt;
    }
    return data;
}

}  // namespace plenum
