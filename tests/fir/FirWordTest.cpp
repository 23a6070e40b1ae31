#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "fir/FirData.h"
#include "fir/FirWord.h"

namespace plenum::fir {
namespace {

struct WordCase {
    double coefficient;
    std::int32_t word;
};

// The word table computed on its own by make_fir_data.py.
std::vector<WordCase> GoldenWords() {
    std::ifstream in(test::FirData("words.csv"));
    std::string line;
    std::getline(in, line);  // header
    std::vector<WordCase> cases;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string coefficient, word;
        std::getline(fields, coefficient, ',');
        std::getline(fields, word);
        cases.push_back({std::stod(coefficient), static_cast<std::int32_t>(std::stol(word))});
    }
    return cases;
}

TEST(FirWordTest, GoldenTableEncodes) {
    const auto cases = GoldenWords();
    ASSERT_EQ(cases.size(), 15u);
    for (const WordCase& c : cases) EXPECT_EQ(EncodeFirWord(c.coefficient), c.word) << c.coefficient;
}

TEST(FirWordTest, UnitCoefficientsAreTheDevicesWords) {
    EXPECT_EQ(EncodeFirWord(-1.0), 14680064);
    EXPECT_EQ(EncodeFirWord(1.0), 2097152);
    EXPECT_EQ(DecodeFirWord(14680064), -1.0);
    EXPECT_EQ(DecodeFirWord(2097152), 1.0);
    EXPECT_EQ(DecodeFirWord(8388607), 8388607 / 2097152.0);
    EXPECT_EQ(DecodeFirWord(8388608), -4.0);
}

TEST(FirWordTest, EveryWordSurvivesDecodeAndEncode) {
    for (std::int32_t w = 0; w < kFirWordModulus; w += 4099) EXPECT_EQ(EncodeFirWord(DecodeFirWord(w)), w) << w;
    EXPECT_EQ(EncodeFirWord(DecodeFirWord(kFirWordModulus - 1)), kFirWordModulus - 1);
}

TEST(FirWordTest, JustBelowFourKeepsTheLargestPositiveWord) {
    EXPECT_EQ(EncodeFirWord(4.0 - 1e-9), 8388607);
    EXPECT_EQ(EncodeFirWord(-4.0 + 1e-9), 8388608);
}

TEST(FirWordTest, BytesAreMostSignificantFirst) {
    const auto bytes = FirWordBytes(14680064);  // -1.0
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 3>{0xE0, 0x00, 0x00}));
    EXPECT_EQ(FirWordFromBytes(bytes), 14680064);
    EXPECT_EQ(FirWordBytes(0x123456), (std::array<std::uint8_t, 3>{0x12, 0x34, 0x56}));
}

TEST(FirWordTest, KeptTableGivesTheSentWordsBack) {
    std::vector<double> coefficients(512);
    for (std::size_t i = 0; i < coefficients.size(); ++i) coefficients[i] = std::sin(0.37 * static_cast<double>(i)) * 3.9;
    const FirWords words = EncodeFirWords(coefficients);
    CoefficientTable<kFirTaps> table;
    KeepFirWords(table, words);
    EXPECT_EQ(FirWordsOf(table), words);
    EXPECT_EQ(words[512], 0);
    const auto stream = FirWordStream(words);
    ASSERT_EQ(stream.size(), 3072u);
    EXPECT_EQ(FirWordFromBytes(std::span<const std::uint8_t, 3>(stream.data() + 3, 3)), words[1]);
}

}  // namespace
}  // namespace plenum::fir
