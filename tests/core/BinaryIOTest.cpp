#include "core/BinaryIO.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/TempDir.h"

namespace plenum {
namespace {

TEST(Binary, LittleEndianAndCountedStrings) {
    BinaryWriter w;
    w.i16(-1);
    w.u16(0x1234);
    w.i32(-2);
    w.countedString("USB");
    w.u8(7);
    w.f32(0.5f);
    const Bytes expected{0xFF, 0xFF, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 3, 0, 'U', 'S', 'B', 7, 0, 0, 0, 0x3F};
    EXPECT_EQ(w.data(), expected);
    BinaryReader r(w.data());
    EXPECT_EQ(r.i16(), -1);
    EXPECT_EQ(r.u16(), 0x1234);
    EXPECT_EQ(r.i32(), -2);
    EXPECT_EQ(r.countedString(), "USB");
    EXPECT_EQ(r.u8(), 7);
    EXPECT_EQ(r.f32(), 0.5f);
    EXPECT_TRUE(r.ok());
    EXPECT_TRUE(r.atEnd());
}

TEST(Binary, ReadingPastTheEndFailsAndStaysFailed) {
    const Bytes data{1, 0, 5, 0, 'a'};
    BinaryReader r(data);
    EXPECT_EQ(r.i16(), 1);
    EXPECT_EQ(r.countedString(), "");  // count 5, only one byte left
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.u8(), 0);
    EXPECT_EQ(r.remaining(), 0u);

    const Bytes negative{0xFF, 0xFF};
    BinaryReader n(negative);
    n.countedString();
    EXPECT_FALSE(n.ok());
    const Bytes tooLong{0x10, 0x00};
    BinaryReader t(tooLong);
    t.countedString(8);
    EXPECT_FALSE(t.ok());
}

TEST(AtomicWrite, ReplacesWholeAndLeavesNoTemporaryFile) {
    test::TempDir dir;
    const auto target = dir / "file.bin";
    ASSERT_FALSE(WriteFileAtomic(target, Bytes{1, 2, 3}));
    ASSERT_FALSE(WriteFileAtomic(target, Bytes{9}));
    std::error_code error;
    EXPECT_EQ(*ReadWholeFile(target, error), Bytes{9});
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 1);
}

TEST(AtomicWrite, FailureKeepsThePreviousFile) {
    test::TempDir dir;
    const auto target = dir / "file.bin";
    ASSERT_FALSE(WriteFileAtomic(target, Bytes{1, 2, 3}));
    EXPECT_TRUE(WriteFileAtomic(dir / "missing" / "file.bin", Bytes{1}));  // no such folder
    // A target that is a folder cannot be replaced: the rename fails, nothing is left behind.
    std::filesystem::create_directory(dir / "folder");
    std::ofstream(dir / "folder" / "inside") << "x";
    EXPECT_TRUE(WriteFileAtomic(dir / "folder", Bytes{1}));
    std::error_code error;
    EXPECT_EQ(*ReadWholeFile(target, error), (Bytes{1, 2, 3}));
    EXPECT_FALSE(ReadWholeFile(dir / "nothing", error));
    EXPECT_TRUE(error);
}

}  // namespace
}  // namespace plenum
