// The edit windows driven through their real widgets on Qt's offscreen platform, against the
// demo's simulated loudspeakers: what a fader drag, a double-click, a page change, an undo and a
// refused entry do on the wire and in the device's memory.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

#include "MainWindowFixture.h"
#include "core/ImageLayout.h"
#include "device/EditTexts.h"
#include "sat/ImageResponse.h"
#include "support/SimRig.h"
#include "ui/EditControls.h"
#include "ui/EditPanel.h"
#include "ui/EditWindow.h"
#include "ui/ResponseGraph.h"

namespace plenum::ui {
namespace {

using device::Control;

class EditWindowTest : public test_support::OnlineDemoTest {
protected:
    static void enter(QLineEdit& box, const QString& text) {
        box.setText(text);
        QTest::keyClick(&box, Qt::Key_Return);
    }

    static void mouse(QWidget& widget, QEvent::Type type, int y) {
        const QPointF at(widget.width() / 2.0, y);
        QMouseEvent event(type, at, widget.mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&widget, &event);
    }

    // The window's sends run on the communication thread: wait until they have gone out.
    void settle() { ASSERT_TRUE(window->commThread().settle(5000)); }
};

TEST_F(EditWindowTest, OpensTheWindowOfTheDevicesKind) {
    EXPECT_NE(dynamic_cast<FrmEditSat*>(&openEdit(sat)), nullptr);
    EXPECT_NE(dynamic_cast<FrmEditSub*>(&openEdit(sub)), nullptr);
    EXPECT_EQ(openEdit(sub).pages().count(), 2);
    EXPECT_EQ(openEdit(sat).pages().count(), 5);
    EXPECT_NE(openEdit(sat).findChild<QLineEdit*>(QStringLiteral("TxtEqFreq")), nullptr);
    EXPECT_NE(openEdit(sat).findChild<QWidget*>(QStringLiteral("UCComboHpLp(1)")), nullptr);
    EXPECT_NE(openEdit(sub).findChild<QWidget*>(QStringLiteral("ComboHpLp(0)")), nullptr);
}

TEST_F(EditWindowTest, AFaderDragSendsOneCommandPerMovement) {
    EditWindow& edit = openEdit(sat);
    EditFader* fader = edit.findChild<EditFader*>(QStringLiteral("Slider1"));
    ASSERT_NE(fader, nullptr);
    sim::SimulatedDevice& main = device("127.0.0.2");
    main.clearLog();
    const int top = fader->yOfTrack(device::kFaderTrackTop);
    const int bottom = fader->yOfTrack(device::kFaderTrackBottom);
    mouse(*fader, QEvent::MouseButtonPress, top + 10);
    const std::vector<int> moves{top + 10, top + 30, top + 50, (top + bottom) / 2};
    // Movements as a hand makes them, each after the last went out (a faster drag may be carried
    // by its last position).
    for (const int y : moves) {
        mouse(*fader, QEvent::MouseMove, y);
        settle();
    }
    mouse(*fader, QEvent::MouseButtonRelease, (top + bottom) / 2);
    settle();
    EXPECT_EQ(test_support::EditFrames(main), static_cast<int>(moves.size()));
    // Moves after the release send nothing.
    mouse(*fader, QEvent::MouseMove, top);
    settle();
    EXPECT_EQ(test_support::EditFrames(main), static_cast<int>(moves.size()));
    EXPECT_TRUE(mirrored());
    // The whole drag is one undo step.
    edit.undoAction().trigger();
    settle();
    EXPECT_FALSE(edit.controller().canUndo());
    EXPECT_TRUE(mirrored());
}

TEST_F(EditWindowTest, ADoubleClickOnThePeqGainFaderSendsGainCode30) {
    EditWindow& edit = openEdit(sat);
    enter(*edit.panel().textBox(Control::EqGain), QStringLiteral("6"));
    settle();
    const auto gainByte = [&] { return device("127.0.0.2").readMemory(384 + sat::kInPeqGain, 1).at(0) & 0x3F; };
    ASSERT_EQ(gainByte(), 42) << prompter.lastText();
    EditFader* fader = edit.findChild<EditFader*>(QStringLiteral("Slider2"));
    ASSERT_NE(fader, nullptr);
    QTest::mouseDClick(fader, Qt::LeftButton, Qt::NoModifier, QPoint(fader->width() / 2, fader->height() / 2));
    settle();
    EXPECT_EQ(gainByte(), 30);
    EXPECT_EQ(edit.panel().textBox(Control::EqGain)->text().toDouble(), 0.0);
    EXPECT_TRUE(mirrored());
}

TEST_F(EditWindowTest, PageThreeShowsBandsTenToForty) {
    EditWindow& edit = openEdit(sat);
    edit.pages().setCurrentIndex(3);
    QComboBox& bands = edit.bandSelector();
    ASSERT_EQ(bands.count(), 31);
    for (int i = 0; i < bands.count(); ++i) EXPECT_EQ(bands.itemData(i).toInt(), 10 + i);
    ASSERT_EQ(edit.graph().handles().size(), 31u);
    EXPECT_EQ(edit.graph().handles().front().band, 10);
    EXPECT_EQ(edit.graph().handles().back().band, 40);
    edit.pages().setCurrentIndex(4);
    EXPECT_EQ(edit.bandSelector().itemData(0).toInt(), 41);
    // A band selected through the controller is the one the graph marks.
    edit.controller().selectBand(43);
    EXPECT_EQ(edit.graph().selectedBand(), 43);
    EXPECT_EQ(edit.bandSelector().currentData().toInt(), 43);
}

TEST_F(EditWindowTest, CtrlZRestoresTheDevicesMemory) {
    EditWindow& edit = openEdit(sat);
    sim::SimulatedDevice& main = device("127.0.0.2");
    const auto before = main.readMemory(384, 576);
    enter(*edit.panel().textBox(Control::EqFreq), QStringLiteral("2500"));
    settle();
    ASSERT_NE(main.readMemory(384, 576), before) << prompter.lastText();
    EXPECT_TRUE(mirrored());
    edit.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
    QTest::keyClick(&edit, Qt::Key_Z, Qt::ControlModifier);
    settle();
    EXPECT_EQ(main.readMemory(384, 576), before);
    EXPECT_TRUE(mirrored());
    QTest::keyClick(&edit, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    settle();
    EXPECT_NE(main.readMemory(384, 576), before);
    EXPECT_TRUE(mirrored());
}

TEST_F(EditWindowTest, ATypedRefusalShowsTheWindowsTextAndSendsNothing) {
    struct Row {
        bool subwoofer;
        Control control;
        const char* typed;
        const char* english;
        const char* chinese;
    };
    for (const Row& row : {Row{false, Control::EqFreq, "19", "Wrong value", "  不正确的频率值"},
                           Row{false, Control::EqQ, "q", "Wrong value", "  不正确的 Q 值"},
                           Row{true, Control::EqGain, "-16", "  Incorrect value", "  不正确的值"}}) {
        for (int language = 0; language < 2; ++language) {
            ctx.LanguageFlag = static_cast<std::int16_t>(language);
            EditWindow& edit = openEdit(row.subwoofer ? sub : sat);
            sim::SimulatedDevice& target = device(row.subwoofer ? "127.0.0.4" : "127.0.0.2");
            target.clearLog();
            QLineEdit* box = edit.panel().textBox(row.control);
            const QString shown = box->text();
            enter(*box, QString::fromUtf8(row.typed));
            EXPECT_EQ(prompter.lastText(), language == 0 ? row.english : row.chinese) << row.typed;
            EXPECT_EQ(box->text(), shown);
            EXPECT_EQ(test_support::EditFrames(target), 0);
            edit.close();
        }
    }
    EXPECT_TRUE(mirrored());
}

TEST_F(EditWindowTest, DraggingABandOnTheGraphSendsEachMovementAsOneUndoStep) {
    EditWindow& edit = openEdit(sat);
    enter(*edit.panel().textBox(Control::EqFreq), QStringLiteral("1000"));
    settle();
    ResponseGraph& graph = edit.graph();
    const auto at = graph.handlePosition(edit.controller().selectedBand());
    ASSERT_TRUE(at.has_value());
    sim::SimulatedDevice& main = device("127.0.0.2");
    main.clearLog();
    const auto beforeDrag = main.readMemory(384, 576);
    const auto send = [&](QEvent::Type type, double x, double y, Qt::MouseButtons buttons) {
        const QPointF point(x, y);
        QMouseEvent event(type, point, graph.mapToGlobal(point), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          buttons, Qt::NoModifier);
        QApplication::sendEvent(&graph, &event);
    };
    send(QEvent::MouseButtonPress, at->x, at->y, Qt::LeftButton);
    send(QEvent::MouseMove, at->x + 40, at->y - 30, Qt::LeftButton);
    settle();
    send(QEvent::MouseMove, at->x + 80, at->y - 40, Qt::LeftButton);
    settle();
    // While the button is held the readout names the band's new frequency, as its text box does.
    const std::string readout = edit.controller().graphReadout();
    ASSERT_EQ(readout.rfind("Freq=", 0), 0u) << readout;
    EXPECT_EQ(edit.panel().textBox(Control::EqFreq)->text().toStdString() + "Hz", readout.substr(5, readout.find(';') - 5));
    send(QEvent::MouseButtonRelease, at->x + 80, at->y - 40, Qt::NoButton);
    settle();
    EXPECT_EQ(test_support::EditFrames(main), 2);
    EXPECT_TRUE(mirrored());
    ASSERT_NE(main.readMemory(384, 576), beforeDrag);
    edit.undoAction().trigger();
    settle();
    EXPECT_EQ(main.readMemory(384, 576), beforeDrag);
    EXPECT_TRUE(mirrored());
}

TEST_F(EditWindowTest, ProgramFilesGoThroughTheMainWindowsFilePicker) {
    EditWindow& edit = openEdit(sat);
    const QString file = QString::fromStdString((dir.path() / "stage.sat").string());
    QString filter;
    window->setFilePicker([&](bool, const QString&, const QString& offered) {
        filter = offered;
        return file;
    });
    edit.saveProgram();
    EXPECT_TRUE(std::filesystem::exists(file.toStdString())) << prompter.lastText();
    EXPECT_TRUE(filter.contains(QStringLiteral("*.Sat"), Qt::CaseInsensitive)) << filter.toStdString();
    EXPECT_FALSE(filter.contains(QLatin1Char('|')));
    enter(*edit.panel().textBox(Control::EqFreq), QStringLiteral("3150"));
    edit.loadProgram();
    EXPECT_NE(edit.panel().textBox(Control::EqFreq)->text(), QStringLiteral("3150"));
    EXPECT_FALSE(edit.controller().canUndo());
    EXPECT_TRUE(mirrored());
}

TEST_F(EditWindowTest, AnOpenWindowShowsWhatItsDeviceHoldsAfterItConnects) {
    EditWindow& edit = openEdit(sat);
    enter(*edit.panel().textBox(Control::EqFreq), QStringLiteral("1000"));
    ASSERT_TRUE(edit.controller().canUndo());
    settle();
    window->disconnectDevice(sat);
    settle();
    ASSERT_FALSE(ctx.device(sat).isConnected());
    // Meanwhile somebody sets band 1 to 3125 Hz on the loudspeaker itself.
    const std::uint8_t hz[] = {0x0C, 0x35};
    device("127.0.0.2").writeMemory(384 + sat::kInPeqFreqHigh, std::span(hz, 1));
    device("127.0.0.2").writeMemory(384 + sat::kInPeqFreqLow, std::span(hz + 1, 1));
    window->connectDevice(sat);
    settle();
    QApplication::processEvents();
    ASSERT_TRUE(ctx.device(sat).isConnected()) << prompter.lastText();
    ASSERT_EQ(window->editWindow(sat), &edit);
    EXPECT_EQ(edit.panel().textBox(Control::EqFreq)->text(), QStringLiteral("3125"));
    EXPECT_FALSE(edit.controller().canUndo());
    EXPECT_TRUE(mirrored());
}

TEST_F(EditWindowTest, ActivatingAWindowMakesItsDeviceCurrent) {
    EditWindow& edit = openEdit(sub);
    // From another window, so that the activation is a change the edit window sees.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    edit.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
    QApplication::processEvents();
    EXPECT_EQ(window->currentDevice(), sub);
}

TEST_F(EditWindowTest, TextBoxesTakeOnlyWhatTheirControlAccepts) {
    EditWindow& edit = openEdit(sat);
    QLineEdit* freq = edit.panel().textBox(Control::EqFreq);
    freq->clear();
    freq->setFocus();
    QTest::keyClicks(freq, QStringLiteral("1a2.5"));
    EXPECT_EQ(freq->text(), QStringLiteral("125"));
    QLineEdit* q = edit.panel().textBox(Control::EqQ);
    q->clear();
    QTest::keyClicks(q, QStringLiteral("2.5.1"));
    EXPECT_EQ(q->text(), QStringLiteral("2.51"));
}

TEST_F(EditWindowTest, MetersFollowTheMeterTableAndTheWindowFollowsAReadBack) {
    EditWindow& edit = openEdit(sub);
    window->pollMeters();
    ASSERT_EQ(edit.meters().groups().size(), 2u);
    for (const int row : {7, 10, 11})
        EXPECT_EQ(edit.meters().barTop(row), MeterBarTop(static_cast<float>(LevelDb(window->meters().at(row, sub)))));
    // The connection flow's read-back refreshes the open window and clears its history.
    enter(*edit.panel().textBox(Control::EqFreq), QStringLiteral("80"));
    EXPECT_TRUE(edit.controller().canUndo());
    edit.reloadFromDevice();
    EXPECT_FALSE(edit.controller().canUndo());
    edit.setPhaseView(true);
    EXPECT_TRUE(edit.graph().view().showPhase);
    EXPECT_TRUE(mirrored());
}

TEST_F(EditWindowTest, TheLhLinkBoxAsksBeforeCopyingTheLowMakeUpToHigh) {
    EditWindow& edit = openEdit(sat);
    for (int page = 0; page < edit.controller().pageCount(); ++page)
        if (edit.controller().pageInfo(page).channel == 1) edit.pages().setCurrentIndex(page);  // the LOW way
    ASSERT_EQ(edit.controller().way(), 0);
    enter(*edit.panel().textBox(Control::MakeUp), QStringLiteral("4"));
    settle();
    auto* link = edit.findChild<QPushButton*>(QStringLiteral("CheckLHLink"));
    ASSERT_NE(link, nullptr);
    const std::size_t index = static_cast<std::size_t>(sat);
    const std::uint8_t high = ctx.satImage[index][sat::kMakeUp + 1];
    ASSERT_NE(ctx.satImage[index][sat::kMakeUp], high);

    device("127.0.0.2").clearLog();
    prompter.answer(false);
    QTest::mouseClick(link, Qt::LeftButton);
    settle();
    EXPECT_EQ(prompter.lastText(), std::string(texts::kLhLink.text.en));
    EXPECT_FALSE(link->isChecked()) << "a declined link leaves the box clear";
    EXPECT_EQ(test_support::EditFrames(device("127.0.0.2")), 0);
    EXPECT_EQ(ctx.satImage[index][sat::kMakeUp + 1], high);

    prompter.answer(true);
    QTest::mouseClick(link, Qt::LeftButton);
    settle();
    EXPECT_TRUE(link->isChecked());
    EXPECT_EQ(ctx.satImage[index][sat::kMakeUp + 1], ctx.satImage[index][sat::kMakeUp]);
    EXPECT_GE(test_support::EditFrames(device("127.0.0.2")), 1);
    EXPECT_TRUE(mirrored());
}

TEST_F(EditWindowTest, RecallFactoryAsksFirstAndTheWindowShowsTheFactoryProgram) {
    EditWindow& edit = openEdit(sub);
    enter(*edit.panel().textBox(Control::EqFreq), QStringLiteral("80"));
    settle();
    sim::SimulatedDevice& subwoofer = device("127.0.0.4");
    subwoofer.clearLog();
    prompter.answer(false);
    edit.recallFactory();
    settle();
    EXPECT_EQ(test_support::EditFrames(subwoofer), 0) << "declined: nothing is sent";
    EXPECT_EQ(edit.panel().textBox(Control::EqFreq)->text(), QStringLiteral("80"));

    prompter.answer(true);
    edit.recallFactory();
    settle();
    QApplication::processEvents();
    const auto codes = subwoofer.receivedCodes();
    EXPECT_NE(std::find(codes.begin(), codes.end(), std::uint8_t{28}), codes.end());
    EXPECT_NE(edit.panel().textBox(Control::EqFreq)->text(), QStringLiteral("80"));
    EXPECT_FALSE(edit.controller().canUndo());
    EXPECT_TRUE(mirrored());
}

// The window recomputes only what an edit touches; after a run of edits of every drawn family its
// curves equal those of the whole image loaded afresh.
TEST_F(EditWindowTest, TheGraphAfterEditsEqualsTheWholeImagesResponse) {
    EditWindow& edit = openEdit(sat);
    auto& controller = edit.controller();
    for (const int page : {0, 1, 2, 3, 4}) {
        edit.pages().setCurrentIndex(page);
        ASSERT_TRUE(controller.enterText(Control::EqFreq, "1250"));
        ASSERT_TRUE(controller.enterText(Control::EqGain, "-4.5"));
        ASSERT_TRUE(controller.step(Control::EqQ, 3));
        controller.toggle(Control::EqBypass);
        controller.toggle(Control::Phase);
        ASSERT_TRUE(controller.step(Control::InGain, -5));
        if (controller.way() >= 0) {
            ASSERT_TRUE(controller.enterText(Control::XoverLpFreq, "2000"));
            ASSERT_TRUE(controller.choose(Control::XoverHpSlope, 3));
        }
    }
    ASSERT_TRUE(controller.undo());
    settle();
    DeviceResponse fresh(edit.response().grid(), SatGraphLayout());
    LoadResponse(fresh, ctx.satImage[static_cast<std::size_t>(sat)]);
    for (int channel = 0; channel < fresh.channelCount(); ++channel) {
        const auto want = fresh.summedMagnitudeDb(channel);
        const auto got = edit.response().summedMagnitudeDb(channel);
        ASSERT_EQ(want.size(), got.size());
        for (std::size_t k = 0; k < want.size(); k += 97)
            ASSERT_NEAR(got[k], want[k], 1e-6) << "channel " << channel << " point " << k;
        EXPECT_EQ(edit.response().polarityInverted(channel), fresh.polarityInverted(channel));
    }
    EXPECT_TRUE(mirrored());
}

}  // namespace
}  // namespace plenum::ui
