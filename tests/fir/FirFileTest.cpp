#include <gtest/gtest.h>

#include <string>

#include "fir/FirData.h"
#include "fir/FirFile.h"
#include "fir/FirWord.h"

namespace plenum::fir {
namespace {

struct FileCase {
    const char* name;
    const char* file;
    int tapLimit;
    bool decimalComma;
    std::uint8_t code;
    int taps;
};

void PrintTo(const FileCase& c, std::ostream* os) { *os << c.file; }

class FirFileGolden : public ::testing::TestWithParam<FileCase> {};

TEST_P(FirFileGolden, LoadsWithTheExpectedCodeAndCount) {
    const FileCase& c = GetParam();
    const FirLoadResult result = LoadFirFile(test::FirData(c.file), c.tapLimit, c.decimalComma);
    EXPECT_EQ(result.code, c.code);
    EXPECT_EQ(static_cast<int>(result.coefficients.size()), c.taps);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FirFileGolden,
    ::testing::Values(FileCase{"Text256", "taps256.txt", 1024, false, kFirLoaded, 256},
                      FileCase{"MixedCaseExtension", "mixed_case.TxT", 1024, false, kFirLoaded, 288},
                      FileCase{"Text300", "taps300.txt", 1024, false, kFirLoaded, 300},
                      FileCase{"Text1025", "taps1025.txt", 1024, false, kFirTooManyTaps, 0},
                      FileCase{"AboveWindowLimit", "taps300.txt", 256, false, kFirTooManyTaps, 0},
                      FileCase{"PlusFour", "plus4.txt", 1024, false, kFirOutOfRange, 0},
                      FileCase{"MinusFour", "minus4.txt", 1024, false, kFirOutOfRange, 0},
                      FileCase{"NearlyFour", "nearly4.txt", 1024, false, kFirLoaded, 256},
                      FileCase{"NotANumber", "not_a_number.txt", 1024, false, kFirUnreadable, 0},
                      FileCase{"OneByte", "one_byte.txt", 1024, false, kFirUnreadable, 0},
                      FileCase{"Unsupported", "unsupported.dat", 1024, false, kFirUnreadable, 0},
                      FileCase{"Missing", "no_such_file.txt", 1024, false, kFirUnreadable, 0},
                      FileCase{"CommaPairs", "comma_pairs.csv", 1024, false, kFirLoaded, 256},
                      FileCase{"SemicolonDecimalComma", "semicolon_decimal_comma.CsV", 1024, true, kFirLoaded, 256},
                      FileCase{"SafPlain", "plain.saf", 1024, false, kFirLoaded, 320},
                      FileCase{"SafCounted", "counted.saf", 1024, false, kFirLoaded, 256},
                      FileCase{"SafCountedShort", "counted_short.saf", 1024, false, kFirUnreadable, 0},
                      FileCase{"SafCountedAboveLimit", "counted.saf", 200, false, kFirTooManyTaps, 0},
                      FileCase{"SafCountedHuge", "counted_huge.saf", 1024, false, kFirTooManyTaps, 0},
                      FileCase{"SafCountedFraction", "counted_fraction.saf", 1024, false, kFirUnreadable, 0},
                      FileCase{"SafDecimalComma", "decimal_comma.saf", 1024, true, kFirLoaded, 256},
                      FileCase{"SafDecimalCommaNotSet", "decimal_comma.saf", 1024, false, kFirUnreadable, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FirFileTest, EveryFormatOfTheSameTapsGivesTheSameWords) {
    const auto expected = test::ReadWords("taps256.words");
    ASSERT_EQ(expected.size(), 256u);
    for (const auto& [file, comma] : {std::pair{"taps256.txt", false}, std::pair{"comma_pairs.csv", false},
                                      std::pair{"semicolon_decimal_comma.CsV", true}, std::pair{"counted.saf", false},
                                      std::pair{"decimal_comma.saf", true}}) {
        const FirLoadResult result = LoadFirFile(test::FirData(file), 1024, comma);
        ASSERT_EQ(result.code, kFirLoaded) << file;
        const FirWords words = EncodeFirWords(result.coefficients);
        for (std::size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(words[i], expected[i]) << file << " tap " << i;
    }
}

TEST(FirFileTest, FormatIsChosenByTheUpperCasedLastThreeCharacters) {
    EXPECT_EQ(FirFileFormatOf("a.txt"), FirFileFormat::Text);
    EXPECT_EQ(FirFileFormatOf("a.TxT"), FirFileFormat::Text);
    EXPECT_EQ(FirFileFormatOf("a.cSv"), FirFileFormat::Separated);
    EXPECT_EQ(FirFileFormatOf("A.SAF"), FirFileFormat::Measurement);
    EXPECT_EQ(FirFileFormatOf("a.feq"), FirFileFormat::Packed);
    EXPECT_EQ(FirFileFormatOf("atxt"), FirFileFormat::Text);  // three characters, no dot needed
    EXPECT_EQ(FirFileFormatOf("a.text"), FirFileFormat::Unknown);
    EXPECT_EQ(FirFileFormatOf("tx"), FirFileFormat::Unknown);
}

TEST(FirFileTest, PackedFilesAreNotOffered) {
    const std::string bytes = "\x01\x00\x03\x00" "AAAAAA";
    const std::span<const std::uint8_t> span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    EXPECT_EQ(ParseFirFile(FirFileFormat::Packed, span, 1024, false).code, kFirUnreadable);
    EXPECT_EQ(std::string(kFirOpenFilter).find("feq"), std::string::npos);
}

struct RefusalCase {
    const char* name;
    const char* file;
    int tapLimit;
    FirMessageSet set;
    int language;
    const char* message;  // nullptr: accepted
};

class FirRefusalGolden : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(FirRefusalGolden, SaysWhatTheWindowSays) {
    const RefusalCase& c = GetParam();
    const auto refusal = FirRefusal(LoadFirFile(test::FirData(c.file), c.tapLimit, false), c.tapLimit, c.set, c.language);
    if (!c.message) {
        EXPECT_FALSE(refusal.has_value()) << *refusal;
    } else {
        ASSERT_TRUE(refusal.has_value());
        EXPECT_EQ(*refusal, c.message);
    }
}

constexpr auto L = FirMessageSet::Loader;
constexpr auto O = FirMessageSet::OutputWindow;
INSTANTIATE_TEST_SUITE_P(
    Messages, FirRefusalGolden,
    ::testing::Values(
        RefusalCase{"Accepted256", "taps256.txt", 1024, L, 0, nullptr},
        RefusalCase{"TapChoiceEn", "taps300.txt", 1024, L, 0,
                    "Wrong File, use one of the followings taps:\r\n256, 288, 320, 352, 384, 416, 448, 480, 512, 1024"},
        RefusalCase{"TapChoiceZh", "taps300.txt", 1024, L, 1,
                    "错误的文件, use one of the followings taps:\r\n256, 288, 320, 352, 384, 416, 448, 480, 512, 1024"},
        RefusalCase{"TapChoiceOutputZh", "taps300.txt", 1024, O, 1,
                    "错误的文件, 请使用这些抽头数当中的一个:\r\n256, 288, 320, 352, 384, 416, 448, 480, 512, 1024"},
        RefusalCase{"MinTapsEn", "taps128.txt", 1024, L, 0, "Wrong File, min num of Taps = 256"},
        RefusalCase{"MinTapsZh", "taps128.txt", 1024, L, 1, "错误的文件, 最小的抽头数 = 256"},
        RefusalCase{"MinTapsOutputZh", "taps128.txt", 1024, O, 1, "错误的文件, 最小抽头数 = 256"},
        RefusalCase{"MaxTapsEn", "taps300.txt", 288, L, 0, "Wrong File, max num of Taps should be 288"},
        RefusalCase{"MaxTapsZh", "taps300.txt", 288, L, 1, "错误的文件, 最大的抽头数应该为 288"},
        RefusalCase{"MaxTapsOutputZh", "taps300.txt", 288, O, 1, "错误的文件, 最大抽头数应该为 288"},
        RefusalCase{"Accepted288", "mixed_case.TxT", 512, L, 0, nullptr},
        RefusalCase{"OutOfRangeEn", "plus4.txt", 1024, L, 0, "Wrong File, coefficients out of range (<=-4 or >=+4)"},
        RefusalCase{"OutOfRangeZh", "minus4.txt", 1024, L, 1, "错误的文件, 系数超出范围 (<=-4 或 >=+4)"},
        RefusalCase{"WrongFileEn", "one_byte.txt", 1024, L, 0, "Wrong File"},
        RefusalCase{"WrongFileZh", "unsupported.dat", 1024, L, 1, "错误的文件"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FirFileTest, RefusedLoadKeepsTheBufferAndSaysErrorInTheTitle) {
    ScriptedPrompter prompter;
    FirCoefficientBuffer buffer(1024);
    ASSERT_TRUE(buffer.load(test::FirData("taps256.txt"), prompter, 0, false));
    EXPECT_EQ(buffer.name(), "taps256.txt");
    EXPECT_EQ(prompter.messageCount(), 0u);
    const auto before = buffer.coefficients();

    EXPECT_FALSE(buffer.load(test::FirData("taps300.txt"), prompter, 1, false));
    EXPECT_EQ(buffer.lastCode(), kFirLoaded);
    EXPECT_FALSE(buffer.load(test::FirData("plus4.txt"), prompter, 0, false));
    EXPECT_EQ(buffer.lastCode(), kFirOutOfRange);
    ASSERT_EQ(prompter.messageCount(), 2u);
    EXPECT_EQ(prompter.entries()[0].title, " 错误");
    EXPECT_EQ(prompter.entries()[1].title, "Error");
    EXPECT_EQ(prompter.entries()[1].icon, Icon::Exclamation);
    EXPECT_EQ(buffer.coefficients(), before);
    EXPECT_EQ(buffer.name(), "taps256.txt");
}

TEST(FirFileTest, LabelNamesTheFileAndTheTaps) {
    EXPECT_EQ(FirLabel("taps256.txt", 256), "FIR: Name=taps256.txt; Taps=256");
    EXPECT_EQ(FirNameLabel("linear"), "FIR: Name = linear");
}

}  // namespace
}  // namespace plenum::fir
