// The bridge for the outside automatic-EQ application: the server listens on 127.0.0.1 at the
// configured port and is polled by the meter timer; each message is handled by a job on the
// communication thread (the selection, the stores and the bypass switches all live there) and
// the answer is written back to the client from the completion, which also redraws the device's
// edit window when its records changed.
#include "ui/EditWindow.h"
#include "ui/MainWindow.h"

namespace plenum::ui {

void MainWindow::startBridge() {
    aeq_ = std::make_unique<device::AeqBridgeHandler>(comm(), commThread_->prompter());
    bridge_ = std::make_unique<comm::BridgeServer>(comm::BridgeCallbacks{
        nullptr, nullptr, [this](int client, const std::vector<std::uint8_t>& message) {
            commThread_->post(
                this, [this, message] { return aeq_->handle(message); },
                [this, client](device::AeqHandled handled) {
                    if (bridge_) bridge_->WriteDataToClient(client, handled.answer);
                    if (handled.redrawSlot < 0) return;
                    refreshTile(handled.redrawSlot);
                    if (EditWindow* window = editWindow(handled.redrawSlot)) window->refreshFromImage();
                });
        }});
    if (!comm::IsOk(bridge_->start(bridgePort_))) bridge_.reset();
}

std::uint16_t MainWindow::bridgeListeningPort() const { return bridge_ ? bridge_->port() : std::uint16_t{0}; }

}  // namespace plenum::ui
