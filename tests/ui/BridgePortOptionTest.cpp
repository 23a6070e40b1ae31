// The bridge port on the command line: --bridge-port N, else PLENUM_BRIDGE_PORT, else the
// default; a value that is not a port stops the start with a message.
#include <gtest/gtest.h>

#include "ui/Application.h"

namespace plenum::ui {
namespace {

struct PortCase {
    const char* name;
    const char* option;  // nullptr: not given
    const char* env;     // nullptr: not set
    int expected;        // -1: not set (the default applies); 0: refused
};

class BridgePortOption : public ::testing::TestWithParam<PortCase> {
protected:
    void TearDown() override { qunsetenv("PLENUM_BRIDGE_PORT"); }
};

TEST_P(BridgePortOption, Parses) {
    const PortCase& c = GetParam();
    if (c.env) qputenv("PLENUM_BRIDGE_PORT", c.env);
    else qunsetenv("PLENUM_BRIDGE_PORT");
    QStringList arguments{QStringLiteral("plenum")};
    if (c.option) arguments << QStringLiteral("--bridge-port") << QString::fromLatin1(c.option);
    QString error;
    const auto options = ParseOptions(arguments, error);
    if (c.expected == 0) {
        EXPECT_FALSE(options);
        EXPECT_TRUE(error.contains(QStringLiteral("takes a port 1..65535"))) << error.toStdString();
        return;
    }
    ASSERT_TRUE(options) << error.toStdString();
    if (c.expected < 0) EXPECT_FALSE(options->bridgePort);
    else EXPECT_EQ(options->bridgePort, std::optional<std::uint16_t>(static_cast<std::uint16_t>(c.expected)));
}

INSTANTIATE_TEST_SUITE_P(Cases, BridgePortOption,
                         ::testing::Values(PortCase{"Default", nullptr, nullptr, -1},
                                           PortCase{"Option", "47555", nullptr, 47555},
                                           PortCase{"Environment", nullptr, "48000", 48000},
                                           PortCase{"OptionBeforeEnvironment", "47002", "48000", 47002},
                                           PortCase{"BadOption", "70000", nullptr, 0},
                                           PortCase{"BadEnvironment", nullptr, "port", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace plenum::ui
