// FrmConnect: the connection dialog. Opened for one tile's device or for every listed device, it
// asks which way the settings go ("Load current settings to Device" or "Read current settings
// from Device"); on OK the main window posts the connection to the communication thread, where the
// connector shows its own messages. CommBusy is set while the dialog exists, so the meter poll and
// the group check keep away from the link about to be opened.
#pragma once

#include <QDialog>
#include <vector>

#include "comm/Connection.h"
#include "core/AppContext.h"

class QRadioButton;

namespace plenum::ui {

class UCButton;

class ConnectDialog final : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kAllDevices = -1;

    // `slot` is the tile's device, or kAllDevices.
    ConnectDialog(AppContext& ctx, int slot, QWidget* parent = nullptr);
    ~ConnectDialog() override;

    bool allDevices() const { return slot_ == kAllDevices; }
    QRadioButton* loadOption() const { return load_; }
    QRadioButton* readOption() const { return read_; }
    UCButton* okButton() const { return ok_; }
    comm::TransferDirection direction() const;
    // OK: accepts the dialog with the chosen direction; the caller connects.
    void connectNow();

  private:
    AppContext& ctx_;
    int slot_;
    QRadioButton* load_;
    QRadioButton* read_;
    UCButton* ok_;
};

}  // namespace plenum::ui
