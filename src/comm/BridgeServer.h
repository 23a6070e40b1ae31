// The bridge server for the outside automatic-EQ application: TCP, bound to 127.0.0.1 only, so
// nothing beyond this computer can reach it.
//
// Message format, both directions: a 4-byte big-endian payload length, then the payload. A
// length above kMaxBridgeMessage is a protocol error: the client is disconnected (nothing of the
// message is delivered). An empty payload is a valid message. What a payload means belongs to the
// automatic-EQ code; this server only frames and delivers.
//
// Single-threaded: poll() (called from the owner's timer) accepts clients, reads what arrived and
// raises the callbacks on the caller's thread.
#pragma once

#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "comm/Transport.h"

namespace plenum::comm {

inline constexpr std::size_t kMaxBridgeMessage = 64 * 1024;
// The port the desktop application listens on unless told otherwise (docs/aeq-bridge.md).
inline constexpr std::uint16_t kDefaultBridgePort = 47001;
inline constexpr std::size_t kBridgeHeaderLength = 4;

// Splits a byte stream into messages. Once a length above the maximum is seen the stream is
// broken for good: every later feed reports TooLong and delivers nothing.
class BridgeMessageFramer {
public:
    enum class Status { Ok, TooLong };
    Status feed(std::span<const std::uint8_t> bytes, std::vector<std::vector<std::uint8_t>>& messages);

private:
    std::vector<std::uint8_t> header_;
    std::vector<std::uint8_t> payload_;
    std::size_t expected_ = 0;
    bool inPayload_ = false;
    bool broken_ = false;
};

// Header + payload; nothing when the payload exceeds kMaxBridgeMessage.
std::optional<std::vector<std::uint8_t>> FrameBridgeMessage(std::span<const std::uint8_t> payload);

struct BridgeCallbacks {
    std::function<void(int client)> onClientConnected;
    std::function<void(int client)> onClientDisconnected;
    std::function<void(int client, const std::vector<std::uint8_t>& message)> onClientCommandReceived;
};

class BridgeServer {
public:
    explicit BridgeServer(BridgeCallbacks callbacks);
    ~BridgeServer();

    // Listens on 127.0.0.1:port (0 picks a free port).
    LinkResult start(std::uint16_t port = 0);
    void stop();  // disconnects every client (raising onClientDisconnected)
    std::uint16_t port() const;
    // Runs what is ready now; returns the number of handlers run.
    std::size_t poll();
    // Sends one message to a client. BadArgument for an unknown client or an oversized payload.
    LinkResult WriteDataToClient(int client, std::span<const std::uint8_t> payload);
    std::size_t clientCount() const { return clients_.size(); }

private:
    struct Client;
    void accept();
    void read(int client);
    void drop(int client);

    BridgeCallbacks callbacks_;
    asio::io_context io_;
    asio::ip::tcp::acceptor acceptor_;
    std::map<int, std::shared_ptr<Client>> clients_;
    int nextClient_ = 1;
};

}  // namespace plenum::comm
