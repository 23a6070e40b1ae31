// Scripted transports for tests: an in-memory network and serial line whose peers are functions
// from request bytes to reply bytes, with failures injected on request. They honour the same
// contract as the asio links (TransportContractTest runs against both).
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "comm/DeviceComm.h"
#include "comm/Frame.h"
#include "comm/Transport.h"

namespace plenum::comm::test {

using Bytes = std::vector<std::uint8_t>;
// A peer's answer to one write: the bytes that become readable (empty = silence).
using Responder = std::function<Bytes(const Bytes& request)>;

class ScriptedNetwork final : public NetworkTransport {
public:
    // A listener at address:port. Addresses without one refuse connections.
    void listen(const std::string& address, std::uint16_t port, Responder responder);
    void unlisten(const std::string& address, std::uint16_t port);

    // Failure injection: results used, in order, instead of the normal outcome.
    std::deque<LinkResult> connectScript;
    std::deque<LinkResult> sendScript;

    LinkResult TcpInit(int slots) override;
    LinkResult TcpConnect(int slot, const std::string& address, std::uint16_t port, Millis timeout) override;
    LinkResult TcpSend(int slot, std::span<const std::uint8_t> bytes) override;
    LinkResult TcpRead(int slot, std::span<std::uint8_t> reply, Millis timeout) override;
    void TcpClose(int slot) override;
    bool TcpIsConnected(int slot) const override;
    std::string TcpLocalAddress() const override { return localAddress; }
    std::vector<std::string> TcpScan(const std::vector<std::string>& addresses, std::uint16_t port, Millis timeout,
                                     const std::function<void(const std::string&)>& onResponse = {}) override;

    std::string localAddress = "127.0.0.1";
    // What happened, for the tests to check.
    std::vector<Bytes> sent;  // every TcpSend that reached a peer, acknowledges included
    int connectAttempts = 0;
    int closes = 0;
    std::vector<Millis> readTimeouts;
    std::vector<Millis> connectTimeouts;

private:
    struct Connection {
        std::string key;
        Bytes pending;
    };
    bool validSlot(int slot) const { return slot >= 0 && static_cast<std::size_t>(slot) < slots_.size(); }
    std::map<std::string, Responder> listeners_;
    std::vector<std::optional<Connection>> slots_ = std::vector<std::optional<Connection>>(kMainNetworkSlots);
};

class ScriptedSerial final : public SerialTransport {
public:
    // A device behind the port path.
    void attach(const std::string& portName, Responder responder);

    bool IsConnected() const override { return open_.has_value(); }
    LinkResult Connect(const std::string& portName, int baudRate) override;
    LinkResult WriteCommand(std::span<const std::uint8_t> bytes) override;
    LinkResult ReadCommandResponse(std::span<std::uint8_t> reply, Millis timeout) override;
    void Disconnect() override;

    std::vector<std::string> connectAttempts;
    std::vector<Bytes> written;
    int baudRate = 0;

private:
    std::map<std::string, Responder> ports_;
    std::optional<std::string> open_;
    Bytes pending_;
};

class CountingSleeper final : public Sleeper {
public:
    void sleepFor(Millis duration) override { pauses.push_back(duration); }
    std::vector<Millis> pauses;
};

// A well-behaved device: answers every request with a frame of the protocol's reply length for its
// family; identify names `busId` with byte 4 = 0x78. Block reads answer with `memory` bytes from
// the requested address. The acknowledge byte gets no answer.
struct ScriptedDevice {
    DeviceFamily family = DeviceFamily::Sat;
    std::uint8_t busId = 7;
    Bytes memory = Bytes(4096, 0);
    std::vector<Bytes> requests;  // every frame received, acknowledges excluded
    int acknowledges = 0;
    // Replaces the reply to the next requests, in order (then normal replies resume).
    std::deque<Bytes> replyScript;

    Bytes reply(const Bytes& request);
    Responder responder() {
        return [this](const Bytes& request) { return reply(request); };
    }
};

// Records every hook call of the transaction.
class RecordingHooks final : public RetryInfoWindow, public TileStatusSink, public AbortProbe {
public:
    void show() override { events.push_back("show"); }
    void hide() override { events.push_back("hide"); }
    void setLabel(const std::string& text) override { labels.push_back(text); }
    void switchOffline(int slot) override { offline.push_back(slot); }
    bool AltAbort() override { return ++abortQueries == abortAt; }

    CommHooks hooks() { return {this, this, this}; }
    std::vector<std::string> events;
    std::vector<std::string> labels;
    std::vector<int> offline;
    int abortQueries = 0;
    int abortAt = -1;  // answer true on this query
};

std::string Hex(std::span<const std::uint8_t> bytes);

}  // namespace plenum::comm::test
