// The small windows around the device tiles: the reconnection window of the command transaction
// (FrmshowInfo), the edit-window limit notice (FrmMaxWinOpen) and the
// Alt-key probe that lets the user stop the reconnect retries.
#pragma once

#include <atomic>

#include <QDialog>
#include <QObject>
#include <QWidget>
#include <functional>

#include "comm/DeviceComm.h"

class QLabel;

class QPushButton;

namespace plenum::ui {

class FrmshowInfo final : public QWidget, public comm::RetryInfoWindow {
    Q_OBJECT
public:
    FrmshowInfo(double screenScale, int languageFlag, QWidget* parent = nullptr);
    void show() override;
    void hide() override;
    void setLabel(const std::string& text) override;
    QString labelText() const;
    void retranslate(int languageFlag);
    // The device being reached again, shown above the retry count.
    void setDevice(const QString& deviceName);
    QString deviceText() const;
    QPushButton* giveUpButton() const { return giveUp_; }

signals:
    // The user gives up on the device: the transaction ends as the Alt key would end it.
    void giveUpRequested();

private:
    QLabel* device_;
    QLabel* label_;
    QLabel* hint_;
    QPushButton* giveUp_;
};

// Answers from the keyboard: Alt held now, or pressed since the previous question. A press seen
// by the event filter is kept until asked. The transaction asks from the communication thread,
// where the window system cannot be queried: there only the kept press counts (the event loop
// keeps running, so a press is seen as it happens).
class AltKeyProbe final : public QObject, public comm::AbortProbe {
    Q_OBJECT
public:
    explicit AltKeyProbe(QObject* parent = nullptr);
    bool AltAbort() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::atomic<bool> pressedSinceAsked_{false};
};

class FrmMaxWinOpen final : public QDialog {
    Q_OBJECT
public:
    FrmMaxWinOpen(double screenScale, int languageFlag, QWidget* parent = nullptr);
};

}  // namespace plenum::ui
