#include "comm/AsioSerial.h"

#include <termios.h>

#include <algorithm>
#include <asio/write.hpp>

#include "comm/PollWait.h"

namespace plenum::comm {

AsioSerialTransport::AsioSerialTransport() : port_(io_) {}

AsioSerialTransport::~AsioSerialTransport() { Disconnect(); }

bool AsioSerialTransport::IsConnected() const { return port_.is_open(); }

LinkResult AsioSerialTransport::Connect(const std::string& portName, int baudRate) {
    if (portName.empty() || baudRate <= 0) return LinkResult::BadArgument;
    Disconnect();
    std::error_code error;
    // Opening puts the line into raw mode (no echo, no canonical input, no character mapping).
    port_.open(portName, error);
    if (error) return error == asio::error::not_found || error == std::errc::no_such_file_or_directory
                          ? LinkResult::Refused
                          : LinkResult::Failed;
    using base = asio::serial_port_base;
    port_.set_option(base::baud_rate(static_cast<unsigned>(baudRate)), error);
    if (!error) port_.set_option(base::character_size(8), error);
    if (!error) port_.set_option(base::parity(base::parity::none), error);
    if (!error) port_.set_option(base::stop_bits(base::stop_bits::one), error);
    if (!error) port_.set_option(base::flow_control(base::flow_control::none), error);
    if (error) {
        Disconnect();
        return LinkResult::Failed;
    }
    ::tcflush(port_.native_handle(), TCIOFLUSH);
    return LinkResult::Ok;
}

LinkResult AsioSerialTransport::WriteCommand(std::span<const std::uint8_t> bytes) {
    if (!port_.is_open()) return LinkResult::Closed;
    std::error_code error;
    asio::write(port_, asio::buffer(bytes.data(), bytes.size()), error);
    return error ? LinkResult::Failed : LinkResult::Ok;
}

LinkResult AsioSerialTransport::ReadCommandResponse(std::span<std::uint8_t> reply, Millis timeout) {
    std::fill(reply.begin(), reply.end(), std::uint8_t{0});
    if (!port_.is_open()) return LinkResult::Closed;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t filled = 0;
    while (filled < reply.size()) {
        const auto wait = detail::WaitFor(port_.native_handle(), false, deadline);
        if (wait == detail::WaitResult::TimedOut) return LinkResult::TimedOut;
        if (wait == detail::WaitResult::Error) return LinkResult::Failed;
        std::error_code error;
        filled += port_.read_some(asio::buffer(reply.data() + filled, reply.size() - filled), error);
        // A pty whose other side has gone reads as an I/O error until the side comes back.
        if (error && error != asio::error::would_block) return LinkResult::Closed;
    }
    return LinkResult::Ok;
}

void AsioSerialTransport::Disconnect() {
    if (!port_.is_open()) return;
    std::error_code ignored;
    port_.close(ignored);
}

}  // namespace plenum::comm
