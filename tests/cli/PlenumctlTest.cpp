#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli/CliRunner.h"
#include "core/ModelCatalog.h"
#include "store/ProjectFile.h"
#include "support/TempDir.h"

#include <fstream>

namespace plenum {
namespace {

using test::RunCli;

class Plenumctl : public ::testing::Test {
protected:
    test::TempDir dir;
    test::CliResult run(std::vector<std::string> args) { return RunCli(dir.path().string(), std::move(args)); }
};

TEST_F(Plenumctl, InvocationsChainThroughTheSession) {
    EXPECT_EQ(run({"add", "8", "--variant", "3"}).out, "1\n");
    EXPECT_EQ(run({"add", "1"}).out, "2\n");
    EXPECT_EQ(run({"--json", "add", "0", "--lan", "192.0.2.10"}).out, "{\"slot\":3}\n");
    const auto listed = run({"--json", "list"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const auto rows = nlohmann::json::parse(listed.out);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0]["slot"], 1);
    EXPECT_EQ(rows[0]["name"], "RX LOW 11T");
    EXPECT_EQ(rows[0]["model_code"], 8);
    EXPECT_EQ(rows[0]["variant"], 3);
    EXPECT_EQ(rows[0]["link_mode"], "USB");
    EXPECT_EQ(rows[0]["present"], true);
    EXPECT_EQ(rows[0]["connected"], false);
    EXPECT_EQ(rows[0]["tile_pos"], 0);
    EXPECT_EQ(rows[1]["tile_pos"], 10);
    EXPECT_EQ(rows[2]["link_mode"], "LAN");
    EXPECT_EQ(rows[2]["address"], "192.0.2.10");
    for (const char* key : {"unique_id", "address", "name"}) EXPECT_TRUE(rows[2].contains(key)) << key;
}

TEST_F(Plenumctl, RefusalsPrintTheSystemTextAndChangeNothing) {
    ASSERT_EQ(run({"add", "8", "--variant", "3"}).exitCode, 0);
    const auto duplicate = run({"add", "8", "--variant", "3"});
    EXPECT_EQ(duplicate.exitCode, 1);
    EXPECT_EQ(duplicate.err, "Can't add device: Device already on the list!\n");
    const auto removal = run({"remove", "1"});
    EXPECT_EQ(removal.exitCode, 1);
    EXPECT_NE(removal.err.find("Are you sure?"), std::string::npos);
    EXPECT_EQ(nlohmann::json::parse(run({"--json", "list"}).out).size(), 1u);
    EXPECT_EQ(run({"--yes", "remove", "1"}).exitCode, 0);
    EXPECT_EQ(nlohmann::json::parse(run({"--json", "list"}).out).size(), 0u);
    EXPECT_EQ(run({"remove", "1"}).exitCode, 1);
}

// plenumctl add offers what the add-device dialog offers, and preselects what it preselects.
TEST_F(Plenumctl, AddTakesTheDialogsModelsAndVariants) {
    struct Row {
        std::vector<std::string> args;
        int exitCode;
        int variant;  // as listed, when added
        std::string name;
        std::string err;
    } rows[] = {
        {{"8"}, 0, 1, "RX 9T", ""},
        {{"10"}, 0, 1, "RX 44T", ""},
        {{"0"}, 0, 0, "RX 7T", ""},
        {{"8", "--variant", "6"}, 0, 6, "RX 5", ""},
        {{"10", "--variant", "2"}, 0, 2, "RX 312", ""},
        {{"8", "--variant", "0"}, 2, 0, "", "plenumctl: model 8 has no variant 0 (it has 1-6)\n"},
        {{"8", "--variant", "7"}, 2, 0, "", "plenumctl: model 8 has no variant 7 (it has 1-6)\n"},
        {{"10", "--variant", "0"}, 2, 0, "", "plenumctl: model 10 has no variant 0 (it has 1-2)\n"},
        {{"10", "--variant", "3"}, 2, 0, "", "plenumctl: model 10 has no variant 3 (it has 1-2)\n"},
        {{"1", "--variant", "1"}, 2, 0, "", "plenumctl: --variant applies to model codes 8 and 10 only\n"},
        {{"2"}, 2, 0, "", "plenumctl: model code 2 is not a loudspeaker this tool drives\n"},
    };
    for (const auto& row : rows) {
        test::TempDir folder;
        std::vector<std::string> args{"add"};
        args.insert(args.end(), row.args.begin(), row.args.end());
        const std::string what = args[1] + (args.size() > 2 ? " variant " + args[3] : "");
        const auto added = RunCli(folder.path().string(), args);
        EXPECT_EQ(added.exitCode, row.exitCode) << what;
        EXPECT_EQ(added.err, row.err) << what;
        const auto listed = nlohmann::json::parse(RunCli(folder.path().string(), {"--json", "list"}).out);
        if (row.exitCode != 0) {
            EXPECT_TRUE(listed.empty()) << what;
            continue;
        }
        ASSERT_EQ(listed.size(), 1u) << what;
        EXPECT_EQ(listed[0]["variant"], row.variant) << what;
        EXPECT_EQ(listed[0]["name"], row.name) << what;
    }
}

// Every entry of the dialog's catalogue can be added, each once, as the variant it names.
TEST_F(Plenumctl, EveryCatalogueEntryCanBeAddedOnce) {
    int entries = 0;
    for (const int code : PickableModelCodes()) {
        std::vector<int> variants = VariantsOf(code);
        if (variants.empty()) variants.push_back(DefaultVariant(code));
        for (const int variant : variants) {
            std::vector<std::string> args{"add", std::to_string(code)};
            if (HasVariants(code)) args.insert(args.end(), {"--variant", std::to_string(variant)});
            const auto added = run(args);
            ASSERT_EQ(added.exitCode, 0) << code << "/" << variant << ": " << added.err;
            ++entries;
            const auto rows = nlohmann::json::parse(run({"--json", "list"}).out);
            ASSERT_EQ(rows.size(), static_cast<std::size_t>(entries));
            EXPECT_EQ(rows.back()["model_code"], code);
            EXPECT_EQ(rows.back()["variant"], variant);
            EXPECT_EQ(run(args).err, "Can't add device: Device already on the list!\n");
        }
    }
    EXPECT_EQ(entries, 17);
}

TEST_F(Plenumctl, TwentyFifthDeviceRefusedInChinese) {
    // By hand each model and variant enters once; a full list comes from searches, so start from
    // a project holding 24 devices.
    AppContext full;
    for (int slot = 1; slot <= 24; ++slot) {
        full.device(slot).Present = kTrue16;
        full.device(slot).ModelCode = 6;
    }
    ASSERT_FALSE(SaveProject(full, dir / "full.prj"));
    ASSERT_EQ(run({"project", "load", (dir / "full.prj").string()}).exitCode, 0);
    const auto refused = run({"--lang", "zh", "add", "0"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "添加设备: 无法添加设备, 最多 24 个设备\n");
    EXPECT_EQ(run({"add", "0"}).err, "Add Device: Can't add device, max 24 devices\n");
    EXPECT_EQ(nlohmann::json::parse(run({"--json", "list"}).out).size(), 24u);
}

TEST_F(Plenumctl, BadArgumentsAreUsageErrors) {
    const std::vector<std::vector<std::string>> rows = {
        {},
        {"add"},
        {"add", "12"},
        {"add", "x"},
        {"add", "0", "--variant", "2"},
        {"add", "8", "--variant", "7"},
        {"add", "10", "--variant", "3"},
        {"add", "0", "--lan", "0.1.2.3"},
        {"add", "0", "--lan", "10.1.2.255"},
        {"add", "0", "--lan", "10.1.2"},
        {"add", "0", "--lan", "10.1.2.3x"},
        {"remove", "25"},
        {"--yes", "--no", "list"},
        {"--lang", "fr", "list"},
        {"lang", "de"},
        {"project"},
        {"frobnicate"},
    };
    for (const auto& args : rows) {
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        const auto result = run(args);
        EXPECT_EQ(result.exitCode, 2) << joined << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "tmpPrj.mgc"));  // nothing ran, nothing saved
}

TEST_F(Plenumctl, LanguageChoicePersists) {
    EXPECT_EQ(run({"lang"}).out, "en\n");
    EXPECT_EQ(run({"lang", "zh"}).exitCode, 0);
    EXPECT_EQ(run({"lang"}).out, "zh\n");
    EXPECT_EQ(run({"project", "load", "missing.prj"}).err, " 错误:  没有找到文件. 请再次尝试.\n");
}

TEST_F(Plenumctl, ProjectSaveAndLoadReplaceTheSession) {
    ASSERT_EQ(run({"add", "6"}).exitCode, 0);
    const auto project = (dir / "show.prj").string();
    ASSERT_EQ(run({"project", "save", project}).exitCode, 0);
    ASSERT_EQ(run({"--yes", "remove", "1"}).exitCode, 0);
    ASSERT_EQ(run({"add", "1"}).exitCode, 0);
    ASSERT_EQ(run({"project", "load", project}).exitCode, 0);
    const auto rows = nlohmann::json::parse(run({"--json", "list"}).out);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["name"], "RX 5T");

    std::ofstream(dir / "junk.prj") << "not a project";
    const auto junk = run({"project", "load", (dir / "junk.prj").string()});
    EXPECT_EQ(junk.exitCode, 1);
    EXPECT_EQ(junk.err, " Error:  File wrong \n");
    EXPECT_EQ(nlohmann::json::parse(run({"--json", "list"}).out).size(), 1u);
    EXPECT_EQ(run({"project", "save", (dir / "no" / "such" / "x.prj").string()}).exitCode, 3);
}

}  // namespace
}  // namespace plenum
