#include "ui/Tour.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <cstdio>

#include "comm/DeviceComm.h"
#include "sim/Simulator.h"
#include "comm/FirmwareImage.h"
#include "ui/AddDeviceDialog.h"
#include "ui/ConnectDialog.h"
#include "ui/FirmwareWindow.h"
#include "ui/SearchWindow.h"
#include "ui/Controls.h"
#include "ui/MainWindow.h"
#include "ui/QtPrompter.h"
#include "ui/EditWindow.h"
#include "ui/SmallWindows.h"
#include "core/Registry.h"
#include "ui/Theme.h"

namespace plenum::ui {
namespace {

void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

int SlotOfHost(const AppContext& ctx, const std::string& host) {
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot)
        if (ctx.device(slot).isPresent() && ctx.device(slot).Address == host) return slot;
    return -1;
}

}  // namespace

// ---- TourCamera ------------------------------------------------------------------------------

TourCamera::TourCamera(const QString& folder, double screenScale) : dir_(folder), scale_(screenScale) {
    dir_.mkpath(QStringLiteral("."));
}

void TourCamera::write(const QPixmap& picture, const QString& name) {
    const QString path = dir_.absoluteFilePath(QStringLiteral("%1-%2.png").arg(++step_, 2, 10, QLatin1Char('0')).arg(name));
    if (picture.save(path))
        std::printf("%s\n", path.toLocal8Bit().constData());
    else
        std::fprintf(stderr, "plenum: could not write %s\n", path.toLocal8Bit().constData());
    std::fflush(stdout);
}

void TourCamera::shoot(QWidget& widget, const QString& name) {
    Settle();
    write(widget.grab(), name);
}

void TourCamera::shootOver(QWidget& main, QWidget& overlay, const QString& name) {
    Settle();
    QPixmap picture = main.grab();
    const QPixmap top = overlay.grab();
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(picture.rect(), QColor(0, 0, 0, 110));
    // Offscreen windows have no frame: draw a title bar so the window's title shows.
    const int bar = Px(scale_, 28);
    const QRect body(QPoint((picture.width() - top.width()) / 2, (picture.height() - top.height() + bar) / 2), top.size());
    const QRect frame = body.adjusted(-1, -bar, 1, 1);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 90));
    painter.drawRoundedRect(frame.translated(0, Px(scale_, 6)).adjusted(-6, -6, 6, 6), 10, 10);
    painter.setBrush(colours::kRaised);
    painter.setPen(colours::kBorder);
    painter.drawRoundedRect(frame, 6, 6);
    painter.drawPixmap(body.topLeft(), top);
    painter.setPen(colours::kText);
    painter.setFont(UiFont(scale_, 9.5, true));
    painter.drawText(QRect(frame.left() + Px(scale_, 12), frame.top(), frame.width(), bar), Qt::AlignVCenter,
                     overlay.windowTitle());
    painter.end();
    write(picture, name);
}

// ---- TourPrompter ----------------------------------------------------------------------------

bool TourPrompter::present(Icon icon, const std::string& title, const std::string& text, bool question) {
    Line line{QStringLiteral("message"), true};
    if (!script_.empty()) {
        line = script_.front();
        script_.pop_front();
    }
    QMessageBox* box = MakeMessageBox(backdrop_, icon, title, text, question, ctx_.LanguageFlag, ctx_.ScreenScale);
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    box->show();
    if (backdrop_)
        camera_.shootOver(*backdrop_, *box, line.name);
    else
        camera_.shoot(*box, line.name);
    box->hide();
    delete box;
    return line.answer;
}

void TourPrompter::showMessage(Icon icon, const std::string& title, const std::string& text) {
    present(icon, title, text, false);
}

bool TourPrompter::askYesNo(Icon icon, const std::string& title, const std::string& text) {
    return present(icon, title, text, true);
}

// ---- Tour ------------------------------------------------------------------------------------

Tour::Tour(const QString& folder, AppContext& ctx) : ctx_(ctx), camera_(folder, ctx.ScreenScale), prompter_(camera_, ctx) {}

void Tour::shootStartup(QWidget& splash) { camera_.shoot(splash, QStringLiteral("startup")); }

void Tour::attach(MainWindow& window) {
    prompter_.setBackdrop(&window);
    window.resize(Px(ctx_.ScreenScale, 1240), Px(ctx_.ScreenScale, 1070));  // four rows of tiles
}

void Tour::run(MainWindow& window, sim::Simulator& simulator) {
    camera_.shoot(window, QStringLiteral("main-window-listed"));

    // Search the demo's range: the listed loudspeakers are skipped, the fourth one answers.
    searchStep(window, true);
    camera_.shoot(window, QStringLiteral("main-window-after-search"));

    // One loudspeaker from its tile, reading its settings; then all the others at once.
    const int mainLeft = SlotOfHost(ctx_, "127.0.0.2");
    connectStep(window, mainLeft, QStringLiteral("connect-dialog"), true);
    connectStep(window, ConnectDialog::kAllDevices, QStringLiteral("connect-all-dialog"), true);
    for (int tick = 0; tick < 6; ++tick) {
        window.pollMeters();
        window.settle();
        Settle();
    }
    camera_.shoot(window, QStringLiteral("main-window-online-meters"));

    groupStep(window, simulator, true);

    // Add a cabinet by hand on the LAN, then try the same model again.
    auto addByHand = [&](int model, int variant, bool lan, const QString& picture, bool expectAdded) {
        window.setModalRunner([&](QDialog& dialog) {
            auto& add = static_cast<AddDeviceDialog&>(dialog);
            add.selectModel(model, variant);
            add.selectNetwork(lan);
            if (lan) {
                add.octetBox(2)->typeText(QStringLiteral("1"));
                add.octetBox(3)->typeText(QStringLiteral("120"));
            }
            dialog.show();
            if (!picture.isEmpty()) camera_.shootOver(window, dialog, picture);
            if (!expectAdded) prompter_.expect(QStringLiteral("device-already-listed"));
            if (!add.tryAdd()) dialog.reject();
            dialog.hide();
            return dialog.result();
        });
        window.addDevice();
    };
    addByHand(8, 3, true, QStringLiteral("add-device-dialog"), true);
    camera_.shoot(window, QStringLiteral("main-window-added"));
    addByHand(8, 3, true, QString(), false);
    addByHand(11, 0, false, QString(), true);
    addByHand(10, 1, false, QString(), true);

    // Drag the subwoofer's tile to the next column (as a drop on that cell).
    const int sub = SlotOfHost(ctx_, "127.0.0.4");
    if (sub > 0) window.moveTile(sub, 1);

    // Disconnect one loudspeaker from its tile.
    const int fill = SlotOfHost(ctx_, "127.0.0.3");
    prompter_.expect(QStringLiteral("disconnect-question"));
    if (fill > 0) window.disconnectDevice(fill);
    window.settle();
    camera_.shoot(window, QStringLiteral("main-window-after-disconnect"));

    // The firmware window: Update without a file, then a LAN load into the loudspeaker just
    // disconnected. The demo's loudspeakers are on the network, so the tour shows the LAN build.
    if (fill > 0) firmwareStep(window, fill, true);

    // The reconnection window as the transaction shows it while a link is down.
    comm::RetryInfoWindow& retry = window.retryWindow();
    if (mainLeft > 0) window.retryWindow().setDevice(Q(DisplayName(ctx_, mainLeft)));
    retry.setLabel(FillText(texts::kReconnectionRetry.pick(ctx_.LanguageFlag), {"3"}));
    retry.show();
    camera_.shootOver(window, window.retryWindow(), QStringLiteral("reconnection-retry"));
    retry.hide();

    editStep(window, true);
    programStep(window, true);
    firStep(window, true);
    wizardStep(window, true);

    // Edit windows: five open, the sixth refused.
    std::vector<int> listed;
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot)
        if (ctx_.device(slot).isPresent()) listed.push_back(slot);
    for (std::size_t i = 0; i < listed.size() && i < 5; ++i) window.openEditWindow(listed[i]);
    if (!listed.empty() && window.editWindow(listed[0]))
        camera_.shootOver(window, *window.editWindow(listed[0]), QStringLiteral("edit-window"));
    window.setModalRunner([&](QDialog& dialog) {
        dialog.show();
        camera_.shootOver(window, dialog, QStringLiteral("sixth-edit-window-refused"));
        dialog.hide();
        return 0;
    });
    if (listed.size() > 5) window.openEditWindow(listed[5]);
    for (const int slot : listed)
        if (EditWindow* edit = window.editWindow(slot)) edit->close();
    Settle();

    // Remove refused while an edit window is open is covered by the tests; here: the question.
    prompter_.expect(QStringLiteral("remove-question"), false);
    if (!listed.empty()) window.removeDevice(listed.back());
    window.settle();

    // Chinese.
    prompter_.expect(QStringLiteral("language-question"));
    window.switchLanguage();
    camera_.shoot(window, QStringLiteral("main-window-chinese"));
    editStep(window, false);
    firStep(window, false);
    wizardStep(window, false);
    groupStep(window, simulator, false);
    programStep(window, false);
    window.setModalRunner([&](QDialog& dialog) {
        auto& add = static_cast<AddDeviceDialog&>(dialog);
        add.selectModel(10, 2);
        add.selectNetwork(true);
        dialog.show();
        camera_.shootOver(window, dialog, QStringLiteral("add-device-dialog-chinese"));
        dialog.hide();
        return 0;
    });
    window.addDevice();
    if (fill > 0) {
        prompter_.expect(QStringLiteral("remove-question-chinese"), false);
        window.removeDevice(fill);
        window.settle();
    }
    retry.setLabel(FillText(texts::kReconnectionRetry.pick(ctx_.LanguageFlag), {"7"}));
    window.retryWindow().retranslate(ctx_.LanguageFlag);
    retry.show();
    camera_.shootOver(window, window.retryWindow(), QStringLiteral("reconnection-retry-chinese"));
    retry.hide();
    searchStep(window, false);
    if (fill > 0) {
        connectStep(window, fill, QStringLiteral("connect-dialog-chinese"), false);
        firmwareStep(window, fill, false);
    }
    const int main = SlotOfHost(ctx_, "127.0.0.2");
    if (main > 0) {
        prompter_.expect(QStringLiteral("disconnect-question-chinese"), false);
        window.disconnectDevice(main);
        window.settle();
    }

    // Exit: the question, then command 15 to every on-line loudspeaker and the session saved.
    prompter_.expect(QStringLiteral("exit-question-chinese"));
    window.close();
    window.settle();
    int byes = 0;
    for (std::size_t i = 0; i < simulator.size(); ++i)
        for (const std::uint8_t code : simulator.device(i).receivedCodes()) byes += code == 15 ? 1 : 0;
    std::printf("exit: command 15 received by the simulated loudspeakers %d times; session saved: %s\n", byes,
                std::filesystem::exists(ctx_.dataDir / "tmpPrj.mgc") ? "yes" : "no");
    std::fflush(stdout);
}

void Tour::searchStep(MainWindow& window, bool search) {
    const QString suffix = search ? QString() : QStringLiteral("-chinese");
    window.setModalRunner([&](QDialog& dialog) {
        auto& searchWindow = static_cast<SearchWindow&>(dialog);
        const int octets[] = {127, 0, 0, 2};
        for (int i = 0; i < 4; ++i) searchWindow.fromBox(i)->setValue(octets[i]);
        searchWindow.toBox()->setValue(9);
        dialog.show();
        camera_.shootOver(window, dialog, QStringLiteral("search-window") + suffix);
        if (search) {
            searchWindow.startSearch();
            camera_.shootOver(window, dialog, QStringLiteral("search-window-found"));
            // The guard keeps the buttons for 20 s; the tour does not wait for it.
            searchWindow.guardElapsed();
        }
        dialog.hide();
        searchWindow.reject();
        return 0;
    });
    if (!search) prompter_.expect(QStringLiteral("no-new-device-chinese"));
    window.searchDevices();
}

void Tour::connectStep(MainWindow& window, int slot, const QString& picture, bool connect) {
    window.setModalRunner([&](QDialog& dialog) {
        dialog.show();
        camera_.shootOver(window, dialog, picture);
        dialog.hide();
        if (connect) static_cast<ConnectDialog&>(dialog).connectNow();
        return dialog.result();
    });
    if (slot == ConnectDialog::kAllDevices)
        window.connectAllDevices();
    else
        window.connectDevice(slot);
    // The dialog opens after the link check and the connection runs on the communication thread.
    window.settle();
}

void Tour::firmwareStep(MainWindow& window, int slot, bool load) {
    const QString suffix = load ? QString() : QStringLiteral("-chinese");
    const QString file = QDir(QDir::tempPath()).absoluteFilePath(QStringLiteral("plenum-demo-0.4.2.sfu"));
    {
        const std::vector<std::uint8_t> image(48 * 1024, 0x5A);
        const std::vector<std::uint8_t> bytes = comm::BuildSfu(comm::FirmwareKind::Satellite, {0, 4, 2}, image);
        QFile out(file);
        if (out.open(QIODevice::WriteOnly))
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    }
    const bool usbMode = ctx_.FwUsbMode;
    ctx_.FwUsbMode = false;
    window.setModalRunner([&](QDialog& dialog) {
        auto& firmware = static_cast<FirmwareWindow&>(dialog);
        dialog.show();
        camera_.shootOver(window, dialog, QStringLiteral("firmware-window") + suffix);
        if (load) {
            prompter_.expect(QStringLiteral("firmware-no-file"));
            firmware.Update_Click();
            firmware.setFilePicker([&](const QString&) { return file; });
            firmware.browse();
            prompter_.expect(QStringLiteral("firmware-loaded"));
            firmware.Update_Click();
            camera_.shootOver(window, dialog, QStringLiteral("firmware-window-after-load"));
        }
        dialog.hide();
        return 0;
    });
    window.openFirmwareWindow(slot);
    ctx_.FwUsbMode = usbMode;
    QFile::remove(file);
}

EditWindow* Tour::openDemoSatellite(MainWindow& window, int& slot) {
    slot = -1;
    for (int s = kFirstUserSlot; s <= kLastUserSlot; ++s)
        if (ctx_.device(s).isPresent() && ctx_.device(s).Address == "127.0.0.2") slot = s;
    if (slot <= 0 || !ctx_.device(slot).isConnected()) return nullptr;
    window.openEditWindow(slot);
    EditWindow* edit = window.editWindow(slot);
    if (edit != nullptr) edit->show();
    return edit;
}

}  // namespace plenum::ui
