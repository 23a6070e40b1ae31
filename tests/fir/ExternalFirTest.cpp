#include <gtest/gtest.h>

#include <fstream>

#include "fir/ExternalFir.h"
#include "support/TempDir.h"

namespace plenum::fir {
namespace {

TEST(ExternalFirTest, ThresholdSnapsIntoItsRange) {
    const struct {
        double value;
        int level;
    } cases[] = {{-55.4, -55}, {-90, -80}, {-80, -80}, {-40, -40}, {-55.6, -56}, {-55.5, -55},
                 {-79.9, -80}, {-40.2, -40}, {-30, -40}, {-60, -60}, {-80.4, -80}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(SnapPhaseThreshold(c.value), c.level);
    }
}

TEST(ExternalFirTest, ThresholdEntry) {
    ScriptedPrompter prompter;
    EXPECT_EQ(EnterPhaseThreshold("-55.4", prompter, 0), -55);
    EXPECT_EQ(EnterPhaseThreshold(" -90 ", prompter, 0), -80);
    EXPECT_TRUE(prompter.entries().empty());
    EXPECT_FALSE(EnterPhaseThreshold("low", prompter, 0));
    EXPECT_EQ(prompter.lastText(), "Wrong value");
}

class ExternalFirWindowTest : public ::testing::Test {
protected:
    std::filesystem::path write(const std::string& name, int taps, double value = 0.001) {
        const auto path = dir_ / name;
        std::ofstream out(path);
        for (int i = 0; i < taps; ++i) out << (i == 0 ? 0.5 : value) << "\n";
        return path;
    }
    test::TempDir dir_;
};

TEST_F(ExternalFirWindowTest, LoadShowsTheImportAndStoreMakesItCurrent) {
    ExternalFirWindow window(ExternalFirTarget::Output, 512);
    window.setCurrent({1.0}, "old");
    EXPECT_EQ(window.currentCaption(), "Current FIR - old");
    EXPECT_EQ(window.importedCaption(), "");
    ScriptedPrompter prompter;
    ASSERT_TRUE(window.load(write("ramp.txt", 256), prompter, 0, false));
    EXPECT_EQ(window.importedCaption(), "Imported FIR - ramp.txt - Taps = 256");
    EXPECT_EQ(window.announcement(), "Filter FIR with 256 taps.");
    EXPECT_TRUE(window.pending());

    prompter.answer(true);
    EXPECT_TRUE(window.confirmStore(prompter, 1));
    EXPECT_EQ(prompter.lastText(), "存储 FIR 到设备");
    window.storeFinished(true, prompter, 0);
    EXPECT_FALSE(window.pending());
    EXPECT_EQ(window.currentCaption(), "Current FIR - ramp.txt");
    EXPECT_EQ(window.current().size(), 256u);
    // Closing right after a store asks nothing.
    prompter.clear();
    EXPECT_TRUE(window.mayClose(prompter, 0));
    EXPECT_TRUE(prompter.entries().empty());
}

TEST_F(ExternalFirWindowTest, FailedStoreKeepsTheCurrentFir) {
    for (const auto target : {ExternalFirTarget::Input, ExternalFirTarget::Output}) {
        ExternalFirWindow window(target, 1024);
        window.setCurrent({1.0}, "old");
        ScriptedPrompter prompter;
        ASSERT_TRUE(window.load(write("a.txt", 288), prompter, 1, false));
        window.storeFinished(false, prompter, 1);
        EXPECT_EQ(prompter.lastText(), target == ExternalFirTarget::Input ? "FIR 参数没有被更新" : "FIR 没有被更新");
        EXPECT_EQ(window.currentCaption(), "Current FIR - old");
        EXPECT_TRUE(window.pending());
    }
}

TEST_F(ExternalFirWindowTest, CloseAsksWhileAnImportIsNotStored) {
    ExternalFirWindow window(ExternalFirTarget::Input, 1024);
    ScriptedPrompter prompter;
    EXPECT_TRUE(window.mayClose(prompter, 0));
    EXPECT_EQ(prompter.questionCount(), 0u);
    ASSERT_TRUE(window.load(write("a.txt", 256), prompter, 0, false));
    prompter.answer(false);
    EXPECT_FALSE(window.mayClose(prompter, 0));
    EXPECT_EQ(prompter.lastText(), "Exit - FIR not imported\r\n               Are you sure ? ");
    prompter.answer(true);
    EXPECT_TRUE(window.mayClose(prompter, 1));
    EXPECT_EQ(prompter.lastText(), "退出 - FIR 参数没有被导入\r\n您确定吗 ?");
}

TEST_F(ExternalFirWindowTest, RefusedLoadKeepsThePreviousImport) {
    ExternalFirWindow window(ExternalFirTarget::Output, 512);
    ScriptedPrompter prompter;
    ASSERT_TRUE(window.load(write("good.txt", 256), prompter, 0, false));
    EXPECT_FALSE(window.load(write("long.txt", 1024), prompter, 0, false));
    EXPECT_EQ(prompter.lastText(), "Wrong File, max num of Taps should be 512");
    EXPECT_EQ(window.importedCaption(), "Imported FIR - good.txt - Taps = 256");
}

TEST(ExternalFirStoreTest, NothingToStoreAsksNothing) {
    ExternalFirWindow window(ExternalFirTarget::Output, 512);
    ScriptedPrompter prompter;
    EXPECT_FALSE(window.confirmStore(prompter, 0));
    EXPECT_TRUE(prompter.entries().empty());
}

}  // namespace
}  // namespace plenum::fir
