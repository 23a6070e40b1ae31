// The group windows' sink in the application: a group edit reaches every member through the
// communication thread, in order, and afterwards every member mirrors its device.
#include "ui/PostingGroupSink.h"

#include <QApplication>

#include "MainWindowFixture.h"
#include "groups/GroupEditor.h"
#include "support/SimRig.h"

namespace plenum::ui {
namespace {

class PostingGroupSinkTest : public test::SimRig {
protected:
    void SetUp() override {
        test_support::App();
        const std::uint8_t models[] = {8, 8, 1};
        for (int i = 0; i < 3; ++i) devices.push_back(&addDevice("127.0.0." + std::to_string(2 + i), models[i]));
        start();
        for (int slot = 1; slot <= 3; ++slot) {
            auto& device = *devices[static_cast<std::size_t>(slot - 1)];
            bringOnline(slot, device);
            device.writeMemory(0, ctx.statusOf(slot).bytes);
            device.writeMemory(384, std::vector<std::uint8_t>(slot == 3 ? 192 : 576, 0));
            device.clearLog();
        }
        thread = std::make_unique<CommThread>(ctx, prompter, network, serial, sleeper, comm->links(),
                                              test::FastTimeouts());
        sink = std::make_unique<PostingGroupSink>(*thread);
    }
    void TearDown() override { thread.reset(); }

    std::vector<int> codes(int i) {
        std::vector<int> out;
        for (const auto& frame : requests(*devices[static_cast<std::size_t>(i)])) out.push_back(frame[3]);
        return out;
    }

    std::vector<sim::SimulatedDevice*> devices;
    std::unique_ptr<CommThread> thread;
    std::unique_ptr<PostingGroupSink> sink;
};

TEST_F(PostingGroupSinkTest, GroupEditsReachEveryMemberInOrder) {
    CreateGroup(ctx, 0, {"PA", true, 1, 2, 3}, *sink);
    GroupPresets presets;
    GroupEditor editor(ctx, 0, presets, prompter, *sink);
    ASSERT_TRUE(editor.setGainText("-6"));
    ASSERT_TRUE(editor.setEqOnSub(true));
    ASSERT_TRUE(thread->settle(5000));
    ASSERT_TRUE(test::Eventually([&] { return codes(2).size() == 9u && codes(1).size() == 10u; }));
    EXPECT_EQ(codes(0), (std::vector<int>{3, 1, 2, 6, 5, 5, 5, 5, 5, 1}));
    EXPECT_EQ(codes(2), (std::vector<int>{3, 1, 1, 6, 5, 5, 5, 5, 5}));
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

}  // namespace
}  // namespace plenum::ui

#include "ui/DriftWindow.h"

#include <QTableWidget>

#include <nlohmann/json.hpp>

#include "core/ValueCodecs.h"
#include "device/ParamValues.h"

namespace plenum::ui {
namespace {

// The drift window over the same rig: a change made behind the application's back is listed by
// its parameter name; "keep project" sends it back, "take device" takes another into the project.
TEST_F(PostingGroupSinkTest, DriftWindowListsAndResolvesDifferences) {
    devices[0]->writeMemory(384 + 20, std::vector<std::uint8_t>{100});
    devices[1]->writeMemory(384 + 22, std::vector<std::uint8_t>{1});
    DriftWindow window(ctx, *thread, {1, 2, 3});
    window.compare();
    ASSERT_TRUE(thread->settle(5000));
    ASSERT_TRUE(test::Eventually([&] {
        QApplication::processEvents();
        return window.rows().size() == 2u;
    }));
    EXPECT_EQ(window.table()->item(0, 1)->text(), "input.gain");
    // Values in units, as plenumctl get prints them: the gain index 100 in dB.
    EXPECT_EQ(window.table()->item(0, 3)->text().toStdString(), device::ParamValueText(GainTableDb(100)) + " dB");
    EXPECT_EQ(window.status(), "2 parameter(s) differ.");
    EXPECT_EQ(window.table()->item(1, 1)->text(), "input.polarity");
    devices[0]->clearLog();
    window.keepProject(0);
    ASSERT_TRUE(thread->settle(5000));
    ASSERT_TRUE(test::Eventually([&] {
        QApplication::processEvents();
        return window.rows().size() == 1u;
    }));
    window.takeDevice(0);
    ASSERT_TRUE(thread->settle(5000));
    ASSERT_TRUE(test::Eventually([&] {
        QApplication::processEvents();
        return window.rows().empty();
    }));
    EXPECT_EQ(ctx.satImage[2][22], 1);
    ASSERT_TRUE(test::Eventually([&] { return requests(*devices[0]).size() == 1u; }));
    EXPECT_EQ(requests(*devices[0])[0][3], 1);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

}  // namespace
}  // namespace plenum::ui
