// The main window driven on Qt's offscreen platform: adding up to the limit, removal refusals,
// connecting and disconnecting simulated loudspeakers over loopback, the language switch, the
// edit-window limit, the reconnection window and the exit sequence. Message boxes go to a
// scripted prompter; modal dialogs run through the window's modal-runner hook.
#include "MainWindowFixture.h"

namespace plenum::ui {
namespace {

using test_support::MainWindowTest;
using test_support::Eventually;

TEST_F(MainWindowTest, ListFilledBySearchAndByHandRefusesThe25th) {
    open();
    listFound(20);
    EXPECT_EQ(window->tileArea().tileCount(), 20);
    addByHand(1);
    addByHand(11);
    addByHand(8, 3);
    addByHand(10, 2);
    ASSERT_EQ(listedCount(), 24);
    EXPECT_EQ(window->tileArea().tileCount(), 24);
    EXPECT_EQ(prompter.messageCount(), 0u);

    const int runsBefore = modalRuns;
    clickAndSettle(window->toolArea().addButton(), Qt::LeftButton);
    EXPECT_EQ(modalRuns, runsBefore) << "no dialog for the 25th";
    ASSERT_EQ(prompter.messageCount(), 1u);
    EXPECT_EQ(prompter.entries().back().title, "Add Device");
    EXPECT_EQ(prompter.lastText(), "Can't add device, max 24 devices");
    EXPECT_EQ(prompter.entries().back().icon, Icon::Information);
    // Tiles of the first seven fill column 0; the eighth starts column 1.
    EXPECT_EQ(ctx.device(7).TilePos, 60);
    EXPECT_EQ(ctx.device(8).TilePos, 1);
}

TEST_F(MainWindowTest, SameModelTwiceIsRefusedAndTheDialogStaysOpen) {
    open();
    addByHand(8, 3);
    ASSERT_EQ(listedCount(), 1);
    EXPECT_EQ(window->tile(1)->findChild<QLabel*>("LabelModel")->text(), "RX LOW 11T");
    addByHand(8, 3);
    EXPECT_EQ(listedCount(), 1);
    EXPECT_EQ(prompter.lastText(), "Device already on the list!");
    EXPECT_EQ(prompter.entries().back().title, "Can't add device");
    addByHand(8, 4);  // another cabinet of the same platform is welcome
    EXPECT_EQ(listedCount(), 2);
}

TEST_F(MainWindowTest, AddressBoxesClampWhileTypedAndTheLanDeviceKeepsItsAddress) {
    open();
    window->setModalRunner([](QDialog& dialog) {
        auto& add = dynamic_cast<AddDeviceDialog&>(dialog);
        add.selectModel(6);
        add.selectNetwork(true);
        add.octetBox(0)->typeText("224");
        add.octetBox(1)->typeText("300");
        add.octetBox(2)->typeText("7");
        add.octetBox(3)->typeText("0");
        EXPECT_EQ(add.octetBox(0)->edit()->text(), "223");
        EXPECT_EQ(add.octetBox(1)->edit()->text(), "255");
        EXPECT_EQ(add.octetBox(3)->edit()->text(), "1");
        add.tryAdd();
        return dialog.result();
    });
    window->addDevice();
    ASSERT_EQ(listedCount(), 1);
    EXPECT_EQ(ctx.device(1).LinkMode, kLinkLan);
    EXPECT_EQ(ctx.device(1).Address, "223.255.7.1");
}

TEST_F(MainWindowTest, RemoveIsRefusedForAGroupMemberAndAnOpenEditWindow) {
    open();
    addByHand(0);
    addByHand(6);
    ctx.groups[0].InUse = kTrue16;
    ctx.groups[0].Member[1] = kTrue16;
    clickAndSettle(window->tile(1)->removeButton(), Qt::LeftButton);
    EXPECT_EQ(prompter.lastText(), "Can't remove device, it is present in the Group");
    EXPECT_EQ(prompter.entries().back().title, "Remove Device");

    window->openEditWindow(2);
    ASSERT_NE(ctx.device(2).EditOpen, 0);
    clickAndSettle(window->tile(2)->removeButton(), Qt::LeftButton);
    EXPECT_EQ(prompter.lastText(), "Can't remove device, Edit window is open");
    EXPECT_EQ(listedCount(), 2);

    window->editWindow(2)->close();
    QApplication::processEvents();
    ASSERT_EQ(ctx.device(2).EditOpen, 0);
    prompter.answer(false);
    clickAndSettle(window->tile(2)->removeButton(), Qt::LeftButton);
    EXPECT_EQ(prompter.lastText(), "Are you sure?");
    EXPECT_EQ(listedCount(), 2);
    prompter.answer(true);
    clickAndSettle(window->tile(2)->removeButton(), Qt::LeftButton);
    EXPECT_EQ(listedCount(), 1);
    EXPECT_EQ(window->tile(2), nullptr);
}

TEST_F(MainWindowTest, DisconnectAsksThenSendsCommand15AndShowsTheTileOffline) {
    open(true);
    connectAll();
    const int slot = slotOf("127.0.0.2");
    DeviceTile* tile = window->tile(slot);
    EXPECT_EQ(tile->statusText(), QString::fromUtf8("●  On-line"));
    sim::SimulatedDevice& device = simulator.device(0);

    prompter.answer(false);
    clickAndSettle(tile->connectButton(), Qt::LeftButton);
    EXPECT_EQ(prompter.entries().back().title, "Disconnect");
    EXPECT_EQ(prompter.lastText(), "Disconnect Device: MAIN LEFT\r\nare you sure?");
    EXPECT_TRUE(ctx.device(slot).isConnected());
    EXPECT_EQ(count15(device), 0);

    prompter.answer(true);
    clickAndSettle(tile->connectButton(), Qt::LeftButton);
    EXPECT_FALSE(ctx.device(slot).isConnected());
    EXPECT_FALSE(network.TcpIsConnected(slot));
    EXPECT_TRUE(Eventually([&] { return count15(device) == 1; }));
    ASSERT_EQ(ctx.removedConnected.size(), 1u);
    EXPECT_EQ(ctx.removedConnected[0], (std::pair<std::string, std::string>{"0AFF009C4101", "LAN"}));
    EXPECT_EQ(tile->statusText(), QString::fromUtf8("●  Off-line"));
    EXPECT_FALSE(tile->showsOnline());
}

TEST_F(MainWindowTest, ConnectingANetworkDeviceNeedsALan) {
    open();
    listFound(1);  // on 10.0.0.1; a loopback device (a simulated one) would need no LAN
    network.localAddress = "127.0.0.1";
    const int connectsBefore = network.connects;
    const int runsBefore = modalRuns;
    clickAndSettle(window->tile(1)->connectButton(), Qt::LeftButton);
    EXPECT_EQ(modalRuns, runsBefore) << "no connection dialog";
    ASSERT_EQ(prompter.messageCount(), 1u);
    EXPECT_EQ(prompter.entries().back().title, "Connect");
    EXPECT_EQ(prompter.lastText(), "LAN or WLAN not found");
    EXPECT_EQ(network.connects, connectsBefore);
    EXPECT_FALSE(ctx.device(1).isConnected());
}

TEST_F(MainWindowTest, ConnectToAnAbsentDeviceSaysNotFound) {
    open();
    listFound(1);
    ctx.device(1).Address = "127.0.0.9";  // nothing listens there
    clickAndSettle(window->tile(1)->connectButton(), Qt::LeftButton);
    EXPECT_EQ(prompter.entries().back().title, "Can't Connect");
    EXPECT_EQ(prompter.lastText(), "Device not found");
    EXPECT_FALSE(ctx.device(1).isConnected());
    EXPECT_EQ(ctx.flags.CommBusy, 0);
}

TEST_F(MainWindowTest, LanguageSwitchAsksSavesAndRedrawsTheCaptions) {
    open();
    addByHand(0);
    QLabel* label = window->toolArea().languageLabel();
    EXPECT_EQ(label->text(), "EN");
    prompter.answer(false);
    clickAndSettle(label, Qt::LeftButton);
    EXPECT_EQ(prompter.entries().back().title, "语言切换");
    EXPECT_EQ(label->text(), "EN");
    EXPECT_EQ(ctx.LanguageFlag, 0);

    prompter.answer(true);
    clickAndSettle(label, Qt::LeftButton);
    EXPECT_EQ(label->text(), "CN");
    EXPECT_EQ(LoadLanguage(paths()), 1);
    EXPECT_EQ(window->tile(1)->statusText(), QString::fromUtf8("●  离线"));
    EXPECT_EQ(window->tile(1)->connectButton()->text(), QString::fromUtf8("连接"));

    prompter.answer(true);
    clickAndSettle(label, Qt::LeftButton);
    EXPECT_EQ(prompter.entries().back().title, "Switch Language");
    EXPECT_EQ(label->text(), "EN");
    EXPECT_EQ(LoadLanguage(paths()), 0);
}

TEST_F(MainWindowTest, ExitWithNoKeepsTheWindowAndEveryLink) {
    open(true);
    connectAll();
    prompter.answer(false);
    window->close();
    window->settle();
    EXPECT_EQ(prompter.entries().back().title, "Exit");
    EXPECT_EQ(prompter.lastText(), "               Are you sure ? ");
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->exitSequenceRan());
    EXPECT_EQ(ctx.flags.CommBusy, 0);
    for (std::size_t i = 0; i < kDemoListedAtStart; ++i) EXPECT_EQ(count15(simulator.device(i)), 0);
    for (const char* host : {"127.0.0.2", "127.0.0.3", "127.0.0.4"}) EXPECT_TRUE(ctx.device(slotOf(host)).isConnected());
}

TEST_F(MainWindowTest, ExitWithYesSaysGoodbyeToEachOnlineDeviceAndSavesTheSession) {
    open(true);
    connectAll();
    prompter.answer(true);
    window->close();
    window->settle();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->exitSequenceRan());
    for (std::size_t i = 0; i < kDemoListedAtStart; ++i)
        EXPECT_TRUE(Eventually([&] { return count15(simulator.device(i)) == 1; })) << i;
    for (int slot = 0; slot < comm::kMainNetworkSlots; ++slot) EXPECT_FALSE(network.TcpIsConnected(slot));
    AppContext restored;
    ASSERT_TRUE(LoadSessionProject(restored, paths()).restored());
    EXPECT_EQ(restored.device(slotOf("127.0.0.4")).DeviceName, "SUB CENTER");
}

TEST_F(MainWindowTest, SessionIsRestoredAtStartWithEveryDeviceOffline) {
    {
        AppContext saved;
        ScriptedPrompter quiet;
        ASSERT_TRUE(CompleteAddDevice(saved, quiet, 1, {0, 0, false, {}}));
        ASSERT_TRUE(CompleteAddDevice(saved, quiet, 2, {1, 0, false, {}}));
        AssignTilePos(saved, 1);
        saved.device(2).TilePos = 23;
        saved.device(2).Connected = kTrue16;
        ASSERT_FALSE(SaveSessionProject(saved, paths()));
    }
    open();
    EXPECT_EQ(window->tileArea().tileCount(), 2);
    EXPECT_FALSE(window->tile(2)->showsOnline());
    EXPECT_EQ(window->tile(2)->pos().x() < window->tileArea().originOf(24).x(), true);
    EXPECT_GE(window->tile(2)->pos().x(), window->tileArea().originOf(23).x());
    EXPECT_TRUE(window->vuMeterTimer()->isActive());
    EXPECT_EQ(window->vuMeterTimer()->interval(), 100);
    EXPECT_TRUE(window->checkEqGroupTimer()->isActive());
    EXPECT_EQ(window->checkEqGroupTimer()->interval(), 3000);
}

TEST_F(MainWindowTest, SixthEditWindowIsRefused) {
    open();
    listFound(6);
    for (int slot = 1; slot <= 5; ++slot) clickAndSettle(window->tile(slot)->editButton(), Qt::LeftButton);
    EXPECT_EQ(CountEditWindows(ctx), 5);
    QString shown;
    window->setModalRunner([&](QDialog& dialog) {
        shown = dialog.objectName();
        return 0;
    });
    clickAndSettle(window->tile(6)->editButton(), Qt::LeftButton);
    EXPECT_EQ(shown, "FrmMaxWinOpen");
    EXPECT_EQ(ctx.device(6).EditOpen, 0);
    EXPECT_EQ(CountEditWindows(ctx), 5);

    window->editWindow(3)->close();
    QApplication::processEvents();
    EXPECT_EQ(ctx.device(3).EditWindow, kNoTile);
    clickAndSettle(window->tile(6)->editButton(), Qt::LeftButton);
    EXPECT_NE(ctx.device(6).EditOpen, 0);
    EXPECT_EQ(ctx.device(6).EditWindow, 6);
}

TEST_F(MainWindowTest, LostLinkShowsTheRetryWindowThenTakesTheTileOffline) {
    open(true);
    connectAll();
    const int slot = slotOf("127.0.0.3");
    window->openEditWindow(slot);
    simulator.device(1).setFault(sim::Fault::RefuseConnection);
    // Commands posted as a window would until one finds the link gone.
    std::atomic<int> result{0};
    for (int attempt = 0; attempt < 20 && result == 0 && ctx.device(slot).isConnected(); ++attempt) {
        window->commThread().post([&] { result = window->comm().SendCommand(slot, std::uint8_t{0x30}); });
        ASSERT_TRUE(window->settle(30000));
    }
    EXPECT_EQ(result.load(), -1);
    EXPECT_EQ(window->retryWindow().labelText(), "Reconnection retry 10 of 10");
    EXPECT_FALSE(window->retryWindow().isVisible());
    EXPECT_FALSE(window->tile(slot)->showsOnline());
    EXPECT_EQ(prompter.entries().back().title, "Communication problem");
    simulator.device(1).setFault(sim::Fault::None);
}

TEST_F(MainWindowTest, DroppedTileLandsOnAFreeCellOnly) {
    open();
    listFound(2);
    window->moveTile(2, 34);
    EXPECT_EQ(ctx.device(2).TilePos, 34);
    const QPoint cell = window->tileArea().originOf(34);
    EXPECT_TRUE(QRect(cell, window->tileArea().cellSize()).contains(window->tile(2)->geometry()));
    window->moveTile(2, ctx.device(1).TilePos);
    EXPECT_EQ(ctx.device(2).TilePos, 34);
}

TEST_F(MainWindowTest, NinthGroupIsRefused) {
    open();
    for (GroupRecord& group : ctx.groups) group.InUse = kTrue16;
    clickAndSettle(window->toolArea().groupButton(), Qt::LeftButton);
    EXPECT_EQ(prompter.entries().back().title, "Add Group");
    EXPECT_EQ(prompter.lastText(), "Can't add new group, max Group number reached");
}

TEST_F(MainWindowTest, ProjectSavedAndLoadedThroughTheProjectFolder) {
    open();
    addByHand(6);
    addByHand(1);
    QString folderSeen, filterSeen;
    const QString file = QString::fromStdString((paths().projectDir() / "venue").string());
    window->setFilePicker([&](bool, const QString& folder, const QString& filter) {
        folderSeen = folder;
        filterSeen = filter;
        return file;
    });
    clickAndSettle(window->toolArea().saveButton(), Qt::LeftButton);
    EXPECT_EQ(folderSeen.toStdString(), paths().projectDir().string());
    EXPECT_EQ(filterSeen, "file project (*.prj)");
    ASSERT_TRUE(std::filesystem::exists(paths().projectDir() / "venue.prj"));

    prompter.answer(true);
    clickAndSettle(window->tile(1)->removeButton(), Qt::LeftButton);
    ASSERT_EQ(listedCount(), 1);
    window->setFilePicker([&](bool, const QString&, const QString&) { return file + ".prj"; });
    clickAndSettle(window->toolArea().loadButton(), Qt::LeftButton);
    EXPECT_EQ(listedCount(), 2);
    EXPECT_EQ(window->tileArea().tileCount(), 2);
}

// A project loaded while edit windows are open: the windows showed the old list, so they close,
// the five-window limit still counts right, their devices can be removed, and the program ends
// cleanly (windows left open once made ten possible and crashed the exit).
TEST_F(MainWindowTest, LoadingAProjectClosesTheEditWindows) {
    open();
    listFound(6);
    const QString file = QString::fromStdString((paths().projectDir() / "venue.prj").string());
    window->setFilePicker([&](bool, const QString&, const QString&) { return file; });
    clickAndSettle(window->toolArea().saveButton(), Qt::LeftButton);
    for (int slot = 1; slot <= 5; ++slot) window->openEditWindow(slot);
    ASSERT_EQ(CountEditWindows(ctx), 5);

    // A file that does not load changes nothing, the windows included.
    window->setFilePicker([&](bool, const QString&, const QString&) { return file + ".missing"; });
    clickAndSettle(window->toolArea().loadButton(), Qt::LeftButton);
    EXPECT_NE(window->editWindow(1), nullptr);
    EXPECT_EQ(CountEditWindows(ctx), 5);

    window->setFilePicker([&](bool, const QString&, const QString&) { return file; });
    clickAndSettle(window->toolArea().loadButton(), Qt::LeftButton);
    QApplication::processEvents();
    for (int slot = 1; slot <= 5; ++slot) EXPECT_EQ(window->editWindow(slot), nullptr) << slot;
    EXPECT_EQ(CountEditWindows(ctx), 0);
    EXPECT_EQ(window->findChildren<EditWindow*>().size(), 0u);

    for (int slot = 1; slot <= 6; ++slot) window->openEditWindow(slot);
    EXPECT_EQ(CountEditWindows(ctx), 5);
    window->editWindow(2)->close();
    QApplication::processEvents();
    prompter.answer(true);
    clickAndSettle(window->tile(2)->removeButton(), Qt::LeftButton);
    EXPECT_EQ(window->tile(2), nullptr);
    EXPECT_EQ(CountEditWindows(ctx), 4);
}

TEST_F(MainWindowTest, FailedNetworkSetUpIsReportedAsWrongTcpInitialization) {
    network.failInit = true;
    open();
    ASSERT_GE(prompter.messageCount(), 1u);
    EXPECT_EQ(prompter.entries().front().title, "VOVUvuRizi");
    EXPECT_EQ(prompter.entries().front().text, "Wrong TCP initialization!");
    EXPECT_EQ(prompter.entries().front().icon, Icon::Critical);
}

}  // namespace
}  // namespace plenum::ui
