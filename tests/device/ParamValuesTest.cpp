// Parameter values by name, as plenumctl get prints them and the drift window shows them: the
// name's numbers, the value read from the records, and the text a person reads.
#include "device/ParamValues.h"

#include <gtest/gtest.h>

#include "core/Registry.h"

namespace plenum::device {
namespace {

TEST(ParamValuesTest, NamesMatchTheirPatternWithTheirNumbers) {
    struct Case {
        const char* pattern;
        const char* name;
        std::optional<std::vector<int>> numbers;
    };
    const Case cases[] = {
        {"input.gain", "input.gain", std::vector<int>{}},
        {"out.W.gain", "out.1.gain", std::vector<int>{1}},
        {"peq.out.W.B", "peq.out.0.7", std::vector<int>{0, 7}},
        {"out.W.gain", "out.x.gain", std::nullopt},
        {"out.W.gain", "out.-1.gain", std::nullopt},
        {"out.W.gain", "out.64.gain", std::nullopt},
        {"out.W.gain", "out..gain", std::nullopt},
        {"out.W.gain", "out.1.gain.x", std::nullopt},
        {"input.gain", "input.mute", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(MatchParamPattern(c.pattern, c.name), c.numbers) << c.name;
}

TEST(ParamValuesTest, TextsReadAsNumbersInUnits) {
    struct Case {
        nlohmann::json value;
        const char* text;
    };
    const Case cases[] = {
        {-2.4000000000000004, "-2.4"},
        {6.25, "6.25"},
        {0.0208333, "0.021"},
        {-0.0001, "0"},
        {1000, "1000"},
        {"-inf", "-inf"},
        {nlohmann::json{{"type", "PEQ"}, {"freq", 1000}, {"gain", -4.5}}, "freq=1000 gain=-4.5 type=PEQ"},
        {nullptr, "null"},
    };
    for (const Case& c : cases) EXPECT_EQ(ParamValueText(c.value), c.text) << c.value.dump();
}

TEST(ParamValuesTest, PlainValuesNameTheirUnit) {
    const std::pair<const char*, std::string_view> cases[] = {
        {"input.gain", "dB"}, {"out.1.gain", "dB"}, {"input.srcgain.0", "dB"}, {"out.0.makeup", "dB"},
        {"input.delay", "ms"}, {"out.1.delay", "ms"}, {"input.mute", ""},     {"peq.in.3", ""},
    };
    for (const auto& [name, unit] : cases) EXPECT_EQ(ParamUnit(name), unit) << name;
}

TEST(ParamValuesTest, ValuesComeFromTheSlotsRecords) {
    AppContext ctx;
    ctx.device(1).Present = kTrue16;
    ctx.device(1).ModelCode = 0;
    ctx.satImage[1][20] = 131;  // the gain table's 0 dB
    ctx.satImage[1][21] = 1;
    EXPECT_EQ(ParamValueText(ParamValue(ctx, 1, "input.gain")), "0");
    EXPECT_EQ(ParamValue(ctx, 1, "input.mute"), 1);
    EXPECT_TRUE(ParamValue(ctx, 1, "no.such.name").is_null());
    EXPECT_EQ(ParamValueOf(ctx, 1, "input.gain", {}), ParamValue(ctx, 1, "input.gain"));
}

}  // namespace
}  // namespace plenum::device
