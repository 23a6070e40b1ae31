// The FIR wizard against the demo loudspeakers and the virtual sound card: a measurement, the
// design and the store end in the satellite's memory, the verify pass flattens the response,
// refusals send nothing and a cancelled measurement changes nothing.
#include <QTimer>

#include "MainWindowFixture.h"
#include "audio/VirtualCard.h"
#include "device/FirStore.h"
#include "fir/FirWord.h"
#include "support/SimRig.h"
#include "ui/WizardWindows.h"

namespace plenum::ui {
namespace {

// A sound card that records until it is cancelled, reporting progress as it goes.
class EndlessCard final : public audio::AudioCard {
public:
    std::vector<audio::AudioDeviceInfo> Devices() override { return {{7, "Endless card", 2, 2}}; }
    audio::AudioResult PlayRecord(const audio::PlayRecordRequest& request, std::vector<double>&) override {
        for (int block = 0;; ++block) {
            if (request.cancel && request.cancel->load()) return {audio::AudioStatus::Cancelled, "cancelled"};
            if (request.progress) request.progress(0.001 * (block % 1000));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
};

class WizardWindowsTest : public test_support::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        open(true);
        window->setSoundCards({[] { return EndlessCard().Devices(); },
                               [](int) -> std::unique_ptr<audio::AudioCard> { return std::make_unique<EndlessCard>(); }});
        connectAll();
        sat = slotOf("127.0.0.2");
        window->vuMeterTimer()->stop();
        window->openEditWindow(sat);
        wizard = dynamic_cast<FrmWizardFIR*>(window->openFirWindow(sat, static_cast<int>(FirWindowKind::Wizard)));
        ASSERT_NE(wizard, nullptr);
    }

    sim::SimulatedDevice& satDevice() {
        for (std::size_t i = 0; i < simulator.size(); ++i)
            if (simulator.device(i).config().host == "127.0.0.2") return simulator.device(i);
        throw std::runtime_error("no simulated satellite");
    }

    // Welcome -> Geometry -> Wiring (the chosen card) -> Measure.
    void toMeasurePage(int card) {
        ASSERT_TRUE(wizard->next());
        ASSERT_TRUE(wizard->next());
        wizard->chooseCard(card);
        ASSERT_TRUE(wizard->next());
        ASSERT_EQ(wizard->flow().page(), WizardPage::Measure);
        ASSERT_EQ(wizard->pageTitle(), "Measure Impulse Response");
    }
    int virtualCard() const { return wizard->cardCount() - 1; }

    int sat = 0;
    FrmWizardFIR* wizard = nullptr;
};

TEST_F(WizardWindowsTest, MeasuredAndCalculatedFirLandsInTheSatellite) {
    toMeasurePage(virtualCard());
    ASSERT_TRUE(wizard->measure());
    ASSERT_TRUE(wizard->settle());
    ASSERT_TRUE(wizard->flow().measurement()) << prompter.lastText();
    EXPECT_TRUE(wizard->peakText().startsWith("Peak Level = ")) << wizard->peakText().toStdString();
    // The measured magnitude is the virtual loudspeaker's own (both cut by the same window).
    std::vector<double> known = audio::BuiltinLoudspeakerIr();
    known.resize(known.size() + 2000, 0.0);
    const auto knownIr = audio::WindowIr(known, wizard->flow().settings().windowLengthMs);
    const double irError = audio::LargestDifferenceDb(audio::GridMagnitudeDb(wizard->flow().measurement()->taps, 1.0 / 6),
                                                      audio::GridMagnitudeDb(knownIr.taps, 1.0 / 6), 20, 20000);
    EXPECT_LT(irError, 1.0);
    ASSERT_TRUE(wizard->next());
    EXPECT_EQ(wizard->graph().view(), UCWizard::View::Ir);
    EXPECT_FALSE(wizard->graph().graph().curves().empty());
    ASSERT_TRUE(wizard->next());
    ASSERT_EQ(wizard->flow().page(), WizardPage::Calculate);
    ASSERT_TRUE(wizard->calculate());
    ASSERT_TRUE(wizard->settle());
    ASSERT_TRUE(wizard->flow().correction());
    satDevice().clearLog();
    ASSERT_TRUE(wizard->store());
    // While the store runs nothing may replace the design or the measurement it came from.
    EXPECT_FALSE(wizard->calculate());
    EXPECT_FALSE(wizard->measure());
    EXPECT_FALSE(wizard->openIr(QString::fromStdString((dir.path() / "any.irw").string())));
    ASSERT_TRUE(wizard->settle(20000));
    EXPECT_TRUE(wizard->flow().isStored());
    const auto& taps = wizard->flow().correction()->taps;
    EXPECT_EQ(satDevice().readMemory(device::FirAreaAddress(0) + device::kFirHeaderLength, device::kFirWordArea),
              fir::FirWordStream(fir::EncodeFirWords(taps)));
    EXPECT_EQ(ctx.satExtra[static_cast<std::size_t>(sat)].fir[0].name, "FIR Wizard");
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));

    // The verify pass measures through the stored FIR: closer to the target than before.
    ASSERT_TRUE(wizard->next());
    const auto questions = prompter.questionCount();
    ASSERT_TRUE(wizard->verify());
    ASSERT_TRUE(wizard->settle());
    EXPECT_EQ(prompter.questionCount(), questions);  // stored: nothing asked
    ASSERT_TRUE(wizard->flow().verification());
    const auto& s = wizard->flow().settings();
    const auto target = wizard->flow().targetLineDb();
    const double before = audio::LargestDeviationDb(wizard->flow().measuredDb(), target, s.lowerHz, s.upperHz);
    const double after = audio::LargestDeviationDb(wizard->flow().verifiedDb(), target, s.lowerHz, s.upperHz);
    EXPECT_LT(after, before / 2) << "before " << before << " dB, after " << after << " dB";
    EXPECT_EQ(wizard->graph().view(), UCWizard::View::BeforeAfter);
    ASSERT_GE(wizard->graph().graph().curves().size(), 2u);
    EXPECT_EQ(wizard->graph().graph().curves().back().name, "After");
    EXPECT_TRUE(wizard->graph().readoutAt(1000).contains("Hz"));
    EXPECT_TRUE(wizard->graph().readoutAt(1000).contains("deg; "));
    EXPECT_TRUE(wizard->graph().readoutAt(1000).contains("ms; "));
}

TEST_F(WizardWindowsTest, StoringBeforeCalculatingIsRefusedAndSendsNothing) {
    satDevice().clearLog();
    EXPECT_FALSE(wizard->store());
    EXPECT_EQ(prompter.lastText(), "Can't store, please recalculate the FIR first");
    ASSERT_TRUE(window->settle(5000));
    EXPECT_TRUE(satDevice().receivedCodes().empty());
    EXPECT_FALSE(wizard->saveFir(QString::fromStdString((dir.path() / "x.txt").string())));
    EXPECT_EQ(prompter.lastText(), "Can't save, please recalculate the FIR first");
}

TEST_F(WizardWindowsTest, CancellingAMeasurementChangesNothing) {
    toMeasurePage(virtualCard());
    ASSERT_TRUE(wizard->measure());
    ASSERT_TRUE(wizard->settle());
    const auto first = wizard->flow().measurement()->taps;
    ASSERT_TRUE(wizard->next());  // view the IR
    wizard->back();
    wizard->back();
    wizard->chooseCard(0);  // the endless card
    ASSERT_TRUE(wizard->next());
    const auto messages = prompter.entries().size();
    bool cancelled = false;
    QObject::connect(wizard, &FrmWizardFIR::measureProgress, wizard, [&] {
        if (!cancelled) wizard->cancelWork();
        cancelled = true;
    });
    satDevice().clearLog();
    ASSERT_TRUE(wizard->measure());
    EXPECT_EQ(wizard->statusText(), "Measuring IR....");
    ASSERT_TRUE(wizard->settle());
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(prompter.entries().size(), messages);
    ASSERT_TRUE(wizard->flow().measurement());
    EXPECT_EQ(wizard->flow().measurement()->taps, first);
    EXPECT_TRUE(wizard->statusText().isEmpty());
    EXPECT_TRUE(satDevice().receivedCodes().empty());
}

TEST_F(WizardWindowsTest, MissingWiringAndAnUnstoredVerifyAsk) {
    ASSERT_TRUE(wizard->next());
    ASSERT_TRUE(wizard->next());
    EXPECT_FALSE(wizard->next());  // no card chosen outside the demo
    EXPECT_EQ(prompter.lastText(), "Please set all ASIO parameters");
    wizard->chooseCard(virtualCard());
    ASSERT_TRUE(wizard->next());
    ASSERT_TRUE(wizard->measure());
    ASSERT_TRUE(wizard->settle());
    prompter.answer(false);
    EXPECT_FALSE(wizard->verify());
    EXPECT_EQ(prompter.entries().back().title, "Verify FIR");
    EXPECT_FALSE(wizard->flow().verification());
}

TEST_F(WizardWindowsTest, TheTargetEditorFeedsTheDesign) {
    wizard->editTarget();
    FrmFIREq* editor = wizard->targetEditor();
    ASSERT_NE(editor, nullptr);
    editor->chooseType(0, static_cast<int>(audio::EqBandType::Bell));
    ASSERT_TRUE(editor->enterGain(0, QStringLiteral("4")));
    ASSERT_TRUE(editor->enterFrequency(0, QStringLiteral("2000")));
    EXPECT_FALSE(editor->enterQ(0, QStringLiteral("0.05")));
    EXPECT_EQ(prompter.lastText(), "Wrong value");
    prompter.answer(true);  // apply the changes
    editor->close();
    ASSERT_EQ(wizard->flow().target().size(), static_cast<std::size_t>(kEqTargetBands));
    EXPECT_EQ(wizard->flow().target()[0].type, audio::EqBandType::Bell);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "DefEqTarget.ini"));
    EXPECT_EQ(prompter.entries().back().text, "Do you want to apply EQ target changes?");
}

TEST_F(WizardWindowsTest, LeavingAsksToStoreTheConfiguration) {
    const auto path = dir.path() / "Project" / "w.wzn";
    window->setFilePicker([&](bool save, const QString&, const QString& filter) {
        EXPECT_TRUE(save);
        EXPECT_TRUE(filter.contains("*.wzn"));
        return QString::fromStdString(path.string());
    });
    ASSERT_TRUE(wizard->enter(WizardSetting::BoostDb, QStringLiteral("8.2")));
    prompter.answer(true);
    wizard->close();
    EXPECT_EQ(prompter.entries().back().title, "Wizard Exit");
    EXPECT_EQ(prompter.entries().back().text, "Do you want to store all wizard configurations to PC?");
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("boost=8"), std::string::npos) << text.str();
}

}  // namespace
}  // namespace plenum::ui
