#include "store/ProjectFile.h"

#include <gtest/gtest.h>

#include "core/FactoryPrograms.h"
#include "core/Registry.h"
#include "groups/GroupFile.h"
#include "support/TempDir.h"

namespace plenum {
namespace {

constexpr std::size_t kEmptyDeviceRecord = 29;

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
    ASSERT_TRUE(LoadSessionProject(loaded, paths));
    ExpectSameProjectState(original, loaded);
    EXPECT_TRUE(loaded.device(2).isConnected());  // a chained session reconnects on first use
    EXPECT_EQ(loaded.DeviceIdTable, original.DeviceIdTable);
}

TEST(SessionProject, OtherMarkersAndDamageAreIgnored) {
    test::TempDir dir;
    AppPaths paths(dir.path());
    AppContext ctx;
    EXPECT_FALSE(LoadSessionProject(ctx, paths));  // no file: empty list

    const AppContext original = SampleContext();
    Bytes file = LayOutProject(EncodeProjectBlocks(original, kProjectMarker), ProjectLayout::FixedRecords);
    ASSERT_FALSE(WriteFileAtomic(paths.sessionProject(), file));
    EXPECT_FALSE(LoadSessionProject(ctx, paths));
    EXPECT_FALSE(ctx.device(2).isPresent());

    file = LayOutProject(EncodeProjectBlocks(original, kSessionMarkerOld), ProjectLayout::FixedRecords);
    ASSERT_FALSE(WriteFileAtomic(paths.sessionProject(), file));
    EXPECT_TRUE(LoadSessionProject(ctx, paths));

    AppContext untouched;
    file.resize(file.size() - kSessionRecordSize);  // the last group position is missing
    ASSERT_FALSE(WriteFileAtomic(paths.sessionProject(), file));
    EXPECT_FALSE(LoadSessionProject(untouched, paths));
    EXPECT_FALSE(untouched.device(2).isPresent());
}

}  // namespace
}  // namespace plenum
