// plenum-sim: simulated loudspeakers that speak the device side of the wire protocol.
//
// Every simulated device keeps its own memory map (status record at 0, live program at 384,
// program slot k at 16384 x (k + 1) + 384), frames requests from the device's side with its own
// tables, answers with the reply lengths the protocol fixes for its family (SAT or SUB) and can be
// told to misbehave (faults) while it runs. One `Simulator` serves any number of devices on one
// I/O thread; each device listens on its own loopback address and, optionally, on a pty that
// stands in for the USB serial link.
//
// A device answers identify sent to bus id 0 and every other request sent to its own bus id or
// to 0; requests for another bus id are logged and get no reply, as on a shared bus.
//
// Nothing here shares code with the application's own framing (src/comm): a request that the host
// encodes wrongly is decoded by a different reading of the protocol and shows up as a failed test.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "sim/FirmwareLoader.h"

namespace plenum::sim {

// What a device does wrong on request. Unless stated, a fault acts on the reply only: the device
// still carries out the request (a block write still lands in memory).
enum class Fault {
    None,
    NoReply,           // the request is carried out, nothing is sent back
    Garbled,           // a reply of the right length whose first and last bytes are not 0xF0 / 0xF7
    AllZero,           // a reply of the right length made of 0x00 bytes only
    Late,              // the right reply, sent after the late delay (setLateDelay)
    CloseConnection,   // the connection is closed on receipt; the request is not carried out
                       // (on the pty, where a cable cannot hang up, the request is just lost)
    RefuseConnection,  // the device stops listening and drops its connections, so connects are
                       // refused; not counted (no request reaches it): lasts until setFault(None)
    BadIdentify,       // identify replies carry a byte 4 other than 0x78; counts identify requests only
    ShortReply,        // the right reply without its last byte (0xF7)
};

// The device-side text of a fault ("none", "no-reply", "garbled", "all-zero", "late", "close",
// "refuse", "bad-identify", "short") and back; FaultFromName returns false on an unknown name.
const char* FaultName(Fault fault);
bool FaultFromName(const std::string& name, Fault& fault);

struct DeviceConfig {
    std::string host = "127.0.0.2";
    std::uint16_t port = 0;      // 0 = the simulator's common port (one ephemeral port chosen
                                 // at start and shared by every device that asks for 0, each on
                                 // its own loopback address, since the application uses one
                                 // device port for all addresses)
    std::uint8_t modelCode = 0;  // 1 = SUB, anything else SAT
    std::uint8_t variant = 0;    // hardware variant (status byte 265)
    std::array<std::uint8_t, 3> firmware{0, 3, 4};  // status bytes 1..3 (version 34)
    std::string uniqueId = "0011223344AA";          // 12 hex digits, 6 bytes on the wire
    std::string name = "SIM DEVICE";                // status bytes 5..20
    std::uint8_t busId = 1;
    std::string ptyPath;  // non-empty: also serve the USB link on a pty whose slave is linked here
    std::string logPath;  // non-empty: frame log, one frame per line in hex with a time stamp
    // Beyond the minimum: the low four bits of identify byte 12, the link mode a network
    // connection reports in identify byte 5 (1 WLAN, 2 LAN; the pty always reports 0 USB) and the
    // seed of the meter generator, so that meter sequences repeat from run to run.
    std::uint8_t hwFamily = 0;
    std::uint8_t networkLinkMode = 2;
    std::uint32_t meterSeed = 1;
};

struct LoggedFrame {
    bool fromHost;
    std::vector<std::uint8_t> bytes;
    double secondsSinceStart;
};

class Simulator;
struct DeviceImpl;

class SimulatedDevice {  // every member is thread-safe
  public:
    ~SimulatedDevice();
    SimulatedDevice(const SimulatedDevice&) = delete;
    SimulatedDevice& operator=(const SimulatedDevice&) = delete;

    const DeviceConfig& config() const;
    std::uint16_t port() const;        // the TCP port actually bound
    std::string ptySlavePath() const;  // "" without a pty
    // Bytes outside the memory map read as 0; writes outside it are ignored.
    std::vector<std::uint8_t> readMemory(std::uint32_t address, std::size_t length) const;
    void writeMemory(std::uint32_t address, std::span<const std::uint8_t> bytes);
    // A use of the device's own panel: the next meter reply reports `statusByte` in its panel row.
    void reportPanelEvent(std::uint8_t statusByte);
    // The fault affects `count` requests (-1: until setFault(Fault::None); 0: clears it) once the
    // next `after` requests have been served as usual: a device that drops off in the middle of a
    // transfer.
    void setFault(Fault fault, int count = -1, int after = 0);
    void setLateDelay(std::chrono::milliseconds delay);  // for Fault::Late (default 300 ms)
    // A slow network: every reply leaves this long after its request arrived (0, the default:
    // at once). Independent of the faults; a late reply waits for both.
    void setLatency(std::chrono::milliseconds latency);
    std::vector<LoggedFrame> frames() const;             // every frame received and sent, in order (the
                                                         // host's one-byte acknowledge included; a reply is
                                                         // logged as it is handed to the link). Memory keeps
                                                         // the latest 50 000 to 100 000; the file keeps all.
    std::vector<std::uint8_t> receivedCodes() const;     // command code of each request received
    int acknowledgesReceived() const;                    // single 0x00 bytes received between frames
    void clearLog();
    // The firmware loader: failure injection (see DeviceLoader::setFailure) and its session state.
    void setLoaderFailure(LoaderFailure failure, int count = 1);
    LoaderSnapshot loaderSnapshot() const;

  private:
    friend class Simulator;
    explicit SimulatedDevice(std::unique_ptr<DeviceImpl> impl);
    std::unique_ptr<DeviceImpl> impl_;
};

class Simulator {  // runs its own I/O thread; the destructor stops it
  public:
    Simulator();
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Binds at once (after start()) or at start(); throws std::system_error when an address or
    // port cannot be bound and std::invalid_argument on a bad configuration (unique ID, host).
    SimulatedDevice& add(DeviceConfig config);  // allowed before and after start()
    void start();                               // returns once every device is listening
    void stop();
    std::size_t size() const;
    SimulatedDevice& device(std::size_t index);
    std::uint16_t commonPort() const;
    // The clock of the frame logs (LoggedFrame::secondsSinceStart), read now.
    double secondsSinceStart() const;
    // Before the first device that asks for the common port is bound: use this port instead of an
    // ephemeral one (the command line's --device-port).
    void setCommonPort(std::uint16_t port);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace plenum::sim
