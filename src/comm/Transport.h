// The transport seam: the network object (connections addressed by device slot) and the serial
// object (the USB link), each behind an interface with a real asio implementation and scripted
// doubles for tests. Every operation that can fail returns LinkResult, Ok (0) for success; the
// transaction treats any other value as failure and turns it into retries, reconnects and the
// off-line state.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace plenum::comm {

enum class LinkResult : int {
    Ok = 0,
    TimedOut = 1,     // nothing (or, on the serial link, not all) arrived within the time-out
    Closed = 2,       // the peer closed the connection or the link is not open
    Refused = 3,      // the connection was refused or the address is unreachable
    BadArgument = 4,  // slot out of range, address text not an IPv4 address, empty port name
    Failed = 5,       // any other operating-system error
};

constexpr bool IsOk(LinkResult result) { return result == LinkResult::Ok; }
const char* ToString(LinkResult result);

using Millis = std::chrono::milliseconds;

// The time-outs of the transport component and the transaction's pauses. Tests shrink them.
struct CommTimeouts {
    Millis read{4000};            // a reply, network or serial
    Millis reconnect{2000};       // reconnecting inside a transaction
    Millis reconnectPause{100};   // between closing and reconnecting
    Millis singleCheck{1000};     // connecting to one answering address during a search
    Millis connecting{200};       // opening the link when a device is connected
    Millis scan{500};             // each address of a scan
};

inline constexpr std::uint16_t kDefaultDevicePort = 1001;
inline constexpr int kMainNetworkSlots = 26;    // the main window's network object
inline constexpr int kSearchNetworkSlots = 25;  // the search window's network object
inline constexpr int kSerialBaudRate = 57600;
inline constexpr int kFirstSerialPort = 1;
inline constexpr int kLastSerialPort = 72;

// Network object. Connections are addressed by device slot 0..slots-1; a slot holds at most one
// connection, and connecting an open slot closes the old connection first.
class NetworkTransport {
public:
    virtual ~NetworkTransport() = default;
    // Number of connection slots; closes every open connection. Ok when ready.
    virtual LinkResult TcpInit(int slots) = 0;
    virtual LinkResult TcpConnect(int slot, const std::string& address, std::uint16_t port, Millis timeout) = 0;
    // Sends the whole frame (or the one-byte acknowledge).
    virtual LinkResult TcpSend(int slot, std::span<const std::uint8_t> bytes) = 0;
    // Fills `reply` completely. Ok when every byte arrived. When some but not all arrived within the
    // time-out the rest reads 0 and the result is still Ok: the caller's framing check sees a short
    // reply as garbled. TimedOut when nothing arrived (reply then all 0); Closed when the peer closed
    // before the first byte.
    virtual LinkResult TcpRead(int slot, std::span<std::uint8_t> reply, Millis timeout) = 0;
    virtual void TcpClose(int slot) = 0;
    virtual bool TcpIsConnected(int slot) const = 0;
    // This computer's IPv4 address on a LAN or WLAN; "127.0.0.1" when it has none.
    virtual std::string TcpLocalAddress() const = 0;
    // Probes every address at once and returns those that accepted a connection, in list order.
    // Each answer is also passed to onResponse as it comes. The whole scan takes at most about one
    // time-out. Invalid address texts never answer.
    virtual std::vector<std::string> TcpScan(const std::vector<std::string>& addresses, std::uint16_t port,
                                             Millis timeout,
                                             const std::function<void(const std::string&)>& onResponse = {}) = 0;
};

// Serial object: the USB link, one port at a time, 8N1 raw.
class SerialTransport {
public:
    virtual ~SerialTransport() = default;
    virtual bool IsConnected() const = 0;
    virtual LinkResult Connect(const std::string& portName, int baudRate) = 0;
    virtual LinkResult WriteCommand(std::span<const std::uint8_t> bytes) = 0;
    // Fills `reply` completely; TimedOut (with the missing bytes 0) when the time-out passes first.
    virtual LinkResult ReadCommandResponse(std::span<std::uint8_t> reply, Millis timeout) = 0;
    virtual void Disconnect() = 0;
};

// The transaction's pauses go through a sleeper so tests can count them instead of waiting.
class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void sleepFor(Millis duration) = 0;
};

class SteadySleeper final : public Sleeper {
public:
    void sleepFor(Millis duration) override;
};

// Where the links are: the device port and the serial port names. Port n maps to a device path
// through a printf-style pattern with one %d that receives n - 1 (default /dev/ttyUSB%d).
struct LinkSettings {
    std::uint16_t devicePort = kDefaultDevicePort;
    std::string serialPattern = "/dev/ttyUSB%d";

    // From PLENUM_DEVICE_PORT and PLENUM_SERIAL_PATTERN; a value that is not valid is ignored and
    // the default kept, with the reason appended to `problems` when given.
    static LinkSettings FromEnvironment(std::vector<std::string>* problems = nullptr);
};

// True when the pattern holds exactly one %d and no other conversion ("%%" is a literal %).
bool IsValidSerialPattern(const std::string& pattern);
// The device path of serial port n (1..72). Precondition: IsValidSerialPattern(pattern).
std::string SerialPortPath(const std::string& pattern, int portNumber);
// Parses a TCP port 1..65535 from decimal text.
bool ParsePort(const std::string& text, std::uint16_t& port);

}  // namespace plenum::comm
