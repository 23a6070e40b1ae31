// The satellite edit window's AEQ button: a loudspeaker below firmware 0.2.9 is told to update,
// and a tool that cannot be started is told as "Can't open". The subwoofer window has no button.
#include <QPushButton>

#include "MainWindowFixture.h"
#include "ui/EditWindow.h"

namespace plenum::ui {
namespace {

class AeqButtonTest : public test_support::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        open(true);
        connectAll();
        window->vuMeterTimer()->stop();
        ASSERT_TRUE(window->commThread().settle(5000));
    }
};

TEST_F(AeqButtonTest, FirmwareBelowTwentyNineIsToldToUpdateElseTheToolIsStarted) {
    const int sat = slotOf("127.0.0.2");
    window->openEditWindow(sat);
    EditWindow* edit = window->editWindow(sat);
    ASSERT_NE(edit, nullptr);
    auto* button = edit->findChild<QPushButton*>(QStringLiteral("UCBtnAEQ"));
    ASSERT_NE(button, nullptr);
    qunsetenv("PLENUM_AEQ_TOOL");
    struct Case {
        std::uint8_t a, b, c;
        const char* text;
    };
    for (const Case& c : {Case{0, 2, 8, "Detect an old version, please update the firmware with release >= v0.2.9 to use the QORVIL"},
                          Case{0, 2, 9, "Can't open"}, Case{1, 0, 0, "Can't open"}}) {
        SCOPED_TRACE(testing::Message() << int(c.a) << "." << int(c.b) << "." << int(c.c));
        ctx.statusOf(sat)[1] = c.a;
        ctx.statusOf(sat)[2] = c.b;
        ctx.statusOf(sat)[3] = c.c;
        prompter.clear();
        button->click();
        ASSERT_EQ(prompter.messageCount(), 1u);
        EXPECT_EQ(prompter.entries().back().title, "AEQ");
        EXPECT_EQ(prompter.lastText(), c.text);
    }
}

TEST_F(AeqButtonTest, TheSubwooferWindowHasNoAeqButton) {
    const int sub = slotOf("127.0.0.4");
    window->openEditWindow(sub);
    ASSERT_NE(window->editWindow(sub), nullptr);
    EXPECT_EQ(window->editWindow(sub)->findChild<QPushButton*>(QStringLiteral("UCBtnAEQ")), nullptr);
}

}  // namespace
}  // namespace plenum::ui
