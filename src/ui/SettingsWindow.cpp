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

// The window's captions and choices, English and Chinese.
struct Caption {
    const char* en;
    const char* zh;
};

constexpr Caption kTimes[] = {{"3 Min.", "3 分钟"},   {"5 Min.", "5 分钟"},   {"10 Min.", "10 分钟"},
                              {"15 Min.", "15 分钟"}, {"30 Min.", "30 分钟"}, {"60 Min.", "60 分钟"}};
constexpr Caption kRecallModes[] = {{"KEEP ACTUAL MUTES", "保持当前静音"},
                                    {"KEEP ACTUAL INPUT SOURCES", "保持当前输入源"},
                                    {"KEEP ACTUAL INPUT GAIN", "保持当前输入增益"}};
constexpr Caption kSectionTitles[] = {{"LAN", "LAN"}, {"WLAN", "WLAN"}, {"ACCESS POINT", "接入点"}};
constexpr Caption kLoads[] = {{"4 Ohm", "4 欧姆"}, {"8 Ohm", "8 欧姆"}};

}  // namespace

QString SettingsWindow::text(const char* en, const char* zh) const {
    return QString::fromUtf8(thread_.comm().context().LanguageFlag == 1 ? zh : en);
}

SettingsWindow::SettingsWindow(CommThread& thread, int slot, bool fwFeatureFlag, QWidget* parent)
    : QDialog(parent), thread_(thread), slot_(slot),
      settings_(std::make_unique<device::DeviceSettingsWindow>(thread.comm(), thread.prompter(), slot, fwFeatureFlag)) {
    setObjectName(settings_->isSub() ? "FrmSettingsSUB" : "FrmSettingsSAT");
    setWindowTitle(text("Settings", "设置"));
    auto combo = [this](QWidget* parent, std::initializer_list<Caption> items) {
        auto* box = new QComboBox(parent);
        for (const Caption& item : items) box->addItem(text(item.en, item.zh));
        return box;
    };
    auto label = [this](QWidget* parent, const char* en, const char* zh) { return new QLabel(text(en, zh), parent); };
    auto* layout = new QGridLayout(this);
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        SectionBoxes& s = sections_[i];
        s.group = new QGroupBox(text(kSectionTitles[i].en, kSectionTitles[i].zh), this);
        auto* grid = new QGridLayout(s.group);
        s.mode = i == 2 ? combo(s.group, {{"OFF", "关"}, {"ON", "开"}})
                        : combo(s.group, {{"STATIC IP", "静态 IP"}, {"DHCP", "DHCP"}});
        s.ip = new QLineEdit(s.group);
        s.mask = new QLineEdit(s.group);
        s.gateway = new QLineEdit(s.group);
        grid->addWidget(s.mode, 0, 0, 1, 2);
        grid->addWidget(label(s.group, "IP", "IP 地址"), 1, 0), grid->addWidget(s.ip, 1, 1);
        grid->addWidget(label(s.group, "SUBNET MASK", "子网掩码"), 2, 0), grid->addWidget(s.mask, 2, 1);
        grid->addWidget(label(s.group, "GATEWAY", "网关"), 3, 0), grid->addWidget(s.gateway, 3, 1);
        if (i > 0) {
            s.ssid = new QLineEdit(s.group);
            s.key = new QLineEdit(s.group);
            s.security = combo(s.group, {{"WPA", "WPA"}, {"WPA2", "WPA2"}});
            s.channel = new QSpinBox(s.group);
            s.channel->setRange(device::kMinChannel, device::kMaxChannel);
            s.channel->setPrefix(text("Channel ", "信道 "));
            grid->addWidget(label(s.group, "SSID", "SSID"), 4, 0), grid->addWidget(s.ssid, 4, 1);
            grid->addWidget(label(s.group, "KEY", "密钥"), 5, 0), grid->addWidget(s.key, 5, 1);
            grid->addWidget(s.security, 6, 0), grid->addWidget(s.channel, 6, 1);
            s.group->setVisible(settings_->offersWireless());
        }
        // The fields stay together at the top when a neighbouring section is taller.
        grid->setRowStretch(grid->rowCount(), 1);
        // A whole address (and an SSID of that length) stays readable in either language.
        const int boxWidth = fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) + 24;
        for (QLineEdit* box : {s.ip, s.mask, s.gateway, s.ssid, s.key})
            if (box != nullptr) box->setMinimumWidth(boxWidth);
        layout->addWidget(s.group, 0, static_cast<int>(i));
    }
    auto* power = new QGroupBox(text("POWER SAVE", "节能"), this);
    auto* powerGrid = new QGridLayout(power);
    sleep_ = new QCheckBox(text("AUTO SLEEP MODE", "自动睡眠模式"), power);
    sleepTime_ = combo(power, {});
    standby_ = new QCheckBox(text("AUTO STANDBY MODE", "自动待机模式"), power);
    standbyTime_ = combo(power, {});
    for (const Caption& time : kTimes) {
        sleepTime_->addItem(text(time.en, time.zh));
        standbyTime_->addItem(text(time.en, time.zh));
    }
    powerGrid->addWidget(sleep_, 0, 0), powerGrid->addWidget(sleepTime_, 0, 1);
    powerGrid->addWidget(standby_, 1, 0), powerGrid->addWidget(standbyTime_, 1, 1);
    powerGrid->addWidget(label(power, "RECALL MODE", "调入模式"), 2, 0, 1, 2);
    recall_ = combo(power, {});
    for (const Caption& mode : kRecallModes) recall_->addItem(text(mode.en, mode.zh));
    powerGrid->addWidget(recall_, 3, 0, 1, 2);
    layout->addWidget(power, 1, 0);

    amplifier_ = new QGroupBox(text("AMPLIFIER", "功放"), this);
    auto* ampGrid = new QGridLayout(amplifier_);
    bridge_ = new QCheckBox(text("BRIDGE ENABLE", "桥接启用"), amplifier_);
    loadLow_ = combo(amplifier_, {kLoads[0], kLoads[1]});
    loadHigh_ = combo(amplifier_, {kLoads[0], kLoads[1]});
    loadLowLabel_ = new QLabel(amplifier_);
    loadHighLabel_ = new QLabel(amplifier_);
    boost_ = new QCheckBox(text("AMP BOOST", "功放增强"), amplifier_);
    ampGrid->addWidget(bridge_, 0, 0, 1, 2);
    ampGrid->addWidget(loadLowLabel_, 1, 0), ampGrid->addWidget(loadLow_, 1, 1);
    ampGrid->addWidget(loadHighLabel_, 2, 0), ampGrid->addWidget(loadHigh_, 2, 1);
    ampGrid->addWidget(boost_, 3, 0, 1, 2);
    boost_->setVisible(settings_->offersBoost());
    amplifier_->setVisible(settings_->offersAmplifier());
    layout->addWidget(amplifier_, 1, 1);
    // The load captions name the ways in 2-WAY mode and the outputs in BRIDGE mode.
    connect(bridge_, &QCheckBox::toggled, this, &SettingsWindow::showLoadCaptions);

    auto* passwords = new QGroupBox(text("PASSWORD", "密码"), this);
    auto* pwGrid = new QGridLayout(passwords);
    adminPassword_ = new QCheckBox(text("ADMIN", "管理员"), passwords);
    oldPassword_ = new QLineEdit(passwords);
    newPassword_ = new QLineEdit(passwords);
    oldPassword_->setEchoMode(QLineEdit::Password);
    newPassword_->setEchoMode(QLineEdit::Password);
    // Room for a password of six characters and then some (a longer one is refused with its message).
    const int passwordWidth = fontMetrics().horizontalAdvance(QStringLiteral("MMMMMMMMMM"));
    oldPassword_->setMinimumWidth(passwordWidth);
    newPassword_->setMinimumWidth(passwordWidth);
    pwGrid->addWidget(adminPassword_, 0, 0, 1, 2);
    pwGrid->addWidget(label(passwords, "OLD", "旧密码"), 1, 0), pwGrid->addWidget(oldPassword_, 1, 1);
    pwGrid->addWidget(label(passwords, "NEW", "新密码"), 2, 0), pwGrid->addWidget(newPassword_, 2, 1);
    layout->addWidget(passwords, 1, 2);

    apply_ = new QPushButton(text("APPLY", "应用"), this);
    apply_->setObjectName("LabelApply");
    reset_ = new QPushButton(text("RESET GROUP", "复位群组"), this);
    reset_->setObjectName("LabelReset");
    layout->addWidget(apply_, 2, 0);
    layout->addWidget(reset_, 2, 1);
    connect(apply_, &QPushButton::clicked, this, &SettingsWindow::apply);
    connect(reset_, &QPushButton::clicked, this, &SettingsWindow::resetGroup);
    fill();
}

void SettingsWindow::showLoadCaptions(bool bridge) {
    loadLowLabel_->setText(bridge ? text("LOAD OUT-1", "负载 输出-1") : text("LOAD LOW WAY", "负载 低音"));
    loadHighLabel_->setText(bridge ? text("LOAD OUT-2", "负载 输出-2") : text("LOAD HIGH WAY", "负载 高音"));
}

// A job of the window may still be queued or running (its owner closed it from outside): it is
// waited for, with the event loop running so that its questions are answered, and its completion
// does nothing more.
SettingsWindow::~SettingsWindow() {
    closing_ = true;
    if (running_) thread_.settle();
}

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
    showLoadCaptions(bridge_->isChecked());
    loadLow_->setCurrentIndex(status[status::kSpeakerLoad] == 2 ? 1 : 0);
    loadHigh_->setCurrentIndex(status[status::kSpeakerLoad + 1] == 2 ? 1 : 0);
    boost_->setChecked(status[status::kAmpBoost] != 0);
}

void SettingsWindow::apply() {
    if (running_) return;
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
    running_ = true;
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
        [this] {
            running_ = false;
            if (closing_) return;
            apply_->setEnabled(true);
        });
}

void SettingsWindow::resetGroup() {
    if (running_) return;
    running_ = true;
    thread_.post(this, [this] { return settings_->resetGroup(); },
                 [this](device::SettingsOutcome) {
                     running_ = false;
                     if (closing_) return;
                     fill();
                 });
}

void SettingsWindow::reject() {
    if (!running_) QDialog::reject();
}

}  // namespace plenum::ui
