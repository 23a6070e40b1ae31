#include "comm/AsioNetwork.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <asio/connect.hpp>
#include <asio/steady_timer.hpp>
#include <asio/write.hpp>
#include <algorithm>

#include "comm/PollWait.h"

namespace plenum::comm {

using asio::ip::tcp;

LinkResult ConnectResultOf(const std::error_code& error) {
    if (!error) return LinkResult::Ok;
    if (error == asio::error::connection_refused || error == asio::error::host_unreachable ||
        error == asio::error::network_unreachable)
        return LinkResult::Refused;
    if (error == asio::error::operation_aborted || error == asio::error::would_block ||
        error == asio::error::timed_out)
        return LinkResult::TimedOut;
    return LinkResult::Failed;
}

AsioNetworkTransport::AsioNetworkTransport(int slots) { TcpInit(slots); }

AsioNetworkTransport::~AsioNetworkTransport() = default;

LinkResult AsioNetworkTransport::TcpInit(int slots) {
    if (slots <= 0) return LinkResult::BadArgument;
    sockets_.clear();
    sockets_.resize(static_cast<std::size_t>(slots));
    return LinkResult::Ok;
}

tcp::socket* AsioNetworkTransport::socketOf(int slot) const {
    if (slot < 0 || static_cast<std::size_t>(slot) >= sockets_.size()) return nullptr;
    return sockets_[static_cast<std::size_t>(slot)].get();
}

LinkResult AsioNetworkTransport::TcpConnect(int slot, const std::string& address, std::uint16_t port,
                                            Millis timeout) {
    if (slot < 0 || static_cast<std::size_t>(slot) >= sockets_.size()) return LinkResult::BadArgument;
    std::error_code error;
    const auto ip = asio::ip::make_address_v4(address, error);
    if (error || port == 0) return LinkResult::BadArgument;
    TcpClose(slot);

    auto socket = std::make_unique<tcp::socket>(io_);
    std::error_code result = asio::error::would_block;
    socket->async_connect(tcp::endpoint(ip, port), [&result](const std::error_code& e) { result = e; });
    io_.restart();
    io_.run_for(timeout);
    if (result == asio::error::would_block) {
        // The deadline passed first: closing cancels the connect, whose handler then runs.
        socket->close(error);
        io_.restart();
        io_.run();
        return LinkResult::TimedOut;
    }
    if (result) return ConnectResultOf(result);
    socket->set_option(tcp::no_delay(true), error);
    // Reads and writes wait through poll() with their own deadlines.
    socket->non_blocking(true, error);
    if (error) return LinkResult::Failed;
    sockets_[static_cast<std::size_t>(slot)] = std::move(socket);
    return LinkResult::Ok;
}

LinkResult AsioNetworkTransport::TcpSend(int slot, std::span<const std::uint8_t> bytes) {
    tcp::socket* socket = socketOf(slot);
    if (socket == nullptr) return slot < 0 || static_cast<std::size_t>(slot) >= sockets_.size()
                                      ? LinkResult::BadArgument
                                      : LinkResult::Closed;
    // A frame is at most 779 bytes and always fits the socket's send buffer; the wait only guards
    // against a peer that stopped reading altogether.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        std::error_code error;
        sent += socket->write_some(asio::buffer(bytes.data() + sent, bytes.size() - sent), error);
        if (error == asio::error::would_block) {
            if (detail::WaitFor(socket->native_handle(), true, deadline) != detail::WaitResult::Ready)
                return LinkResult::TimedOut;
        } else if (error) {
            TcpClose(slot);
            return LinkResult::Closed;
        }
    }
    return LinkResult::Ok;
}

LinkResult AsioNetworkTransport::TcpRead(int slot, std::span<std::uint8_t> reply, Millis timeout) {
    std::fill(reply.begin(), reply.end(), std::uint8_t{0});
    tcp::socket* socket = socketOf(slot);
    if (socket == nullptr) return slot < 0 || static_cast<std::size_t>(slot) >= sockets_.size()
                                      ? LinkResult::BadArgument
                                      : LinkResult::Closed;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t filled = 0;
    bool closed = false;
    while (filled < reply.size()) {
        const auto wait = detail::WaitFor(socket->native_handle(), false, deadline);
        if (wait == detail::WaitResult::TimedOut) break;
        if (wait == detail::WaitResult::Error) {
            closed = true;
            break;
        }
        std::error_code error;
        filled += socket->read_some(asio::buffer(reply.data() + filled, reply.size() - filled), error);
        if (error == asio::error::would_block) continue;
        if (error) {
            closed = true;
            break;
        }
    }
    if (closed) TcpClose(slot);
    if (filled == 0 && !reply.empty()) return closed ? LinkResult::Closed : LinkResult::TimedOut;
    return LinkResult::Ok;
}

void AsioNetworkTransport::TcpClose(int slot) {
    if (slot < 0 || static_cast<std::size_t>(slot) >= sockets_.size()) return;
    auto& socket = sockets_[static_cast<std::size_t>(slot)];
    if (!socket) return;
    std::error_code ignored;
    socket->shutdown(tcp::socket::shutdown_both, ignored);
    socket->close(ignored);
    socket.reset();
}

bool AsioNetworkTransport::TcpIsConnected(int slot) const {
    const tcp::socket* socket = socketOf(slot);
    return socket != nullptr && socket->is_open();
}

std::string AsioNetworkTransport::TcpLocalAddress() const {
    std::string found = "127.0.0.1";
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return found;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
        if ((entry->ifa_flags & IFF_UP) == 0 || (entry->ifa_flags & IFF_LOOPBACK) != 0) continue;
        const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
        found = asio::ip::address_v4(ntohl(in->sin_addr.s_addr)).to_string();
        break;
    }
    ::freeifaddrs(list);
    return found;
}

std::vector<std::string> AsioNetworkTransport::TcpScan(const std::vector<std::string>& addresses,
                                                       std::uint16_t port, Millis timeout,
                                                       const std::function<void(const std::string&)>& onResponse) {
    // Every probe starts at once and one timer ends those still pending, so absent hosts that never
    // answer cost one time-out in total instead of one each.
    asio::io_context io;
    std::vector<std::unique_ptr<tcp::socket>> probes(addresses.size());
    std::vector<bool> answered(addresses.size(), false);
    std::size_t pending = 0;
    asio::steady_timer deadline(io, timeout);

    for (std::size_t i = 0; i < addresses.size(); ++i) {
        std::error_code error;
        const auto ip = asio::ip::make_address_v4(addresses[i], error);
        if (error || port == 0) continue;
        probes[i] = std::make_unique<tcp::socket>(io);
        ++pending;
        probes[i]->async_connect(tcp::endpoint(ip, port), [&, i](const std::error_code& result) {
            if (!result) {
                answered[i] = true;
                if (onResponse) onResponse(addresses[i]);
            }
            std::error_code ignored;
            probes[i]->close(ignored);
            if (--pending == 0) deadline.cancel();
        });
    }
    if (pending > 0) {
        deadline.async_wait([&](const std::error_code& error) {
            if (error) return;  // cancelled: every probe finished early
            for (auto& probe : probes) {
                std::error_code ignored;
                if (probe) probe->close(ignored);
            }
        });
        io.run();
    }
    std::vector<std::string> result;
    for (std::size_t i = 0; i < addresses.size(); ++i)
        if (answered[i]) result.push_back(addresses[i]);
    return result;
}

}  // namespace plenum::comm
