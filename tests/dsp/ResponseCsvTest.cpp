#include "dsp/ResponseCsv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

namespace plenum {
namespace {

const FrequencyGrid& Grid() {
    static const FrequencyGrid grid;
    return grid;
}

struct CsvLine {
    int k;
    double frequencyHz, magnitudeDb, phaseDeg;
};

std::vector<CsvLine> Parse(const std::string& text) {
    std::vector<CsvLine> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        CsvLine l{};
        char c1, c2, c3;
        std::istringstream fields(line);
        fields >> l.k >> c1 >> l.frequencyHz >> c2 >> l.magnitudeDb >> c3 >> l.phaseDeg;
        EXPECT_TRUE(fields && c1 == ',' && c2 == ',' && c3 == ',') << line;
        lines.push_back(l);
    }
    return lines;
}

TEST(ResponseCsv, PeqCurveReadsBackExactly) {
    std::ostringstream out;
    const PeqBand band{1000.0, 4.5, 1.25, 0, 0};
    ASSERT_FALSE(WritePeqResponseCsv(out, Grid(), band).has_value());
    const auto lines = Parse(out.str());
    ASSERT_EQ(lines.size(), 6827u);
    EXPECT_EQ(out.str().substr(0, 8), "0,0,0,0\n");
    const auto c = *DesignPeq(band);
    for (const auto& l : lines) {
        ASSERT_EQ(l.frequencyHz, Grid().frequency(l.k));
        if (l.k == 0) continue;
        ASSERT_EQ(l.magnitudeDb, SectionMagnitudeDb(c, l.frequencyHz)) << l.k;  // %.17g round-trips
        ASSERT_EQ(l.phaseDeg, SectionPhaseDeg(c, l.frequencyHz)) << l.k;
    }
}

TEST(ResponseCsv, CurveRules) {
    std::ostringstream bypassed, allPass, ext;
    WritePeqResponseCsv(bypassed, Grid(), {1000.0, 6.0, 1.0, 0, 1});
    for (const auto& l : Parse(bypassed.str())) ASSERT_TRUE(l.magnitudeDb == 0.0 && l.phaseDeg == 0.0);
    WritePeqResponseCsv(ext, Grid(), {1000.0, 6.0, 1.0, 17, 0});
    for (const auto& l : Parse(ext.str())) ASSERT_TRUE(l.magnitudeDb == 0.0 && l.phaseDeg == 0.0);
    WritePeqResponseCsv(allPass, Grid(), {1000.0, 6.0, 0.7, 16, 0});
    bool anyPhase = false;
    for (const auto& l : Parse(allPass.str())) {
        ASSERT_EQ(l.magnitudeDb, 0.0);
        anyPhase = anyPhase || l.phaseDeg != 0.0;
    }
    EXPECT_TRUE(anyPhase);
}

TEST(ResponseCsv, CrossoverSumsItsSections) {
    std::ostringstream out;
    ASSERT_FALSE(WriteXoverResponseCsv(out, Grid(), 7, true, 1000.0).has_value());
    const auto section = DesignXoverSection(2, true, 1000.0, 0.707);
    const auto lines = Parse(out.str());
    ASSERT_EQ(lines.size(), 6827u);
    const auto& l = lines[341];
    EXPECT_EQ(l.magnitudeDb, 2 * SectionMagnitudeDb(section, l.frequencyHz));
    EXPECT_EQ(l.phaseDeg, 2 * SectionPhaseDeg(section, l.frequencyHz));  // not wrapped: beyond -180
    EXPECT_LT(lines[6000].phaseDeg, -180.0);
}

TEST(ResponseCsv, ErrorsWriteNothing) {
    std::ostringstream out;
    EXPECT_TRUE(WritePeqResponseCsv(out, Grid(), {1000.0, 6.0, 0.0, 0, 0}).has_value());  // Q = 0
    EXPECT_TRUE(WritePeqResponseCsv(out, Grid(), {1000.0, 6.0, 1.0, 18, 0}).has_value());
    EXPECT_TRUE(WriteXoverResponseCsv(out, Grid(), 22, true, 1000.0).has_value());
    EXPECT_TRUE(WriteXoverResponseCsv(out, Grid(), 12, true, std::nan("")).has_value());
    EXPECT_TRUE(out.str().empty());
}

}  // namespace
}  // namespace plenum
