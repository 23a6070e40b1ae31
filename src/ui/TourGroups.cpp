// The tour's visit of the groups: the chooser filled for the demo's stereo pair and subwoofer, the
// group window with a shaped equaliser on its graph, and the drift window listing a change made on
// a loudspeaker behind the application's back.
#include <QApplication>
#include <QDialog>

#include "groups/GroupEditor.h"
#include "sim/Simulator.h"
#include "ui/DriftWindow.h"
#include "ui/GroupWindow.h"
#include "ui/MainWindow.h"
#include "ui/SelGroupDialog.h"
#include "ui/Tour.h"

namespace plenum::ui {
namespace {

int HostSlot(const AppContext& ctx, const std::string& host) {
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot)
        if (ctx.device(slot).isPresent() && ctx.device(slot).Address == host) return slot;
    return -1;
}

void Pump(MainWindow& window) {
    window.settle();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

}  // namespace

void Tour::groupStep(MainWindow& window, sim::Simulator& simulator, bool english) {
    const QString suffix = english ? QString() : QStringLiteral("-chinese");
    const int left = HostSlot(ctx_, "127.0.0.2");
    const int right = HostSlot(ctx_, "127.0.0.5");
    const int sub = HostSlot(ctx_, "127.0.0.4");
    if (left <= 0 || right <= 0 || sub <= 0) return;

    if (english) {
        // "Add Group": the chooser with the pair and the subwoofer, then the synchronisation warning.
        window.setModalRunner([&](QDialog& dialog) {
            auto& chooser = static_cast<SelGroupDialog&>(dialog);
            chooser.setWithSub(true);
            chooser.choose(GroupRole::Left, left);
            chooser.choose(GroupRole::Right, right);
            chooser.choose(GroupRole::Sub, sub);
            chooser.setGroupName(QStringLiteral("MAIN PA"));
            dialog.show();
            camera_.shootOver(window, dialog, QStringLiteral("group-chooser"));
            prompter_.expect(QStringLiteral("group-sync-warning"));
            chooser.tryAdd();
            dialog.hide();
            return dialog.result();
        });
        window.addGroup();
        Pump(window);
    } else {
        // The same chooser re-membering the group, in Chinese (cancelled).
        for (int g = 0; g < kGroupCount; ++g) {
            if (!ctx_.groups[static_cast<std::size_t>(g)].isInUse()) continue;
            SelGroupDialog chooser(ctx_, prompter_, window.groupSink(), g, true, nullptr, &window);
            chooser.show();
            camera_.shootOver(window, chooser, QStringLiteral("group-chooser") + suffix);
            chooser.hide();
            break;
        }
    }

    int group = -1;
    for (int g = 0; g < kGroupCount && group < 0; ++g)
        if (ctx_.groups[static_cast<std::size_t>(g)].isInUse() && window.groupWindow(g)) group = g;
    if (group < 0) return;
    GroupWindow& groupWindow = *window.groupWindow(group);
    if (english) {
        // A venue curve over all five bands: a low lift, a cut in the low mids, two flat bands
        // parked where they are easy to find, and a gentle presence lift.
        GroupEditor& editor = groupWindow.editor();
        struct Band {
            double hz, q, db;
        };
        const Band bands[] = {{80.0, 0.7, 3.0}, {315.0, 1.4, -4.5}, {1000.0, 1.0, 0.0}, {3150.0, 1.0, 2.0}, {10000.0, 1.0, 0.0}};
        for (int b = 0; b < kGroupBands; ++b) {
            const Band& band = bands[b];
            editor.setBand(b, {.type = 0, .frequencyHz = band.hz, .q = band.q, .gainDb = band.db, .bypass = false});
        }
        editor.setGainText("-3");
        editor.setDelayText(false, "4.5");
        editor.setDelayText(true, "6.25");
        groupWindow.selectBand(1);
        Pump(window);
    }
    groupWindow.resize(groupWindow.sizeHint().expandedTo(QSize(760, 640)));
    groupWindow.refresh();
    camera_.shootOver(window, groupWindow, QStringLiteral("group-window") + suffix);

    // Another client turns the left cabinet's input gain down behind the application's back.
    for (std::size_t i = 0; i < simulator.size(); ++i) {
        if (simulator.device(i).config().host != "127.0.0.2") continue;
        simulator.device(i).writeMemory(384 + 20, std::vector<std::uint8_t>{english ? std::uint8_t{119} : std::uint8_t{107}});
    }
    DriftWindow* drift = window.openDriftWindow(GroupMembers(ctx_.groups[static_cast<std::size_t>(group)]));
    Pump(window);
    camera_.shootOver(window, *drift, QStringLiteral("drift-window") + suffix);
    // The project's value goes back to the loudspeaker.
    if (!drift->rows().empty()) drift->keepProject(0);
    Pump(window);
    drift->close();
    Pump(window);
}

}  // namespace plenum::ui
