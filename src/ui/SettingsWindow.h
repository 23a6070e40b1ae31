// FrmSettingsSAT / FrmSettingsSUB as one view over device::DeviceSettingsWindow: the SUB window
// is the same without the bridge, load and boost section; the wireless sections and the boost
// show only when FwFeatureFlag is set. Apply and Reset are posted to the communication thread.
#pragma once

#include <QDialog>
#include <array>
#include <memory>

#include "device/DeviceSettings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace plenum::ui {

class CommThread;

class SettingsWindow final : public QDialog {
    Q_OBJECT
  public:
    // The section's boxes: mode, IP, mask, gateway, and for the wireless sections SSID, key,
    // security and channel.
    struct SectionBoxes {
        QGroupBox* group = nullptr;
        QComboBox* mode = nullptr;
        QLineEdit* ip = nullptr;
        QLineEdit* mask = nullptr;
        QLineEdit* gateway = nullptr;
        QLineEdit* ssid = nullptr;
        QLineEdit* key = nullptr;
        QComboBox* security = nullptr;
        QSpinBox* channel = nullptr;
    };

    SettingsWindow(CommThread& thread, int slot, bool fwFeatureFlag, QWidget* parent = nullptr);
    ~SettingsWindow() override;

    const SectionBoxes& section(device::NetSection which) const { return sections_[static_cast<std::size_t>(which)]; }
    QComboBox* recallMode() const { return recall_; }
    QCheckBox* bridgeBox() const { return bridge_; }
    QCheckBox* boostBox() const { return boost_; }
    QPushButton* applyButton() const { return apply_; }
    QPushButton* resetButton() const { return reset_; }
    QGroupBox* amplifierGroup() const { return amplifier_; }

    // LabelApply: every section that differs from the device is applied in turn.
    void apply();
    // LabelReset: the group block reset.
    void resetGroup();
    // Closing waits for a running apply (its questions are still to be answered).
    void reject() override;

  private:
    void fill();
    void showLoadCaptions(bool bridge);
    QString text(const char* en, const char* zh) const;

    CommThread& thread_;
    int slot_;
    std::unique_ptr<device::DeviceSettingsWindow> settings_;
    std::array<SectionBoxes, 3> sections_;
    QCheckBox* sleep_;
    QComboBox* sleepTime_;
    QCheckBox* standby_;
    QComboBox* standbyTime_;
    QComboBox* recall_;
    QGroupBox* amplifier_;
    QCheckBox* bridge_;
    QComboBox* loadLow_;
    QComboBox* loadHigh_;
    QLabel* loadLowLabel_;
    QLabel* loadHighLabel_;
    QCheckBox* boost_;
    QLineEdit* oldPassword_;
    QLineEdit* newPassword_;
    QCheckBox* adminPassword_;
    QPushButton* apply_;
    QPushButton* reset_;
    bool running_ = false;
    bool closing_ = false;
};

}  // namespace plenum::ui
