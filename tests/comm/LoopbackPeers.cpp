#include "LoopbackPeers.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <asio/io_context.hpp>
#include <asio/ip/tcp.hpp>
#include <asio/write.hpp>
#include <list>
#include <stdexcept>

namespace plenum::comm::test {

using asio::ip::tcp;

struct LoopbackServer::Impl {
    asio::io_context io;
    tcp::acceptor acceptor{io, tcp::endpoint(asio::ip::address_v4::loopback(), 0)};
    std::mutex mutex;
    Responder responder = [](const Bytes&) { return Bytes{}; };
    std::thread thread;

    struct Session : std::enable_shared_from_this<Session> {
        Session(Impl& owner, tcp::socket socket) : owner(owner), socket(std::move(socket)) {}
        Impl& owner;
        tcp::socket socket;
        std::array<std::uint8_t, 4096> buffer{};
        void read() {
            socket.async_read_some(asio::buffer(buffer), [self = shared_from_this()](std::error_code error, std::size_t n) {
                if (error) return;
                Bytes answer;
                {
                    std::lock_guard lock(self->owner.mutex);
                    answer = self->owner.responder(Bytes(self->buffer.begin(), self->buffer.begin() + static_cast<std::ptrdiff_t>(n)));
                }
                std::error_code ignored;
                if (!answer.empty()) asio::write(self->socket, asio::buffer(answer), ignored);
                self->read();
            });
        }
    };

    void accept() {
        acceptor.async_accept([this](std::error_code error, tcp::socket socket) {
            if (error) return;
            socket.set_option(tcp::no_delay(true));
            std::make_shared<Session>(*this, std::move(socket))->read();
            accept();
        });
    }
};

LoopbackServer::LoopbackServer() : impl_(std::make_unique<Impl>()) {
    port_ = impl_->acceptor.local_endpoint().port();
    impl_->accept();
    impl_->thread = std::thread([this] { impl_->io.run(); });
}

LoopbackServer::~LoopbackServer() {
    impl_->io.stop();
    impl_->thread.join();
}

void LoopbackServer::setResponder(Responder responder) {
    std::lock_guard lock(impl_->mutex);
    impl_->responder = std::move(responder);
}

PtyPeer::PtyPeer() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        throw std::runtime_error("no pty available");
    slavePath_ = ::ptsname(master_);
    responder_ = [](const Bytes&) { return Bytes{}; };
    thread_ = std::thread([this] { run(); });
}

PtyPeer::~PtyPeer() {
    stop_ = true;
    thread_.join();
    ::close(master_);
}

void PtyPeer::setResponder(Responder responder) {
    std::lock_guard lock(mutex_);
    responder_ = std::move(responder);
}

void PtyPeer::run() {
    std::array<std::uint8_t, 4096> buffer{};
    while (!stop_) {
        pollfd entry{master_, POLLIN, 0};
        if (::poll(&entry, 1, 20) <= 0 || (entry.revents & POLLIN) == 0) {
            if (entry.revents & POLLHUP) ::usleep(5000);  // no slave open yet
            continue;
        }
        const ssize_t n = ::read(master_, buffer.data(), buffer.size());
        if (n <= 0) continue;
        Bytes answer;
        {
            std::lock_guard lock(mutex_);
            answer = responder_(Bytes(buffer.begin(), buffer.begin() + n));
        }
        if (!answer.empty() && ::write(master_, answer.data(), answer.size()) < 0) continue;
    }
}

}  // namespace plenum::comm::test
