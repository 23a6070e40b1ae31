// The serial object on standalone asio: the USB link to one device at 57600 baud, 8 data bits, no
// parity, one stop bit, no flow control, raw (no echo, no line editing, no character mapping).
// Not thread-safe: one object belongs to one thread.
#pragma once

#include <asio/io_context.hpp>
#include <asio/serial_port.hpp>

#include "comm/Transport.h"

namespace plenum::comm {

class AsioSerialTransport final : public SerialTransport {
public:
    AsioSerialTransport();
    ~AsioSerialTransport() override;

    bool IsConnected() const override;
    // portName is a device path (see SerialPortPath). Input waiting from before is discarded.
    LinkResult Connect(const std::string& portName, int baudRate) override;
    LinkResult WriteCommand(std::span<const std::uint8_t> bytes) override;
    LinkResult ReadCommandResponse(std::span<std::uint8_t> reply, Millis timeout) override;
    void Disconnect() override;

private:
    asio::io_context io_;
    asio::serial_port port_;
};

}  // namespace plenum::comm
