// Real far ends for the contract tests: a TCP server on 127.0.0.1 and a pty pair, each answering
// through a Responder on its own thread. Both stop by themselves in their destructors.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "Scripted.h"

namespace plenum::comm::test {

class LoopbackServer {
public:
    LoopbackServer();  // listens on 127.0.0.1, ephemeral port
    ~LoopbackServer();
    std::uint16_t port() const { return port_; }
    void setResponder(Responder responder);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::uint16_t port_ = 0;
};

class PtyPeer {
public:
    PtyPeer();  // opens a pty pair; the device path is slavePath()
    ~PtyPeer();
    const std::string& slavePath() const { return slavePath_; }
    void setResponder(Responder responder);

private:
    void run();
    int master_ = -1;
    std::string slavePath_;
    std::mutex mutex_;
    Responder responder_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace plenum::comm::test
