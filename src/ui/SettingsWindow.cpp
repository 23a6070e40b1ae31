#include "ui/SettingsWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "core/DeviceState.h"
#include "ui/CommThread.h"

namespace plenum::ui {
namespace {

const char* const kTimes[] = {"3 Min.", "5 Min.", "10 Min.", "15 Min.", "30 Min.", "60 Min."};
const char* const kRecallModes[] = {"KEEP ACTUAL MUTES", "KEEP ACTUAL INPUT SOURCES", "KEEP ACTUAL INPUT GAIN"};

QComboBox* Combo(QWidget* parent, std::initializer_list<const char*> items) {
    auto* combo = new QComboBox(parent);
    for (const char* item : items) combo->addItem(item);
    return combo;
}

QComboBox* TimeCombo(QWidget* parent) {
    auto* combo = new QComboBox(parent);
    for (const char* item : kTimes) combo->addItem(item);
    return combo;
}

}  // namespace

SettingsWindow::SettingsWindow(CommThread& thread, int slot, bool fwFeatureFlag, QWidget* parent)
    : QDialog(parent), thread_(thread), slot_(slot),
      settings_(std::make_unique<device::DeviceSettingsWindow>(thread.comm(), thread.prompter(), slot, fwFeatureFlag)) {
    setObjectName(settings_->isSub() ? "FrmSettingsSUB" : "FrmSettingsSAT");
    auto* layout = new QGridLayout(this);
    const char* titles[] = {"LAN", "WLAN", "ACCESS POINT"};
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        SectionBoxes& s = sections_[i];
        s.group = new QGroupBox(titles[i], this);
        auto* grid = new QGridLayout(s.group);
        s.mode = i == 2 ? Combo(s.group, {"OFF", "ON"}) : Combo(s.group, {"STATIC IP", "DHCP"});
        s.ip = new QLineEdit(s.group);
        s.mask = new QLineEdit(s.group);
        s.gateway = new QLineEdit(s.group);
        grid->addWidget(s.mode, 0, 0, 1, 2);
        grid->addWidget(new QLabel("IP", s.group), 1, 0), grid->addWidget(s.ip, 1, 1);
        grid->addWidget(new QLabel("SUBNET MASK", s.group), 2, 0), grid->addWidget(s.mask, 2, 1);
        grid->addWidget(new QLabel("GATEWAY", s.group), 3, 0), grid->addWidget(s.gateway, 3, 1);
        if (i > 0) {
            s.ssid = new QLineEdit(s.group);
            s.key = new QLineEdit(s.group);
            s.security = Combo(s.group, {"WPA", "WPA2"});
            s.channel = new QSpinBox(s.group);
            s.channel->setRange(device::kMinChannel, device::kMaxChannel);
            s.channel->setPrefix("Channel ");
            grid->addWidget(new QLabel("SSID", s.group), 4, 0), grid->addWidget(s.ssid, 4, 1);
            grid->addWidget(new QLabel("KEY", s.group), 5, 0), grid->addWidget(s.key, 5, 1);
            grid->addWidget(s.security, 6, 0), grid->addWidget(s.channel, 6, 1);
            s.group->setVisible(settings_->offersWireless());
        }
        layout->addWidget(s.group, 0, static_cast<int>(i));
    }
    auto* power = new QGroupBox("POWER SAVE", this);
    auto* powerGrid = new QGridLayout(power);
    sleep_ = new QCheckBox("AUTO SLEEP MODE", power);
    sleepTime_ = TimeCombo(power);
    standby_ = new QCheckBox("AUTO STANDBY MODE", power);
    standbyTime_ = TimeCombo(power);
    powerGrid->addWidget(sleep_, 0, 0), powerGrid->addWidget(sleepTime_, 0, 1);
    powerGrid->addWidget(standby_, 1, 0), powerGrid->addWidget(standbyTime_, 1, 1);
    recall_ = new QComboBox(power);
    for (const char* mode : kRecallModes) recall_->addItem(mode);
    powerGrid->addWidget(recall_, 2, 0, 1, 2);
    layout->addWidget(power, 1, 0);

    amplifier_ = new QGroupBox("AMPLIFIER", this);
    auto* ampGrid = new QGridLayout(amplifier_);
    bridge_ = new QCheckBox("BRIDGE ENABLE", amplifier_);
    loadLow_ = Combo(amplifier_, {"4 Ohm", "8 Ohm"});
    loadHigh_ = Combo(amplifier_, {"4 Ohm", "8 Ohm"});
    boost_ = new QCheckBox("AMP BOOST", amplifier_);
    ampGrid->addWidget(bridge_, 0, 0, 1, 2);
    ampGrid->addWidget(new QLabel("LOAD LOW WAY", amplifier_), 1, 0), ampGrid->addWidget(loadLow_, 1, 1);
    ampGrid->addWidget(new QLabel("LOAD HIGH WAY", amplifier_), 2, 0), ampGrid->addWidget(loadHigh_, 2, 1);
    ampGrid->addWidget(boost_, 3, 0, 1, 2);
    boost_->setVisible(settings_->offersBoost());
    amplifier_->setVisible(settings_->offersAmplifier());
    layout->addWidget(amplifier_, 1, 1);

    auto* passwords = new QGroupBox("PASSWORD", this);
    auto* pwGrid = new QGridLayout(passwords);
    adminPassword_ = new QCheckBox("ADMIN", passwords);
    oldPassword_ = new QLineEdit(passwords);
    newPassword_ = new QLineEdit(passwords);
    oldPassword_->setEchoMode(QLineEdit::Password);
    newPassword_->setEchoMode(QLineEdit::Password);
    pwGrid->addWidget(adminPassword_, 0, 0, 1, 2);
    pwGrid->addWidget(new QLabel("OLD", passwords), 1, 0), pwGrid->addWidget(oldPassword_, 1, 1);
    pwGrid->addWidget(new QLabel("NEW", passwords), 2, 0), pwGrid->addWidget(newPassword_, 2, 1);
    layout->addWidget(passwords, 1, 2);

    apply_ = new QPushButton("APPLY", this);
    apply_->setObjectName("LabelApply");
    reset_ = new QPushButton("RESET GROUP", this);
    reset_->setObjectName("LabelReset");
    layout->addWidget(apply_, 2, 0);
    layout->addWidget(reset_, 2, 1);
    connect(apply_, &QPushButton::clicked, this, &SettingsWindow::apply);
    connect(reset_, &QPushButton::clicked, this, &SettingsWindow::resetGroup);
    fill();
}

SettingsWindow::~SettingsWindow() = default;

void SettingsWindow::fill() {
    const DeviceStatusRecord& status = thread_.comm().context().statusOf(slot_);
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const auto section = static_cast<device::NetSection>(i);
        const device::NetworkSettings n = device::ReadNetwork(status, section);
        SectionBoxes& s = sections_[i];
        s.mode->setCurrentIndex(n.mode != 0 ? 1 : 0);
        s.ip->setText(QString::fromStdString(n.ip));
        s.mask->setText(QString::fromStdString(n.mask));
        s.gateway->setText(QString::fromStdString(n.gateway));
        if (!s.ssid) continue;
        s.ssid->setText(QString::fromStdString(n.ssid));
        s.key->setText(QString::fromStdString(n.key));
        s.security->setCurrentIndex(n.security != 0 ? 1 : 0);
        s.channel->setValue(n.channel);
    }
    sleep_->setChecked(status[status::kAutoSleepEnable] != 0);
    sleepTime_->setCurrentIndex(status[status::kAutoSleepTime] < 6 ? status[status::kAutoSleepTime] : 0);
    standby_->setChecked(status[status::kAutoStandbyEnable] != 0);
    standbyTime_->setCurrentIndex(status[status::kAutoStandbyTime] < 6 ? status[status::kAutoStandbyTime] : 0);
    recall_->setCurrentIndex(status[status::kRecallMode] < 3 ? status[status::kRecallMode] : 0);
    bridge_->setChecked(status[status::kSystemMode] > 0);
    loadLow_->setCurrentIndex(status[status::kSpeakerLoad] == 2 ? 1 : 0);
    loadHigh_->setCurrentIndex(status[status::kSpeakerLoad + 1] == 2 ? 1 : 0);
    boost_->setChecked(status[status::kAmpBoost] != 0);
}

void SettingsWindow::apply() {
    if (thread_.busy()) return;
    // Everything the boxes hold is taken on this thread; the job only runs the controller.
    std::vector<std::pair<device::NetSection, device::NetworkSettings>> network;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const SectionBoxes& s = sections_[i];
        if (i > 0 && !settings_->offersWireless()) continue;
        device::NetworkSettings n;
        n.mode = static_cast<std::uint8_t>(s.mode->currentIndex());
        n.ip = s.ip->text().toStdString();
        n.mask = s.mask->text().toStdString();
        n.gateway = s.gateway->text().toStdString();
        if (s.ssid) {
            n.ssid = s.ssid->text().toStdString();
            n.key = s.key->text().toStdString();
            n.security = static_cast<std::uint8_t>(s.security->currentIndex());
            n.channel = static_cast<std::uint8_t>(s.channel->value());
        }
        network.emplace_back(static_cast<device::NetSection>(i), n);
    }
    const device::AmplifierSettings amp{bridge_->isChecked(), static_cast<std::uint8_t>(loadLow_->currentIndex() + 1),
                                        static_cast<std::uint8_t>(loadHigh_->currentIndex() + 1)};
    const bool sleep = sleep_->isChecked(), standby = standby_->isChecked(), boost = boost_->isChecked();
    const int sleepTime = sleepTime_->currentIndex(), standbyTime = standbyTime_->currentIndex();
    const int recall = recall_->currentIndex();
    const bool admin = adminPassword_->isChecked();
    const std::string oldPassword = oldPassword_->text().toStdString();
    const std::string newPassword = newPassword_->text().toStdString();
    apply_->setEnabled(false);
    thread_.post(
        this,
        [=, this] {
            for (const auto& [section, settings] : network) {
                const auto outcome = settings_->applyNetwork(section, settings);
                if (outcome == device::SettingsOutcome::Refused || outcome == device::SettingsOutcome::Failed) return;
            }
            if (settings_->offersAmplifier() && settings_->applyAmplifier(amp) == device::SettingsOutcome::Failed) return;
            if (!newPassword.empty() &&
                settings_->changePassword(admin, oldPassword, newPassword) != device::SettingsOutcome::Done &&
                !thread_.comm().context().device(slot_).isConnected())
                return;
            settings_->applyPowerSave(sleep, sleepTime, standby, standbyTime);
            settings_->applyRecallMode(recall);
            if (settings_->offersBoost()) settings_->applyBoost(boost);
        },
        // A refused value stays in its box for the user to correct.
        [this] { apply_->setEnabled(true); });
}

void SettingsWindow::resetGroup() {
    if (thread_.busy()) return;
    thread_.post(this, [this] { return settings_->resetGroup(); }, [this](device::SettingsOutcome) { fill(); });
}

}  // namespace plenum::ui
