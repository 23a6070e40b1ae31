// The .sfu file and the loader's request and reply frames, host side.
#include <gtest/gtest.h>

#include <fstream>

#include "comm/FirmwareImage.h"
#include "comm/FirmwareProtocol.h"
#include "support/TempDir.h"

namespace plenum::comm {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::size_t length) {
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + 7);
    return bytes;
}

void PutLe32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Recomputes the header CRC so that a mutation reaches the checks behind it.
void Reseal(Bytes& file) {
    PutLe32(file, 20, Crc32(std::span<const std::uint8_t>(file).first(20)));
}

TEST(FirmwareCrc, IsIeeeCrc32) {
    const std::string check = "123456789";
    EXPECT_EQ(Crc32({reinterpret_cast<const std::uint8_t*>(check.data()), check.size()}), 0xCBF43926u);
    EXPECT_EQ(Crc32({}), 0u);
}

TEST(SfuFile, HeaderLayoutIsLittleEndianAfterTheMagic) {
    const Bytes file = BuildSfu(FirmwareKind::Subwoofer, {0, 3, 9}, Bytes{0x10, 0x20, 0x30});
    ASSERT_EQ(file.size(), kSfuHeaderLength + 3);
    const Bytes head(file.begin(), file.begin() + 16);
    EXPECT_EQ(head, (Bytes{'P', 'S', 'F', 'U', 1, 1, 0, 3, 9, 0, 0, 0, 3, 0, 0, 0}));
    const SfuParse parsed = ParseSfu(file);
    ASSERT_TRUE(parsed.ok()) << ToString(parsed.error);
    EXPECT_EQ(parsed.firmware.kind, FirmwareKind::Subwoofer);
    EXPECT_EQ(parsed.firmware.versionNumber(), 39);
    EXPECT_EQ(parsed.firmware.image, (Bytes{0x10, 0x20, 0x30}));
    EXPECT_EQ(parsed.firmware.imageCrc, Crc32(parsed.firmware.image));
}

struct Mutation {
    const char* name;
    std::function<void(Bytes&)> apply;
    SfuError expected;
};

class SfuRefusal : public ::testing::TestWithParam<Mutation> {};

TEST_P(SfuRefusal, NamesTheFault) {
    Bytes file = BuildSfu(FirmwareKind::Satellite, {0, 3, 5}, Pattern(100));
    GetParam().apply(file);
    const SfuParse parsed = ParseSfu(file);
    EXPECT_EQ(parsed.error, GetParam().expected) << ToString(parsed.error);
    EXPECT_TRUE(parsed.firmware.image.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Sfu, SfuRefusal,
    ::testing::Values(
        Mutation{"Empty", [](Bytes& f) { f.clear(); }, SfuError::TooShort},
        Mutation{"HeaderCut", [](Bytes& f) { f.resize(23); }, SfuError::TooShort},
        Mutation{"Magic", [](Bytes& f) { f[0] = 'X'; }, SfuError::BadMagic},
        Mutation{"Format2", [](Bytes& f) { f[4] = 2; }, SfuError::BadFormat},
        Mutation{"Kind2", [](Bytes& f) { f[5] = 2; }, SfuError::BadKind},
        Mutation{"Digit10", [](Bytes& f) { f[7] = 10; }, SfuError::BadVersion},
        Mutation{"Reserved", [](Bytes& f) { f[10] = 1; }, SfuError::BadReserved},
        Mutation{"HeaderCrc", [](Bytes& f) { f[20] ^= 1; }, SfuError::BadHeaderCrc},
        Mutation{"LengthFieldUnsealed", [](Bytes& f) { f[12] = 99; }, SfuError::BadHeaderCrc},
        Mutation{"LengthZero", [](Bytes& f) { PutLe32(f, 12, 0), Reseal(f); }, SfuError::BadLength},
        Mutation{"LengthAboveMax", [](Bytes& f) { PutLe32(f, 12, kMaxFirmwareImageLength + 1), Reseal(f); },
                 SfuError::BadLength},
        Mutation{"LengthShort", [](Bytes& f) { PutLe32(f, 12, 99), Reseal(f); }, SfuError::BadLength},
        Mutation{"TrailingByte", [](Bytes& f) { f.push_back(0); }, SfuError::BadLength},
        Mutation{"ImageCut", [](Bytes& f) { f.pop_back(); }, SfuError::BadLength},
        Mutation{"ImageByte", [](Bytes& f) { f[60] ^= 0x40; }, SfuError::BadImageCrc}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SfuFile, ReadsFromDiskAndRefusesWhatIsNotThere) {
    plenum::test::TempDir dir;
    const Bytes file = BuildSfu(FirmwareKind::Satellite, {0, 4, 0}, Pattern(1000));
    const auto path = dir.path() / "fw.sfu";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    const SfuParse parsed = ReadSfuFile(path);
    ASSERT_TRUE(parsed.ok());
    EXPECT_EQ(parsed.firmware.image, Pattern(1000));
    EXPECT_EQ(ReadSfuFile(dir.path() / "missing.sfu").error, SfuError::Unreadable);
    EXPECT_EQ(ReadSfuFile(dir.path()).error, SfuError::Unreadable);  // a folder
}

TEST(LoaderFrames, EnterCarriesKindDigitsAndBigEndianLength) {
    FirmwareImage firmware;
    firmware.kind = FirmwareKind::Subwoofer;
    firmware.version = {0, 3, 7};
    firmware.image.resize(0x012345);
    EXPECT_EQ(BuildLoaderEnter(firmware),
              (Bytes{0xF0, 0x78, 0x00, 0xA0, 0x01, 0x00, 0x03, 0x07, 0x00, 0x01, 0x23, 0x45, 0xF7}));
    EXPECT_EQ(BuildLoaderVerify(0xCBF43926u),
              (Bytes{0xF0, 0x78, 0x00, 0xA3, 0xCB, 0xF4, 0x39, 0x26, 0, 0, 0, 0, 0xF7}));
    EXPECT_EQ(BuildLoaderErase().size(), 13u);
    EXPECT_EQ(BuildLoaderBoot()[3], 0xA4);
}

TEST(LoaderFrames, WriteHasTheBlockWriteLayoutWithTrailingCrc) {
    const Bytes data{'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    const Bytes frame = BuildLoaderWrite(0x0A0B0C, data);
    EXPECT_EQ(frame, (Bytes{0xF0, 0x78, 0x00, 0xA2, 0x0A, 0x0B, 0x0C, 0x00, 0x0D, '1',  '2', '3',
                            '4',  '5',  '6',  '7',  '8',  '9',  0xCB, 0xF4, 0x39, 0x26, 0xF7}));
    // The largest chunk the device's 769-byte block takes: n = 765 + 4.
    EXPECT_EQ(BuildLoaderWrite(0, Bytes(765)).size(), 769u + 10u);
}

TEST(LoaderReplies, OnlyTheStatusFrameOfTheRequestIsTaken) {
    const Bytes ok{0xF0, 0x78, 0x01, 0xA2, 0x00, 0x00, 0x02, 0x00, 0, 0, 0, 0, 0xF7};
    const auto parsed = ParseLoaderReply(LoaderCode::Write, ok);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->status, LoaderStatus::Ok);
    EXPECT_EQ(parsed->data[1], 0x02);
    EXPECT_FALSE(ParseLoaderReply(LoaderCode::Verify, ok));  // answers another code
    Bytes bad = ok;
    bad.back() = 0x00;
    EXPECT_FALSE(ParseLoaderReply(LoaderCode::Write, bad));
    EXPECT_FALSE(ParseLoaderReply(LoaderCode::Write, std::span<const std::uint8_t>(ok).first(12)));
}

TEST(LoaderReplies, StatusMapsToTheErrorCodes) {
    const std::vector<std::pair<int, FwLoadError>> table{
        {0, FwLoadError::None},        {1, FwLoadError::WrongFile},   {2, FwLoadError::Protected},
        {3, FwLoadError::EraseFailed}, {4, FwLoadError::WriteFailed}, {5, FwLoadError::CantConnect},
        {6, FwLoadError::Checksum},    {7, FwLoadError::Checksum},    {8, FwLoadError::ModeUnavailable},
        {9, FwLoadError::WriteFailed}, {0xFF, FwLoadError::Checksum},
    };
    for (const auto& [status, error] : table)
        EXPECT_EQ(ErrorOfStatusByte(static_cast<std::uint8_t>(status)), error) << status;
}

}  // namespace
}  // namespace plenum::comm
