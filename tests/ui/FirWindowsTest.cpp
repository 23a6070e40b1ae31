// The FIR windows against the demo loudspeakers: what a store puts into the satellite's memory,
// and that refusals send nothing.
#include <QLineEdit>

#include "MainWindowFixture.h"
#include "device/FirStore.h"
#include "dsp/FrequencyGrid.h"
#include "fir/FirWord.h"
#include "support/SimRig.h"
#include "ui/FirWindows.h"

namespace plenum::ui {
namespace {

class FirWindowsTest : public test_support::OnlineDemoTest {
protected:
    void SetUp() override {
        OnlineDemoTest::SetUp();
        edit = &openEdit(sat);
    }

    sim::SimulatedDevice& satDevice() { return device("127.0.0.2"); }

    template <typename Window>
    Window& openFir(FirWindowKind kind) {
        auto* opened = dynamic_cast<Window*>(window->openFirWindow(sat, static_cast<int>(kind)));
        if (opened == nullptr) throw std::runtime_error("no FIR window");
        return *opened;
    }

    // The words of a way's FIR area in the device.
    std::vector<std::uint8_t> deviceWords(int way) {
        return satDevice().readMemory(device::FirAreaAddress(way) + device::kFirHeaderLength, device::kFirWordArea);
    }

    int sentFrames() {
        int n = 0;
        for (const std::uint8_t code : satDevice().receivedCodes()) n += code == 24 ? 0 : 1;
        return n;
    }

    std::filesystem::path writeFir(const std::string& name, int taps) {
        const auto path = dir / name;
        std::ofstream out(path);
        for (int i = 0; i < taps; ++i) out << (i == 3 ? 0.75 : -0.001 * (i % 7)) << "\n";
        return path;
    }

    EditWindow* edit = nullptr;
};

TEST_F(FirWindowsTest, ACrossoverFirLandsInTheSatellitesMemory) {
    auto& xover = openFir<FrmOutXoverMode>(FirWindowKind::XoverMode);
    xover.chooseMode(static_cast<int>(fir::XoverMode::FirLp));
    EXPECT_EQ(xover.panelCaption(true), "IIR - HIGH PASS");
    EXPECT_EQ(xover.panelCaption(false), "FIR - LOW PASS");
    xover.chooseWindow(false, static_cast<int>(FirWindow::Hamming));
    xover.chooseTaps(false, 384);
    ASSERT_TRUE(xover.enterFrequency(false, QStringLiteral("1500")));
    ASSERT_TRUE(xover.storeWay());
    ASSERT_TRUE(window->settle(20000));
    const auto& side = xover.side(0, false);
    ASSERT_EQ(side.designed.size(), 384u);
    const auto words = fir::EncodeFirWords(side.designed);
    EXPECT_EQ(deviceWords(0), fir::FirWordStream(words));
    EXPECT_EQ(xover.firLabelText(), "FIR: Name=LP1500; Taps=384");
    EXPECT_TRUE(xover.latencyText().startsWith("Latency = "));
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

TEST_F(FirWindowsTest, RefusedEntriesAndIirModeSendNothing) {
    auto& xover = openFir<FrmOutXoverMode>(FirWindowKind::XoverMode);
    satDevice().clearLog();
    const int before = sentFrames();
    EXPECT_FALSE(xover.storeWay());  // mode 0: nothing to store
    xover.chooseMode(static_cast<int>(fir::XoverMode::Mir));
    EXPECT_FALSE(xover.enterFrequency(true, QStringLiteral("249")));
    EXPECT_EQ(prompter.lastText(), "Wrong value");
    EXPECT_TRUE(xover.enterFrequency(true, QStringLiteral("250")));
    EXPECT_FALSE(xover.enterAttenuation(true, QStringLiteral("-3")));
    EXPECT_EQ(prompter.lastText(), "Wong Value");
    ASSERT_TRUE(window->settle(5000));
    EXPECT_EQ(sentFrames(), before);
}

TEST_F(FirWindowsTest, TheExternalFirIsStoredOnlyWhenTheUserSaysYes) {
    auto& external = openFir<FormExternalFIRPhaseOut>(FirWindowKind::ExternalFir);
    ASSERT_TRUE(external.loadFile(QString::fromStdString(writeFir("eq.txt", 288).string())));
    EXPECT_EQ(external.importedText(), "Imported FIR - eq.txt - Taps = 288");
    EXPECT_EQ(external.announcementText(), "Filter FIR with 288 taps.");
    satDevice().clearLog();
    prompter.answer(false);
    EXPECT_FALSE(external.store());
    ASSERT_TRUE(window->settle(5000));
    EXPECT_EQ(sentFrames(), 0);

    prompter.answer(true);
    ASSERT_TRUE(external.store());
    ASSERT_TRUE(window->settle(20000));
    EXPECT_EQ(external.currentText(), "Current FIR - eq.txt");
    EXPECT_EQ(deviceWords(0), fir::FirWordStream(fir::EncodeFirWords(external.rules().imported().coefficients())));
    // Closing right after the store asks nothing.
    const auto questions = prompter.questionCount();
    EXPECT_TRUE(external.close());
    EXPECT_EQ(prompter.questionCount(), questions);
}

TEST_F(FirWindowsTest, ClosingWithAnImportNotStoredAsks) {
    auto& external = openFir<FormExternalFIRPhaseOut>(FirWindowKind::ExternalFir);
    ASSERT_TRUE(external.loadFile(QString::fromStdString(writeFir("eq.txt", 256).string())));
    prompter.answer(false);
    EXPECT_FALSE(external.close());
    EXPECT_EQ(prompter.lastText(), "Exit - FIR not imported\r\n               Are you sure ? ");
    EXPECT_FALSE(external.enterThreshold(QStringLiteral("deep")));
    EXPECT_TRUE(external.enterThreshold(QStringLiteral("-55.4")));
    EXPECT_EQ(external.threshold(), -55);
    EXPECT_TRUE(external.enterThreshold(QStringLiteral("-90")));
    EXPECT_EQ(external.threshold(), -80);
    prompter.answer(true);
    EXPECT_TRUE(external.close());
}

TEST_F(FirWindowsTest, AnImportedIrIsDrawnOnTheEditGraph) {
    auto& import = openFir<FrmImportFdt>(FirWindowKind::ImportIr);
    const std::size_t curves = edit->graph().curves().size();
    // A file of another type is refused before it is read.
    EXPECT_FALSE(import.importFile(QString::fromStdString((dir / "curve.csv").string())));
    EXPECT_EQ(prompter.lastText(), "Wrong File");
    EXPECT_FALSE(edit->hasExternalIr());

    const auto path = dir / "m.txt";
    {
        std::ofstream out(path);
        out << "FREQUENCY,VALUES\n";
        for (int f = 10; f <= 24000; f += 10) out << f << "," << (f < 100 ? -12 : 0) << "," << 0 << "," << 1 << "\n";
    }
    import.chooseSmoothing(1);
    ASSERT_TRUE(import.importFile(QString::fromStdString(path.string())));
    EXPECT_EQ(import.labelText(), "External IR: m.txt");
    EXPECT_TRUE(edit->hasExternalIr());
    ASSERT_EQ(edit->graph().curves().size(), curves + 1);
    EXPECT_EQ(edit->graph().curves().back().name, "External IR: m.txt");
    EXPECT_EQ(edit->graph().curves().back().magnitudeDb.size(), static_cast<std::size_t>(FrequencyGrid::kPointCount));
}

}  // namespace
}  // namespace plenum::ui
