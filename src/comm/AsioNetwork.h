// The network object on standalone asio: one TCP connection per device slot, TCP_NODELAY (frames
// are small and every one waits for its reply), connects and scans with a deadline, reads with a
// time-out. Not thread-safe: one object belongs to one thread, like the windows that own it.
#pragma once

#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <memory>
#include <vector>

#include "comm/Transport.h"

namespace plenum::comm {

class AsioNetworkTransport final : public NetworkTransport {
public:
    explicit AsioNetworkTransport(int slots = kMainNetworkSlots);
    ~AsioNetworkTransport() override;

    LinkResult TcpInit(int slots) override;
    LinkResult TcpConnect(int slot, const std::string& address, std::uint16_t port, Millis timeout) override;
    LinkResult TcpSend(int slot, std::span<const std::uint8_t> bytes) override;
    LinkResult TcpRead(int slot, std::span<std::uint8_t> reply, Millis timeout) override;
    void TcpClose(int slot) override;
    bool TcpIsConnected(int slot) const override;
    std::string TcpLocalAddress() const override;
    std::vector<std::string> TcpScan(const std::vector<std::string>& addresses, std::uint16_t port, Millis timeout,
                                     const std::function<void(const std::string&)>& onResponse = {}) override;

private:
    asio::ip::tcp::socket* socketOf(int slot) const;

    asio::io_context io_;
    std::vector<std::unique_ptr<asio::ip::tcp::socket>> sockets_;
};

// Maps an asio/system error of a connect to the transport's result.
LinkResult ConnectResultOf(const std::error_code& error);

}  // namespace plenum::comm
