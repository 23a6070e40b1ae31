// The start-up screen: shown for two seconds while the application gets ready; it also takes the
// hidden service keys (StartupKeys) during that time.
#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include "core/StartupKeys.h"

namespace plenum {
struct AppContext;
}

namespace plenum::ui {

class StartupScreen final : public QWidget {
    Q_OBJECT
public:
    StartupScreen(AppContext& ctx, int durationMs, QWidget* parent = nullptr);
    // Starts the one-shot timer; finished() fires when it runs out.
    void start();

signals:
    void finished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    AppContext& ctx_;
    StartupKeys keys_;
    int durationMs_;
    QElapsedTimer elapsed_;
};

}  // namespace plenum::ui
