// MDIFrmMain: the frame window. It owns the communication thread (CommThread, which owns the
// command transaction) with its UI hooks, the device tiles, the periodic timers and the announce
// listener and bridge server, and forwards every button to the Qt-free rules (registry, project
// files, device actions). Whatever talks to a device is posted to the communication thread and
// finishes in a completion on this thread, so the window keeps running while the wire waits. Its
// closing runs the exit question and then, on the communication thread, the exit sequence.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "comm/Announce.h"
#include "comm/BridgeServer.h"
#include "device/Aeq.h"
#include "comm/Connection.h"
#include "comm/DeviceComm.h"
#include "comm/FirmwareLoader.h"
#include "core/AppContext.h"
#include "core/Config.h"
#include "core/Prompter.h"
#include "device/EditSink.h"
#include "device/Locks.h"
#include "ui/PostingEditSink.h"
#include "dsp/Meters.h"
#include "fir/IrLibrary.h"
#include "groups/GroupPresets.h"
#include "sat/DeviceMemory.h"
#include "ui/CommThread.h"
#include "ui/SoundCards.h"
#include "ui/logic/MeterPoll.h"

class QDialog;
class QLabel;
class QProgressBar;
class QScrollArea;
class QTimer;

namespace plenum {
class GroupSink;
}

namespace plenum::ui {

class AltKeyProbe;
class DeviceTile;
class DriftWindow;
class EditWindow;
class GroupWindow;
class PostingGroupSink;
class FrmshowInfo;
class TileArea;
class ToolArea;

struct MainWindowDeps {
    AppContext& ctx;
    AppPaths paths;
    Prompter& prompter;
    comm::NetworkTransport& network;
    comm::SerialTransport& serial;
    comm::Sleeper& sleeper;
    comm::LinkSettings links{};
    comm::CommTimeouts timeouts{};
    // The announce listener (UDP 1002) and the bridge server; tests leave them off.
    bool startNetworkServices = true;
    std::uint16_t demoPort = 0;  // non-zero: the status bar says where the demo loudspeakers are
    // The search window's own network object (25 slots); nothing: the window makes a real one.
    comm::NetworkTransport* searchNetwork = nullptr;
    std::uint16_t bridgePort = comm::kDefaultBridgePort;  // --bridge-port / PLENUM_BRIDGE_PORT
};

class MainWindow final : public QMainWindow,
                         private comm::TileStatusSink,
                         private comm::ConnectionHooks,
                         private AutoUpdateHooks,
                         private EditWindowRefresher {
    Q_OBJECT
public:
    explicit MainWindow(MainWindowDeps deps);
    ~MainWindow() override;

    // The window's loading: the network object for 26 slots (a message on failure), the listener
    // and bridge server, the session project restored, a tile per listed device, the timers.
    void load();

    // Runs a dialog modally; tests and the tour replace it to drive the dialog themselves.
    using ModalRunner = std::function<int(QDialog&)>;
    void setModalRunner(ModalRunner runner) { runModal_ = std::move(runner); }
    // Picks a project file (save = true for the save dialog); an empty result cancels.
    using FilePicker = std::function<QString(bool save, const QString& folder, const QString& filter)>;
    void setFilePicker(FilePicker picker) { pickFile_ = std::move(picker); }
    // The real sound cards the FIR wizard lists beside its virtual one (PortAudio's by default).
    void setSoundCards(SoundCards cards) { soundCards_ = std::move(cards); }
    // Where the edit windows' sends go; by default straight over the window's DeviceComm.
    void setEditSink(device::EditSink* sink) { editSink_ = sink != nullptr ? sink : postingSink_.get(); }

    // The actions behind the buttons.
    void addDevice();
    // The search window, modal; the devices it found are listed when it closes.
    void searchDevices();
    // The connection dialog for every listed off-line device; the connections run on the
    // communication thread with a progress bar naming each device.
    void connectAllDevices();
    void openFirmwareWindow(int slot);
    // The password window (FrmPwd) for a device from its tile's menu; the device's edit window,
    // when open, shows the new captions afterwards.
    void openLockWindow(int slot, device::LockMode mode);
    // One tick of the meter poll, posted to the communication thread unless the previous round
    // is still running: command 24 to each on-line device, the replies into the meter table and,
    // when the round has finished, the tiles' level bars; a device that reports a panel event is
    // read back and its tile refreshed. Skipped while CommBusy or TxSuspended. Waiting edits go
    // out between two meter requests.
    void pollMeters();
    // Runs the event loop until the communication thread has nothing to do (bounded); true when
    // it got there. Tests and the tour wait for posted work with it.
    bool settle(int timeoutMs = 60000);
    // One tick of TimerCheckEQGrp (3000 ms), while the communication thread is idle: every group's
    // preset matching, then its synchronisation check; the group windows show the result.
    void checkGroups();
    void saveProject();
    void loadProject();
    // "Add Group": the chooser for the first free record, then the new group's window.
    void addGroup();
    // The group's window, opened (at its saved position) when it is not open yet.
    void openGroupWindow(int group);
    // The chooser in edit mode for a group in use: the newly chosen Left gives every value.
    void editGroupMembers(int group);
    // The drift window over the given devices (a tile's slot or a group's members), comparing at once.
    DriftWindow* openDriftWindow(std::vector<int> targets);
    void switchLanguage();
    void toggleConnection(int slot);
    void connectDevice(int slot);
    void disconnectDevice(int slot);
    void removeDevice(int slot);
    void openEditWindow(int slot);
    // A satellite's FIR window (FirWindowKind) over its edit window; an open one is raised.
    QDialog* openFirWindow(int slot, int kind);
    fir::IrLibrary& irLibrary() { return *irLibrary_; }
    void moveTile(int slot, int position);
    // Lists the found devices (FoundTable) as the search window's closing does.
    void mergeFoundDevices();

    AppContext& context() { return ctx_; }
    // The transaction: only for jobs on the communication thread, or while settled.
    comm::DeviceComm& comm() { return commThread_->comm(); }
    CommThread& commThread() { return *commThread_; }
    // The port the automatic-EQ bridge listens on; 0 when it does not.
    std::uint16_t bridgeListeningPort() const;
    bool meterPollRunning() const { return pollRunning_; }
    QProgressBar* connectProgress() const { return connectProgress_; }
    comm::DeviceConnector& connector() { return *connector_; }
    const MeterTable& meters() const { return meterPoll_->table(); }
    const MeterPoll& meterPoll() const { return *meterPoll_; }
    TileArea& tileArea() { return *tileArea_; }
    ToolArea& toolArea() { return *toolArea_; }
    FrmshowInfo& retryWindow() { return *retryWindow_; }
    DeviceTile* tile(int slot) const;
    EditWindow* editWindow(int slot) const;
    GroupWindow* groupWindow(int group) const;
    GroupPresets& groupPresets() { return presets_; }
    // Where the group windows' member commands go (the communication thread).
    GroupSink& groupSink();
    // The device of the edit window that was activated last (0: none yet).
    int currentDevice() const { return currentDevice_; }
    QTimer* vuMeterTimer() const { return timerVuMeter_; }
    QTimer* checkEqGroupTimer() const { return timerCheckEqGrp_; }
    bool exitSequenceRan() const { return exitRan_; }
    void setFirstPaintHook(std::function<void()> hook);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Draws the first import kept for the slot's loudspeaker on a newly opened edit window.
    void showKeptIr(EditWindow& window, int slot);
    // The transaction's off-line switch (already on this thread). tileOnline and refreshWindow
    // come from the connector and the meter poll on the communication thread: they queue the
    // tile's refresh here.
    void switchOffline(int slot) override;
    void tileOnline(int slot, bool online) override;
    void refreshTile(int slot);
    // Closes every edit window now and clears its device's EditOpen.
    void closeEditWindows();
    // A device read back after a panel event: what the window shows of it is redrawn.
    void refreshWindow(int slot) override;
    // The connection flow read the device's image back while its edit window is open.
    void reloadEditWindow(int slot) override;
    // The link fan-out wrote into a linked device's image.
    void refreshFromImage(int slot) override;
    // The connection routine's group step, on the communication thread.
    bool differsFromGroup(int group, int slot) override;
    void synchronizeWithGroup(int group, int slot) override;
    // Opens the window of every group in use (start-up, project load) and closes the others.
    void openGroupWindows();
    void closeGroupWindows();
    void refreshGroupWindows();
    // Sets CommBusy and waits for the communication thread: the window is about to write device
    // records itself or to run a modal dialog that talks to a device from this thread.
    void holdWire();
    void releaseWire();
    void chooseAndConnect(int slot);
    void showConnectProgress(const QString& deviceName, int done, int total);
    void endConnectProgress();
    void onMeterRound(const MeterPoll::Round& round);
    // The transaction tries a device again: the retry window names it and offers to give up.
    void onRetrying(int slot, int attempt);
    void addDeviceHeld();
    void mergeFoundDevicesHeld();
    void createTiles();
    void refreshAll();
    void updateCounts();
    void retranslate();
    void showStatus(const QString& text);
    void onVuMeterTick();
    void startBridge();  // MainWindowAeq.cpp

    AppContext& ctx_;
    AppPaths paths_;
    Prompter& prompter_;
    bool startNetworkServices_;
    std::uint16_t demoPort_;
    std::unique_ptr<CommThread> commThread_;
    std::unique_ptr<comm::SettingsTransfer> settingsTransfer_;
    std::unique_ptr<comm::DeviceConnector> connector_;
    std::unique_ptr<comm::FwLoader> fwLoader_;
    comm::NetworkTransport* searchNetwork_;
    std::unique_ptr<comm::NetworkTransport> ownSearchNetwork_;
    std::uint16_t devicePort_;
    comm::CommTimeouts timeouts_;
    std::unique_ptr<MeterPoll> meterPoll_;
    std::unique_ptr<comm::AnnounceListener> listener_;
    std::unique_ptr<comm::BridgeServer> bridge_;
    std::uint16_t bridgePort_;
    std::unique_ptr<device::AeqBridgeHandler> aeq_;  // used only inside communication-thread jobs
    ToolArea* toolArea_;
    TileArea* tileArea_;
    QScrollArea* scroll_;
    FrmshowInfo* retryWindow_;
    AltKeyProbe* altProbe_;
    QLabel* statusLeft_;
    QLabel* statusRight_;
    QProgressBar* connectProgress_;
    QTimer* timerVuMeter_;
    QTimer* timerCheckEqGrp_;
    std::map<int, QPointer<EditWindow>> editWindows_;
    std::unique_ptr<PostingEditSink> postingSink_;
    // The imported measured responses kept per loudspeaker (the IR import window's slots).
    std::unique_ptr<fir::IrLibrary> irLibrary_;
    std::unique_ptr<PostingGroupSink> groupSink_;
    GroupPresets presets_;
    std::map<int, QPointer<GroupWindow>> groupWindows_;
    device::EditSink* editSink_ = nullptr;
    int currentDevice_ = 0;
    ModalRunner runModal_;
    FilePicker pickFile_;
    SoundCards soundCards_ = PortAudioCards();
    bool exitRan_ = false;
    bool exitRunning_ = false;
    bool pollRunning_ = false;
};

}  // namespace plenum::ui
