#include "comm/BridgeServer.h"

#include <array>
#include <asio/write.hpp>

namespace plenum::comm {

using asio::ip::tcp;

BridgeMessageFramer::Status BridgeMessageFramer::feed(std::span<const std::uint8_t> bytes,
                                                      std::vector<std::vector<std::uint8_t>>& messages) {
    if (broken_) return Status::TooLong;
    std::size_t at = 0;
    while (at < bytes.size() || (inPayload_ && payload_.size() == expected_)) {
        if (!inPayload_) {
            while (header_.size() < kBridgeHeaderLength && at < bytes.size()) header_.push_back(bytes[at++]);
            if (header_.size() < kBridgeHeaderLength) break;
            expected_ = std::size_t{header_[0]} << 24 | std::size_t{header_[1]} << 16 | std::size_t{header_[2]} << 8 |
                        header_[3];
            header_.clear();
            if (expected_ > kMaxBridgeMessage) {
                broken_ = true;
                payload_.clear();
                return Status::TooLong;
            }
            inPayload_ = true;
            payload_.clear();
        }
        const std::size_t take = std::min(expected_ - payload_.size(), bytes.size() - at);
        payload_.insert(payload_.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                        bytes.begin() + static_cast<std::ptrdiff_t>(at + take));
        at += take;
        if (payload_.size() < expected_) break;
        messages.push_back(std::move(payload_));
        payload_ = {};
        inPayload_ = false;
    }
    return Status::Ok;
}

std::optional<std::vector<std::uint8_t>> FrameBridgeMessage(std::span<const std::uint8_t> payload) {
    if (payload.size() > kMaxBridgeMessage) return std::nullopt;
    std::vector<std::uint8_t> framed(kBridgeHeaderLength + payload.size());
    const auto size = static_cast<std::uint32_t>(payload.size());
    framed[0] = static_cast<std::uint8_t>(size >> 24);
    framed[1] = static_cast<std::uint8_t>(size >> 16);
    framed[2] = static_cast<std::uint8_t>(size >> 8);
    framed[3] = static_cast<std::uint8_t>(size);
    std::copy(payload.begin(), payload.end(), framed.begin() + kBridgeHeaderLength);
    return framed;
}

struct BridgeServer::Client {
    explicit Client(tcp::socket s) : socket(std::move(s)) {}
    tcp::socket socket;
    std::array<std::uint8_t, 4096> buffer{};
    BridgeMessageFramer framer;
};

BridgeServer::BridgeServer(BridgeCallbacks callbacks) : callbacks_(std::move(callbacks)), acceptor_(io_) {}

BridgeServer::~BridgeServer() {
    callbacks_ = {};
    stop();
}

LinkResult BridgeServer::start(std::uint16_t port) {
    stop();
    std::error_code error;
    const tcp::endpoint endpoint(asio::ip::address_v4::loopback(), port);
    acceptor_.open(endpoint.protocol(), error);
    if (!error) acceptor_.set_option(tcp::acceptor::reuse_address(true), error);
    if (!error) acceptor_.bind(endpoint, error);
    if (!error) acceptor_.listen(asio::socket_base::max_listen_connections, error);
    if (error) {
        acceptor_.close(error);
        return LinkResult::Failed;
    }
    accept();
    return LinkResult::Ok;
}

void BridgeServer::stop() {
    std::error_code ignored;
    if (acceptor_.is_open()) acceptor_.close(ignored);
    while (!clients_.empty()) drop(clients_.begin()->first);
    io_.restart();
    io_.poll();  // let the cancelled handlers finish
}

std::uint16_t BridgeServer::port() const {
    std::error_code error;
    const auto endpoint = acceptor_.local_endpoint(error);
    return error ? 0 : endpoint.port();
}

std::size_t BridgeServer::poll() {
    io_.restart();
    return io_.poll();
}

void BridgeServer::accept() {
    acceptor_.async_accept([this](const std::error_code& error, tcp::socket socket) {
        if (error) return;  // closed by stop()
        const int client = nextClient_++;
        std::error_code ignored;
        socket.set_option(tcp::no_delay(true), ignored);
        clients_[client] = std::make_shared<Client>(std::move(socket));
        if (callbacks_.onClientConnected) callbacks_.onClientConnected(client);
        read(client);
        accept();
    });
}

void BridgeServer::read(int client) {
    const auto found = clients_.find(client);
    if (found == clients_.end()) return;
    std::shared_ptr<Client> entry = found->second;
    entry->socket.async_read_some(asio::buffer(entry->buffer), [this, client, entry](const std::error_code& error,
                                                                                       std::size_t size) {
        if (!clients_.contains(client) || clients_.at(client) != entry) return;  // dropped meanwhile
        if (error) {
            drop(client);
            return;
        }
        std::vector<std::vector<std::uint8_t>> messages;
        const auto status = entry->framer.feed(std::span(entry->buffer.data(), size), messages);
        for (const auto& message : messages) {
            if (callbacks_.onClientCommandReceived) callbacks_.onClientCommandReceived(client, message);
            if (!clients_.contains(client)) return;  // the callback dropped the client
        }
        if (status == BridgeMessageFramer::Status::TooLong) {
            drop(client);
            return;
        }
        read(client);
    });
}

void BridgeServer::drop(int client) {
    const auto found = clients_.find(client);
    if (found == clients_.end()) return;
    std::error_code ignored;
    found->second->socket.shutdown(tcp::socket::shutdown_both, ignored);
    found->second->socket.close(ignored);
    clients_.erase(found);
    if (callbacks_.onClientDisconnected) callbacks_.onClientDisconnected(client);
}

LinkResult BridgeServer::WriteDataToClient(int client, std::span<const std::uint8_t> payload) {
    const auto found = clients_.find(client);
    if (found == clients_.end()) return LinkResult::BadArgument;
    const auto framed = FrameBridgeMessage(payload);
    if (!framed) return LinkResult::BadArgument;
    std::error_code error;
    asio::write(found->second->socket, asio::buffer(*framed), error);
    if (error) {
        drop(client);
        return LinkResult::Closed;
    }
    return LinkResult::Ok;
}

}  // namespace plenum::comm
