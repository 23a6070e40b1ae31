// The small windows around the device tiles: the reconnection window of the command transaction
// (FrmshowInfo), the edit-window limit notice (FrmMaxWinOpen) and the
// Alt-key probe that lets the user stop the reconnect retries.
#pragma once

#include <QDialog>
#include <QObject>
#include <QWidget>
#include <functional>

#include "comm/DeviceComm.h"

class QLabel;

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

private:
    QLabel* label_;
    QLabel* hint_;
};

// Answers from the keyboard: Alt held now, or pressed since the previous question. The transaction
// loop blocks the event loop, so the held state is read from the window system directly and a
// press seen by the event filter in between is kept until asked.
class AltKeyProbe final : public QObject, public comm::AbortProbe {
    Q_OBJECT
public:
    explicit AltKeyProbe(QObject* parent = nullptr);
    bool AltAbort() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool pressedSinceAsked_ = false;
};

class FrmMaxWinOpen final : public QDialog {
    Q_OBJECT
public:
    FrmMaxWinOpen(double screenScale, int languageFlag, QWidget* parent = nullptr);
};

}  // namespace plenum::ui
