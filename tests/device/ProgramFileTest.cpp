// Program files and GEQ text: what loads, and everything that must be refused.
#include <gtest/gtest.h>

#include <functional>

#include "device/ProgramFile.h"

namespace plenum::device {
namespace {

Bytes SatProgram(std::uint8_t model = 8) {
    std::vector<std::uint8_t> image(576);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7);
    return EncodeProgram(DeviceKind::Sat, model, image);
}

TEST(ProgramFile, RoundTripsAnImage) {
    const auto program = DecodeProgram(SatProgram());
    ASSERT_TRUE(program);
    EXPECT_EQ(program->kind, DeviceKind::Sat);
    EXPECT_EQ(program->modelCode, 8);
    ASSERT_EQ(program->image.size(), 576u);
    EXPECT_EQ(program->image[575], static_cast<std::uint8_t>(575 * 7));
}

struct Damage {
    std::string name;
    std::function<void(Bytes&)> apply;
};

class DamagedProgram : public ::testing::TestWithParam<Damage> {};

TEST_P(DamagedProgram, IsRefused) {
    Bytes bytes = SatProgram();
    GetParam().apply(bytes);
    EXPECT_FALSE(DecodeProgram(bytes));
}

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedProgram,
    ::testing::Values(Damage{"Empty", [](Bytes& b) { b.clear(); }},
                      Damage{"Truncated", [](Bytes& b) { b.pop_back(); }},
                      Damage{"TrailingByte", [](Bytes& b) { b.push_back(0); }},
                      Damage{"WrongMagic", [](Bytes& b) { b[0] = 'X'; }},
                      Damage{"OtherFormat", [](Bytes& b) { b[4] = 2; }},
                      Damage{"UnknownKind", [](Bytes& b) { b[5] = 7; }},
                      Damage{"SubKindWithSatLength", [](Bytes& b) { b[5] = 1; }},
                      Damage{"SatKindWithSubModel", [](Bytes& b) { b[6] = 1; }},
                      Damage{"LengthField", [](Bytes& b) { b[7] = 0x41; }}),
    [](const auto& info) { return info.param.name; });

TEST(ProgramFile, ExtensionsPerFamilyAndModel) {
    EXPECT_EQ(ProgramExtensions(DeviceKind::Sat, 8), (std::vector<std::string>{".sat", ".s08"}));
    EXPECT_EQ(ProgramExtensions(DeviceKind::Sub, 1), (std::vector<std::string>{".sub"}));
    EXPECT_TRUE(ExtensionAccepted("a/b.SAT", DeviceKind::Sat, 8));
    EXPECT_TRUE(ExtensionAccepted("b.s08", DeviceKind::Sat, 8));
    EXPECT_FALSE(ExtensionAccepted("b.s09", DeviceKind::Sat, 8));
    EXPECT_FALSE(ExtensionAccepted("b.sub", DeviceKind::Sat, 8));
    EXPECT_FALSE(ExtensionAccepted("b.sat", DeviceKind::Sub, 1));
    // A ".sat" program loads into any satellite; a model's own file only into that model.
    const auto program = DecodeProgram(SatProgram(9));
    ASSERT_TRUE(program);
    EXPECT_TRUE(ProgramFits(*program, "x.sat", DeviceKind::Sat, 8));
    EXPECT_FALSE(ProgramFits(*program, "x.s08", DeviceKind::Sat, 8));
    EXPECT_FALSE(ProgramFits(*program, "x.sub", DeviceKind::Sub, 1));
}

TEST(ProgramFile, FileNamesOfPrintableAsciiOnly) {
    EXPECT_TRUE(FileNameSupported("/tmp/Stage left 2.sat"));
    EXPECT_FALSE(FileNameSupported("/tmp/舞台.sat"));
    EXPECT_FALSE(FileNameSupported("/tmp/a?b.sat"));
    EXPECT_FALSE(FileNameSupported("/tmp/"));
}

struct GeqRow {
    std::string name;
    std::string text;
    std::size_t points;  // 0 = refused
};

class GeqText : public ::testing::TestWithParam<GeqRow> {};

TEST_P(GeqText, ParsesOrRefuses) {
    const auto points = ParseGeqText(GetParam().text, 31);
    if (GetParam().points == 0) {
        EXPECT_FALSE(points);
    } else {
        ASSERT_TRUE(points);
        EXPECT_EQ(points->size(), GetParam().points);
    }
}

std::string ManyLines(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) text += std::to_string(100 + i) + " 1\n";
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Files, GeqText,
    ::testing::Values(GeqRow{"Blanks", "20 -3\n1000 4.5\n", 2}, GeqRow{"TabsAndCrLf", "20\t-3\r\n\r\n25\t0\r\n", 2},
                      GeqRow{"CommaAndSemicolon", "20,1\n25;2\n", 2}, GeqRow{"ThirtyOne", ManyLines(31), 31},
                      GeqRow{"ThirtyTwo", ManyLines(32), 0}, GeqRow{"Empty", "\n\n", 0},
                      GeqRow{"OneField", "1000\n", 0}, GeqRow{"ThreeFields", "1000 1 2\n", 0},
                      GeqRow{"Letters", "1k 3\n", 0}, GeqRow{"GainTooHigh", "1000 15.5\n", 0},
                      GeqRow{"FrequencyTooLow", "19 0\n", 0}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace plenum::device
