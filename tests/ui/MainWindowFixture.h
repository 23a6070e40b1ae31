// The main window on Qt's offscreen platform with a scripted prompter, a network object whose host
// address the test chooses, and the demo's simulated loudspeakers on loopback. Modal dialogs run
// through the window's modal-runner hook: by default the connection dialog connects (reading the
// settings from the device) and any other dialog is cancelled.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

#include "comm/AsioNetwork.h"
#include "comm/AsioSerial.h"
#include "core/Registry.h"
#include "sim/Simulator.h"
#include "store/ProjectFile.h"
#include "support/SimRig.h"
#include "support/TempDir.h"
#include "TestApp.h"
#include "ui/AddDeviceDialog.h"
#include "ui/ConnectDialog.h"
#include "ui/Controls.h"
#include "ui/DeviceTile.h"
#include "ui/MainWindow.h"
#include "ui/EditWindow.h"
#include "ui/SmallWindows.h"
#include "ui/TileArea.h"
#include "ui/ToolArea.h"
#include "ui/logic/DemoFleet.h"

namespace plenum::ui::test_support {

// Requests other than meter polls (code 24) a simulated device received since its log was
// cleared: an open edit window polls the meters on its own timer.
inline int EditFrames(const sim::SimulatedDevice& device) {
    int n = 0;
    for (const std::uint8_t code : device.receivedCodes()) n += code == 24 ? 0 : 1;
    return n;
}

template <typename Condition>
bool Eventually(Condition condition) {
    for (int i = 0; i < 200 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return condition();
}

// The real network object with this computer's address chosen by the test, so that the LAN check
// does not depend on the machine the tests run on.
class HostAddressNetwork final : public comm::NetworkTransport {
public:
    HostAddressNetwork() = default;
    explicit HostAddressNetwork(std::string address) : localAddress(std::move(address)) {}
    std::string localAddress = "192.0.2.10";
    bool failInit = false;
    comm::LinkResult TcpInit(int count) override { return failInit ? comm::LinkResult::Failed : real.TcpInit(count); }
    comm::LinkResult TcpConnect(int slot, const std::string& address, std::uint16_t port, comm::Millis timeout) override {
        ++connects;
        return real.TcpConnect(slot, address, port, timeout);
    }
    comm::LinkResult TcpSend(int slot, std::span<const std::uint8_t> bytes) override { return real.TcpSend(slot, bytes); }
    comm::LinkResult TcpRead(int slot, std::span<std::uint8_t> reply, comm::Millis timeout) override {
        return real.TcpRead(slot, reply, timeout);
    }
    void TcpClose(int slot) override { real.TcpClose(slot); }
    bool TcpIsConnected(int slot) const override { return real.TcpIsConnected(slot); }
    std::string TcpLocalAddress() const override { return localAddress; }
    std::vector<std::string> TcpScan(const std::vector<std::string>& addresses, std::uint16_t port, comm::Millis timeout,
                                     const std::function<void(const std::string&)>& onResponse) override {
        return real.TcpScan(addresses, port, timeout, onResponse);
    }
    comm::AsioNetworkTransport real{comm::kMainNetworkSlots};
    int connects = 0;
};

inline comm::CommTimeouts FastTimeouts() {
    comm::CommTimeouts t;
    t.read = comm::Millis{300};
    t.reconnect = comm::Millis{200};
    t.reconnectPause = comm::Millis{1};
    t.connecting = comm::Millis{500};
    return t;
}

class MainWindowTest : public ::testing::Test {
protected:
    test::TempDir dir;
    AppContext ctx;
    ScriptedPrompter prompter;
    HostAddressNetwork network;
    comm::AsioSerialTransport serial;
    comm::SteadySleeper sleeper;
    sim::Simulator simulator;
    std::unique_ptr<MainWindow> window;
    int modalRuns = 0;
    QString lastConnectTitle;
    // The search window's network object: a loopback host address, so the demo range is searched.
    HostAddressNetwork searchNetwork{"127.0.0.1"};
    // The announce listener and the bridge server (on a free port of 127.0.0.1); off by default.
    bool networkServices = false;

    void SetUp() override {
        App();
        ctx.dataDir = dir.path();
        EnsureAeqFolders(paths());
        EnsureWorkFolders(paths());
    }
    void TearDown() override {
        window.reset();
        simulator.stop();
    }

    AppPaths paths() const { return AppPaths(dir.path()); }

    // A click, then the work it posted to the communication thread done (the event loop runs
    // meanwhile, so questions are answered and completions arrive).
    void clickAndSettle(QWidget* widget, Qt::MouseButton button) {
        QTest::mouseClick(widget, button);
        if (window) {
            ASSERT_TRUE(window->settle(20000));
        }
    }

    void open(bool withSimulator = false) {
        std::uint16_t port = comm::kDefaultDevicePort;
        if (withSimulator) {
            for (const sim::DeviceConfig& config : DemoDeviceConfigs()) simulator.add(config);
            simulator.start();
            port = simulator.commonPort();
        }
        MainWindowDeps deps{ctx,  paths(), prompter, network, serial, sleeper, {port, (dir.path() / "tty%d").string()},
                            FastTimeouts(), networkServices};
        deps.searchNetwork = &searchNetwork;
        deps.bridgePort = 0;
        window = std::make_unique<MainWindow>(deps);
        useDefaultDialogs();
        window->load();
        if (withSimulator) {
            FillFoundTable(ctx, simulator);
            window->mergeFoundDevices();
        }
        window->show();
    }

    // Lists `count` network devices as a search would (model 0, addresses 10.0.0.1...).
    void listFound(int count) {
        for (DeviceRecord& found : ctx.foundTable) found = DeviceRecord{};
        for (int i = 0; i < count; ++i) {
            DeviceRecord& found = ctx.foundTable[static_cast<std::size_t>(i)];
            found.Present = kTrue16;
            found.Address = "10.0.0." + std::to_string(i + 1);
            found.LinkMode = kLinkLan;
            found.UniqueId = "0000000000" + std::to_string(10 + i);
            found.DeviceName = "STAGE " + std::to_string(i + 1);
        }
        window->mergeFoundDevices();
    }

    // The connection dialog connects (reading the settings from the device); any other dialog is
    // cancelled.
    void useDefaultDialogs() {
        window->setModalRunner([this](QDialog& dialog) {
            ++modalRuns;
            if (auto* connectDialog = dynamic_cast<ConnectDialog*>(&dialog)) {
                lastConnectTitle = connectDialog->windowTitle();
                connectDialog->connectNow();
            } else {
                dialog.reject();
            }
            return dialog.result();
        });
    }

    // The next add-device dialog picks this model and presses Add.
    void addByHand(int model, int variant = 0) {
        window->setModalRunner([this, model, variant](QDialog& dialog) {
            ++modalRuns;
            auto& add = dynamic_cast<AddDeviceDialog&>(dialog);
            add.selectModel(model, variant);
            if (!add.tryAdd()) dialog.reject();
            return dialog.result();
        });
        clickAndSettle(window->toolArea().addButton(), Qt::LeftButton);
        useDefaultDialogs();
    }

    int listedCount() const {
        int n = 0;
        for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot) n += ctx.device(slot).isPresent() ? 1 : 0;
        return n;
    }

    int slotOf(const std::string& host) const {
        for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot)
            if (ctx.device(slot).isPresent() && ctx.device(slot).Address == host) return slot;
        return -1;
    }

    static int count15(const sim::SimulatedDevice& device) {
        int n = 0;
        for (const std::uint8_t code : device.receivedCodes()) n += code == 15 ? 1 : 0;
        return n;
    }

    void connectAll() {
        for (const char* host : {"127.0.0.2", "127.0.0.3", "127.0.0.4"}) {
            const int slot = slotOf(host);
            ASSERT_GT(slot, 0);
            clickAndSettle(window->tile(slot)->connectButton(), Qt::LeftButton);
            ASSERT_TRUE(ctx.device(slot).isConnected()) << host << ": " << prompter.lastText();
        }
    }
};

// The demo's loudspeakers listed and on-line (two satellites and the subwoofer connected through
// their tiles), the meter poll stopped so that a test sees only its own frames: the start of the
// tests that drive an edit window or a window opened from it.
class OnlineDemoTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        open(true);
        connectAll();
        sat = slotOf("127.0.0.2");
        sub = slotOf("127.0.0.4");
        window->vuMeterTimer()->stop();
    }

    sim::SimulatedDevice& device(const char* host) {
        for (std::size_t i = 0; i < simulator.size(); ++i)
            if (simulator.device(i).config().host == host) return simulator.device(i);
        throw std::runtime_error("no simulated device at this address");
    }

    EditWindow& openEdit(int slot) {
        window->openEditWindow(slot);
        EditWindow* edit = window->editWindow(slot);
        if (edit == nullptr) throw std::runtime_error("no edit window");
        return *edit;
    }

    // Every on-line image equals its device once the window's work has gone out.
    ::testing::AssertionResult mirrored() {
        if (!window->commThread().settle(5000)) return ::testing::AssertionFailure() << "the wire did not settle";
        return test::MirrorsDevices(ctx, simulator);
    }

    int sat = 0;
    int sub = 0;
};

}  // namespace plenum::ui::test_support
