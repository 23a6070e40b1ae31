#include "core/Config.h"

#include <gtest/gtest.h>

#include <fstream>

#include "core/AppContext.h"
#include "core/BinaryIO.h"
#include "core/NumericKeyFilter.h"
#include "core/StartupKeys.h"
#include "support/TempDir.h"

namespace plenum {
namespace {

std::string ReadText(const std::filesystem::path& p) {
    std::ifstream in(p);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(Folders, AeqAndItsSixSubfolders) {
    test::TempDir dir;
    AppPaths paths(dir.path());
    std::filesystem::create_directories(paths.aeqDir() / "Tmp");
    std::ofstream(paths.aeqDir() / "Tmp" / "keep.txt") << "x";
    EnsureAeqFolders(paths);
    for (const char* sub : {"Sessions", "Tmp", "Target", "Post Target", "IR", "Project"})
        EXPECT_TRUE(std::filesystem::is_directory(paths.aeqDir() / sub)) << sub;
    EXPECT_TRUE(std::filesystem::exists(paths.aeqDir() / "Tmp" / "keep.txt"));
}

TEST(Language, MissingFileIsEnglishAndChoiceSurvivesRestart) {
    test::TempDir dir;
    AppPaths paths(dir.path());
    EXPECT_EQ(LoadLanguage(paths), 0);
    ASSERT_FALSE(SaveLanguage(paths, 1));
    EXPECT_EQ(LoadLanguage(paths), 1);
    EXPECT_EQ(ReadText(paths.languageIni()), "[Lang]\nLx=1\n");
    ASSERT_FALSE(SaveLanguage(paths, 0));
    EXPECT_EQ(LoadLanguage(paths), 0);
}

TEST(Language, OtherValuesMeanEnglishAndOtherKeysAreKept) {
    test::TempDir dir;
    AppPaths paths(dir.path());
    std::ofstream(paths.languageIni()) << "; user notes\r\n[Other]\r\nA=1\r\n\r\n[lang]\r\nlx = 2\r\nKeep=yes\r\n";
    EXPECT_EQ(LoadLanguage(paths), 0);
    ASSERT_FALSE(SaveLanguage(paths, 1));
    EXPECT_EQ(LoadLanguage(paths), 1);
    EXPECT_EQ(ReadText(paths.languageIni()), "; user notes\n[Other]\nA=1\n\n[lang]\nLx=1\nKeep=yes\n");
    std::ofstream(paths.languageIni()) << "garbage without sections\n\x01\x02";
    EXPECT_EQ(LoadLanguage(paths), 0);
}

TEST(InitCfg, RoundTripMissingAndShortFiles) {
    test::TempDir dir;
    AppPaths paths(dir.path());
    EXPECT_EQ(LoadInitCfg(paths), InitCfg{});
    InitCfg cfg;
    cfg.values = {0, 0, 0, 0, 192, 168, 1, 10, 192, 168, 1, 254, 7};
    ASSERT_FALSE(SaveInitCfg(paths, cfg));
    EXPECT_EQ(std::filesystem::file_size(paths.initCfg()), kInitCfgSize);
    EXPECT_EQ(LoadInitCfg(paths), cfg);
    EXPECT_EQ(LoadInitCfg(paths).toOctet(3), 254);
    EXPECT_EQ(LoadInitCfg(paths).usbComPort(), 7);
    std::error_code error;
    auto bytes = *ReadWholeFile(paths.initCfg(), error);
    EXPECT_EQ(bytes[8], 192);
    EXPECT_EQ(bytes[9], 0);
    bytes.resize(10);  // a truncated file keeps what it holds, the rest is zero
    ASSERT_FALSE(WriteFileAtomic(paths.initCfg(), bytes));
    const InitCfg partial = LoadInitCfg(paths);
    EXPECT_EQ(partial.fromOctet(0), 192);
    EXPECT_EQ(partial.fromOctet(1), 0);
    EXPECT_EQ(partial.usbComPort(), 0);
}

TEST(Display, ScaleAndSizeCheck) {
    EXPECT_DOUBLE_EQ(ScreenScaleForDpi(96), 1.0);
    EXPECT_DOUBLE_EQ(ScreenScaleForDpi(120), 1.25);
    EXPECT_FALSE(DisplayTooSmall(1280, 1024, 1.25));  // needs 1280 x 960
    EXPECT_TRUE(DisplayTooSmall(1280, 1024, 1.5));    // needs 1536 x 1152
    EXPECT_TRUE(DisplayTooSmall(1023, 768, 1.0));
    EXPECT_FALSE(DisplayTooSmall(1024, 768, 1.0));
}

TEST(Locale, DecimalSeparator) {
    EXPECT_FALSE(LocaleUsesDecimalComma("C"));
    EXPECT_FALSE(LocaleUsesDecimalComma("no_such_locale.UTF-8"));
}

struct KeyRow {
    const char* name;
    std::string text;
    std::size_t caret;
    int key;
    bool decimals, numericOnly, comma;
    int expectedKey;
};

TEST(NumericKeyFilter, KeyTable) {
    const KeyRow rows[] = {
        {"digit passes", "1", 1, '5', true, true, false, '5'},
        {"backspace passes", "1", 1, 8, false, true, false, 8},
        {"paste passes", "", 0, 22, false, true, false, 22},
        {"letter swallowed in numeric box", "", 0, 'a', true, true, false, 0},
        {"letter passes in text box", "", 0, 'a', true, false, false, 'a'},
        {"minus at start passes", "12", 0, '-', true, true, false, '-'},
        {"minus after start swallowed", "12", 1, '-', true, true, false, 0},
        {"second minus swallowed", "-12", 0, '-', true, true, false, 0},
        {"minus anywhere when not numeric-only", "12", 2, '-', true, false, false, '-'},
        {"dot becomes comma", "1", 1, '.', true, true, true, ','},
        {"comma becomes dot", "1", 1, ',', true, true, false, '.'},
        {"second separator refused", "1,5", 3, '.', true, true, true, 0},
        {"no decimals allowed", "1", 1, '.', false, true, false, 0},
        {"other key swallowed", "1", 1, '*', true, false, false, 0},
        {"space swallowed", "1", 1, ' ', true, false, false, 0},
    };
    for (const auto& row : rows) {
        TextBoxModel box{row.text, row.caret};
        int key = row.key;
        EXPECT_EQ(NumericKeyFilter(box, key, row.decimals, row.numericOnly, row.comma), 0) << row.name;
        EXPECT_EQ(key, row.expectedKey) << row.name;
        EXPECT_EQ(box.text, row.text) << row.name;
    }
}

TEST(NumericKeyFilter, EnterCleansRatiosAndMinusInfinity) {
    const std::pair<std::string, std::string> rows[] = {
        {"1:4", "4"}, {"4:1", "4"}, {"-00", "-90.5"}, {"-005", "-90.5"}, {"12.5", "12.5"}, {"1:1", "1"}};
    for (const auto& [before, after] : rows) {
        TextBoxModel box{before, before.size()};
        int key = kKeyEnter;
        EXPECT_EQ(NumericKeyFilter(box, key, true, true, false), 1) << before;
        EXPECT_EQ(box.text, after) << before;
        EXPECT_LE(box.caret, box.text.size());
    }
}

TEST(StartupKeys, HiddenSwitchesOnlyWhileOpen) {
    AppContext ctx;
    StartupKeys keys(ctx);
    EXPECT_TRUE(ctx.FwUsbMode);
    keys.keyPressed('d');
    EXPECT_FALSE(ctx.HiddenEditMode);
    keys.keyPressed('E');
    EXPECT_TRUE(ctx.HiddenEditMode);
    EXPECT_FALSE(ctx.HiddenConvertMode);
    keys.keyPressed('f');
    EXPECT_FALSE(ctx.FwUsbMode);
    keys.close();
    keys.keyPressed('c');
    keys.keyPressed('v');
    EXPECT_FALSE(ctx.HiddenConvertMode);
}

}  // namespace
}  // namespace plenum

#include "core/LanguageSwitch.h"

namespace plenum {
namespace {

TEST(LanguageSwitch, AsksInTheTargetLanguageAndPersists) {
    test::TempDir dir;
    AppPaths paths(dir.path());
    AppContext ctx;
    ScriptedPrompter prompter;
    EXPECT_EQ(LanguageLabel(ctx), "EN");
    prompter.answer(false);
    EXPECT_FALSE(SwitchLanguage(ctx, prompter, paths));
    EXPECT_EQ(ctx.LanguageFlag, 0);
    EXPECT_FALSE(std::filesystem::exists(paths.languageIni()));
    EXPECT_EQ(prompter.entries().back().title, "语言切换");

    prompter.answer(true);
    EXPECT_TRUE(SwitchLanguage(ctx, prompter, paths));
    EXPECT_EQ(LanguageLabel(ctx), "CN");
    EXPECT_EQ(LoadLanguage(paths), 1);

    prompter.answer(true);
    EXPECT_TRUE(SwitchLanguage(ctx, prompter, paths));
    EXPECT_EQ(prompter.entries().back().title, "Switch Language");
    EXPECT_NE(prompter.entries().back().text.find("Next launch this software will use English"), std::string::npos);
    EXPECT_EQ(LoadLanguage(paths), 0);
}

}  // namespace
}  // namespace plenum
