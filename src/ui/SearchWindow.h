// The search window: this computer's address, the range to probe (From: four octet boxes, To: the
// last octet), OK to search and Cancel to close. The rules and the scan are comm::DeviceSearch's;
// the window shows its progress, lists what answered and keeps OK and Cancel disabled for the
// 20 s guard after a search is started, so a second scan cannot overlap the first one's
// connections. The main window merges the found devices when the window closes.
#pragma once

#include <QDialog>
#include <array>
#include <string>
#include <vector>

#include "comm/Discovery.h"
#include "core/AppContext.h"

class QLabel;
class QTreeWidget;
class QTimer;

namespace plenum::ui {

class UCButton;
class UCTextUpDown;

class SearchWindow final : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kGuardMs = 20000;

    // `search` has been opened (its From / To come from init.cfg, FoundTable is clear).
    SearchWindow(AppContext& ctx, comm::DeviceSearch& search, QWidget* parent = nullptr);

    UCTextUpDown* fromBox(int position) const { return from_[static_cast<std::size_t>(position)]; }
    UCTextUpDown* toBox() const { return to_; }
    UCButton* okButton() const { return ok_; }
    UCButton* cancelButton() const { return cancel_; }
    QLabel* hostLabel() const { return host_; }
    QLabel* statusLabel() const { return status_; }
    QLabel* addressLabel() const { return address_; }
    QTimer* guardTimer() const { return guard_; }
    QTreeWidget* foundList() const { return found_; }
    bool searching() const { return searching_; }

    // OK: takes the boxes into the search, disables both buttons, starts the guard and scans
    // (the window repaints while it waits). Returns the number of devices found.
    int startSearch();
    // The guard timer's end: both buttons usable again, the search finished.
    void guardElapsed();
    // Cancel; Escape and the close box wait for the guard as the button does.
    void reject() override;

  private:
    void showFound();

    AppContext& ctx_;
    comm::DeviceSearch& search_;
    std::array<UCTextUpDown*, 4> from_{};
    UCTextUpDown* to_;
    QLabel* host_;
    QLabel* status_;
    QLabel* address_;
    QTreeWidget* found_;
    UCButton* ok_;
    UCButton* cancel_;
    QTimer* guard_;
    bool searching_ = false;
};

}  // namespace plenum::ui
