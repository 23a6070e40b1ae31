// The edit windows' sink in the application: edits reach the device and its linked devices
// through the communication thread, a drag faster than the link is carried by its last position,
// and after the thread has settled every image equals its device's memory.
#include "ui/PostingEditSink.h"

#include <QApplication>
#include <set>

#include "MainWindowFixture.h"
#include "core/FactoryPrograms.h"
#include "device/EditController.h"
#include "support/SimRig.h"

namespace plenum::ui {
namespace {

class PostingEditSinkTest : public test::SimRig {
protected:
    void SetUp() override {
        test_support::App();
        for (const char* host : {"127.0.0.2", "127.0.0.3"}) devices.push_back(&addDevice(host, 8));
        start();
        for (int slot = 1; slot <= 2; ++slot) {
            auto& device = *devices[static_cast<std::size_t>(slot - 1)];
            bringOnline(slot, device);
            const auto index = static_cast<std::size_t>(slot);
            ctx.satImage[index] = SatFactoryImage(0);
            ctx.satStatus[index][status::kLinkMask] = 0b001;  // linked with each other
            device.writeMemory(0, ctx.satStatus[index].bytes);
            device.writeMemory(384, ctx.satImage[index].bytes);
            device.clearLog();
        }
        thread = std::make_unique<CommThread>(ctx, prompter, network, serial, sleeper, comm->links(),
                                              test::FastTimeouts());
        sink = std::make_unique<PostingEditSink>(ctx, *thread);
    }
    void TearDown() override { thread.reset(); }

    int framesWithCode(const sim::SimulatedDevice& device, std::uint8_t code) {
        int count = 0;
        for (const auto& frame : requests(device)) count += frame.size() > 3 && frame[3] == code;
        return count;
    }

    std::vector<sim::SimulatedDevice*> devices;
    std::unique_ptr<CommThread> thread;
    std::unique_ptr<PostingEditSink> sink;
};

TEST_F(PostingEditSinkTest, EditsReachTheDeviceAndItsLinkedDevice) {
    device::EditSatController window(ctx, 1, *sink, prompter);
    ASSERT_TRUE(window.enterText(device::Control::InGain, "-3"));
    ASSERT_TRUE(thread->settle(5000));
    EXPECT_EQ(framesWithCode(*devices[0], 1), 1);
    EXPECT_EQ(framesWithCode(*devices[1], 1), 1);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

// Each movement is queued at once; on a slow link a waiting position is replaced by the newer one,
// so fewer frames go out than movements were made, and the last position always arrives.
TEST_F(PostingEditSinkTest, ADragFasterThanTheLinkIsCarriedByItsLastPosition) {
    for (auto* device : devices) device->setLatency(std::chrono::milliseconds(20));
    device::EditSatController window(ctx, 1, *sink, prompter);
    window.faderPress(device::Control::EqGain);
    int moves = 0;
    for (int track = 500; track <= 2200; track += 60, ++moves) window.faderMove(device::Control::EqGain, track);
    window.faderRelease(device::Control::EqGain);
    ASSERT_TRUE(thread->settle(10000));
    const int sent = framesWithCode(*devices[0], 5);
    EXPECT_GE(sent, 1);
    EXPECT_LT(sent, moves);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

TEST(PostingEditSinkKeys, DifferentInstancesNeverShareAKey) {
    std::set<std::pair<int, int>> keys;
    int count = 0;
    for (int family = 0; family < 4; ++family)
        for (int way = 0; way < 2; ++way)
            for (int band = 0; band < 59; ++band)
                for (int section = 0; section < 4; ++section, ++count) {
                    const auto key = PostingEditSink::KeyOf(3, static_cast<ParamFamily>(family),
                                                            ParamAddress{way, band, section, 0});
                    keys.insert({key.slot, key.parameter});
                }
    EXPECT_EQ(static_cast<int>(keys.size()), count);
}

}  // namespace
}  // namespace plenum::ui
