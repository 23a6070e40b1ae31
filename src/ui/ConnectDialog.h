// FrmConnect: the connection dialog. Opened for one tile's device or for every listed device, it
// asks which way the settings go ("Load current settings to Device" or "Read current settings
// from Device") and on OK runs the connector, which shows its own messages. CommBusy is set while
// the dialog exists, so the meter poll and the group check keep away from the link being opened.
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
    ConnectDialog(AppContext& ctx, comm::DeviceConnector& connector, int slot, QWidget* parent = nullptr);
    ~ConnectDialog() override;

    bool allDevices() const { return slot_ == kAllDevices; }
    QRadioButton* loadOption() const { return load_; }
    QRadioButton* readOption() const { return read_; }
    UCButton* okButton() const { return ok_; }
    comm::TransferDirection direction() const;
    // OK: connects (one device or all) and closes the dialog. Returns the slots now on-line.
    std::vector<int> connectNow();
    const std::vector<int>& connected() const { return connected_; }

  private:
    AppContext& ctx_;
    comm::DeviceConnector& connector_;
    int slot_;
    QRadioButton* load_;
    QRadioButton* read_;
    UCButton* ok_;
    std::vector<int> connected_;
};

}  // namespace plenum::ui
