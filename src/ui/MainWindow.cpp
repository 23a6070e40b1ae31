#include "ui/MainWindow.h"

#include <utility>


#include <QCloseEvent>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "comm/AsioNetwork.h"
#include "comm/Discovery.h"
#include "core/LanguageSwitch.h"
#include "core/Registry.h"
#include "store/ProjectFile.h"
#include "sat/DeviceMemory.h"
#include "ui/AddDeviceDialog.h"
#include "ui/ConnectDialog.h"
#include "ui/DeviceTile.h"
#include "ui/EditWindow.h"
#include "ui/DriftWindow.h"
#include "ui/FirmwareWindow.h"
#include "ui/GroupWindow.h"
#include "ui/PostingGroupSink.h"
#include "ui/SearchWindow.h"
#include "ui/SmallWindows.h"
#include "ui/Theme.h"
#include "ui/TileArea.h"
#include "ui/ToolArea.h"
#include "ui/UiTexts.h"
#include "ui/logic/DeviceActions.h"

namespace plenum::ui {

MainWindow::MainWindow(MainWindowDeps deps)
    : ctx_(deps.ctx),
      paths_(deps.paths),
      prompter_(deps.prompter),
      startNetworkServices_(deps.startNetworkServices),
      demoPort_(deps.demoPort),
      searchNetwork_(deps.searchNetwork),
      devicePort_(deps.links.devicePort),
      timeouts_(deps.timeouts),
      bridgePort_(deps.bridgePort) {
    const double scale = ctx_.ScreenScale;
    setObjectName(QStringLiteral("MDIFrmMain"));
    commThread_ = std::make_unique<CommThread>(ctx_, prompter_, deps.network, deps.serial, deps.sleeper, deps.links,
                                               deps.timeouts);
    settingsTransfer_ = std::make_unique<DeviceSettingsTransfer>(comm());
    meterPoll_ = std::make_unique<MeterPoll>(comm());
    // Edits go to the communication thread; the link fan-out refreshes linked windows on this one.
    postingSink_ = std::make_unique<PostingEditSink>(ctx_, *commThread_, static_cast<EditWindowRefresher*>(this));
    editSink_ = postingSink_.get();
    irLibrary_ = std::make_unique<fir::IrLibrary>(ctx_.dataDir / "IR");
    irLibrary_->load();
    // Group commands go to the communication thread as one job per group operation.
    groupSink_ = std::make_unique<PostingGroupSink>(*commThread_);
    // The connector runs on the communication thread: its questions go through the forwarding prompter.
    connector_ = std::make_unique<comm::DeviceConnector>(comm(), *settingsTransfer_, commThread_->prompter(),
                                                        static_cast<comm::ConnectionHooks*>(this));
    // The loader opens its own connection on the main network object's spare slot.
    fwLoader_ = std::make_unique<comm::FwLoader>(deps.network, deps.serial, deps.sleeper, deps.links.devicePort,
                                                 comm::LoaderTimeouts{}, comm::kMainNetworkSlots - 1);

    auto* central = new QWidget(this);
    toolArea_ = new ToolArea(scale, central);
    tileArea_ = new TileArea(ctx_, central);
    scroll_ = new QScrollArea(central);
    scroll_->setWidget(tileArea_);
    scroll_->setWidgetResizable(true);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolArea_);
    layout->addWidget(scroll_, 1);
    setCentralWidget(central);

    statusLeft_ = new QLabel(this);
    statusRight_ = new QLabel(QStringLiteral("Plenum %1").arg(QString::fromLatin1(kVersionText)), this);
    const int pad = Px(scale, 10);
    statusLeft_->setContentsMargins(pad, Px(scale, 3), pad, Px(scale, 3));
    statusRight_->setContentsMargins(pad, Px(scale, 3), pad, Px(scale, 3));
    connectProgress_ = new QProgressBar(this);
    connectProgress_->setObjectName(QStringLiteral("ProgressConnectAll"));
    connectProgress_->setMaximumWidth(Px(scale, 220));
    connectProgress_->setVisible(false);
    statusBar()->addWidget(statusLeft_, 1);
    statusBar()->addPermanentWidget(connectProgress_);
    statusBar()->addPermanentWidget(statusRight_);
    statusBar()->setSizeGripEnabled(false);

    retryWindow_ = new FrmshowInfo(scale, ctx_.LanguageFlag, this);
    altProbe_ = new AltKeyProbe(this);
    commThread_->setHooks(retryWindow_, this, altProbe_);
    connect(retryWindow_, &FrmshowInfo::giveUpRequested, commThread_.get(), &CommThread::giveUp);
    connect(commThread_.get(), &CommThread::retryingDevice, this, &MainWindow::onRetrying);
    connect(commThread_.get(), &CommThread::jobFinished, retryWindow_, &FrmshowInfo::hide);

    timerVuMeter_ = new QTimer(this);
    timerVuMeter_->setObjectName(QStringLiteral("TimerVuMeter"));
    timerVuMeter_->setInterval(100);
    timerCheckEqGrp_ = new QTimer(this);
    timerCheckEqGrp_->setObjectName(QStringLiteral("TimerCheckEQGrp"));
    timerCheckEqGrp_->setInterval(3000);
    connect(timerVuMeter_, &QTimer::timeout, this, &MainWindow::onVuMeterTick);
    connect(timerCheckEqGrp_, &QTimer::timeout, this, &MainWindow::checkGroups);

    connect(toolArea_, &ToolArea::addClicked, this, &MainWindow::addDevice);
    connect(toolArea_, &ToolArea::searchClicked, this, &MainWindow::searchDevices);
    connect(toolArea_, &ToolArea::connectAllClicked, this, &MainWindow::connectAllDevices);
    connect(toolArea_, &ToolArea::saveClicked, this, &MainWindow::saveProject);
    connect(toolArea_, &ToolArea::loadClicked, this, &MainWindow::loadProject);
    connect(toolArea_, &ToolArea::groupClicked, this, &MainWindow::addGroup);
    connect(toolArea_, &ToolArea::languageClicked, this, &MainWindow::switchLanguage);
    connect(tileArea_, &TileArea::tileDropped, this, &MainWindow::moveTile);

    runModal_ = [](QDialog& dialog) { return dialog.exec(); };
    pickFile_ = [this](bool save, const QString& folder, const QString& filter) {
        return save ? QFileDialog::getSaveFileName(this, QString(), folder, filter)
                    : QFileDialog::getOpenFileName(this, QString(), folder, filter);
    };
    resize(Px(scale, 1180), Px(scale, 760));
    retranslate();
}

MainWindow::~MainWindow() {
    timerVuMeter_->stop();
    // The communication thread goes first: its jobs use the connector, the poll and the hooks.
    commThread_.reset();
    // The edit windows are children: close them while the bookkeeping they report to still exists.
    closeEditWindows();
    closeGroupWindows();
}

void MainWindow::closeEditWindows() {
    const auto windows = std::exchange(editWindows_, {});
    for (const auto& [slot, window] : windows) {
        if (!window) continue;
        window->disconnect(this);
        delete window.data();
        CloseEditWindow(ctx_, slot);
    }
}

void MainWindow::load() {
    if (!comm::IsOk(comm().network().TcpInit(comm::kMainNetworkSlots))) Tell(prompter_, ctx_.LanguageFlag, texts::kWrongTcpInit);
    if (startNetworkServices_) {
        // Announces are received now; what they do arrives with the discovery work.
        listener_ = std::make_unique<comm::AnnounceListener>([](const comm::DeviceAnnounce&) {});
        if (!comm::IsOk(listener_->start())) listener_.reset();
        startBridge();
    }
    presets_.load(ctx_.dataDir);
    TellSessionProblem(prompter_, ctx_.LanguageFlag, LoadSessionProject(ctx_, paths_));
    MarkRestoredDevicesOffline(ctx_);
    createTiles();
    openGroupWindows();
    timerVuMeter_->start();
    timerCheckEqGrp_->start();
}

void MainWindow::setFirstPaintHook(std::function<void()> hook) { tileArea_->setFirstPaintHook(std::move(hook)); }

DeviceTile* MainWindow::tile(int slot) const { return tileArea_->tile(slot); }

EditWindow* MainWindow::editWindow(int slot) const {
    const auto it = editWindows_.find(slot);
    return it == editWindows_.end() ? nullptr : it->second.data();
}

void MainWindow::createTiles() {
    tileArea_->removeAll();
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot) {
        if (!ctx_.device(slot).isPresent()) continue;
        // A record without a place on the grid (found by a search, or from an old file) gets one.
        if (ctx_.device(slot).TilePos < 0 || ctx_.device(slot).TilePos > 99) AssignTilePos(ctx_, slot);
        DeviceTile* tile = tileArea_->addTile(slot);
        ctx_.device(slot).TileWindow = slot;
        connect(tile, &DeviceTile::connectRequested, this, &MainWindow::toggleConnection);
        connect(tile, &DeviceTile::editRequested, this, &MainWindow::openEditWindow);
        connect(tile, &DeviceTile::removeRequested, this, &MainWindow::removeDevice);
        connect(tile, &DeviceTile::firmwareRequested, this, &MainWindow::openFirmwareWindow);
        connect(tile, &DeviceTile::driftRequested, this, [this](int s) { openDriftWindow({s}); });
        connect(tile, &DeviceTile::lockRequested, this,
                [this](int s, int mode) { openLockWindow(s, static_cast<device::LockMode>(mode)); });
    }
    updateCounts();
}

void MainWindow::refreshAll() {
    tileArea_->refreshAll();
    updateCounts();
}

void MainWindow::updateCounts() {
    int listed = 0, online = 0;
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot) {
        listed += ctx_.device(slot).isPresent() ? 1 : 0;
        online += ctx_.device(slot).isPresent() && ctx_.device(slot).isConnected() ? 1 : 0;
    }
    toolArea_->setCounts(listed, online, ctx_.LanguageFlag);
}

void MainWindow::retranslate() {
    const int lang = ctx_.LanguageFlag;
    setWindowTitle(QStringLiteral("Plenum %1").arg(QString::fromLatin1(kVersionText)));
    toolArea_->retranslate(lang, Q(LanguageLabel(ctx_)));
    tileArea_->setEmptyHint(Pick(captions::kEmptyHint, lang));
    retryWindow_->retranslate(lang);
    QString left = Q(FillText(captions::kDataFolder.pick(lang), {paths_.root().string()}));
    if (demoPort_ != 0)
        left = Q(FillText(captions::kDemoMode.pick(lang), {std::to_string(demoPort_)})) + QStringLiteral("      ") + left;
    statusLeft_->setText(left);
    refreshAll();
}

void MainWindow::showStatus(const QString& text) { statusBar()->showMessage(text, 6000); }

void MainWindow::switchOffline(int slot) { refreshTile(slot); }

void MainWindow::tileOnline(int slot, bool) {
    QMetaObject::invokeMethod(this, [this, slot] { refreshTile(slot); }, Qt::QueuedConnection);
}

void MainWindow::refreshTile(int slot) {
    if (DeviceTile* tile = tileArea_->tile(slot)) {
        if (!ctx_.device(slot).isConnected()) tile->setLevels({});
        tile->refresh();
    }
    updateCounts();
    // A member's "ON-LINE" / "OFF-LINE" in its group window.
    refreshGroupWindows();
}

// ---- Tool area -------------------------------------------------------------------------------

void MainWindow::addDevice() {
    holdWire();
    addDeviceHeld();
    releaseWire();
}

void MainWindow::addDeviceHeld() {
    const auto slot = BeginAddDevice(ctx_, prompter_);
    if (!slot) return;
    const InitCfg cfg = LoadInitCfg(paths_);
    Octets initial{192, 168, 1, 100};
    if (cfg.fromOctet(0) != 0)
        for (int i = 0; i < 4; ++i) initial[static_cast<std::size_t>(i)] = ClampOctet(i, cfg.fromOctet(i));
    AddDeviceDialog dialog(ctx_, prompter_, *slot, initial, this);
    if (runModal_(dialog) != QDialog::Accepted || !ctx_.device(*slot).isPresent()) return;
    AssignTilePos(ctx_, *slot);
    createTiles();
}

void MainWindow::searchDevices() {
    if (searchNetwork_ == nullptr) {
        ownSearchNetwork_ = std::make_unique<comm::AsioNetworkTransport>(comm::kSearchNetworkSlots);
        searchNetwork_ = ownSearchNetwork_.get();
    }
    comm::DeviceSearch search(ctx_, paths_, *searchNetwork_, prompter_, devicePort_, timeouts_);
    if (!search.open()) return;
    // The meter poll and the group check keep off the links while the window is open.
    holdWire();
    {
        SearchWindow window(ctx_, search, this);
        runModal_(window);
    }
    mergeFoundDevicesHeld();
    releaseWire();
}

void MainWindow::openFirmwareWindow(int slot) {
    if (!ctx_.device(slot).isPresent()) return;
    // The load runs on the communication thread; no other job and no meter poll runs while the
    // window is open.
    holdWire();
    {
        FirmwareWindow window(ctx_, *commThread_, *fwLoader_, prompter_, slot, this);
        runModal_(window);
    }
    releaseWire();
    refreshTile(slot);
}

void MainWindow::mergeFoundDevices() {
    holdWire();
    mergeFoundDevicesHeld();
    releaseWire();
}

void MainWindow::mergeFoundDevicesHeld() {
    if (!MergeFoundDevices(ctx_, prompter_).empty()) createTiles();
}

void MainWindow::saveProject() {
    const QString file = pickFile_(true, Q(paths_.projectDir().string()), Pick(texts::kProjectFileFilter, ctx_.LanguageFlag));
    if (file.isEmpty()) return;
    std::filesystem::path path = file.toStdString();
    if (path.extension() != ".prj") path += ".prj";
    const int lang = ctx_.LanguageFlag;
    if (const std::error_code error = SaveProject(ctx_, path))
        showStatus(Q(FillText(captions::kProjectSaveFailed.pick(lang), {error.message()})));
    else
        showStatus(Q(FillText(captions::kProjectSaved.pick(lang), {path.string()})));
}

void MainWindow::loadProject() {
    const QString file = pickFile_(false, Q(paths_.projectDir().string()), Pick(texts::kProjectFileFilter, ctx_.LanguageFlag));
    if (file.isEmpty()) return;
    holdWire();
    if (LoadProject(ctx_, prompter_, file.toStdString())) {
        // The edit windows showed devices of the list that was just replaced.
        closeEditWindows();
        // The loaded list replaces the old one: its links are not open, so every device is off-line.
        comm::NetworkTransport& network = comm().network();
        for (int slot = 0; slot < comm::kMainNetworkSlots; ++slot)
            if (network.TcpIsConnected(slot)) network.TcpClose(slot);
        MarkRestoredDevicesOffline(ctx_);
        createTiles();
        openGroupWindows();
    }
    releaseWire();
}

void MainWindow::switchLanguage() {
    if (!SwitchLanguage(ctx_, prompter_, paths_)) return;
    retranslate();
    // The group windows are built in the language of their opening: open them again.
    openGroupWindows();
}

// ---- Tiles -----------------------------------------------------------------------------------

void MainWindow::openEditWindow(int slot) {
    switch (OpenEditWindow(ctx_, slot, slot)) {
        case EditWindowResult::TooMany: {
            FrmMaxWinOpen notice(ctx_.ScreenScale, ctx_.LanguageFlag, this);
            runModal_(notice);
            return;
        }
        case EditWindowResult::AlreadyOpen:
            if (EditWindow* window = editWindow(slot)) {
                window->raise();
                window->activateWindow();
            }
            return;
        case EditWindowResult::Opened: break;
    }
    EditWindowDeps deps{ctx_, slot, *editSink_, prompter_, &meterPoll_->table(),
                        [this](bool save, const QString& folder, const QString& filter) {
                            return pickFile_(save, folder, filter);
                        }};
    deps.thread = commThread_.get();
    deps.runModal = [this](QDialog& dialog) { return runModal_(dialog); };
    deps.refreshDevice = [this](int other) { refreshWindow(other); };
    EditWindow* window = ctx_.device(slot).isSub() ? static_cast<EditWindow*>(new FrmEditSub(deps, this))
                                                   : static_cast<EditWindow*>(new FrmEditSat(deps, this));
    // Form_Activate: the window's device becomes the current device.
    connect(window, &EditWindow::activated, this, [this](int active) { currentDevice_ = active; });
    connect(window, &EditWindow::firWindowRequested, this, &MainWindow::openFirWindow);
    editWindows_[slot] = window;
    showKeptIr(*window, slot);
    // A slot has one edit window at a time (EditOpen), and closeEditWindows disconnects the windows
    // it deletes, so the closing window is the slot's registered one.
    connect(window, &QObject::destroyed, this, [this, slot] {
        CloseEditWindow(ctx_, slot);
        editWindows_.erase(slot);
    });
    window->show();
}

void MainWindow::moveTile(int slot, int position) {
    if (position < 0 || position > 99 || !ctx_.device(slot).isPresent()) return;
    // A tile lands only on a free cell; dropping on another tile leaves both where they were.
    for (int other = kFirstUserSlot; other <= kLastUserSlot; ++other)
        if (other != slot && ctx_.device(other).isPresent() && ctx_.device(other).TilePos == position) return;
    ctx_.device(slot).TilePos = static_cast<std::int16_t>(position);
    tileArea_->refreshAll();
}

// ---- Timers and exit -------------------------------------------------------------------------

void MainWindow::onVuMeterTick() {
    if (listener_) listener_->poll();
    if (bridge_) bridge_->poll();
    pollMeters();
}

// Called by the read-back after a panel event and by the connection routine, on the
// communication thread: the windows are redrawn on this one.
void MainWindow::refreshWindow(int slot) {
    QMetaObject::invokeMethod(
        this,
        [this, slot] {
            refreshTile(slot);
            if (EditWindow* window = editWindow(slot)) window->reloadFromDevice();
        },
        Qt::QueuedConnection);
}

void MainWindow::reloadEditWindow(int slot) {
    QMetaObject::invokeMethod(
        this,
        [this, slot] {
            if (EditWindow* window = editWindow(slot)) window->reloadFromDevice();
        },
        Qt::QueuedConnection);
}

// The link fan-out wrote into a linked device's image; it runs on this thread (PostingEditSink).
void MainWindow::refreshFromImage(int slot) {
    if (EditWindow* window = editWindow(slot)) window->refreshFromImage();
}

}  // namespace plenum::ui
