#include <gtest/gtest.h>

#include "store/BackupFile.h"
#include "support/TempDir.h"

namespace plenum {
namespace {

BackupFile SampleSat() {
    BackupFile file = EmptyBackup(4);
    file.headerByte = 1;
    for (std::size_t i = 0; i < file.status.size(); ++i) file.status[i] = static_cast<std::uint8_t>(i * 7);
    for (std::size_t i = 0; i < file.image.size(); ++i) file.image[i] = static_cast<std::uint8_t>(i % 13);
    file.records.satExtra.ProgramNames[2] = "VOCAL";
    file.records.satExtra.ProgramLocked[2] = 1;
    file.records.satExtra.fir[1].name = "fir.txt";
    file.records.satExtra.fir[1].taps = 3;
    file.records.satExtra.fir[1].values[0] = 0.5f;
    file.records.satExtra.mir[0].values[511] = -0.25f;
    file.programs[3].image[0] = 'P';
    file.programs[3].image[519] = 1;
    file.programs[3].records = file.records;
    file.actualProgramFlag = 1;
    file.systemDataFlag = 0;
    file.slotFlags[5] = 1;
    file.programFlags[3] = 1;
    return file;
}

TEST(BackupFile, SatelliteFileReadsBackWhatWasWritten) {
    const BackupFile file = SampleSat();
    const Bytes bytes = EncodeBackup(file);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 102);  // model code 4 + 98, little-endian
    EXPECT_EQ(bytes[1], 0);
    const BackupReadResult read = DecodeBackup(bytes);
    ASSERT_TRUE(read.file);
    EXPECT_EQ(*read.file, file);
}

TEST(BackupFile, SubwooferFileReadsBackWhatWasWritten) {
    BackupFile file = EmptyBackup(kSubModelCode);
    EXPECT_EQ(file.formatCode, 19);
    file.records.subExtra.ProgramNames[0] = "SUB ONE";
    file.records.subExtra.ProgramLocked[7] = 1;
    file.programs[0].records = file.records;
    file.programFlags[0] = 1;
    const BackupReadResult read = DecodeBackup(EncodeBackup(file));
    ASSERT_TRUE(read.file);
    EXPECT_EQ(*read.file, file);
}

TEST(BackupFile, LiveHeaderIsOneBlockOf961PlainBytes) {
    const Bytes bytes = EncodeBackup(SampleSat());
    // format code, then the stored and plain upper indices of the first block
    const int plainUpper = bytes[4] | (bytes[5] << 8);
    EXPECT_EQ(plainUpper, 960);
}

TEST(BackupFile, OlderSatelliteFilesAreRead) {
    BackupFile file = SampleSat();
    file.formatCode = kOldSatBackupCode;
    file.headerByte = 0;  // older files have no header byte and no live coefficient block
    file.records.satExtra.fir[1].values[0] = 0;
    file.records.satExtra.mir[0].values[511] = 0;
    const BackupReadResult read = DecodeBackup(EncodeBackup(file));
    ASSERT_TRUE(read.file);
    EXPECT_EQ(*read.file, file);
}

struct Acceptance {
    const char* name;
    std::int16_t code;
    std::uint8_t model;
    bool accepted;
};
class BackupAcceptance : public ::testing::TestWithParam<Acceptance> {};
TEST_P(BackupAcceptance, FormatCodeDecides) {
    EXPECT_EQ(BackupAcceptedBy(GetParam().code, GetParam().model), GetParam().accepted);
}
INSTANTIATE_TEST_SUITE_P(Codes, BackupAcceptance,
                         ::testing::Values(Acceptance{"SatOwnCode", 102, 4, true},
                                           Acceptance{"SatOlderFile", 18, 4, true},
                                           Acceptance{"SatOtherModel", 101, 4, false},
                                           Acceptance{"SatSubFile", 19, 4, false},
                                           Acceptance{"SubOwnCode", 19, 1, true},
                                           Acceptance{"SubSatFile", 102, 1, false},
                                           Acceptance{"SubOlderSatFile", 18, 1, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BackupFile, UnknownFormatCodeIsWrongFormat) {
    Bytes bytes = EncodeBackup(SampleSat());
    bytes[0] = 55;
    EXPECT_EQ(DecodeBackup(bytes).error, BackupReadError::WrongFormat);
}

TEST(BackupFile, EveryTruncationIsRefused) {
    const Bytes bytes = EncodeBackup(SampleSat());
    for (std::size_t length = 0; length < bytes.size(); length += 97) {
        const BackupReadResult read = DecodeBackup(std::span(bytes).first(length));
        EXPECT_FALSE(read.file) << length;
    }
    EXPECT_FALSE(DecodeBackup(std::span(bytes).first(bytes.size() - 1)).file);
}

TEST(BackupFile, TrailingBytesAndBadFlagsAreRefused) {
    Bytes bytes = EncodeBackup(SampleSat());
    Bytes longer = bytes;
    longer.push_back(0);
    EXPECT_EQ(DecodeBackup(longer).error, BackupReadError::Damaged);
    Bytes badFlag = bytes;
    badFlag[badFlag.size() - 2] = 7;  // the last program flag
    EXPECT_EQ(DecodeBackup(badFlag).error, BackupReadError::Damaged);
}

TEST(BackupFile, CorruptBlockIsRefused) {
    Bytes bytes = EncodeBackup(SampleSat());
    bytes[4] = 0x10;  // the header's plain upper index no longer says 960
    EXPECT_EQ(DecodeBackup(bytes).error, BackupReadError::Damaged);
}

// The fuzz target's property on every single-byte change of a real file: whatever reads, writes
// back to itself; whatever does not read says why.
TEST(BackupFile, CorruptedFilesReadCleanlyOrNotAtAll) {
    const Bytes bytes = EncodeBackup(SampleSat());
    int read = 0;
    for (std::size_t i = 0; i < bytes.size(); i += i < 1200 ? 13 : 1999) {
        Bytes changed = bytes;
        changed[i] ^= 0xA5;
        const BackupReadResult result = DecodeBackup(changed);
        if (!result.file) {
            EXPECT_NE(result.error, BackupReadError::None) << i;
            continue;
        }
        ++read;
        const Bytes once = EncodeBackup(*result.file);
        const BackupReadResult again = DecodeBackup(once);
        ASSERT_TRUE(again.file) << i;
        EXPECT_EQ(EncodeBackup(*again.file), once) << i;
    }
    EXPECT_GT(read, 0);
}

TEST(BackupFile, ModelTwoKeeps120Programs) {
    const BackupFile file = EmptyBackup(2);
    EXPECT_EQ(file.programs.size(), 120u);
    const BackupReadResult read = DecodeBackup(EncodeBackup(file));
    ASSERT_TRUE(read.file);
    EXPECT_EQ(read.file->programFlags.size(), 120u);
}

TEST(BackupFile, SavedFileLoadsBack) {
    test::TempDir dir;
    const auto path = dir.path() / "a.bck";
    ASSERT_FALSE(SaveBackupFile(path, SampleSat()));
    const BackupReadResult read = LoadBackupFile(path);
    ASSERT_TRUE(read.file);
    EXPECT_EQ(*read.file, SampleSat());
    EXPECT_EQ(LoadBackupFile(dir.path() / "missing.bck").error, BackupReadError::Damaged);
}

}  // namespace
}  // namespace plenum
