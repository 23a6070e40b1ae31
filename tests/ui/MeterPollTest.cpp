// The meter poll against simulated loudspeakers: only valid replies are readings, a lost reply
// does not stop the poll, and a panel event brings the device's records back in step.
#include "ui/logic/MeterPoll.h"

#include <gtest/gtest.h>

#include "core/FactoryPrograms.h"
#include "support/SimRig.h"

namespace plenum::ui {
namespace {

struct CountingHooks : AutoUpdateHooks {
    void refreshWindow(int slot) override { refreshed.push_back(slot); }
    std::vector<int> refreshed;
};

class MeterPollTest : public test::SimRig {
protected:
    void SetUp() override {
        sat = &addDevice("127.0.0.2", 8);
        sub = &addDevice("127.0.0.3", 1);
        start();
        bringOnline(1, *sat);
        bringOnline(2, *sub);
        for (int slot : {1, 2}) {
            ASSERT_EQ(ReadStatus(*comm, slot), 0);
            ASSERT_EQ(ReadImage(*comm, slot), 0);
        }
        poll = std::make_unique<MeterPoll>(*comm);
    }
    sim::SimulatedDevice* sat = nullptr;
    sim::SimulatedDevice* sub = nullptr;
    std::unique_ptr<MeterPoll> poll;
    CountingHooks hooks;
};

TEST_F(MeterPollTest, OnlyValidRepliesAreReadings) {
    auto round = poll->pollAll(hooks);
    EXPECT_EQ(round.refreshed, (std::vector<int>{1, 2}));
    const auto column = [&](int slot) {
        std::vector<std::uint8_t> rows;
        for (int row = 0; row < meter_rows::kReplyRows; ++row) rows.push_back(poll->table().at(row, slot));
        return rows;
    };
    const auto satBefore = column(1);
    sat->setFault(sim::Fault::Garbled, 1);
    sub->setFault(sim::Fault::ShortReply, 1);
    round = poll->pollAll(hooks);
    EXPECT_TRUE(round.refreshed.empty());
    EXPECT_EQ(column(1), satBefore) << "a garbled reply is no reading";
    EXPECT_EQ(comm->BadReplySub, kTrue16);
    EXPECT_EQ(poll->lastResult(1), 0);
    EXPECT_TRUE(ctx.device(1).isConnected());
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

// One lost reply: the transaction reconnects and gets it; the next round polls as before.
TEST_F(MeterPollTest, ALostReplyDoesNotStopThePoll) {
    sat->setFault(sim::Fault::NoReply, 1);
    auto round = poll->pollAll(hooks);
    EXPECT_EQ(round.refreshed, (std::vector<int>{1, 2}));
    EXPECT_EQ(ctx.flags.CommBusy, kFalse16);
    sat->clearLog();
    round = poll->pollAll(hooks);
    EXPECT_EQ(round.refreshed, (std::vector<int>{1, 2}));
    EXPECT_EQ(sat->receivedCodes(), std::vector<std::uint8_t>{24});

    // A device that stays silent goes off-line and is skipped from then on.
    sat->setFault(sim::Fault::CloseConnection);
    round = poll->pollAll(hooks);
    EXPECT_EQ(round.refreshed, std::vector<int>{2});
    EXPECT_EQ(poll->lastResult(1), -1);
    EXPECT_FALSE(ctx.device(1).isConnected());
    EXPECT_TRUE(prompter.entries().empty()) << "a meter request never alerts";
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

// Somebody recalls another program on the loudspeaker's own panel: the device says so in the
// panel row, and the poll reads its status and live program back.
TEST_F(MeterPollTest, PanelEventReadsTheDeviceBack) {
    const std::uint8_t recalled[] = {'F', 'R', 'O', 'N', 'T'};
    sat->writeMemory(384, recalled);
    sat->writeMemory(202, std::vector<std::uint8_t>{3});
    EXPECT_FALSE(test::MirrorsDevices(ctx, simulator));
    sat->reportPanelEvent(0b0011'0010);  // flag 1, panel 6
    const auto round = poll->pollAll(hooks);
    EXPECT_EQ(round.panelEvents, std::vector<int>{1});
    EXPECT_EQ(poll->lastPanelEvent(1), (PanelStatus{true, false, 6}));
    EXPECT_FALSE(poll->lastPanelEvent(2));
    EXPECT_EQ(hooks.refreshed, std::vector<int>{1});
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));

    // The event is reported once: the next round reads nothing back.
    sat->clearLog();
    poll->pollAll(hooks);
    EXPECT_EQ(sat->receivedCodes(), std::vector<std::uint8_t>{24});
}

}  // namespace
}  // namespace plenum::ui
