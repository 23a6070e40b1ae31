#include "core/Registry.h"

#include <gtest/gtest.h>

#include "core/FactoryPrograms.h"

namespace plenum {
namespace {

class RecordingLink : public DeviceLinkControl {
public:
    void sendOffline(int slot) override { offline.push_back(slot); }
    void closeLink(int slot) override { closed.push_back(slot); }
    std::vector<int> offline, closed;
};

int AddByHand(AppContext& ctx, ScriptedPrompter& prompter, std::uint8_t model, std::int16_t variant = 0) {
    const auto slot = BeginAddDevice(ctx, prompter);
    if (!slot) return -1;
    if (!CompleteAddDevice(ctx, prompter, *slot, {model, variant, false, ""})) return -1;
    AssignTilePos(ctx, *slot);
    return *slot;
}

DeviceRecord Found(const std::string& address, std::uint8_t model, std::int16_t linkMode = kLinkLan) {
    DeviceRecord record;
    record.Present = kTrue16;
    record.Address = address;
    record.ModelCode = model;
    record.LinkMode = linkMode;
    record.UniqueId = "00AABBCCDDEE";
    record.DeviceName = "Stage left";
    return record;
}

TEST(ModelName, Table) {
    struct Row {
        int code, variant;
        const char* name;
    } rows[] = {{0, 5, "RX 7T"},      {6, 0, "RX 5T"},     {8, 2, "RX 11T"},   {8, 3, "RX LOW 11T"},
                {8, 4, "RX LOW 13T"}, {8, 5, "PODIA 27T"}, {8, 6, "RX 5"},     {8, 0, "RX 9T"},
                {8, 9, "RX 9T"},      {10, 1, "RX 44T"},   {10, 2, "RX 312"},  {10, 0, ""},
                {11, 0, "RX LOW 314"}, {1, 0, " "},        {9, 0, " "},        {2, 0, " "}};
    for (const auto& row : rows) EXPECT_EQ(ModelName(row.code, row.variant), row.name) << row.code << "/" << row.variant;
}

TEST(DisplayName, ModelNamedDeviceFollowsItsVariant) {
    AppContext ctx;
    ctx.device(1).ModelCode = 8;
    ctx.device(1).DeviceName = "RX 9T           ";
    ctx.satStatus[1][status::kHwVariant] = 3;
    EXPECT_EQ(DisplayName(ctx, 1), "RX LOW 11T");
    ctx.device(1).DeviceName = "  Front fill  ";
    EXPECT_EQ(DisplayName(ctx, 1), "Front fill");
}

TEST(AddDevice, TwentyFourthFitsTwentyFifthRefused) {
    AppContext ctx;
    ScriptedPrompter prompter;
    for (int i = 0; i < kMaxDevices; ++i) {
        // Every device must differ in model or variant to pass the duplicate check.
        const std::uint8_t model = i < 12 ? 8 : 10;
        ASSERT_EQ(AddByHand(ctx, prompter, model, static_cast<std::int16_t>(i + 10)), i + 1);
    }
    EXPECT_EQ(prompter.entries().size(), 0u);
    EXPECT_EQ(AddByHand(ctx, prompter, 0), -1);
    ASSERT_EQ(prompter.entries().size(), 1u);
    EXPECT_EQ(prompter.entries()[0].title, "Add Device");
    EXPECT_EQ(prompter.entries()[0].text, "Can't add device, max 24 devices");
    EXPECT_EQ(prompter.entries()[0].icon, Icon::Information);
}

TEST(AddDevice, ChineseRefusal) {
    AppContext ctx;
    ctx.LanguageFlag = 1;
    ScriptedPrompter prompter;
    for (int slot = 1; slot <= 24; ++slot) ctx.device(slot).Present = kTrue16;
    EXPECT_FALSE(BeginAddDevice(ctx, prompter));
    EXPECT_EQ(prompter.entries()[0].title, "添加设备");
    EXPECT_EQ(prompter.entries()[0].text, "无法添加设备, 最多 24 个设备");
}

TEST(AddDevice, FillsRecordStatusNameAndImage) {
    AppContext ctx;
    ScriptedPrompter prompter;
    ctx.satStatus[3][status::kSystemMode] = 0;
    ctx.device(1).Present = kTrue16;
    ctx.device(1).ModelCode = 0;
    ctx.device(2).Present = kTrue16;
    ctx.device(2).ModelCode = 6;
    const int slot = AddByHand(ctx, prompter, 8, 4);
    ASSERT_EQ(slot, 3);
    const DeviceRecord& r = ctx.device(3);
    EXPECT_EQ(r.Address, "USB");
    EXPECT_EQ(r.LinkMode, kLinkUsb);
    EXPECT_EQ(r.Present, kTrue16);
    EXPECT_EQ(r.DeviceName, "RX LOW 13T");
    EXPECT_EQ(r.TileWindow, 255);
    EXPECT_EQ(ctx.ModelVariant[3], 4);
    const std::string name(ctx.satStatus[3].bytes.begin() + 5, ctx.satStatus[3].bytes.begin() + 21);
    EXPECT_EQ(name, "RX LOW 13T      ");
    EXPECT_EQ(ctx.satImage[3], SatFactoryImage(0));
    EXPECT_EQ(DisplayName(ctx, 3), "RX LOW 13T");
}

TEST(AddDevice, SubGetsSubImageAndSubStatus) {
    AppContext ctx;
    ScriptedPrompter prompter;
    ASSERT_EQ(AddByHand(ctx, prompter, 1), 1);
    EXPECT_EQ(ctx.subImage[1], SubFactoryImage());
    EXPECT_EQ(ctx.subStatus[1][5], ' ');  // model name " " padded
    EXPECT_EQ(ctx.satImage[1], SatParamImage{});
}

TEST(AddDevice, DuplicateModelAndVariantRefused) {
    AppContext ctx;
    ScriptedPrompter prompter;
    ASSERT_EQ(AddByHand(ctx, prompter, 8, 3), 1);
    EXPECT_EQ(AddByHand(ctx, prompter, 8, 3), -1);
    EXPECT_EQ(prompter.lastText(), "Device already on the list!");
    EXPECT_EQ(prompter.entries().back().title, "Can't add device");
    EXPECT_FALSE(ctx.device(2).isPresent());
    EXPECT_EQ(AddByHand(ctx, prompter, 8, 4), 2);  // another variant is another device
}

TEST(AddDevice, NetworkOptionKeepsTypedAddress) {
    AppContext ctx;
    ScriptedPrompter prompter;
    ASSERT_TRUE(CompleteAddDevice(ctx, prompter, 1, {0, 0, true, "192.0.2.7"}));
    EXPECT_EQ(ctx.device(1).LinkMode, kLinkLan);
    EXPECT_EQ(ctx.device(1).Address, "192.0.2.7");
    ASSERT_TRUE(CompleteAddDevice(ctx, prompter, 2, {6, 0, true, ""}));
    EXPECT_EQ(ctx.device(2).Address, "USB");
}

TEST(TilePos, FirstSevenFillColumnZeroThenColumnOne) {
    AppContext ctx;
    for (int slot = 1; slot <= 9; ++slot) {
        ctx.device(slot).Present = kTrue16;
        AssignTilePos(ctx, slot);
    }
    for (int slot = 1; slot <= 7; ++slot) EXPECT_EQ(ctx.device(slot).TilePos, 10 * (slot - 1));
    EXPECT_EQ(ctx.device(8).TilePos, 1);
    EXPECT_EQ(ctx.device(9).TilePos, 11);
    EXPECT_EQ(TileOriginOf(11).xTwips, 2500);
    EXPECT_EQ(TileOriginOf(11).yTwips, 3600);
    // A freed position is reused first.
    ctx.device(3).Present = 0;
    ctx.device(10).Present = kTrue16;
    AssignTilePos(ctx, 10);
    EXPECT_EQ(ctx.device(10).TilePos, 20);
}

TEST(Merge, KnownSkippedNewInLowestFreeSlot) {
    AppContext ctx;
    ScriptedPrompter prompter;
    ctx.device(1) = Found("127.0.0.2", 0);
    ctx.device(1).SlotIndex = 1;
    ctx.device(3) = Found("127.0.0.9", 6);
    ctx.foundTable[0] = Found("127.0.0.2", 0);  // same address and link mode: known
    EXPECT_TRUE(MergeFoundDevices(ctx, prompter).empty());
    EXPECT_EQ(prompter.lastText(), "No new Device(s) found");
    EXPECT_EQ(prompter.entries().back().title, "Search Device");

    prompter.clear();
    ctx.foundTable[1] = Found("127.0.0.3", 1);
    ctx.foundTable[2] = Found("127.0.0.4", 2);  // model code 2 is never listed
    ctx.foundTable[3] = Found("127.0.0.2", 0, kLinkWlan);  // same address, other link: new
    EXPECT_EQ(MergeFoundDevices(ctx, prompter), (std::vector<int>{2, 4}));
    EXPECT_EQ(prompter.entries().size(), 0u);
    EXPECT_EQ(ctx.device(2).Address, "127.0.0.3");
    EXPECT_EQ(ctx.device(2).SlotIndex, 2);
    EXPECT_EQ(ctx.device(2).UniqueId, "00AABBCCDDEE");
    EXPECT_EQ(ctx.subImage[2], SubFactoryImage());
    EXPECT_EQ(ctx.device(4).LinkMode, kLinkWlan);
}

TEST(Remove, RefusalsChangeNothing) {
    AppContext ctx;
    ScriptedPrompter prompter;
    RecordingLink link;
    ctx.device(2) = Found("127.0.0.2", 0);
    ctx.groups[5].InUse = kTrue16;
    ctx.groups[5].Member[2] = kTrue16;
    EXPECT_EQ(RemoveDevice(ctx, prompter, link, 2), RemoveResult::InGroup);
    EXPECT_EQ(prompter.lastText(), "Can't remove device, it is present in the Group");
    ctx.groups[5].InUse = 0;  // a free group record does not hold its members
    ctx.device(2).EditOpen = kTrue16;
    EXPECT_EQ(RemoveDevice(ctx, prompter, link, 2), RemoveResult::EditOpen);
    EXPECT_EQ(prompter.lastText(), "Can't remove device, Edit window is open");
    ctx.device(2).EditOpen = 0;
    prompter.answer(false);
    EXPECT_EQ(RemoveDevice(ctx, prompter, link, 2), RemoveResult::Declined);
    EXPECT_EQ(prompter.entries().back().text, "Are you sure?");
    EXPECT_TRUE(ctx.device(2).isPresent());
    EXPECT_TRUE(link.offline.empty());
}

TEST(Remove, OfflineLanDeviceGoesToSecondListOnly) {
    AppContext ctx;
    ScriptedPrompter prompter;
    RecordingLink link;
    ctx.device(4) = Found("127.0.0.5", 0);
    ctx.satImage[4][20] = 99;
    EXPECT_EQ(RemoveDevice(ctx, prompter, link, 4), RemoveResult::Removed);
    EXPECT_TRUE(ctx.removedConnected.empty());
    ASSERT_EQ(ctx.removedAll.size(), 1u);
    EXPECT_EQ(ctx.removedAll[0], (std::pair<std::string, std::string>{"00AABBCCDDEE", "LAN"}));
    EXPECT_TRUE(link.offline.empty());
    EXPECT_FALSE(ctx.device(4).isPresent());
    EXPECT_EQ(ctx.device(4).SlotIndex, 4);
    EXPECT_EQ(ctx.device(4).TilePos, 255);
    EXPECT_EQ(ctx.satImage[4], SatParamImage{});
    EXPECT_EQ(ctx.flags.CommBusy, 0);
}

TEST(Remove, ConnectedDeviceIsSentOfflineAndListedTwice) {
    AppContext ctx;
    ScriptedPrompter prompter;
    RecordingLink link;
    ctx.device(4) = Found("127.0.0.5", 0, kLinkWlan);
    ctx.device(4).Connected = kTrue16;
    AddPair(ctx.removedConnected, "", "");  // an emptied row is reused
    EXPECT_EQ(RemoveDevice(ctx, prompter, link, 4), RemoveResult::Removed);
    EXPECT_EQ(link.offline, std::vector<int>{4});
    EXPECT_EQ(link.closed, std::vector<int>{4});
    ASSERT_EQ(ctx.removedConnected.size(), 1u);
    EXPECT_EQ(ctx.removedConnected[0].second, "WLAN");
    EXPECT_EQ(ctx.removedAll.size(), 1u);
}

TEST(Remove, ConnectedUsbDeviceIsNotListed) {
    AppContext ctx;
    ScriptedPrompter prompter;
    RecordingLink link;
    ctx.device(1) = Found("USB", 8, kLinkUsb);
    ctx.device(1).Connected = kTrue16;
    EXPECT_EQ(RemoveDevice(ctx, prompter, link, 1), RemoveResult::Removed);
    EXPECT_EQ(link.closed, std::vector<int>{1});
    EXPECT_TRUE(ctx.removedConnected.empty());
    EXPECT_TRUE(ctx.removedAll.empty());
}

TEST(EditWindows, FiveAtMost) {
    AppContext ctx;
    for (int slot = 1; slot <= 4; ++slot) ctx.device(slot).EditOpen = kTrue16;
    EXPECT_TRUE(CanOpenEditWindow(ctx));
    ctx.device(9).EditOpen = kTrue16;
    EXPECT_EQ(CountEditWindows(ctx), 5);
    EXPECT_FALSE(CanOpenEditWindow(ctx));
}

}  // namespace
}  // namespace plenum
