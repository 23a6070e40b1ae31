// The tour's visit of the edit windows: a satellite with a moved input band and its crossover,
// a subwoofer with a shaped output, the meters after a few polls, the phase view.
#include <QApplication>
#include <QTabBar>

#include "ui/EditWindow.h"
#include "ui/MainWindow.h"
#include "ui/Tour.h"

namespace plenum::ui {
namespace {

using device::Control;
using device::EditController;

int SlotOf(const AppContext& ctx, const std::string& host) {
    for (int slot = kFirstUserSlot; slot <= kLastUserSlot; ++slot)
        if (ctx.device(slot).isPresent() && ctx.device(slot).Address == host) return slot;
    return -1;
}

int SlopeIndex(const EditController& controller, std::string_view name) {
    const auto menu = controller.slopeMenu();
    for (std::size_t i = 0; i < menu.size(); ++i)
        if (menu[i] == name) return static_cast<int>(i);
    return 0;
}

// The page's equaliser on, and one band set to a bell.
void ShapeBand(EditController& c, int band, const char* hz, const char* q, const char* db) {
    c.selectBand(band);
    if (c.state(Control::EqBypass).checked) c.toggle(Control::EqBypass);
    c.choose(Control::EqType, 0);
    c.enterText(Control::EqFreq, hz);
    c.enterText(Control::EqQ, q);
    c.enterText(Control::EqGain, db);
}

// A band moved on the graph as a drag would: press, a few movements, release.
void DragBand(EditController& c, int band, double hz, double db) {
    c.graphPress(band);
    for (int i = 1; i <= 4; ++i) c.graphMove(hz * i / 4 + 500.0 * (4 - i) / 4, db * i / 4);
    c.graphRelease();
}

void PollMeters(MainWindow& window) {
    for (int i = 0; i < 4; ++i) {
        window.pollMeters();
        QApplication::processEvents();
    }
}

}  // namespace

void Tour::editStep(MainWindow& window, bool english) {
    const QString suffix = english ? QString() : QStringLiteral("-chinese");
    const int sat = SlotOf(ctx_, "127.0.0.2");
    const int sub = SlotOf(ctx_, "127.0.0.4");
    if (sat > 0 && ctx_.device(sat).isConnected()) {
        window.openEditWindow(sat);
        if (EditWindow* edit = window.editWindow(sat)) {
            EditController& c = edit->controller();
            if (english) {
                // From the loudspeaker's factory program on.
                prompter_.expect(QStringLiteral("edit-sat-recall-factory-question"));
                c.recallFactory();
                // The crossover at 1.2 kHz, Linkwitz-Riley 24 dB/oct on both ways.
                edit->pages().setCurrentIndex(1);
                c.choose(Control::XoverLpSlope, SlopeIndex(c, "-24dB/oct LR"));
                c.enterText(Control::XoverLpFreq, "1200");
                edit->pages().setCurrentIndex(2);
                c.choose(Control::XoverHpSlope, SlopeIndex(c, "-24dB/oct LR"));
                c.enterText(Control::XoverHpFreq, "1200");
                ShapeBand(c, 51, "3500", "2.0", "-3");
                // The input page: a low-frequency lift, and a band dragged to a presence dip.
                edit->pages().setCurrentIndex(0);
                ShapeBand(c, 0, "90", "1.0", "4");
                ShapeBand(c, 1, "500", "1.4", "0");
                DragBand(c, 1, 2500, -5);
            }
            edit->pages().setCurrentIndex(0);
            c.selectBand(1);
            edit->pages().setCurrentIndex(0);
            edit->show();
            PollMeters(window);
            camera_.shoot(*edit, QStringLiteral("edit-sat-input") + suffix);
            edit->pages().setCurrentIndex(2);
            PollMeters(window);
            camera_.shoot(*edit, QStringLiteral("edit-sat-crossover") + suffix);
            edit->setPhaseView(true);
            camera_.shoot(*edit, QStringLiteral("edit-sat-phase") + suffix);
            edit->setPhaseView(false);
            edit->close();
        }
    }
    if (sub > 0 && ctx_.device(sub).isConnected()) {
        window.openEditWindow(sub);
        if (EditWindow* edit = window.editWindow(sub)) {
            EditController& c = edit->controller();
            edit->pages().setCurrentIndex(1);
            if (english) {
                prompter_.expect(QStringLiteral("edit-sub-recall-factory-question"));
                c.recallFactory();
                c.choose(Control::XoverLpSlope, SlopeIndex(c, "-24dB/oct LR"));
                c.enterText(Control::XoverLpFreq, "100");
                ShapeBand(c, 5, "45", "1.4", "3");
                DragBand(c, 5, 60, 4.5);
            }
            edit->show();
            PollMeters(window);
            camera_.shoot(*edit, QStringLiteral("edit-sub") + suffix);
            edit->close();
        }
    }
    QApplication::processEvents();
}

}  // namespace plenum::ui
