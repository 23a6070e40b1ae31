// A bare host for simulator tests: builds request frames by hand and talks to a device over a
// plain POSIX socket or a pty, every wait bounded by a time-out.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace plenum::sim::test {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

inline Bytes ShortFrame(std::uint8_t busId, std::uint8_t code,
                        std::initializer_list<std::uint8_t> params = {}) {
    Bytes frame = {0xF0, 0x78, busId, code, 0, 0, 0, 0, 0, 0, 0, 0, 0xF7};
    std::size_t i = 4;
    for (std::uint8_t p : params) frame[i++] = p;
    return frame;
}

inline Bytes BlockReadFrame(std::uint8_t busId, std::uint32_t address, std::size_t length) {
    return ShortFrame(busId, 0x16,
                      {std::uint8_t(address >> 16), std::uint8_t(address >> 8), std::uint8_t(address),
                       std::uint8_t(length >> 8), std::uint8_t(length)});
}

// Frames with a payload are sized first and then filled: g++ 12 at -O3 mistakes an insert into
// a vector built from a short brace list for an out-of-bounds copy (-Warray-bounds).
inline Bytes BlockWriteFrame(std::uint8_t busId, std::uint32_t address, const Bytes& data) {
    Bytes frame(data.size() + 10);
    const std::uint8_t head[] = {0xF0,
                                 0x78,
                                 busId,
                                 0x17,
                                 std::uint8_t(address >> 16),
                                 std::uint8_t(address >> 8),
                                 std::uint8_t(address),
                                 std::uint8_t(data.size() >> 8),
                                 std::uint8_t(data.size())};
    std::copy(std::begin(head), std::end(head), frame.begin());
    std::copy(data.begin(), data.end(), frame.begin() + 9);
    frame.back() = 0xF7;
    return frame;
}

inline Bytes NineByteFrame(std::uint8_t busId, const Bytes& payload) {
    Bytes frame(payload.size() + 5);
    frame[0] = 0xF0;
    frame[1] = 0x78;
    frame[2] = busId;
    frame[3] = 0x07;
    std::copy(payload.begin(), payload.end(), frame.begin() + 4);
    frame.back() = 0xF7;
    return frame;
}

// One file descriptor (socket or pty slave) with bounded reads.
class WireEnd {
  public:
    WireEnd() = default;
    explicit WireEnd(int fd) : fd_(fd) {}
    WireEnd(WireEnd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    WireEnd& operator=(WireEnd&& other) noexcept {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~WireEnd() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool isOpen() const { return fd_ >= 0; }

    bool send(const Bytes& bytes) const {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = SendOrWrite(fd_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    // Reads until `count` bytes arrived, the peer closed, or `timeout` passed; returns what came.
    Bytes receive(std::size_t count, std::chrono::milliseconds timeout = 2000ms) {
        Bytes bytes;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        peerClosed_ = false;
        while (bytes.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd fd{fd_, POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) break;
            std::uint8_t buffer[4096];
            const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (n <= 0) {
                peerClosed_ = true;
                break;
            }
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }

    Bytes transact(const Bytes& request, std::size_t replyLength,
                   std::chrono::milliseconds timeout = 2000ms) {
        if (!send(request)) return {};
        return receive(replyLength, timeout);
    }

    // True when the peer closed the connection within `timeout` (no data expected meanwhile).
    bool closedByPeer(std::chrono::milliseconds timeout = 2000ms) {
        receive(1, timeout);
        return peerClosed_;
    }

  private:
    static ssize_t SendOrWrite(int fd, const void* data, std::size_t size) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK) return ::write(fd, data, size);
        return n;
    }
    int fd_ = -1;
    bool peerClosed_ = false;
};

// Connects to host:port on loopback; an unopened WireEnd when the connection fails or is refused.
inline WireEnd Connect(const std::string& host, std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    ::inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return WireEnd();
    }
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return WireEnd(fd);
}

// Opens a serial device (the simulator's pty slave) raw, as the host's serial object would.
inline WireEnd OpenSerial(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return WireEnd();
    termios settings{};
    ::tcgetattr(fd, &settings);
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B57600);
    ::cfsetospeed(&settings, B57600);
    ::tcsetattr(fd, TCSANOW, &settings);
    return WireEnd(fd);
}

}  // namespace plenum::sim::test
