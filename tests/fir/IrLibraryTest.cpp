#include "fir/IrLibrary.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/TempDir.h"

namespace plenum::fir {
namespace {

class IrLibraryTest : public ::testing::Test {
protected:
    // A RiTA export: a level of `db` with a dip around 1 kHz.
    std::filesystem::path writeExport(const std::string& name, double db) {
        const auto path = dir / name;
        std::ofstream out(path);
        out << "Frequency,Values\n";
        for (int f = 10; f <= 24000; f += 10) out << f << "," << (std::abs(f - 1000) < 100 ? db - 6 : db) << ",0,1\n";
        return path;
    }
    test::TempDir dir;
    std::filesystem::path irFolder() const { return dir.path() / "IR"; }
};

// What one session keeps, the next one reads back, even after the original file is gone.
TEST_F(IrLibraryTest, KeptImportsSurviveARestartAndTheirOriginals) {
    const auto original = writeExport("room.txt", -3);
    {
        IrLibrary library(irFolder());
        library.load();
        ASSERT_TRUE(library.keep("SN-0042", 3, original, 1.0 / 6, 1));
    }
    const auto expected = ConditionIr(*LoadIrFile(original, false), 1.0 / 6);
    std::filesystem::remove(original);

    IrLibrary next(irFolder());
    next.load();
    const KeptIr* kept = next.find("SN-0042", 3);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->name, "room.txt");
    EXPECT_EQ(kept->way, 1);
    EXPECT_DOUBLE_EQ(kept->smoothingOctaves, 1.0 / 6);
    EXPECT_EQ(next.find("SN-0042", 2), nullptr);
    EXPECT_EQ(next.find("SN-0043", 3), nullptr);
    const auto curve = next.curve("SN-0042", 3);
    ASSERT_TRUE(curve && expected);
    EXPECT_EQ(curve->magnitudeDb, expected->magnitudeDb);
    EXPECT_EQ(curve->phaseDeg, expected->phaseDeg);
}

// Replacing a slot's import keeps the earlier copy on disk; the slot shows the new one.
TEST_F(IrLibraryTest, ReplacingASlotNeverDeletesAnImport) {
    IrLibrary library(irFolder());
    ASSERT_TRUE(library.keep("address-10.0.0.7", 0, writeExport("first.txt", 0), 0, 0));
    ASSERT_TRUE(library.keep("address-10.0.0.7", 0, writeExport("second.txt", -10), 0, 0));
    EXPECT_EQ(library.find("address-10.0.0.7", 0)->name, "second.txt");
    const auto folder = library.folder() / "address-10_0_0_7";
    EXPECT_TRUE(std::filesystem::exists(folder / "1-first.txt"));
    EXPECT_TRUE(std::filesystem::exists(folder / "1-second.txt"));
    // Keeping the kept copy again (a re-import from the library folder) works on itself.
    ASSERT_TRUE(library.keep("address-10.0.0.7", 0, folder / "1-second.txt", 0.5, 0));
    EXPECT_TRUE(library.curve("address-10.0.0.7", 0).has_value());
    EXPECT_EQ(library.find("address-10.0.0.7", 0)->file, std::filesystem::path("address-10_0_0_7") / "1-second.txt");
    EXPECT_FALSE(library.keep("address-10.0.0.7", 8, folder / "1-second.txt", 0, 0));
    EXPECT_FALSE(library.keep("address-10.0.0.7", 1, dir / "missing.txt", 0, 0));
    EXPECT_EQ(library.find("address-10.0.0.7", 1), nullptr);
}

// The same file name imported again into the same slot gets a copy of its own: the earlier copy
// keeps its contents (the index kept so far, or its rollback, may still point at it).
TEST_F(IrLibraryTest, ReimportingTheSameNameNeverOverwritesACopy) {
    IrLibrary library(irFolder());
    ASSERT_TRUE(library.keep("SN-7", 2, writeExport("m.txt", 0), 0, 0));
    const auto first = library.curve("SN-7", 2);
    const auto firstFile = library.find("SN-7", 2)->file;
    ASSERT_TRUE(library.keep("SN-7", 2, writeExport("m.txt", -12), 0, 0));
    const auto secondFile = library.find("SN-7", 2)->file;
    EXPECT_NE(secondFile, firstFile);
    EXPECT_EQ(secondFile.filename(), "3-2-m.txt");
    ASSERT_TRUE(library.keep("SN-7", 2, writeExport("m.txt", -20), 0, 0));
    EXPECT_EQ(library.find("SN-7", 2)->file.filename(), "3-3-m.txt");
    const auto earlier = LoadIrFile(library.folder() / firstFile, false);
    ASSERT_TRUE(earlier && first);
    EXPECT_EQ(ConditionIr(*earlier, 0)->magnitudeDb, first->magnitudeDb);
    EXPECT_EQ(library.find("SN-7", 2)->name, "m.txt");
}

TEST_F(IrLibraryTest, ABadIndexLoadsNothing) {
    IrLibrary library(irFolder());
    ASSERT_TRUE(library.keep("SN-1", 0, writeExport("a.txt", 0), 0, 0));
    for (const char* text : {"not json", "", "[1, 2]", "{\"version\": 2, \"devices\": {}}",
                             "{\"version\": \"1\", \"devices\": {}}", "{\"version\": 1, \"devices\": []}",
                             "{\"version\": 1, \"devices\": {\"SN-1\": {\"slot\": 0}}}"}) {
        std::ofstream(library.folder() / "index.json") << text;
        IrLibrary reread(irFolder());
        reread.load();
        EXPECT_EQ(reread.find("SN-1", 0), nullptr) << text;
    }
}

// A hand-edited index with wrongly typed fields: the broken entries are skipped, the good one loads
// and nothing throws (the index is read while the main window is built).
TEST_F(IrLibraryTest, MistypedIndexEntriesAreSkipped) {
    IrLibrary library(irFolder());
    ASSERT_TRUE(library.keep("SN-1", 0, writeExport("a.txt", 0), 0, 0));
    const std::string good = R"({"slot": 0, "name": "a.txt", "file": "SN-1/1-a.txt", "smoothing": 0, "way": 0})";
    const char* const bad[] = {
        R"({"slot": "1", "name": "a.txt", "file": "SN-1/1-a.txt", "smoothing": 0, "way": 0})",
        R"({"slot": 1.5, "name": "a.txt", "file": "SN-1/1-a.txt", "smoothing": 0, "way": 0})",
        R"({"slot": 2, "name": 7, "file": "SN-1/1-a.txt", "smoothing": 0, "way": 0})",
        R"({"slot": 3, "name": "a.txt", "file": ["x"], "smoothing": 0, "way": 0})",
        R"({"slot": 4, "name": "a.txt", "file": "SN-1/1-a.txt", "smoothing": "1/6", "way": 0})",
        R"({"slot": 5, "name": "a.txt", "file": "SN-1/1-a.txt", "smoothing": 0, "way": null})",
        R"({"slot": 6, "name": "a.txt", "file": "SN-1/1-a.txt", "smoothing": 0, "way": 9})",
        R"({"slot": 99, "name": "a.txt", "file": "SN-1/1-a.txt", "smoothing": 0, "way": 0})",
        R"({"name": "a.txt", "file": "SN-1/1-a.txt", "smoothing": 0, "way": 0})",
        R"("text")",
    };
    std::string entries = good;
    for (const char* entry : bad) entries += std::string(",") + entry;
    std::ofstream(library.folder() / "index.json")
        << R"({"version": 1, "devices": {"SN-1": [)" << entries << R"(], "SN-2": 5}})";
    IrLibrary reread(irFolder());
    ASSERT_NO_THROW(reread.load());
    ASSERT_NE(reread.find("SN-1", 0), nullptr);
    EXPECT_EQ(reread.find("SN-1", 0)->name, "a.txt");
    for (int slot = 1; slot < kIrSlots; ++slot) EXPECT_EQ(reread.find("SN-1", slot), nullptr) << slot;
    EXPECT_EQ(reread.find("SN-2", 0), nullptr);
}

TEST_F(IrLibraryTest, DeviceKeys) {
    DeviceRecord device;
    device.Address = "192.168.1.20";
    EXPECT_EQ(IrDeviceKey(device), "address-192.168.1.20");
    device.UniqueId = "A1B2C3";
    EXPECT_EQ(IrDeviceKey(device), "A1B2C3");
}

}  // namespace
}  // namespace plenum::fir
