// The FIR windows against the demo loudspeakers: what a store puts into the satellite's memory,
// and that refusals send nothing.
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QLineEdit>
#include <QMouseEvent>

#include "MainWindowFixture.h"
#include "device/FirStore.h"
#include "dsp/FrequencyGrid.h"
#include "core/ImageLayout.h"
#include "fir/FirWord.h"
#include "sat/DeviceMemory.h"
#include "sat/FirSettings.h"
#include "support/SimRig.h"
#include "ui/FirGraph.h"
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

    std::uint8_t liveByte(int offset) {
        return satDevice().readMemory(kLiveProgramAddress + static_cast<std::uint32_t>(offset), 1)[0];
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
    ASSERT_TRUE(xover.chooseMode(static_cast<int>(fir::XoverMode::FirLp)));
    EXPECT_EQ(xover.panelCaption(true), "IIR - HIGH PASS");
    EXPECT_EQ(xover.panelCaption(false), "FIR - LOW PASS");
    ASSERT_TRUE(xover.chooseWindow(false, static_cast<int>(FirWindow::Hamming)));
    ASSERT_TRUE(xover.chooseTaps(false, 384));
    ASSERT_TRUE(xover.enterFrequency(false, QStringLiteral("1500")));
    // The edits above may still be on the wire: the store then waits for them and starts by itself.
    ASSERT_TRUE(xover.storeWay());
    const auto& side = xover.side(0, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return xover.firLabelText() == "FIR: Name=LP1500; Taps=384"; }, 20000))
        << xover.firLabelText().toStdString();
    ASSERT_TRUE(window->settle(20000));
    const auto words = fir::EncodeFirWords(side.designed);
    EXPECT_EQ(deviceWords(0), fir::FirWordStream(words));
    EXPECT_EQ(xover.firLabelText(), "FIR: Name=LP1500; Taps=384");
    EXPECT_TRUE(xover.latencyText().startsWith("Latency = "));
    // The settings went to the device as they were edited: the mode, and the way's design bytes.
    EXPECT_EQ(liveByte(520), 3);
    const FirWaySettings kept = ReadFirWay(ctx.satImage[static_cast<std::size_t>(sat)], 0);
    EXPECT_EQ(kept.taps, 384);
    EXPECT_EQ(kept.lowPassHz, 1500);
    EXPECT_EQ(kept.window, static_cast<int>(FirWindow::Hamming));
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

// The window shows what the image holds when it opens, and every change reaches the device.
TEST_F(FirWindowsTest, TheCrossoverWindowReadsAndWritesTheDevice) {
    SatParamImage& image = ctx.satImage[static_cast<std::size_t>(sat)];
    image[sat::kFirMirOutput] = static_cast<std::uint8_t>(fir::XoverMode::Mir);
    WriteFirWay(image, 1, {.window = 1, .lowPassHz = 16000, .highPassHz = 2400, .attenuationSetting = 45,
                           .taps = 320, .removeLatency = false});
    auto& xover = openFir<FrmOutXoverMode>(FirWindowKind::XoverMode);
    xover.chooseWay(1);
    EXPECT_EQ(xover.mode(), fir::XoverMode::Mir);
    EXPECT_EQ(xover.panelCaption(true), "MIR - HIGH PASS");
    const auto high = xover.settings(1, true);
    EXPECT_EQ(high.frequencyHz, 2400);
    EXPECT_EQ(high.window, FirWindow::Kaiser);
    EXPECT_EQ(high.attenuationSetting, 45);
    EXPECT_EQ(high.taps, 320);
    EXPECT_FALSE(high.removeLatency);
    EXPECT_EQ(xover.findChild<QLineEdit*>()->text(), "2400");

    // A mode change: command 31 carries byte 520, and the image and the device agree.
    ASSERT_TRUE(xover.chooseMode(static_cast<int>(fir::XoverMode::FirHp)));
    ASSERT_TRUE(window->settle(5000));
    EXPECT_EQ(image[sat::kFirMirOutput], 1);
    EXPECT_EQ(liveByte(sat::kFirMirOutput), 1);
    // A panel change: the design bytes of both ways as one block.
    ASSERT_TRUE(xover.setRemoveLatency(true, true));
    ASSERT_TRUE(xover.chooseStopBand(true, 4));
    ASSERT_TRUE(window->settle(5000));
    EXPECT_TRUE(ReadFirWay(image, 1).removeLatency);
    EXPECT_EQ(liveByte(FirWayByte(1, 6)), image[static_cast<std::size_t>(FirWayByte(1, 6))]);
    EXPECT_EQ(xover.settings(1, true).stopBand, 4);
    EXPECT_EQ(liveByte(sat::kOutHpSlope + 1), kFirStopBandFirstSlope + 4);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
    // The edit window's undo takes the last change back on the device too.
    ASSERT_TRUE(edit->controller().undo());
    ASSERT_TRUE(window->settle(5000));
    EXPECT_EQ(xover.settings(1, true).stopBand, 0);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

// The graph views: group delay on the right scale, the unwrapped ranges, the linear axis, and a
// cursor that reads phase and delay as well.
TEST_F(FirWindowsTest, TheCrossoverGraphShowsDelayAndUnwrappedPhase) {
    auto& xover = openFir<FrmOutXoverMode>(FirWindowKind::XoverMode);
    ASSERT_TRUE(xover.chooseMode(static_cast<int>(fir::XoverMode::FirLp)));
    ASSERT_TRUE(xover.chooseTaps(false, 512));
    ASSERT_TRUE(xover.setRemoveLatency(false, false));
    xover.resize(900, 640);
    xover.show();
    FirGraphBar& bar = xover.graphBar();
    bar.chooseView(FirGraphBar::kWithDelay);
    EXPECT_TRUE(xover.graph().view().showDelay);
    EXPECT_FALSE(xover.graph().view().showPhase);
    // The LOW way's linear-phase low-pass delays its pass band by (512 - 2) / 2 samples.
    const auto& low = xover.graph().curves().at(0);
    ASSERT_EQ(low.delayMs.size(), static_cast<std::size_t>(FrequencyGrid::kPointCount));
    EXPECT_NEAR(low.delayMs[static_cast<std::size_t>(FrequencyGrid().NearestPoint(400))], 255.0 / 48.0, 0.1);

    bar.chooseView(FirGraphBar::kWithPhase);
    bar.choosePhase(true);
    EXPECT_EQ(xover.graph().view().phaseScale, PhaseScale::Unwrapped500);
    bar.chooseRange(2);
    EXPECT_EQ(xover.graph().view().phaseScale, PhaseScale::Unwrapped50k);
    bar.choosePhase(false);
    EXPECT_EQ(xover.graph().view().phaseScale, PhaseScale::Wrapped);
    bar.chooseLinear(true);
    EXPECT_TRUE(xover.graph().view().linearFrequency);

    QString readout;
    QObject::connect(&xover.graph(), &ResponseGraph::cursorMoved, &xover,
                     [&](double, double, const QString& text) { readout = text; });
    const PlotArea area = xover.graph().plotArea();
    QMouseEvent move(QEvent::MouseMove, QPointF(area.left + area.width / 4, area.top + 20), QPointF(), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&xover.graph(), &move);
    EXPECT_TRUE(readout.contains(QStringLiteral("Hz "))) << readout.toStdString();
    EXPECT_TRUE(readout.contains(QStringLiteral("dB; "))) << readout.toStdString();
    EXPECT_TRUE(readout.contains(QStringLiteral("Deg; "))) << readout.toStdString();
    EXPECT_TRUE(readout.endsWith(QStringLiteral("ms; "))) << readout.toStdString();
}

// The edit window's FIR/MIR controls of an output page go to the loudspeaker through the same
// live-edit path as every other control, and the crossover-mode window follows them.
TEST_F(FirWindowsTest, TheEditWindowsFirControlsReachTheDevice) {
    auto& xover = openFir<FrmOutXoverMode>(FirWindowKind::XoverMode);
    edit->pages().setCurrentIndex(2);  // the HIGH way
    auto* windowType = edit->findChild<QComboBox*>(QStringLiteral("UCComboWinType"));
    auto* mode = edit->findChild<QComboBox*>(QStringLiteral("LabelXoverMode"));
    auto* frequency = edit->findChild<QLineEdit*>(QStringLiteral("TextFirFreq"));
    auto* enable = edit->findChild<QPushButton*>(QStringLiteral("UCBtnFirEn"));
    ASSERT_TRUE(windowType && mode && frequency && enable);
    EXPECT_TRUE(windowType->isVisibleTo(edit));
    emit mode->activated(2);
    emit windowType->activated(static_cast<int>(FirWindow::Blackman));
    frequency->setText(QStringLiteral("1800"));
    emit frequency->returnPressed();
    enable->click();
    ASSERT_TRUE(window->settle(5000));
    const SatParamImage& image = ctx.satImage[static_cast<std::size_t>(sat)];
    EXPECT_EQ(liveByte(sat::kFirMirOutput), 2);
    EXPECT_EQ(liveByte(FirWayByte(1, 0)), static_cast<int>(FirWindow::Blackman));
    EXPECT_EQ(ReadFirWay(image, 1).highPassHz, 1800);  // MIR mode: the HIGH way's high-pass
    EXPECT_EQ(satDevice().readMemory(status::kFirEnabled, 1)[0] & 0x02, 0x02);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
    xover.chooseWay(1);
    EXPECT_EQ(xover.mode(), fir::XoverMode::Mir);
    EXPECT_EQ(xover.settings(1, true).frequencyHz, 1800);
    EXPECT_EQ(xover.settings(1, true).window, FirWindow::Blackman);
    // A refused entry shows the edit window's text and sends nothing.
    satDevice().clearLog();
    frequency->setText(QStringLiteral("249"));
    emit frequency->returnPressed();
    ASSERT_TRUE(window->settle(5000));
    EXPECT_EQ(prompter.lastText(), "Wrong value");
    EXPECT_EQ(sentFrames(), 0);
}

// The crossover window is hidden when closed; changes made meanwhile in the edit window show when
// it is opened again.
TEST_F(FirWindowsTest, AReopenedCrossoverWindowShowsTheCurrentSettings) {
    auto& xover = openFir<FrmOutXoverMode>(FirWindowKind::XoverMode);
    auto* modes = xover.findChild<QComboBox*>(QStringLiteral("XoverOutModeMenu"));
    ASSERT_NE(modes, nullptr);
    EXPECT_EQ(modes->currentIndex(), static_cast<int>(fir::XoverMode::Iir));
    xover.hide();
    ASSERT_TRUE(edit->controller().setXoverMode(static_cast<int>(fir::XoverMode::Mir)));
    ASSERT_TRUE(edit->controller().editFirWay(0, {.lowPassHz = 3100}));
    ASSERT_TRUE(window->settle(5000));
    EXPECT_EQ(&openFir<FrmOutXoverMode>(FirWindowKind::XoverMode), &xover);
    EXPECT_EQ(modes->currentIndex(), static_cast<int>(fir::XoverMode::Mir));
    auto* lowPass = xover.findChild<QGroupBox*>(QStringLiteral("FrameLP"))->findChild<QLineEdit*>();
    ASSERT_NE(lowPass, nullptr);
    EXPECT_EQ(lowPass->text(), "3100");
}

// A level typed into the attenuation list is sent, and the list keeps its own entries.
TEST_F(FirWindowsTest, ATypedAttenuationDoesNotGrowTheList) {
    auto& xover = openFir<FrmOutXoverMode>(FirWindowKind::XoverMode);
    ASSERT_TRUE(xover.chooseMode(static_cast<int>(fir::XoverMode::Mir)));
    ASSERT_TRUE(xover.chooseWindow(true, static_cast<int>(FirWindow::Kaiser)));
    QComboBox* attenuation = nullptr;
    for (auto* combo : xover.findChild<QGroupBox*>(QStringLiteral("FrameHP"))->findChildren<QComboBox*>())
        if (combo->isEditable()) attenuation = combo;
    ASSERT_NE(attenuation, nullptr);
    const int entries = attenuation->count();
    for (const char* typed : {"-33", "-44"}) {
        attenuation->lineEdit()->setText(QString::fromLatin1(typed));
        QTest::keyClick(attenuation->lineEdit(), Qt::Key_Return);
    }
    ASSERT_TRUE(window->settle(5000));
    EXPECT_EQ(attenuation->count(), entries);
    EXPECT_EQ(ReadFirWay(ctx.satImage[static_cast<std::size_t>(sat)], 0).attenuationSetting, 44);
}

// Redrawing for an edit that leaves the FIR settings alone (a fader step) designs nothing again;
// changing a side's settings designs that side once.
TEST_F(FirWindowsTest, RedrawsReuseTheDesignOfUnchangedSides) {
    auto& xover = openFir<FrmOutXoverMode>(FirWindowKind::XoverMode);
    ASSERT_TRUE(xover.chooseMode(static_cast<int>(fir::XoverMode::Mir)));
    ASSERT_TRUE(window->settle(5000));
    const int made = xover.designsMade();
    EXPECT_GT(made, 0);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(edit->controller().step(device::Control::InGain, -1));
        ASSERT_TRUE(window->settle(5000));
        xover.refresh();
    }
    EXPECT_EQ(xover.designsMade(), made);
    ASSERT_TRUE(xover.enterFrequency(false, QStringLiteral("2600")));
    EXPECT_EQ(xover.designsMade(), made + 1);
}

TEST_F(FirWindowsTest, RefusedEntriesAndIirModeSendNothing) {
    auto& xover = openFir<FrmOutXoverMode>(FirWindowKind::XoverMode);
    EXPECT_FALSE(xover.storeWay());  // mode 0: nothing to store
    ASSERT_TRUE(xover.chooseMode(static_cast<int>(fir::XoverMode::Mir)));
    ASSERT_TRUE(window->settle(5000));
    satDevice().clearLog();
    const SatParamImage before = ctx.satImage[static_cast<std::size_t>(sat)];
    EXPECT_FALSE(xover.enterFrequency(true, QStringLiteral("249")));
    EXPECT_EQ(prompter.lastText(), "Wrong value");
    EXPECT_FALSE(xover.enterAttenuation(true, QStringLiteral("-3")));
    EXPECT_EQ(prompter.lastText(), "Wong Value");
    ASSERT_TRUE(window->settle(5000));
    EXPECT_EQ(sentFrames(), 0);
    EXPECT_EQ(ctx.satImage[static_cast<std::size_t>(sat)], before);
    EXPECT_TRUE(xover.enterFrequency(true, QStringLiteral("250")));
    ASSERT_TRUE(window->settle(5000));
    EXPECT_EQ(sentFrames(), 1);
    EXPECT_EQ(xover.settings(0, true).frequencyHz, 250);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
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

    // The import is kept for the loudspeaker: the next session's import window starts with it,
    // even when the original file is gone.
    std::filesystem::remove(path);
    fir::IrLibrary nextSession(ctx.dataDir / "IR");
    nextSession.load();
    ASSERT_NE(nextSession.find(fir::IrDeviceKey(ctx.device(sat)), 0), nullptr);
    FrmImportFdt reopened(ctx, prompter, nextSession, sat, 0, {});
    ASSERT_TRUE(reopened.slotCurve(0).has_value());
    EXPECT_EQ(reopened.labelText(), "External IR: m.txt");
    EXPECT_EQ(reopened.slotCurve(0)->curve.magnitudeDb, import.slotCurve(0)->curve.magnitudeDb);
    EXPECT_FALSE(reopened.slotCurve(1).has_value());
}

}  // namespace
}  // namespace plenum::ui
