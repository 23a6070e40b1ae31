// The transaction's rules on scripted transports: every retry and failure path runs in
// microseconds because pauses go to a counting sleeper and reads never wait.
#include "comm/DeviceComm.h"

#include <gtest/gtest.h>

#include "Scripted.h"
#include "core/Registry.h"

namespace plenum::comm {
namespace {

using test::Bytes;

constexpr int kSlot = 3;
constexpr const char* kAddress = "10.1.2.3";

struct Rig {
    AppContext ctx;
    test::ScriptedNetwork network;
    test::ScriptedSerial serial;
    ScriptedPrompter prompter;
    test::CountingSleeper sleeper;
    test::RecordingHooks ui;
    test::ScriptedDevice device;
    DeviceComm comm{ctx, network, serial, prompter, sleeper, LinkSettings{1001, "/dev/ttySIM%d"}};

    Rig() { comm.setHooks(ui.hooks()); }

    DeviceRecord& record() { return ctx.device(kSlot); }

    void listOnNetwork(std::uint8_t model = 0) {
        record().Present = kTrue16;
        record().Connected = kTrue16;
        record().LinkMode = kLinkLan;
        record().Address = kAddress;
        record().ModelCode = model;
        device.family = model == kSubModelCode ? DeviceFamily::Sub : DeviceFamily::Sat;
        network.listen(kAddress, 1001, device.responder());
        ASSERT_EQ(network.TcpConnect(kSlot, kAddress, 1001, Millis{200}), LinkResult::Ok);
        network.connectAttempts = 0;
    }

    void listOnUsb(int port, std::uint8_t model = 0) {
        record().Present = kTrue16;
        record().Connected = kTrue16;
        record().LinkMode = kLinkUsb;
        record().Address = "USB";
        record().ModelCode = model;
        device.family = model == kSubModelCode ? DeviceFamily::Sub : DeviceFamily::Sat;
        ctx.UsbComPort = static_cast<std::int16_t>(port);
        serial.attach("/dev/ttySIM" + std::to_string(port - 1), device.responder());
    }

    // Takes the device away for good: connects are refused from now on.
    void pullThePlug() { network.unlisten(kAddress, 1001); }
};

TEST(Transaction, SuspendedOrOfflineSendsNothingAndSucceeds) {
    for (bool suspended : {true, false}) {
        Rig rig;
        rig.listOnNetwork();
        if (suspended) rig.ctx.flags.TxSuspended = kTrue16;
        else rig.record().Connected = kFalse16;
        EXPECT_EQ(rig.comm.SendCommand(kSlot, 5, {1, 2}), 0);
        EXPECT_TRUE(rig.network.sent.empty());
        EXPECT_TRUE(rig.device.requests.empty());
    }
}

TEST(Transaction, SlotOutOfRangeFailsWithoutSending) {
    Rig rig;
    rig.listOnNetwork();
    EXPECT_EQ(rig.comm.SendCommand(25, 5), -1);
    EXPECT_EQ(rig.comm.SendCommand(-1, 5), -1);
    EXPECT_TRUE(rig.network.sent.empty());
}

TEST(Transaction, BlockReadCopiesReplyAndAcknowledges) {
    Rig rig;
    rig.listOnNetwork();
    rig.ctx.DeviceIdTable[kSlot] = 7;
    for (std::size_t i = 0; i < rig.device.memory.size(); ++i) rig.device.memory[i] = static_cast<std::uint8_t>(i % 251);
    ASSERT_EQ(rig.comm.SendCommand(kSlot, CommandCode::BlockRead, {0, 1, 0x80, 1, 0}), 0);  // 256 bytes at 384
    EXPECT_EQ(rig.comm.lastReplyLength(), 261u);
    EXPECT_EQ(rig.comm.RxBuffer[0], kFrameStart);
    EXPECT_EQ(rig.comm.RxBuffer[4], 384 % 251);
    EXPECT_EQ(rig.comm.RxBuffer[259], (384 + 255) % 251);
    EXPECT_EQ(rig.comm.RxBuffer[260], kFrameEnd);
    ASSERT_EQ(rig.network.sent.size(), 2u);
    EXPECT_EQ(test::Hex(rig.network.sent[0]), "F0 78 07 16 00 01 80 01 00 00 00 00 F7");
    EXPECT_EQ(test::Hex(rig.network.sent[1]), "00");
    EXPECT_EQ(rig.network.readTimeouts, std::vector<Millis>{Millis{4000}});
}

TEST(Transaction, BlockWriteSendsTxBlockBuffer) {
    Rig rig;
    rig.listOnNetwork();
    for (std::size_t i = 0; i < 192; ++i) rig.comm.TxBlockBuffer[i] = static_cast<std::uint8_t>(0x80 | i);
    ASSERT_EQ(rig.comm.SendCommand(kSlot, CommandCode::BlockWrite, {0, 0x01, 0x80, 0, 192}), 0);
    const Bytes& frame = rig.device.requests.at(0);
    ASSERT_EQ(frame.size(), 202u);
    EXPECT_EQ(frame[201], kFrameEnd);
    EXPECT_EQ(frame[9], 0x80);
    EXPECT_EQ(frame[200], 0x80 | 191);
}

TEST(Transaction, RequestsThatCannotBeFramedAreRefused) {
    Rig rig;
    rig.listOnNetwork();
    EXPECT_EQ(rig.comm.SendCommand(kSlot, CommandCode::BlockWrite, {0, 0, 0, 3, 2}), -1);  // 770 > buffer
    EXPECT_EQ(rig.comm.SendCommand(kSlot, CommandCode::BlockRead, {0, 0, 0, 2, 253}), -1);  // 765 + 5 > buffer
    EXPECT_EQ(rig.comm.SendCommand(kSlot, CommandCode::BlockRead, {0, 0, 0, 2, 252}), 0);   // 764 fits
    EXPECT_EQ(rig.device.requests.size(), 1u);
    EXPECT_TRUE(rig.record().isConnected());
}

TEST(Transaction, IdentifyLearnsBusIdOnlyWithMarker) {
    Rig rig;
    rig.listOnNetwork();
    rig.ctx.DeviceIdTable[kSlot] = 0x55;
    rig.device.busId = 0x21;
    ASSERT_EQ(rig.comm.SendCommand(kSlot, CommandCode::Identify), 0);
    EXPECT_EQ(rig.device.requests.at(0)[2], 0x00);
    EXPECT_EQ(rig.ctx.DeviceIdTable[kSlot], 0x21);

    Bytes noMarker(30, 0);
    noMarker.front() = kFrameStart;
    noMarker[2] = 0x33;
    noMarker[4] = 0x79;
    noMarker.back() = kFrameEnd;
    rig.device.replyScript.push_back(noMarker);
    EXPECT_EQ(rig.comm.SendCommand(kSlot, CommandCode::Identify), -1);
    EXPECT_EQ(rig.ctx.DeviceIdTable[kSlot], 0x21);
    EXPECT_TRUE(rig.record().isConnected());
    EXPECT_TRUE(rig.network.TcpIsConnected(kSlot));
    EXPECT_EQ(rig.device.acknowledges, 2);
    EXPECT_TRUE(rig.prompter.entries().empty());
}

TEST(Transaction, GarbledReplySetsTheFamilysFlagAndKeepsTheLink) {
    for (std::uint8_t model : {std::uint8_t{0}, kSubModelCode}) {
        Rig rig;
        rig.listOnNetwork(model);
        rig.ctx.flags.CommBusy = kTrue16;
        rig.device.replyScript.push_back({0x11, 0x22, 0x33, 0x44, 0x55});
        EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), 0);
        EXPECT_EQ(rig.comm.BadReply, model == 0 ? kTrue16 : kFalse16);
        EXPECT_EQ(rig.comm.BadReplySub, model == 0 ? kFalse16 : kTrue16);
        EXPECT_EQ(rig.ctx.flags.CommBusy, kFalse16);
        EXPECT_EQ(rig.device.acknowledges, 0);
        EXPECT_TRUE(rig.record().isConnected());
        // The next transaction starts with the flag cleared.
        EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), 0);
        EXPECT_EQ(rig.comm.BadReply | rig.comm.BadReplySub, kFalse16);
    }
}

TEST(Transaction, ShortReplyCountsAsGarbled) {
    Rig rig;
    rig.listOnNetwork();
    rig.device.replyScript.push_back({kFrameStart, kFrameMarker, 7, 5});  // end byte missing
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), 0);
    EXPECT_EQ(rig.comm.BadReply, kTrue16);
}

TEST(Transaction, GarbledBlockReadIsRequestedAgainUpToThreeTimes) {
    const Bytes garbled(197, 0x5A);
    {
        Rig rig;
        rig.listOnNetwork();
        rig.device.replyScript = {garbled, garbled};
        EXPECT_EQ(rig.comm.SendCommand(kSlot, CommandCode::BlockRead, {0, 0, 0, 0, 192}), 0);
        EXPECT_EQ(rig.device.requests.size(), 3u);
        EXPECT_EQ(rig.comm.BadReply, kFalse16);
    }
    {
        Rig rig;
        rig.listOnNetwork();
        rig.record().EditOpen = kTrue16;
        rig.device.replyScript = {garbled, garbled, garbled};
        EXPECT_EQ(rig.comm.SendCommand(kSlot, CommandCode::BlockRead, {0, 0, 0, 0, 192}), -1);
        EXPECT_EQ(rig.device.requests.size(), 3u);
        EXPECT_FALSE(rig.record().isConnected());
        EXPECT_FALSE(rig.network.TcpIsConnected(kSlot));
        EXPECT_EQ(rig.ui.offline, std::vector<int>{kSlot});
        EXPECT_EQ(rig.prompter.messageCount(), 1u);
    }
}

TEST(Transaction, AllZeroReplyIsNoReplyAndReconnects) {
    Rig rig;
    rig.listOnNetwork();
    rig.device.replyScript.push_back(Bytes(5, 0));
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), 0);
    EXPECT_EQ(rig.comm.BadReply, kFalse16);
    EXPECT_EQ(rig.network.connectAttempts, 1);
    EXPECT_EQ(rig.network.connectTimeouts.back(), Millis{2000});
    EXPECT_EQ(rig.sleeper.pauses, std::vector<Millis>{Millis{100}});
    EXPECT_EQ(rig.device.requests.size(), 2u);
    // The read-side reconnect raised CommBusy; the reply that came puts it back, or the meter poll
    // would stay off for good after one lost reply.
    EXPECT_EQ(rig.ctx.flags.CommBusy, kFalse16);
    EXPECT_TRUE(rig.comm.replyReceived());
    EXPECT_TRUE(rig.ui.events.empty());

    // A CommBusy that a modal device dialog holds stays held.
    rig.ctx.flags.CommBusy = kTrue16;
    rig.device.replyScript.push_back(Bytes(5, 0));
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), 0);
    EXPECT_EQ(rig.ctx.flags.CommBusy, kTrue16);
}

TEST(Transaction, OnlyAWholeValidReplyCountsAsReceived) {
    Rig rig;
    rig.listOnNetwork();
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), 0);
    EXPECT_TRUE(rig.comm.replyReceived());
    rig.device.replyScript.push_back({0xF0, 0x78, 0x01, 0x33, 0x00});  // garbled: no end byte
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), 0);
    EXPECT_EQ(rig.comm.BadReply, kTrue16);
    EXPECT_FALSE(rig.comm.replyReceived());
    rig.ctx.flags.TxSuspended = kTrue16;  // nothing is sent: no reply either
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), 0);
    EXPECT_FALSE(rig.comm.replyReceived());
    rig.ctx.flags.TxSuspended = kFalse16;
    rig.record().Connected = kFalse16;
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), 0);
    EXPECT_FALSE(rig.comm.replyReceived());
}

TEST(Transaction, LinkDownForGoodGivesOneSilentAndTenShownRetries) {
    Rig rig;
    rig.listOnNetwork();
    rig.record().EditOpen = kTrue16;
    rig.device.replyScript.push_back({});  // silence: the read times out
    rig.pullThePlug();
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), -1);
    EXPECT_EQ(rig.network.connectAttempts, 11);
    EXPECT_EQ(rig.sleeper.pauses.size(), 11u);
    ASSERT_EQ(rig.ui.labels.size(), 10u);
    for (int n = 1; n <= 10; ++n)
        EXPECT_EQ(rig.ui.labels[static_cast<std::size_t>(n - 1)], "Reconnection retry " + std::to_string(n) + " of 10");
    EXPECT_EQ(rig.ui.events, (std::vector<std::string>{"show", "hide"}));
    EXPECT_EQ(rig.comm.RetryArmed | rig.comm.RetryShown, kFalse16);
    EXPECT_FALSE(rig.record().isConnected());
    EXPECT_EQ(rig.ui.offline, std::vector<int>{kSlot});
    EXPECT_EQ(rig.ctx.flags.CommBusy, kFalse16);
    ASSERT_EQ(rig.prompter.entries().size(), 1u);
    EXPECT_EQ(rig.prompter.entries()[0].title, "Communication problem");
    EXPECT_EQ(rig.prompter.entries()[0].text, " The system will close the communication with this device");
    EXPECT_EQ(rig.prompter.entries()[0].icon, Icon::Exclamation);
}

TEST(Transaction, SendSideHasItsOwnCounterThatResendsDoNotRenew) {
    Rig rig;
    rig.listOnNetwork();
    // Every send fails, every reconnect succeeds: 11 resends, then failure without a shown retry.
    rig.network.sendScript.assign(100, LinkResult::Closed);
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), -1);
    EXPECT_EQ(rig.network.connectAttempts, 11);
    EXPECT_TRUE(rig.ui.labels.empty());
    EXPECT_FALSE(rig.record().isConnected());
}

TEST(Transaction, ReadAndSendSidesCountSeparately) {
    Rig rig;
    rig.listOnNetwork();
    // Ten silent reads (ten read-side reconnects that succeed), then ten failed sends, then success:
    // neither side reaches twelve.
    for (int i = 0; i < 10; ++i) rig.device.replyScript.push_back({});
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), 0);
    EXPECT_EQ(rig.network.connectAttempts, 10);
    rig.network.connectAttempts = 0;
    rig.device.requests.clear();
    rig.device.replyScript.clear();
    rig.network.sendScript.assign(10, LinkResult::Closed);
    for (int i = 0; i < 1; ++i) rig.device.replyScript.push_back({});
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), 0);
    EXPECT_EQ(rig.network.connectAttempts, 11);
}

TEST(Transaction, AltAbortEndsTheShownRetries) {
    Rig rig;
    rig.listOnNetwork();
    rig.ui.abortAt = 3;
    rig.device.replyScript.push_back({});
    rig.pullThePlug();
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), -1);
    EXPECT_EQ(rig.ui.labels.size(), 3u);
    EXPECT_EQ(rig.network.connectAttempts, 4);
    EXPECT_FALSE(rig.record().isConnected());
}

// A device that takes the link back at once but stays silent never reaches the shown retries,
// where the Alt key is asked: the give-up hook is asked at every attempt and ends it there.
TEST(Transaction, GiveUpEndsTheRetriesOfASilentDevice) {
    struct CountingGiveUp final : AbortProbe {
        int asked = 0;
        int giveUpAt = 3;
        bool AltAbort() override { return ++asked == giveUpAt; }
    } giveUp;
    Rig rig;
    CommHooks hooks = rig.ui.hooks();
    hooks.giveUp = &giveUp;
    rig.comm.setHooks(hooks);
    rig.listOnNetwork();
    for (int i = 0; i < 20; ++i) rig.device.replyScript.push_back({});  // silent, link fine
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), -1);
    EXPECT_EQ(giveUp.asked, 3);
    EXPECT_EQ(rig.network.connectAttempts, 2) << "given up before the third reconnect";
    EXPECT_TRUE(rig.ui.labels.empty()) << "no failed reconnect, nothing shown";
    EXPECT_FALSE(rig.record().isConnected());
    EXPECT_EQ(rig.ui.offline, std::vector<int>{kSlot});
}

TEST(Transaction, RetryWindowStaysUntilTheNextTransaction) {
    Rig rig;
    rig.listOnNetwork();
    rig.device.replyScript.push_back({});
    rig.network.connectScript = {LinkResult::Refused, LinkResult::Refused, LinkResult::Ok};
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), 0);
    EXPECT_EQ(rig.ui.labels, std::vector<std::string>{"Reconnection retry 1 of 10"});
    EXPECT_EQ(rig.ui.events, std::vector<std::string>{"show"});
    EXPECT_EQ(rig.comm.RetryArmed, kTrue16);
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), 0);
    EXPECT_EQ(rig.ui.events, (std::vector<std::string>{"show", "hide"}));
    EXPECT_EQ(rig.comm.RetryArmed, kFalse16);
}

TEST(Transaction, AcknowledgeFailureTakesTheDeviceOffline) {
    Rig rig;
    rig.listOnNetwork();
    rig.network.sendScript = {LinkResult::Ok, LinkResult::Closed};
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), -1);
    EXPECT_FALSE(rig.record().isConnected());
    EXPECT_EQ(rig.network.connectAttempts, 0);
}

struct AlertRow {
    const char* name;
    bool editOpen, alertHold, silent, scanActive, sub;
    bool alerted;
};

class AlertRule : public ::testing::TestWithParam<AlertRow> {};

TEST_P(AlertRule, ShownOnlyForAnOpenEditWindowWhenNotSuppressed) {
    const AlertRow& row = GetParam();
    Rig rig;
    rig.listOnNetwork(row.sub ? kSubModelCode : 0);
    rig.record().EditOpen = ToBool16(row.editOpen);
    rig.ctx.flags.AlertHold = ToBool16(row.alertHold);
    rig.ctx.flags.SilentComm = ToBool16(row.silent);
    rig.ctx.flags.UsbScanActive = ToBool16(row.scanActive);
    rig.device.replyScript.push_back({});
    rig.pullThePlug();
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), -1);
    EXPECT_EQ(rig.prompter.messageCount(), row.alerted ? 1u : 0u);
    EXPECT_EQ(rig.ui.offline, std::vector<int>{kSlot});  // the tile goes off-line in every case
}

INSTANTIATE_TEST_SUITE_P(
    Flags, AlertRule,
    ::testing::Values(AlertRow{"EditOpen", true, false, false, false, false, true},
                      AlertRow{"EditClosed", false, false, false, false, false, false},
                      AlertRow{"AlertHold", true, true, false, false, false, false},
                      AlertRow{"SilentComm", true, false, true, false, false, false},
                      AlertRow{"ScanActiveSat", true, false, false, true, false, false},
                      AlertRow{"ScanActiveSub", true, false, false, true, true, true},
                      AlertRow{"SilentCommSub", true, false, true, false, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Transaction, AlertInChinese) {
    Rig rig;
    rig.listOnNetwork();
    rig.ctx.LanguageFlag = 1;
    rig.record().EditOpen = kTrue16;
    rig.device.replyScript.push_back({});
    rig.pullThePlug();
    rig.comm.SendCommand(kSlot, 5);
    ASSERT_EQ(rig.prompter.entries().size(), 1u);
    EXPECT_EQ(rig.prompter.entries()[0].title, "通信错误");
    EXPECT_EQ(rig.prompter.entries()[0].text, " 系统将会关闭这个设备的连接");
}

TEST(Transaction, AbsentListedDeviceKeepsItsTile) {
    Rig rig;
    rig.listOnNetwork();
    rig.record().Present = kFalse16;
    rig.device.replyScript.push_back({});
    rig.pullThePlug();
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), -1);
    EXPECT_TRUE(rig.ui.offline.empty());
}

TEST(Transaction, SubExpectsFiveBytesForCode96AndSatThirteen) {
    for (std::uint8_t model : {std::uint8_t{0}, kSubModelCode}) {
        Rig rig;
        rig.listOnNetwork(model);
        EXPECT_EQ(rig.comm.SendCommand(kSlot, 96), 0);
        EXPECT_EQ(rig.comm.lastReplyLength(), model == 0 ? 13u : 5u);
    }
}

TEST(UsbTransaction, ConnectsThePatternPortAndSkipsTheFramingCheck) {
    Rig rig;
    rig.listOnUsb(5);
    rig.device.replyScript.push_back({1, 2, 3, 4, 5});  // no frame, but USB replies are taken as they come
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), 0);
    EXPECT_EQ(rig.serial.connectAttempts, std::vector<std::string>{"/dev/ttySIM4"});
    EXPECT_EQ(rig.serial.baudRate, 57600);
    EXPECT_EQ(rig.comm.BadReply, kFalse16);
    EXPECT_EQ(rig.comm.RxBuffer[0], 1);
    EXPECT_EQ(rig.device.acknowledges, 0);  // no acknowledge byte on the serial link
    EXPECT_TRUE(rig.network.sent.empty());
}

TEST(UsbTransaction, PortThatCannotOpenFailsQuietly) {
    Rig rig;
    rig.listOnUsb(5);
    rig.ctx.UsbComPort = 6;
    rig.record().EditOpen = kTrue16;
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), -1);
    EXPECT_TRUE(rig.record().isConnected());
    EXPECT_TRUE(rig.prompter.entries().empty());
    EXPECT_TRUE(rig.ui.offline.empty());
}

TEST(UsbTransaction, ReadFailureGoesStraightToFailureHandling) {
    Rig rig;
    rig.listOnUsb(2);
    rig.record().EditOpen = kTrue16;
    rig.device.replyScript.push_back({});
    EXPECT_EQ(rig.comm.SendCommand(kSlot, 5), -1);
    EXPECT_EQ(rig.network.connectAttempts, 0);
    EXPECT_FALSE(rig.serial.IsConnected());
    EXPECT_FALSE(rig.record().isConnected());
    EXPECT_EQ(rig.prompter.messageCount(), 1u);
}

TEST(FindUsbPort, FindsTheDeviceSendsOfflineAndClosesThePort) {
    Rig rig;
    rig.listOnUsb(5);
    rig.record().Connected = kFalse16;
    rig.record().EditOpen = kTrue16;
    EXPECT_TRUE(rig.comm.FindUsbPort(kSlot));
    EXPECT_EQ(rig.ctx.UsbComPort, 5);
    EXPECT_EQ(rig.serial.connectAttempts.size(), 5u);
    EXPECT_EQ(rig.serial.connectAttempts.front(), "/dev/ttySIM0");
    ASSERT_EQ(rig.device.requests.size(), 2u);
    EXPECT_EQ(rig.device.requests[0][3], 0);
    EXPECT_EQ(rig.device.requests[1][3], 15);
    EXPECT_EQ(rig.comm.LastTxResult, 0);
    EXPECT_FALSE(rig.serial.IsConnected());
    EXPECT_FALSE(rig.record().isConnected());
    EXPECT_EQ(rig.ctx.flags.UsbScanActive | rig.ctx.flags.SilentComm, kFalse16);
    EXPECT_TRUE(rig.prompter.entries().empty());
}

TEST(FindUsbPort, SilentDeviceOnAPortIsSkippedWithoutAlert) {
    Rig rig;
    rig.listOnUsb(9);
    rig.record().Connected = kFalse16;
    rig.record().EditOpen = kTrue16;
    rig.serial.attach("/dev/ttySIM1", [](const Bytes&) { return Bytes{}; });  // port 2 answers nothing
    EXPECT_TRUE(rig.comm.FindUsbPort(kSlot));
    EXPECT_EQ(rig.ctx.UsbComPort, 9);
    EXPECT_TRUE(rig.prompter.entries().empty());
}

TEST(FindUsbPort, NoPortAnswers) {
    Rig rig;
    rig.record().Present = kTrue16;
    rig.record().Address = "USB";
    EXPECT_FALSE(rig.comm.FindUsbPort(kSlot));
    EXPECT_EQ(rig.serial.connectAttempts.size(), 72u);
    EXPECT_EQ(rig.serial.connectAttempts.back(), "/dev/ttySIM71");
    EXPECT_EQ(rig.ctx.flags.UsbScanActive | rig.ctx.flags.SilentComm, kFalse16);
}

TEST(LinkControl, RemovingAConnectedDeviceSendsOfflineAndClosesTheLink) {
    Rig rig;
    rig.listOnNetwork();
    rig.record().UniqueId = "00AABBCCDDEE";
    rig.prompter.answer(true);
    EXPECT_EQ(RemoveDevice(rig.ctx, rig.prompter, rig.comm, kSlot), RemoveResult::Removed);
    ASSERT_EQ(rig.device.requests.size(), 1u);
    EXPECT_EQ(test::Hex(rig.device.requests[0]), "F0 78 00 0F 00 00 00 00 00 00 00 00 F7");
    EXPECT_FALSE(rig.network.TcpIsConnected(kSlot));
    EXPECT_EQ(rig.comm.LastTxResult, 0);
}

}  // namespace
}  // namespace plenum::comm
