#include "store/ProjectFile.h"

#include <gtest/gtest.h>

#include <random>

#include "comm/Discovery.h"
#include "core/FactoryPrograms.h"
#include "core/Registry.h"
#include "groups/GroupFile.h"
#include "store/BlockCodec.h"
#include "store/SlotRecords.h"
#include "support/TempDir.h"

namespace plenum {
namespace {

constexpr std::size_t kEmptyDeviceRecord = 29;

// Removal of a device that is not on-line never reaches its link.
struct NoLink : DeviceLinkControl {
    void sendOffline(int) override {}
    void closeLink(int) override {}
};

void ListDevice(AppContext& ctx, int slot, std::uint8_t model, const std::string& address) {
    DeviceRecord& r = ctx.device(slot);
    r.Present = kTrue16;
    r.ModelCode = model;
    r.Address = address;
    r.LinkMode = kLinkLan;
    r.DeviceName = "Dev " + std::to_string(slot);
    r.UniqueId = "00112233445" + std::to_string(slot % 10);
    r.TilePos = static_cast<std::int16_t>(slot);
    r.Connected = kTrue16;
}

// A context with a satellite, a subwoofer, a model-2 entry, two groups and external data.
AppContext SampleContext() {
    AppContext ctx;
    ListDevice(ctx, 2, 8, "127.0.0.2");
    ctx.satStatus[2][status::kHwVariant] = 3;
    ctx.ModelVariant[2] = 3;
    ctx.satImage[2] = SatFactoryImage(0);
    ctx.satImage[2][575] = 0xAB;  // bytes no edit path touches travel too
    ctx.satStatus[2][383] = 0xCD;
    ctx.satExtra[2].ProgramNames[0] = "SPEECH          ";
    ctx.satExtra[2].ProgramLocked[3] = 1;
    ctx.satExtra[2].AdminLogged = 1;
    ctx.satExtra[2].fir[1].name = "linear phase";
    ctx.satExtra[2].fir[1].taps = 512;
    ctx.satExtra[2].fir[1].values[0] = 0.25f;
    ctx.satExtra[2].fir[1].values[1023] = -1.0f;
    ctx.satExtra[2].mir[0].values[511] = 3.5f;
    ctx.ProgramSystem[2][4] = 1;  // program 5 was stored in BRIDGE mode

    ListDevice(ctx, 5, 1, "127.0.0.4");
    ctx.subImage[5] = SubFactoryImage();
    ctx.subStatus[5][200] = 7;
    ctx.subExtra[5].ProgramNames[7] = "CLUB";
    ctx.subExtra[5].ProgramLocked[7] = 1;

    ListDevice(ctx, 9, 2, "127.0.0.9");

    GroupRecord& g = ctx.groups[1];
    g.Name = "Stage";
    g.InUse = kTrue16;
    g.Member[2] = g.Member[5] = kTrue16;
    g.LeftDev = 2;
    g.SubDev = 5;
    g.HasSub = 1;
    ctx.groupState[1].windowLeft = 120;
    ctx.groupState[1].windowTop = -40;
    ctx.groups[6].InUse = kTrue16;
    ctx.groups[6].Name = "Balcony";
    ctx.groupState[6].windowLeft = 7;

    ctx.extFilter[2].record[0] = 9;
    ctx.extFilter[24].pairs[4] = {-5, 6};
    ctx.DeviceIdTable[2] = 0x2C;
    return ctx;
}

// The parts of the state a project holds.
void ExpectSameProjectState(const AppContext& a, const AppContext& b) {
    for (int slot = 1; slot <= 24; ++slot) {
        const auto i = static_cast<std::size_t>(slot);
        EXPECT_EQ(a.device(slot), b.device(slot)) << slot;
        EXPECT_EQ(a.satStatus[i], b.satStatus[i]) << slot;
        EXPECT_EQ(a.subStatus[i], b.subStatus[i]) << slot;
        EXPECT_EQ(a.satImage[i], b.satImage[i]) << slot;
        EXPECT_EQ(a.subImage[i], b.subImage[i]) << slot;
        EXPECT_EQ(a.satExtra[i], b.satExtra[i]) << slot;
        EXPECT_EQ(a.subExtra[i], b.subExtra[i]) << slot;
        EXPECT_EQ(a.extFilter[i], b.extFilter[i]) << slot;
        EXPECT_EQ(a.ProgramSystem[i], b.ProgramSystem[i]) << slot;
    }
    EXPECT_EQ(a.groups, b.groups);
    for (std::size_t g = 0; g < 8; ++g) {
        if (!a.groups[g].isInUse()) continue;
        EXPECT_EQ(a.groupState[g].windowLeft, b.groupState[g].windowLeft);
        EXPECT_EQ(a.groupState[g].windowTop, b.groupState[g].windowTop);
    }
}

TEST(ProjectFile, EmptyProjectHasExactSize) {
    const AppContext ctx;
    const Bytes file = LayOutProject(EncodeProjectBlocks(ctx, kProjectMarker), ProjectLayout::Stream);
    EXPECT_EQ(file.size(), 2 + 24 * kEmptyDeviceRecord + 8 * kGroupRecordSize);  // 2106
    EXPECT_EQ(file[0], 113);
    EXPECT_EQ(file[1], 0);
    // Slot 1's record: Connected, EditOpen, SlotIndex = 1, empty Address ...
    EXPECT_EQ(file[6], 1);
}

TEST(ProjectFile, DeviceBlocksPerFamily) {
    AppContext ctx;
    ListDevice(ctx, 1, 1, "127.0.0.3");
    const auto blocks = EncodeProjectBlocks(ctx, kProjectMarker);
    // marker, 24 records, SUB status + image + extra + settings, 8 groups
    ASSERT_EQ(blocks.size(), 1u + 24 + 4 + 8);
    EXPECT_EQ(blocks[25].size(), 384u);
    EXPECT_EQ(blocks[26].size(), 192u);
    EXPECT_EQ(blocks[27].size(), 128u);

    AppContext sat;
    ListDevice(sat, 1, 0, "127.0.0.3");
    const auto satBlocks = EncodeProjectBlocks(sat, kProjectMarker);
    ASSERT_EQ(satBlocks.size(), 1u + 24 + 4 + 8);
    EXPECT_EQ(satBlocks[25].size(), 384u);
    EXPECT_EQ(satBlocks[26].size(), 576u);

    AppContext model2;
    ListDevice(model2, 1, 2, "127.0.0.3");
    EXPECT_EQ(EncodeProjectBlocks(model2, kProjectMarker).size(), 1u + 24 + 8);
}

TEST(ProjectFile, SaveLoadSaveIsByteForByte) {
    test::TempDir dir;
    const AppContext original = SampleContext();
    const auto file = dir / "venue.prj";
    ASSERT_FALSE(SaveProject(original, file));
    AppContext loaded;
    ScriptedPrompter prompter;
    ASSERT_TRUE(LoadProject(loaded, prompter, file));
    EXPECT_EQ(prompter.entries().size(), 0u);
    ExpectSameProjectState(original, loaded);
    EXPECT_EQ(loaded.ModelVariant[2], 3);
    const auto again = dir / "again.prj";
    ASSERT_FALSE(SaveProject(loaded, again));
    std::error_code error;
    EXPECT_EQ(*ReadWholeFile(file, error), *ReadWholeFile(again, error));
    EXPECT_EQ(*ReadWholeFile(CompanionPath(file), error), *ReadWholeFile(CompanionPath(again), error));
    EXPECT_EQ(std::filesystem::file_size(CompanionPath(file)), 2u + 24 * 80);
}

TEST(ProjectFile, OldMarkerAcceptedOthersRefused) {
    test::TempDir dir;
    const AppContext original = SampleContext();
    Bytes bytes = LayOutProject(EncodeProjectBlocks(original, 33), ProjectLayout::Stream);
    ASSERT_FALSE(WriteFileAtomic(dir / "old.prj", bytes));
    AppContext loaded;
    ScriptedPrompter prompter;
    EXPECT_TRUE(LoadProject(loaded, prompter, dir / "old.prj"));
    AppContext expected = SampleContext();
    expected.extFilter = {};  // no companion file: the external data is cleared
    ExpectSameProjectState(expected, loaded);
}

// A satellite's settings block written without the program slots' system bytes (as files were
// before they were kept) still loads; the table is cleared for that device.
TEST(ProjectFile, SettingsBlockWithoutSystemBytesLoads) {
    AppContext original;
    ListDevice(original, 1, 0, "127.0.0.3");
    original.ProgramSystem[1] = {1, 0, 1, 0, 0, 0, 0, 1};
    auto blocks = EncodeProjectBlocks(original, kProjectMarker);
    AppContext loaded;
    loaded.ProgramSystem[1][2] = 1;
    ASSERT_EQ(DecodeProject(loaded, LayOutProject(blocks, ProjectLayout::Stream), ProjectLayout::Stream, {kProjectMarker}),
              ProjectStatus::Loaded);
    EXPECT_EQ(loaded.ProgramSystem[1], original.ProgramSystem[1]);

    // marker, 24 records, status, image, extra, then the settings block
    BinaryWriter older;
    const Bytes packed = PackBlock(SlotSettings(original, 1));
    older.i16(static_cast<std::int16_t>(packed.size() - 1));
    older.i16(kProgramSlots - 1);
    older.bytes(packed);
    blocks[28] = older.take();
    ASSERT_EQ(DecodeProject(loaded, LayOutProject(blocks, ProjectLayout::Stream), ProjectLayout::Stream, {kProjectMarker}),
              ProjectStatus::Loaded);
    EXPECT_EQ(loaded.ProgramSystem[1], (std::array<std::uint8_t, kProgramSlots>{}));
    EXPECT_EQ(loaded.satExtra[1], original.satExtra[1]);
}

TEST(ProjectFile, FailuresTellAndChangeNothing) {
    test::TempDir dir;
    const AppContext before = SampleContext();
    struct Row {
        const char* name;
        Bytes content;  // empty = no file
        const char* text;
    };
    Bytes wrongMarker = LayOutProject(EncodeProjectBlocks(before, kSessionMarker), ProjectLayout::Stream);
    Bytes trailing = LayOutProject(EncodeProjectBlocks(before, kProjectMarker), ProjectLayout::Stream);
    trailing.push_back(0);
    Bytes badRecord = LayOutProject(EncodeProjectBlocks(before, kProjectMarker), ProjectLayout::Stream);
    badRecord[2] = 7;  // slot 1 Connected = 7
    const Row rows[] = {{"missing file", {}, " File not found. Try again."},
                        {"wrong marker", wrongMarker, " File wrong "},
                        {"one byte", {113}, " File wrong "},
                        {"trailing byte", trailing, " File wrong "},
                        {"impossible field", badRecord, " File wrong "}};
    for (const auto& row : rows) {
        const auto file = dir / (std::string(row.name) + ".prj");
        if (!row.content.empty()) {
            ASSERT_FALSE(WriteFileAtomic(file, row.content));
        }
        AppContext ctx = SampleContext();
        ScriptedPrompter prompter;
        EXPECT_FALSE(LoadProject(ctx, prompter, file)) << row.name;
        ASSERT_EQ(prompter.entries().size(), 1u) << row.name;
        EXPECT_EQ(prompter.entries()[0].text, row.text) << row.name;
        EXPECT_EQ(prompter.entries()[0].title, " Error") << row.name;
        ExpectSameProjectState(before, ctx);
    }
    AppContext ctx;
    ctx.LanguageFlag = 1;
    ScriptedPrompter prompter;
    LoadProject(ctx, prompter, dir / "nothing.prj");
    EXPECT_EQ(prompter.entries()[0].title, " 错误");
    EXPECT_EQ(prompter.entries()[0].text, " 没有找到文件. 请再次尝试.");
}

TEST(ProjectFile, EveryTruncationLoadsNothing) {
    const AppContext original = SampleContext();
    const Bytes file = LayOutProject(EncodeProjectBlocks(original, kProjectMarker), ProjectLayout::Stream);
    const AppContext empty;
    // Every cut through the records, device blocks and groups, in steps that hit every block.
    for (std::size_t cut = 0; cut < file.size(); cut += (cut < 800 ? 1 : 97)) {
        AppContext ctx;
        const auto result = DecodeProject(ctx, std::span(file).first(cut), ProjectLayout::Stream, {kProjectMarker});
        EXPECT_NE(result, ProjectStatus::Loaded) << cut;
        ExpectSameProjectState(empty, ctx);
    }
}

TEST(SessionProject, FixedRecordsRoundTrip) {
    test::TempDir dir;
    AppPaths paths(dir.path());
    const AppContext original = SampleContext();
    ASSERT_FALSE(SaveSessionProject(original, paths));
    // marker + 24 records + (4 + 4) device blocks (model 2 has none) + 8 groups + 2 positions
    EXPECT_EQ(std::filesystem::file_size(paths.sessionProject()), (1u + 24 + 8 + 8 + 2) * kSessionRecordSize);
    AppContext loaded;
    ASSERT_TRUE(LoadSessionProject(loaded, paths).restored());
    ExpectSameProjectState(original, loaded);
    EXPECT_TRUE(loaded.device(2).isConnected());  // a chained session reconnects on first use
    EXPECT_EQ(loaded.DeviceIdTable, original.DeviceIdTable);
}

TEST(SessionProject, UnreadableSessionIsSetAsideNotOverwritten) {
    test::TempDir dir;
    AppPaths paths(dir.path());
    AppContext ctx;
    const SessionRestore none = LoadSessionProject(ctx, paths);
    EXPECT_EQ(none.status, SessionRestore::Status::NoSession);  // no file: empty list, nothing said
    ScriptedPrompter quiet;
    TellSessionProblem(quiet, 0, none);
    EXPECT_EQ(quiet.messageCount(), 0u);

    const AppContext original = SampleContext();
    Bytes file = LayOutProject(EncodeProjectBlocks(original, kSessionMarkerOld), ProjectLayout::FixedRecords);
    ASSERT_FALSE(WriteFileAtomic(paths.sessionProject(), file));
    EXPECT_TRUE(LoadSessionProject(ctx, paths).restored());  // the older marker is read

    struct Damage {
        const char* name;
        Bytes bytes;
    };
    Bytes truncated = file;
    truncated.resize(file.size() - kSessionRecordSize);  // the last group position is missing
    const Damage damages[] = {
        {"project marker", LayOutProject(EncodeProjectBlocks(original, kProjectMarker), ProjectLayout::FixedRecords)},
        {"truncated", truncated},
        {"empty", {}},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        ASSERT_FALSE(SaveSessionProject(original, paths));
        ASSERT_FALSE(WriteFileAtomic(paths.sessionProject(), damage.bytes));
        AppContext untouched;
        const SessionRestore restore = LoadSessionProject(untouched, paths);
        EXPECT_EQ(restore.status, SessionRestore::Status::SetAside);
        EXPECT_FALSE(untouched.device(2).isPresent());
        ASSERT_EQ(restore.keptAs.size(), 2u);  // the file and its companion
        std::error_code error;
        EXPECT_EQ(ReadWholeFile(restore.keptAs[0], error), damage.bytes);
        // The next save writes a new session beside the kept one.
        ASSERT_FALSE(SaveSessionProject(untouched, paths));
        EXPECT_EQ(std::filesystem::file_size(restore.keptAs[0]), damage.bytes.size());
        ScriptedPrompter prompter;
        TellSessionProblem(prompter, 0, restore);
        ASSERT_EQ(prompter.messageCount(), 1u);
        EXPECT_NE(prompter.lastText().find(restore.keptAs[0].filename().string()), std::string::npos);
    }
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "tmpPrj.mgc.bad"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "tmpPrj.mgc.bad.1"));
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "tmpPrj.mgc.bad.2"));
}

TEST(SessionProject, DamagedCompanionIsKeptAndTheListRestored) {
    test::TempDir dir;
    AppPaths paths(dir.path());
    const AppContext original = SampleContext();
    ASSERT_FALSE(SaveSessionProject(original, paths));
    const Bytes damaged = {1, 2, 3};
    ASSERT_FALSE(WriteFileAtomic(paths.sessionExtProject(), damaged));
    AppContext ctx;
    const SessionRestore restore = LoadSessionProject(ctx, paths);
    EXPECT_TRUE(restore.restored());
    EXPECT_TRUE(ctx.device(2).isPresent());
    ASSERT_EQ(restore.keptAs.size(), 1u);
    EXPECT_EQ(restore.keptAs[0].filename(), "tmpExtPrj.mgc.bad");
}

// Every state the program can reach through its own operations (search results with any identify
// reply, devices added by hand, removals, any bytes read back from a device, program names and
// groups) saves and loads back equal: one odd device must never make a session unreadable.
TEST(SessionProject, EveryReachableStateRoundTrips) {
    std::mt19937 random(20261206);
    auto byte = [&] { return static_cast<std::uint8_t>(random() & 0xFF); };
    // Program names follow the naming rules: up to 16 printable characters.
    auto programName = [&] {
        std::string name(random() % 17, ' ');
        for (char& c : name) c = static_cast<char>(' ' + random() % 95);
        return name;
    };
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        AppContext ctx;
        ScriptedPrompter prompter;
        NoLink link;
        for (int found = 0; found < 20; ++found) {
            std::array<std::uint8_t, comm::kIdentifyReplyLength> reply{};
            for (auto& b : reply) b = byte();
            reply[0] = 0xF0, reply[4] = 0x78, reply[29] = 0xF7;
            const auto info = comm::ParseIdentifyReply(reply);
            ASSERT_TRUE(info);
            DeviceRecord& entry = ctx.foundTable[static_cast<std::size_t>(found)];
            entry = {};
            entry.Present = kTrue16;
            entry.Address = "127.0." + std::to_string(round) + "." + std::to_string(found + 1);
            entry.LinkMode = info->linkMode;
            entry.UniqueId = info->uniqueId;
            entry.ModelCode = info->modelCode;
            entry.HwFamily = comm::IsKnownHwFamily(info->hwFamily) ? info->hwFamily : 255;
            entry.DeviceName = info->name;
        }
        MergeFoundDevices(ctx, prompter);
        for (int slot = 1; slot <= kLastUserSlot; ++slot) {
            if (!ctx.device(slot).isPresent()) continue;
            if (random() % 5 == 0) {
                RemoveDevice(ctx, prompter, link, slot);
                continue;
            }
            // A device's records of its own family hold whatever it sent back.
            const auto i = static_cast<std::size_t>(slot);
            for (auto& b : ctx.statusOf(slot).bytes) b = byte();
            if (ctx.device(slot).isSub()) {
                for (auto& b : ctx.subImage[i].bytes) b = byte();
                for (auto& name : ctx.subExtra[i].ProgramNames) name = programName();
            } else {
                for (auto& b : ctx.satImage[i].bytes) b = byte();
                for (auto& name : ctx.satExtra[i].ProgramNames) name = programName();
            }
            ctx.DeviceIdTable[i] = byte();
            if (random() % 2) ctx.device(slot).Connected = kTrue16;
            AssignTilePos(ctx, slot);
        }
        if (const auto slot = BeginAddDevice(ctx, prompter))
            CompleteAddDevice(ctx, prompter, *slot, AddDeviceChoice{8, static_cast<std::int16_t>(random() % 7), true, ""});
        ctx.groups[random() % kGroupCount].InUse = kTrue16;

        test::TempDir dir;
        AppPaths paths(dir.path());
        ASSERT_FALSE(SaveSessionProject(ctx, paths));
        AppContext loaded;
        ASSERT_TRUE(LoadSessionProject(loaded, paths).restored());
        ExpectSameProjectState(ctx, loaded);
        ASSERT_FALSE(SaveProject(ctx, dir.path() / "venue.prj"));
        AppContext project;
        ASSERT_TRUE(LoadProject(project, prompter, dir.path() / "venue.prj"));
        ExpectSameProjectState(ctx, project);
    }
}

}  // namespace
}  // namespace plenum
