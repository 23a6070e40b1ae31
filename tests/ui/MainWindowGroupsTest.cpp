// Groups through the main window against the demo's simulated loudspeakers: "Add Group" opens the
// chooser and then the group's window, group edits reach every member and redraw the members'
// edit windows, group windows come back at their places after a project load and at start, the
// connection of a drifted member asks and writes only what differs, and the drift window opens
// from a tile.
#include <QAction>
#include <QApplication>
#include <QPushButton>

#include "MainWindowFixture.h"
#include <nlohmann/json.hpp>

#include "core/ValueCodecs.h"
#include "groups/GroupEditor.h"
#include "support/SimRig.h"
#include "device/ParamValues.h"
#include "ui/DriftWindow.h"
#include "ui/GroupWindow.h"
#include "ui/SelGroupDialog.h"

namespace plenum::ui {
namespace {

using test_support::MainWindowTest;

class MainWindowGroupsTest : public MainWindowTest {
protected:
    int left = 0, right = 0, sub = 0;

    void openConnected() {
        open(true);
        connectAll();
        left = slotOf("127.0.0.2");   // model 0
        right = slotOf("127.0.0.3");  // model 6
        sub = slotOf("127.0.0.4");    // the subwoofer
    }

    sim::SimulatedDevice& device(int slot) {
        for (std::size_t i = 0; i < simulator.size(); ++i)
            if (simulator.device(i).config().host == ctx.device(slot).Address) return simulator.device(i);
        throw std::runtime_error("no simulated device for slot " + std::to_string(slot));
    }

    // "Add Group" from the tool area with the chooser filled and "Add" pressed (Yes to the warning).
    void addGroup(const QString& name) {
        window->setModalRunner([&](QDialog& dialog) {
            ++modalRuns;
            auto& chooser = dynamic_cast<SelGroupDialog&>(dialog);
            chooser.setWithSub(true);
            EXPECT_TRUE(chooser.choose(GroupRole::Left, left));
            EXPECT_TRUE(chooser.choose(GroupRole::Right, right));
            EXPECT_TRUE(chooser.choose(GroupRole::Sub, sub));
            chooser.setGroupName(name);
            prompter.answer(true);
            if (!chooser.tryAdd()) dialog.reject();
            return dialog.result();
        });
        clickAndSettle(window->toolArea().groupButton(), Qt::LeftButton);
        useDefaultDialogs();
        QApplication::processEvents();
    }

    static int countOf(const sim::SimulatedDevice& d, std::uint8_t code) {
        int n = 0;
        for (const std::uint8_t c : d.receivedCodes()) n += c == code ? 1 : 0;
        return n;
    }
};

TEST_F(MainWindowGroupsTest, AddGroupOpensItsWindowAndGroupEditsReachEveryMember) {
    openConnected();
    window->openEditWindow(left);
    addGroup("PA");
    ASSERT_TRUE(ctx.groups[0].isInUse()) << prompter.lastText();
    EXPECT_EQ(ctx.groups[0].Name, "PA");
    EXPECT_EQ(prompter.entries().back().title, "Add");
    GroupWindow* groupWindow = window->groupWindow(0);
    ASSERT_NE(groupWindow, nullptr);
    EXPECT_TRUE(groupWindow->isVisible());
    EXPECT_EQ(groupWindow->windowTitle(), "PA");
    // The member's edit window names its group.
    ASSERT_NE(window->editWindow(left), nullptr);
    EXPECT_TRUE(window->editWindow(left)->windowTitle().endsWith("[Group PA]"))
        << window->editWindow(left)->windowTitle().toStdString();
    ASSERT_TRUE(window->settle());
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));

    // A group edit: every member's device holds it, the member's edit window shows it.
    for (const int slot : {left, right, sub}) device(slot).clearLog();
    groupWindow->editor().setMute(true);
    ASSERT_TRUE(groupWindow->editor().setGainText("-6"));
    groupWindow->refresh();
    ASSERT_TRUE(window->settle());
    // Each command reaches each member (a loaded machine may make the transaction send one again).
    for (const int slot : {left, right, sub}) {
        EXPECT_GE(countOf(device(slot), 3), 1) << slot;
        EXPECT_GE(countOf(device(slot), 1), 1) << slot;
        EXPECT_EQ(device(slot).readMemory(229, 1)[0], ctx.groups[0].Gain) << slot;
        EXPECT_EQ(device(slot).readMemory(384 + 21, 1)[0], 1) << slot;
    }
    EXPECT_TRUE(window->editWindow(left)->controller().state(device::Control::Mute).checked);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));

    // Removing the group (Yes to the question) closes the window, sends nothing (the open edit
    // window's meter poll aside) and takes the group's name out of the member's caption.
    for (const int slot : {left, right, sub}) device(slot).clearLog();
    prompter.answer(true);
    groupWindow->close();
    QApplication::processEvents();
    ASSERT_TRUE(window->settle());
    EXPECT_FALSE(ctx.groups[0].isInUse());
    EXPECT_EQ(window->groupWindow(0), nullptr);
    EXPECT_FALSE(window->editWindow(left)->windowTitle().contains("PA"));
    for (const int slot : {left, right, sub}) EXPECT_EQ(test_support::EditFrames(device(slot)), 0) << slot;
}

// The group window's "Members…": the chooser in edit mode; the new Left gives every value.
TEST_F(MainWindowGroupsTest, MembersButtonReassignsTheRolesFromTheGroupWindow) {
    openConnected();
    addGroup("PA");
    ASSERT_NE(window->groupWindow(0), nullptr);
    window->setModalRunner([&](QDialog& dialog) {
        auto& chooser = dynamic_cast<SelGroupDialog&>(dialog);
        EXPECT_EQ(chooser.selection().left, left);
        EXPECT_TRUE(chooser.choose(GroupRole::Left, right));
        EXPECT_TRUE(chooser.choose(GroupRole::Right, left));
        prompter.answer(true);
        if (!chooser.tryAdd()) dialog.reject();
        return dialog.result();
    });
    window->groupWindow(0)->findChild<QPushButton*>("ButtonMembers")->click();
    ASSERT_TRUE(window->settle());
    EXPECT_EQ(ctx.groups[0].LeftDev, right);
    EXPECT_EQ(ctx.groups[0].RightDev, left);
    EXPECT_TRUE(window->groupWindow(0)->findChild<QLabel*>("LabelMember0")->text().contains(
        QString::fromStdString(ctx.device(right).DeviceName)));
    EXPECT_EQ(ctx.groups[0].Gain, ctx.statusOf(right)[229]);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

// SaveGrpEQMenu: the curve goes into a user preset and "GroupP.lst" is written in the data folder.
TEST_F(MainWindowGroupsTest, SavingAUserPresetWritesThePresetFile) {
    openConnected();
    addGroup("PA");
    GroupWindow* groupWindow = window->groupWindow(0);
    ASSERT_NE(groupWindow, nullptr);
    ASSERT_TRUE(groupWindow->editor().setBand(2, {.gainDb = 4.5}));
    auto* item = groupWindow->findChild<QAction*>("SaveGrpEQItem8");
    ASSERT_NE(item, nullptr);
    item->trigger();
    const auto file = dir.path() / "GroupP.lst";
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(std::filesystem::file_size(file), 76u);
    EXPECT_EQ(ctx.groupState[0].PresetIndex, 8);
    EXPECT_EQ(groupWindow->findChild<QLabel*>("LabelPreset")->text(), "USER 2");
    EXPECT_EQ(window->groupPresets().curve(8), ctx.groups[0].Peq);
}

TEST_F(MainWindowGroupsTest, TheTimerMatchesPresetsAndOffersToSynchroniseADriftedGroup) {
    openConnected();
    addGroup("PA");
    ASSERT_TRUE(ctx.groups[0].isInUse());
    ASSERT_TRUE(window->settle());
    // The application's copy of a member drifted (a read-back after a panel change, say).
    ctx.statusOf(right)[229] = static_cast<std::uint8_t>(ctx.groups[0].Gain - 10);
    prompter.clear();
    prompter.answer(true);
    window->checkGroups();
    ASSERT_TRUE(window->settle());
    ASSERT_FALSE(prompter.entries().empty());
    EXPECT_EQ(prompter.entries().back().title, "Synchronize Group");
    EXPECT_EQ(ctx.statusOf(right)[229], ctx.groups[0].Gain);
    EXPECT_EQ(device(right).readMemory(229, 1)[0], ctx.groups[0].Gain);
    EXPECT_EQ(window->groupWindow(0)->findChild<QLabel*>("LabelPreset")->text().toStdString(),
              std::string(GroupPresets::name(ctx.groupState[0].PresetIndex)));
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

TEST_F(MainWindowGroupsTest, GroupWindowsComeBackAtTheirPlacesAfterAProjectLoadAndAtStart) {
    openConnected();
    addGroup("PA");
    ASSERT_NE(window->groupWindow(0), nullptr);
    window->groupWindow(0)->move(321, 234);
    QApplication::processEvents();
    EXPECT_EQ(ctx.groupState[0].windowLeft, 321);
    EXPECT_EQ(ctx.groupState[0].windowTop, 234);

    const QString file = QString::fromStdString((paths().projectDir() / "venue.prj").string());
    window->setFilePicker([&](bool, const QString&, const QString&) { return file; });
    clickAndSettle(window->toolArea().saveButton(), Qt::LeftButton);
    window->groupWindow(0)->move(40, 50);
    QApplication::processEvents();
    clickAndSettle(window->toolArea().loadButton(), Qt::LeftButton);
    QApplication::processEvents();
    ASSERT_TRUE(ctx.groups[0].isInUse());
    ASSERT_NE(window->groupWindow(0), nullptr);
    EXPECT_EQ(window->groupWindow(0)->pos(), QPoint(321, 234));
    EXPECT_TRUE(window->groupWindow(0)->isVisible());
    // One window per group: the load replaced the old one.
    EXPECT_EQ(window->findChildren<GroupWindow*>().size(), 1u);

    // At start: the session project brings the group and its window's place back.
    window->groupWindow(0)->move(222, 111);
    QApplication::processEvents();
    ASSERT_FALSE(SaveSessionProject(ctx, paths()));
    window.reset();
    ctx.groups = {};
    ctx.groupState = {};
    open();
    ASSERT_TRUE(ctx.groups[0].isInUse());
    ASSERT_NE(window->groupWindow(0), nullptr);
    EXPECT_EQ(window->groupWindow(0)->pos(), QPoint(222, 111));
}

TEST_F(MainWindowGroupsTest, ADriftedMemberIsAskedOnConnectAndOnlyTheDifferenceIsWritten) {
    openConnected();
    addGroup("PA");
    ASSERT_TRUE(ctx.groups[0].isInUse());
    ASSERT_TRUE(window->settle());
    prompter.answer(true);
    window->disconnectDevice(right);
    ASSERT_TRUE(window->settle());
    ASSERT_FALSE(ctx.device(right).isConnected());

    // Another client changes the member's group gain while the application is away.
    const std::uint8_t drifted = static_cast<std::uint8_t>(ctx.groups[0].Gain - 12);
    device(right).writeMemory(229, std::vector<std::uint8_t>{drifted});
    device(right).clearLog();
    prompter.clear();
    prompter.answer(true);
    clickAndSettle(window->tile(right)->connectButton(), Qt::LeftButton);
    ASSERT_TRUE(ctx.device(right).isConnected()) << prompter.lastText();
    bool asked = false;
    for (const auto& entry : prompter.entries())
        asked |= entry.title == "Connect" && entry.text == "Do you want to synchronize the device with the Group?";
    EXPECT_TRUE(asked);
    // Only the gain went out of the group items.
    EXPECT_EQ(countOf(device(right), 1), 1);
    for (const std::uint8_t code : {2, 3, 5, 6}) EXPECT_EQ(countOf(device(right), code), 0) << int(code);
    EXPECT_EQ(device(right).readMemory(229, 1)[0], ctx.groups[0].Gain);
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

TEST_F(MainWindowGroupsTest, ConnectingAMemberThatHoldsTheGroupValuesAsksNothing) {
    openConnected();
    addGroup("PA");
    ASSERT_TRUE(window->settle());
    prompter.answer(true);
    window->disconnectDevice(right);
    ASSERT_TRUE(window->settle());
    prompter.clear();
    clickAndSettle(window->tile(right)->connectButton(), Qt::LeftButton);
    ASSERT_TRUE(ctx.device(right).isConnected());
    for (const auto& entry : prompter.entries()) EXPECT_NE(entry.title, "Connect") << entry.text;
}

TEST_F(MainWindowGroupsTest, DriftWindowFromATileListsAChangeInUnits) {
    openConnected();
    device(left).writeMemory(384 + 20, std::vector<std::uint8_t>{119});  // input gain -6 dB
    DriftWindow* drift = window->openDriftWindow({left});
    ASSERT_TRUE(window->settle());
    ASSERT_TRUE(test_support::Eventually([&] {
        QApplication::processEvents();
        return drift->rows().size() == 1u;
    }));
    EXPECT_EQ(drift->rows()[0].param->name, "input.gain");
    EXPECT_EQ(drift->rows()[0].deviceValue, device::ParamValueText(GainTableDb(119)) + " dB");
    EXPECT_EQ(drift->rows()[0].deviceValue.find("000"), std::string::npos) << drift->rows()[0].deviceValue;
    drift->takeDevice(0);
    ASSERT_TRUE(window->settle());
    ASSERT_TRUE(test_support::Eventually([&] {
        QApplication::processEvents();
        return drift->rows().empty();
    }));
    EXPECT_EQ(ctx.satImage[static_cast<std::size_t>(left)][20], 119);
    EXPECT_EQ(drift->status(), "Every device holds what the project says.");
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

}  // namespace
}  // namespace plenum::ui
