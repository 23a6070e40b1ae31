// Storing a FIR into a simulated satellite: the frames on the wire, the words in the device's
// memory, the kept record and its label, the short path of way 1, and a link that drops mid-store.
#include <gtest/gtest.h>

#include "device/FirStore.h"
#include "fir/FirData.h"
#include "fir/FirFile.h"
#include "sat/DeviceMemory.h"
#include "support/SimRig.h"

namespace plenum::device {
namespace {

constexpr std::uint8_t kSatModel = 8;
constexpr int kCode = 3;  // F0 78 id code p1 ...
constexpr int kP1 = 4;

class FirStoreRig : public test::SimRig {
protected:
    sim::SimulatedDevice* sat = nullptr;
    sim::SimulatedDevice* sub = nullptr;
    fir::FirLoadResult file;

    void SetUp() override {
        sat = &addDevice("127.0.0.2", kSatModel);
        sub = &addDevice("127.0.0.3", kSubModelCode);
        start();
        bringOnline(1, *sat);
        bringOnline(2, *sub);
        ASSERT_EQ(ReadStatus(*comm, 1), 0);
        ASSERT_EQ(ReadImage(*comm, 1), 0);
        ASSERT_EQ(ReadStatus(*comm, 2), 0);
        ASSERT_EQ(ReadImage(*comm, 2), 0);
        sat->clearLog();
        sub->clearLog();
        file = fir::LoadFirFile(test::FirData("taps256.txt"), fir::kMaxFirTaps, false);
        ASSERT_EQ(file.code, fir::kFirLoaded);
    }

    std::vector<std::int32_t> deviceWords(int way, std::size_t taps) {
        const auto bytes = sat->readMemory(FirAreaAddress(way) + kFirHeaderLength, taps * 3);
        std::vector<std::int32_t> words;
        for (std::size_t i = 0; i < taps; ++i)
            words.push_back(fir::FirWordFromBytes(std::span<const std::uint8_t, 3>(bytes.data() + 3 * i, 3)));
        return words;
    }
};

TEST_F(FirStoreRig, StoredFirEqualsTheFilesWordsInTheDevice) {
    std::vector<std::pair<int, int>> progress;
    FirStore store(*comm, prompter, 1, 0);
    store.setProgress([&](int done, int total) {
        progress.emplace_back(done, total);
        return true;
    });
    ASSERT_EQ(store.store(file.coefficients, "taps256.txt"), FirStoreOutcome::Done);

    EXPECT_EQ(deviceWords(0, 256), test::ReadWords("taps256.words"));
    EXPECT_EQ(deviceWords(0, 1024)[256], 0);
    EXPECT_EQ(store.label(), "FIR: Name=taps256.txt; Taps=256");
    EXPECT_EQ(ctx.satExtra[1].fir[0].taps, 256);
    const auto kept = fir::FirWordsOf(ctx.satExtra[1].fir[0]);
    EXPECT_EQ(std::vector<std::int32_t>(kept.begin(), kept.begin() + 256), test::ReadWords("taps256.words"));
    EXPECT_EQ(progress.size(), 17u);
    EXPECT_EQ(progress.back(), (std::pair{16, 16}));
    EXPECT_EQ(prompter.progressValues().back(), 16);

    // Image bytes 497..499 hold the tap count and the closed flag on both sides; the mirror holds.
    EXPECT_EQ(ctx.satImage[1][497], 1);
    EXPECT_EQ(ctx.satImage[1][498], 0);
    EXPECT_EQ(ctx.satImage[1][499], 1);
    EXPECT_TRUE(test::MirrorsDevice(ctx, 1, *sat));

    const auto stored = ReadStoredFir(*comm, 1, 0);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->name, "taps256.txt");
    EXPECT_EQ(stored->taps, 256);
    EXPECT_TRUE(stored->closed);
    EXPECT_EQ(stored->words, kept);
}

TEST_F(FirStoreRig, FramesAreHeaderBlocksAndClose) {
    FirStore store(*comm, prompter, 1, 1);
    ASSERT_EQ(store.store(file.coefficients, "hp.txt"), FirStoreOutcome::Done);
    const auto frames = requests(*sat);
    ASSERT_EQ(frames.size(), 18u);

    // Command 23: the way's area address (way 1: 8192 = 0x002000), length 36, the name and the
    // four image bytes.
    const auto& header = frames[0];
    ASSERT_EQ(header.size(), 36u + 10u);
    EXPECT_EQ(test::WireBytes(header.begin() + kCode, header.begin() + 9),
              (test::WireBytes{0x17, 0x00, 0x20, 0x00, 0x00, 36}));
    EXPECT_EQ(std::string(header.begin() + 9, header.begin() + 15), "hp.txt");
    EXPECT_EQ(header[9 + 6], 0);
    const auto& image = ctx.satImage[1].bytes;
    EXPECT_EQ(test::WireBytes(header.begin() + 9 + 32, header.begin() + 9 + 36),
              test::WireBytes(image.begin() + 323, image.begin() + 327));
    EXPECT_EQ(header.back(), 0xF7);

    // Sixteen blocks of 192 bytes, one after the other from byte 36 of the area.
    const std::vector<std::int32_t> expected = test::ReadWords("taps256.words");
    for (int block = 0; block < kFirBlocks; ++block) {
        const auto& frame = frames[static_cast<std::size_t>(1 + block)];
        ASSERT_EQ(frame.size(), 192u + 10u);
        const std::uint32_t address = 8192 + 36 + 192 * static_cast<std::uint32_t>(block);
        EXPECT_EQ(test::WireBytes(frame.begin() + kCode, frame.begin() + 9),
                  (test::WireBytes{0x17, std::uint8_t(address >> 16), std::uint8_t(address >> 8), std::uint8_t(address), 0, 192}));
    }
    const auto word = [&](int block, int tap) {
        const auto& frame = frames[static_cast<std::size_t>(1 + block)];
        return fir::FirWordFromBytes(std::span<const std::uint8_t, 3>(frame.data() + 9 + 3 * tap, 3));
    };
    EXPECT_EQ(word(0, 10), expected[10]);
    EXPECT_EQ(word(2, 2), expected[130]);  // 64 taps a block
    EXPECT_EQ(word(3, 63), expected[255]);
    EXPECT_EQ(word(4, 0), 0);

    // Command 17: 0, way, taps high, taps low, 1, 0, 0, 0.
    EXPECT_EQ(frames[17], (test::WireBytes{0xF0, 0x78, 1, 17, 0, 1, 1, 0, 1, 0, 0, 0, 0xF7}));
    EXPECT_TRUE(test::MirrorsDevice(ctx, 1, *sat));
}

TEST_F(FirStoreRig, ShortPathOfWayOneSendsOnlyTheClose) {
    FirStore high(*comm, prompter, 1, 1);
    ASSERT_EQ(high.store(file.coefficients, "hp.txt"), FirStoreOutcome::Done);
    sat->clearLog();
    ASSERT_EQ(high.closeWithoutFir(), FirStoreOutcome::Done);
    const auto frames = requests(*sat);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], (test::WireBytes{0xF0, 0x78, 1, 17, 0, 1, 0, 0, 0, 0, 0, 0, 0xF7}));
    EXPECT_EQ(ctx.satExtra[1].fir[1].taps, 0);
    EXPECT_TRUE(test::MirrorsDevice(ctx, 1, *sat));
    const auto stored = ReadStoredFir(*comm, 1, 1);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->taps, 0);
    EXPECT_FALSE(stored->closed);

    FirStore low(*comm, prompter, 1, 0);
    sat->clearLog();
    EXPECT_EQ(low.closeWithoutFir(), FirStoreOutcome::Refused);
    EXPECT_TRUE(requests(*sat).empty());
}

TEST_F(FirStoreRig, KeptWordsAreSentAgain) {
    FirStore first(*comm, prompter, 1, 0);
    ASSERT_EQ(first.store(file.coefficients, "taps256.txt"), FirStoreOutcome::Done);
    const auto before = requests(*sat);
    sat->clearLog();
    FirStore again(*comm, prompter, 1, 0);
    ASSERT_EQ(again.storeKept(), FirStoreOutcome::Done);
    EXPECT_EQ(requests(*sat), before);

    FirStore empty(*comm, prompter, 1, 1);
    sat->clearLog();
    EXPECT_EQ(empty.storeKept(), FirStoreOutcome::Refused);
    EXPECT_TRUE(requests(*sat).empty());
}

TEST_F(FirStoreRig, DroppedLinkMidStoreIsReportedAndTheLabelStays) {
    FirStore store(*comm, prompter, 1, 0);
    ASSERT_EQ(store.store(file.coefficients, "taps256.txt"), FirStoreOutcome::Done);
    const auto label = store.label();
    const auto keptBefore = ctx.satExtra[1].fir[0];
    ctx.device(1).EditOpen = kTrue16;  // the alert is shown for a device whose window is open
    prompter.clear();
    sat->clearLog();

    const auto other = fir::LoadFirFile(test::FirData("mixed_case.TxT"), fir::kMaxFirTaps, false);
    ASSERT_EQ(other.code, fir::kFirLoaded);
    sat->setFault(sim::Fault::CloseConnection, -1, 5);  // header and four blocks arrive, then the link drops
    EXPECT_EQ(store.store(other.coefficients, "mixed_case.TxT"), FirStoreOutcome::Failed);
    sat->setFault(sim::Fault::None);

    EXPECT_FALSE(ctx.device(1).isConnected());
    EXPECT_EQ(store.label(), label);
    EXPECT_EQ(ctx.satExtra[1].fir[0], keptBefore);
    ASSERT_GE(prompter.messageCount(), 1u);
    EXPECT_EQ(prompter.entries().back().title, "Communication problem");
    for (const auto& frame : requests(*sat)) EXPECT_NE(frame[kCode], 17);
    EXPECT_EQ(ctx.satImage[1][497], 1);  // still the 256 taps of the completed store
}

TEST_F(FirStoreRig, CancelStopsBeforeTheNextBlock) {
    FirStore store(*comm, prompter, 1, 0);
    store.setProgress([](int done, int) { return done < 3; });
    EXPECT_EQ(store.store(file.coefficients, "taps256.txt"), FirStoreOutcome::Cancelled);
    EXPECT_EQ(requests(*sat).size(), 4u);  // header and three blocks, no close
    EXPECT_EQ(ctx.satExtra[1].fir[0].taps, 0);
    EXPECT_TRUE(test::MirrorsDevice(ctx, 1, *sat));
}

TEST_F(FirStoreRig, NothingIsSentForWhatCannotBeStored) {
    const std::vector<double> outOfRange(256, 4.0);
    struct Case {
        int slot, way;
        std::span<const double> coefficients;
    };
    for (const Case& c : {Case{2, 0, file.coefficients}, Case{1, 2, file.coefficients}, Case{1, 0, {}},
                          Case{1, 0, outOfRange}}) {
        FirStore store(*comm, prompter, c.slot, c.way);
        EXPECT_EQ(store.store(c.coefficients, "x"), FirStoreOutcome::Refused);
    }
    EXPECT_TRUE(requests(*sat).empty());
    EXPECT_TRUE(requests(*sub).empty());
}

}  // namespace
}  // namespace plenum::device
