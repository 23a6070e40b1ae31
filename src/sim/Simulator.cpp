// The simulator's I/O: one asio thread serves every device's TCP listener, its connections and its
// pty. The device logic (DeviceModel) and the fault and log bookkeeping sit behind one mutex per
// device so that tests may inspect and steer a device from their own thread at any time.
#include "sim/Simulator.h"

#include <algorithm>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <asio.hpp>
#include <cerrno>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <list>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "sim/DeviceModel.h"
#include "sim/RequestFramer.h"

namespace plenum::sim {

namespace {

using Clock = std::chrono::steady_clock;

// A partial request that sees no new byte for this long is given up (resynchronisation after a
// host stopped mid-frame, or garbage that looked like the head of a long block write).
constexpr std::chrono::milliseconds kQuietGap{250};
constexpr std::chrono::milliseconds kDefaultLateDelay{300};
constexpr std::uint8_t kBadIdentifyTag = 0x87;
// The in-memory log keeps the most recent frames only, so that a simulator polled for hours does
// not grow without bound; past the limit the older half is forgotten.
constexpr std::size_t kMaxLoggedFrames = 100000;

template <typename T>
void Remember(std::vector<T>& log, T entry) {
    if (log.size() >= kMaxLoggedFrames) log.erase(log.begin(), log.begin() + kMaxLoggedFrames / 2);
    log.push_back(std::move(entry));
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i) text.push_back(' ');
        text.push_back(digits[bytes[i] >> 4]);
        text.push_back(digits[bytes[i] & 0x0F]);
    }
    return text;
}

struct FaultNameEntry {
    Fault fault;
    const char* name;
};
constexpr FaultNameEntry kFaultNames[] = {
    {Fault::None, "none"},
    {Fault::NoReply, "no-reply"},
    {Fault::Garbled, "garbled"},
    {Fault::AllZero, "all-zero"},
    {Fault::Late, "late"},
    {Fault::CloseConnection, "close"},
    {Fault::RefuseConnection, "refuse"},
    {Fault::BadIdentify, "bad-identify"},
    {Fault::ShortReply, "short"},
};

}  // namespace

const char* FaultName(Fault fault) {
    for (const auto& entry : kFaultNames) {
        if (entry.fault == fault) return entry.name;
    }
    return "?";
}

bool FaultFromName(const std::string& name, Fault& fault) {
    for (const auto& entry : kFaultNames) {
        if (name == entry.name) {
            fault = entry.fault;
            return true;
        }
    }
    return false;
}

// What the device decided to do with one request.
struct Outcome {
    std::vector<std::uint8_t> reply;  // empty: nothing is sent
    std::chrono::milliseconds delay{0};
    bool closeConnection = false;
};

class Link;

// Everything about one device: its model and bookkeeping (under `mutex`) and its I/O objects (used
// on the I/O thread only).
struct DeviceImpl {
    DeviceImpl(DeviceConfig cfg, const DeviceIdentity& identity, asio::io_context& ioContext,
               Clock::time_point t0, std::function<void(std::function<void()>)> onIo)
        : config(std::move(cfg)),
          io(ioContext),
          startTime(t0),
          runOnIo(std::move(onIo)),
          model(identity, config.meterSeed),
          acceptor(ioContext) {}

    // --- bookkeeping, any thread ---
    Outcome onRequest(std::span<const std::uint8_t> frame, LinkKind link);
    void onAcknowledge();
    void onDropped(std::span<const std::uint8_t> bytes);
    void onSent(std::span<const std::uint8_t> bytes);
    double now() const { return std::chrono::duration<double>(Clock::now() - startTime).count(); }
    void logLine(double seconds, const char* direction, std::span<const std::uint8_t> bytes);

    // --- I/O thread ---
    void listen(std::uint16_t port);  // binds and listens; throws std::system_error
    void startAccepting();
    void stopListening();
    void closeLinks();
    void openPty();  // throws std::system_error
    void closePty();

    const DeviceConfig config;
    asio::io_context& io;
    const Clock::time_point startTime;
    const std::function<void(std::function<void()>)> runOnIo;

    mutable std::mutex mutex;
    DeviceModel model;
    Fault fault = Fault::None;
    int faultCount = -1;
    int faultAfter = 0;  // requests still served as usual before the fault starts
    std::chrono::milliseconds lateDelay = kDefaultLateDelay;
    std::chrono::milliseconds latency{0};
    std::vector<LoggedFrame> frames;
    std::vector<std::uint8_t> codes;
    int acknowledges = 0;
    std::ofstream logFile;
    std::uint16_t boundPort = 0;
    std::string ptySlave;
    bool refusing = false;

    asio::ip::tcp::acceptor acceptor;
    std::list<std::shared_ptr<Link>> links;
    int ptySlaveFd = -1;
};

// One connection to the host (a TCP socket or the pty master): frames what arrives, hands requests
// to the device one at a time and sends the replies in order.
class Link : public std::enable_shared_from_this<Link> {
  public:
    Link(DeviceImpl& device, LinkKind kind)
        : device_(device),
          kind_(kind),
          framer_(kind == LinkKind::Network),
          quietTimer_(device.io),
          lateTimer_(device.io) {}
    virtual ~Link() = default;

    void start() { readMore(); }
    void close() {
        if (closed_) return;
        closed_ = true;
        quietTimer_.cancel();
        lateTimer_.cancel();
        closeStream();
    }
    LinkKind kind() const { return kind_; }

  protected:
    virtual void asyncRead(std::span<std::uint8_t> buffer,
                           std::function<void(std::error_code, std::size_t)> done) = 0;
    virtual void asyncWrite(std::span<const std::uint8_t> bytes,
                            std::function<void(std::error_code)> done) = 0;
    virtual void closeStream() = 0;

  private:
    void readMore() {
        if (closed_) return;
        auto self = shared_from_this();
        asyncRead(readBuffer_, [self](std::error_code error, std::size_t count) {
            if (self->closed_) return;
            if (error) {
                self->finish();
                return;
            }
            self->take(std::span<const std::uint8_t>(self->readBuffer_.data(), count));
            self->readMore();
        });
    }

    void take(std::span<const std::uint8_t> bytes) {
        std::vector<FramerEvent> events;
        framer_.feed(bytes, events);
        dispatch(events);
        if (framer_.hasPartial()) armQuietTimer();
    }

    void armQuietTimer() {
        quietTimer_.expires_after(kQuietGap);
        auto self = shared_from_this();
        quietTimer_.async_wait([self](std::error_code error) {
            if (error || self->closed_ || !self->framer_.hasPartial()) return;
            std::vector<FramerEvent> events;
            self->framer_.abandonPartial(events);
            self->dispatch(events);
            if (self->framer_.hasPartial()) self->armQuietTimer();
        });
    }

    void dispatch(std::vector<FramerEvent>& events) {
        for (auto& event : events) {
            switch (event.kind) {
                case FramerEvent::Kind::Request:
                    requests_.push_back(std::move(event.bytes));
                    break;
                case FramerEvent::Kind::Acknowledge:
                    device_.onAcknowledge();
                    break;
                case FramerEvent::Kind::Dropped:
                    device_.onDropped(event.bytes);
                    break;
            }
        }
        processNext();
    }

    // Requests are answered strictly in order: a late reply holds back the ones behind it.
    void processNext() {
        while (!closed_ && !busy_ && !requests_.empty()) {
            const std::vector<std::uint8_t> frame = std::move(requests_.front());
            requests_.pop_front();
            Outcome outcome = device_.onRequest(frame, kind_);
            if (outcome.closeConnection) {
                // A cable cannot be hung up: on the USB link the request is just lost.
                if (kind_ == LinkKind::Usb) continue;
                finish();
                return;
            }
            if (outcome.reply.empty()) continue;
            if (outcome.delay.count() > 0) {
                busy_ = true;
                lateTimer_.expires_after(outcome.delay);
                auto self = shared_from_this();
                lateTimer_.async_wait(
                    [self, reply = std::move(outcome.reply)](std::error_code error) mutable {
                        if (error || self->closed_) return;
                        self->busy_ = false;
                        self->send(std::move(reply));
                        self->processNext();
                    });
                return;
            }
            send(std::move(outcome.reply));
        }
    }

    void send(std::vector<std::uint8_t> reply) {
        outbox_.push_back(std::move(reply));
        if (!writing_) writeNext();
    }

    void writeNext() {
        if (closed_ || outbox_.empty()) {
            writing_ = false;
            return;
        }
        writing_ = true;
        // Logged as it is handed to the link, so that a host holding the reply finds it logged.
        device_.onSent(outbox_.front());
        auto self = shared_from_this();
        asyncWrite(outbox_.front(), [self](std::error_code error) {
            if (self->closed_) return;
            if (error) {
                self->finish();
                return;
            }
            self->outbox_.pop_front();
            self->writeNext();
        });
    }

    // The host went away or the device hangs up: a TCP link ends here; the pty stays (the device
    // does not own the other end of the cable).
    void finish() {
        close();
        auto self = shared_from_this();
        device_.links.remove(self);
    }

    DeviceImpl& device_;
    LinkKind kind_;
    RequestFramer framer_;
    asio::steady_timer quietTimer_;
    asio::steady_timer lateTimer_;
    std::array<std::uint8_t, 1024> readBuffer_{};
    std::deque<std::vector<std::uint8_t>> requests_;
    std::deque<std::vector<std::uint8_t>> outbox_;
    bool busy_ = false;
    bool writing_ = false;
    bool closed_ = false;
};

class TcpLink final : public Link {
  public:
    TcpLink(DeviceImpl& device, asio::ip::tcp::socket socket)
        : Link(device, LinkKind::Network), socket_(std::move(socket)) {
        std::error_code ignored;
        socket_.set_option(asio::ip::tcp::no_delay(true), ignored);
    }

  private:
    void asyncRead(std::span<std::uint8_t> buffer,
                   std::function<void(std::error_code, std::size_t)> done) override {
        socket_.async_read_some(asio::buffer(buffer.data(), buffer.size()), std::move(done));
    }
    void asyncWrite(std::span<const std::uint8_t> bytes, std::function<void(std::error_code)> done) override {
        asio::async_write(socket_, asio::buffer(bytes.data(), bytes.size()),
                          [done = std::move(done)](std::error_code error, std::size_t) { done(error); });
    }
    void closeStream() override {
        std::error_code ignored;
        socket_.shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
        socket_.close(ignored);
    }
    asio::ip::tcp::socket socket_;
};

class PtyLink final : public Link {
  public:
    PtyLink(DeviceImpl& device, int masterFd) : Link(device, LinkKind::Usb), master_(device.io, masterFd) {}

  private:
    void asyncRead(std::span<std::uint8_t> buffer,
                   std::function<void(std::error_code, std::size_t)> done) override {
        master_.async_read_some(asio::buffer(buffer.data(), buffer.size()), std::move(done));
    }
    void asyncWrite(std::span<const std::uint8_t> bytes, std::function<void(std::error_code)> done) override {
        asio::async_write(master_, asio::buffer(bytes.data(), bytes.size()),
                          [done = std::move(done)](std::error_code error, std::size_t) { done(error); });
    }
    void closeStream() override {
        std::error_code ignored;
        master_.close(ignored);
    }
    asio::posix::stream_descriptor master_;
};

// ---------------------------------------------------------------------------------------------
// DeviceImpl

Outcome DeviceImpl::onRequest(std::span<const std::uint8_t> frame, LinkKind link) {
    std::lock_guard lock(mutex);
    const double t = now();
    Remember(frames, LoggedFrame{true, {frame.begin(), frame.end()}, t});
    logLine(t, "rx", frame);
    const Request request{frame, link};
    Remember(codes, request.code());

    Fault active = fault;
    if (active == Fault::RefuseConnection) active = Fault::None;
    if (active != Fault::None && faultAfter > 0) {
        --faultAfter;
        active = Fault::None;
    }
    if (active == Fault::BadIdentify && request.code() != static_cast<std::uint8_t>(DeviceCode::Identify)) {
        active = Fault::None;
    }
    if (active != Fault::None && faultCount > 0 && --faultCount == 0) fault = Fault::None;

    Outcome outcome;
    if (active == Fault::CloseConnection) {
        outcome.closeConnection = true;
        return outcome;
    }
    if (!model.addressedToMe(request)) return outcome;
    outcome.reply = model.handle(request);
    std::vector<std::uint8_t>& reply = outcome.reply;
    if (reply.empty()) return outcome;  // the device chose silence (a loader step)
    switch (active) {
        case Fault::NoReply:
            reply.clear();
            break;
        case Fault::Garbled:
            reply.front() = 0x5A;
            reply.back() = 0xA5;
            break;
        case Fault::AllZero:
            std::fill(reply.begin(), reply.end(), 0);
            break;
        case Fault::Late:
            outcome.delay = lateDelay;
            break;
        case Fault::BadIdentify:
            reply[4] = kBadIdentifyTag;
            break;
        case Fault::ShortReply:
            if (reply.size() > 1) reply.pop_back();
            break;
        default:
            break;
    }
    if (!reply.empty()) outcome.delay += latency;
    return outcome;
}

void DeviceImpl::onAcknowledge() {
    std::lock_guard lock(mutex);
    ++acknowledges;
    const double t = now();
    Remember(frames, LoggedFrame{true, {kHostAcknowledge}, t});
    const std::uint8_t ack = kHostAcknowledge;
    logLine(t, "rx", std::span<const std::uint8_t>(&ack, 1));
}

void DeviceImpl::onDropped(std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(mutex);
    logLine(now(), "drop", bytes);
}

void DeviceImpl::onSent(std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(mutex);
    const double t = now();
    Remember(frames, LoggedFrame{false, {bytes.begin(), bytes.end()}, t});
    logLine(t, "tx", bytes);
}

void DeviceImpl::logLine(double seconds, const char* direction, std::span<const std::uint8_t> bytes) {
    if (!logFile.is_open()) return;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.6f", seconds);
    logFile << stamp << ' ' << direction << ' ' << Hex(bytes) << '\n';
    logFile.flush();
}

void DeviceImpl::listen(std::uint16_t port) {
    std::error_code error;
    const asio::ip::address_v4 address = asio::ip::make_address_v4(config.host, error);
    if (error) throw std::invalid_argument("not an IPv4 address: " + config.host);
    const asio::ip::tcp::endpoint endpoint(address, port);
    acceptor.open(endpoint.protocol());
    acceptor.set_option(asio::ip::tcp::acceptor::reuse_address(true));
    acceptor.bind(endpoint, error);
    if (error) {
        acceptor.close();
        throw std::system_error(error, "cannot listen on " + config.host + ":" + std::to_string(port));
    }
    acceptor.listen(asio::socket_base::max_listen_connections);
    std::lock_guard lock(mutex);
    boundPort = acceptor.local_endpoint().port();
}

void DeviceImpl::startAccepting() {
    if (!acceptor.is_open()) return;
    acceptor.async_accept([this](std::error_code error, asio::ip::tcp::socket socket) {
        if (error == asio::error::operation_aborted || !acceptor.is_open()) return;
        if (!error) {
            auto link = std::make_shared<TcpLink>(*this, std::move(socket));
            links.push_back(link);
            link->start();
        }
        startAccepting();
    });
}

void DeviceImpl::stopListening() {
    std::error_code ignored;
    acceptor.close(ignored);
}

void DeviceImpl::closeLinks() {
    for (auto it = links.begin(); it != links.end();) {
        if ((*it)->kind() == LinkKind::Network) {
            (*it)->close();
            it = links.erase(it);
        } else {
            ++it;
        }
    }
}

// A pseudo-terminal stands in for the USB serial adapter: the host opens the slave (published
// under config.ptyPath) as it would open /dev/ttyUSBn. The device keeps a descriptor of the slave
// open itself so that the host closing and reopening the port does not hang up the master.
void DeviceImpl::openPty() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) throw std::system_error(errno, std::generic_category(), "posix_openpt");
    char name[256] = {};
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0) {
        const int saved = errno;
        ::close(master);
        throw std::system_error(saved, std::generic_category(), "pty setup");
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY);
    if (slave < 0) {
        const int saved = errno;
        ::close(master);
        throw std::system_error(saved, std::generic_category(), std::string("open ") + name);
    }
    termios settings{};
    ::tcgetattr(slave, &settings);
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B57600);
    ::cfsetospeed(&settings, B57600);
    ::tcsetattr(slave, TCSANOW, &settings);

    std::error_code error;
    const std::filesystem::path linkPath(config.ptyPath);
    if (std::filesystem::is_symlink(linkPath, error)) std::filesystem::remove(linkPath, error);
    std::filesystem::create_symlink(name, linkPath, error);
    if (error) {
        ::close(slave);
        ::close(master);
        throw std::system_error(error, "cannot link the pty at " + config.ptyPath);
    }
    ptySlaveFd = slave;
    {
        std::lock_guard lock(mutex);
        ptySlave = name;
    }
    auto link = std::make_shared<PtyLink>(*this, master);
    links.push_back(link);
    link->start();
}

void DeviceImpl::closePty() {
    for (auto it = links.begin(); it != links.end();) {
        if ((*it)->kind() == LinkKind::Usb) {
            (*it)->close();
            it = links.erase(it);
        } else {
            ++it;
        }
    }
    if (ptySlaveFd >= 0) {
        ::close(ptySlaveFd);
        ptySlaveFd = -1;
        std::error_code ignored;
        const std::filesystem::path linkPath(config.ptyPath);
        if (std::filesystem::is_symlink(linkPath, ignored) &&
            std::filesystem::read_symlink(linkPath, ignored) == std::filesystem::path(ptySlave)) {
            std::filesystem::remove(linkPath, ignored);
        }
        std::lock_guard lock(mutex);
        ptySlave.clear();
    }
}

// ---------------------------------------------------------------------------------------------
// SimulatedDevice

SimulatedDevice::SimulatedDevice(std::unique_ptr<DeviceImpl> impl) : impl_(std::move(impl)) {}
SimulatedDevice::~SimulatedDevice() = default;

const DeviceConfig& SimulatedDevice::config() const {
    return impl_->config;
}

std::uint16_t SimulatedDevice::port() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->boundPort;
}

std::string SimulatedDevice::ptySlavePath() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->ptySlave;
}

std::vector<std::uint8_t> SimulatedDevice::readMemory(std::uint32_t address, std::size_t length) const {
    std::lock_guard lock(impl_->mutex);
    return impl_->model.read(address, length);
}

void SimulatedDevice::writeMemory(std::uint32_t address, std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(impl_->mutex);
    impl_->model.write(address, bytes);
}

void SimulatedDevice::reportPanelEvent(std::uint8_t statusByte) {
    std::lock_guard lock(impl_->mutex);
    impl_->model.reportPanelEvent(statusByte);
}

// Refusing connections is a change of the listener, made on the I/O thread; setFault returns once
// it is in force, so a test's next connect already sees it.
void SimulatedDevice::setFault(Fault fault, int count, int after) {
    bool refuse = false;
    bool wasRefusing = false;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->fault = fault;
        impl_->faultCount = count == 0 ? -1 : count;
        impl_->faultAfter = std::max(after, 0);
        if (count == 0) impl_->fault = Fault::None;
        refuse = impl_->fault == Fault::RefuseConnection;
        wasRefusing = impl_->refusing;
        impl_->refusing = refuse;
    }
    if (refuse == wasRefusing) return;
    DeviceImpl* device = impl_.get();
    impl_->runOnIo([device, refuse] {
        if (refuse) {
            device->stopListening();
            device->closeLinks();
            return;
        }
        std::uint16_t port = 0;
        {
            std::lock_guard lock(device->mutex);
            port = device->boundPort;
        }
        if (port == 0 || device->acceptor.is_open()) return;
        try {
            device->listen(port);
            device->startAccepting();
        } catch (const std::exception&) {
            // The port was taken meanwhile: the device stays unreachable, as a real one whose
            // network stack failed would.
        }
    });
}

void SimulatedDevice::setLateDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(impl_->mutex);
    impl_->lateDelay = delay;
}

void SimulatedDevice::setLatency(std::chrono::milliseconds latency) {
    std::lock_guard lock(impl_->mutex);
    impl_->latency = latency;
}

std::vector<LoggedFrame> SimulatedDevice::frames() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->frames;
}

std::vector<std::uint8_t> SimulatedDevice::receivedCodes() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->codes;
}

void SimulatedDevice::setLoaderFailure(LoaderFailure failure, int count) {
    std::lock_guard lock(impl_->mutex);
    impl_->model.loader().setFailure(failure, count);
}

LoaderSnapshot SimulatedDevice::loaderSnapshot() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->model.loader().snapshot();
}

int SimulatedDevice::acknowledgesReceived() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->acknowledges;
}

void SimulatedDevice::clearLog() {
    std::lock_guard lock(impl_->mutex);
    impl_->frames.clear();
    impl_->codes.clear();
    impl_->acknowledges = 0;
}

// ---------------------------------------------------------------------------------------------
// Simulator

struct Simulator::Impl {
    asio::io_context io;
    std::optional<asio::executor_work_guard<asio::io_context::executor_type>> work;
    std::thread thread;
    std::thread::id threadId;
    const Clock::time_point startTime = Clock::now();

    mutable std::mutex mutex;  // guards devices, running, commonPort
    std::deque<std::unique_ptr<SimulatedDevice>> devices;
    bool running = false;
    std::uint16_t commonPort = 0;  // 0 until the first device that asks for it is bound

    // Runs `task` on the I/O thread and waits for it; runs it here when the thread is not running
    // (or when this is the I/O thread).
    void runOnIo(const std::function<void()>& task) {
        bool useThread = false;
        {
            std::lock_guard lock(mutex);
            useThread = running && std::this_thread::get_id() != threadId;
        }
        if (!useThread) {
            task();
            return;
        }
        std::promise<void> done;
        asio::post(io, [&] {
            task();
            done.set_value();
        });
        done.get_future().wait();
    }

    // Binds the device (the common port when it asks for 0) and opens its pty. Caller holds no lock.
    void bring(DeviceImpl& device) {
        const bool common = device.config.port == 0;
        std::uint16_t port = device.config.port;
        if (common) {
            std::lock_guard lock(mutex);
            port = commonPort;
        }
        device.listen(port);
        if (common) {
            std::lock_guard lock(mutex);
            if (commonPort == 0) commonPort = device.boundPort;
        }
        if (!device.config.ptyPath.empty()) device.openPty();
        bool refusing = false;
        {
            std::lock_guard lock(device.mutex);
            refusing = device.refusing;
        }
        if (refusing) {
            device.stopListening();  // the port stays reserved in boundPort for setFault(None)
        } else {
            device.startAccepting();
        }
    }
};

Simulator::Simulator() : impl_(std::make_unique<Impl>()) {}

Simulator::~Simulator() {
    stop();
}

SimulatedDevice& Simulator::add(DeviceConfig config) {
    DeviceIdentity identity;
    if (!ParseUniqueId(config.uniqueId, identity.uniqueId)) {
        throw std::invalid_argument("the unique ID must be 12 hexadecimal digits: " + config.uniqueId);
    }
    std::error_code error;
    asio::ip::make_address_v4(config.host, error);
    if (error) throw std::invalid_argument("not an IPv4 address: " + config.host);
    identity.modelCode = config.modelCode;
    identity.hwFamily = config.hwFamily;
    identity.busId = config.busId;
    identity.networkLinkMode = config.networkLinkMode;

    Impl* simulator = impl_.get();
    auto impl =
        std::make_unique<DeviceImpl>(config, identity, impl_->io, impl_->startTime,
                                     [simulator](std::function<void()> task) { simulator->runOnIo(task); });
    impl->model.initialiseMemory(config.firmware, config.name, config.variant);
    impl->model.initialiseNetwork(config.host);
    if (!config.logPath.empty()) {
        impl->logFile.open(config.logPath, std::ios::out | std::ios::app);
        if (!impl->logFile) throw std::invalid_argument("cannot open the frame log " + config.logPath);
    }
    DeviceImpl& device = *impl;
    auto added = std::unique_ptr<SimulatedDevice>(new SimulatedDevice(std::move(impl)));

    bool running = false;
    {
        std::lock_guard lock(impl_->mutex);
        running = impl_->running;
    }
    if (running) {
        std::exception_ptr failure;
        impl_->runOnIo([&] {
            try {
                impl_->bring(device);
            } catch (...) {
                device.stopListening();
                device.closePty();
                failure = std::current_exception();
            }
        });
        if (failure) std::rethrow_exception(failure);
    }
    std::lock_guard lock(impl_->mutex);
    impl_->devices.push_back(std::move(added));
    return *impl_->devices.back();
}

void Simulator::start() {
    std::vector<DeviceImpl*> devices;
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->running) return;
        for (auto& device : impl_->devices) devices.push_back(device->impl_.get());
    }
    // Binding here, before the thread runs, makes start() return only when every device listens.
    // An ephemeral common port is free on the first address only; when another process holds it on
    // a later address, a fresh one is drawn.
    bool choosing = false;
    {
        std::lock_guard lock(impl_->mutex);
        choosing = impl_->commonPort == 0;
    }
    constexpr int kAttempts = 8;
    for (int attempt = 1;; ++attempt) {
        try {
            for (DeviceImpl* device : devices) impl_->bring(*device);
            break;
        } catch (const std::system_error& failure) {
            for (DeviceImpl* device : devices) {
                device->stopListening();
                device->closeLinks();
                device->closePty();
            }
            if (!choosing || attempt == kAttempts || failure.code() != asio::error::address_in_use) throw;
            std::lock_guard lock(impl_->mutex);
            impl_->commonPort = 0;
        } catch (...) {
            for (DeviceImpl* device : devices) {
                device->stopListening();
                device->closeLinks();
                device->closePty();
            }
            throw;
        }
    }
    impl_->io.restart();
    impl_->work.emplace(impl_->io.get_executor());
    std::promise<std::thread::id> started;
    auto id = started.get_future();
    impl_->thread = std::thread([this, &started] {
        started.set_value(std::this_thread::get_id());
        impl_->io.run();
    });
    const std::thread::id threadId = id.get();
    std::lock_guard lock(impl_->mutex);
    impl_->threadId = threadId;
    impl_->running = true;
}

void Simulator::stop() {
    std::vector<DeviceImpl*> devices;
    {
        std::lock_guard lock(impl_->mutex);
        for (auto& device : impl_->devices) devices.push_back(device->impl_.get());
    }
    // Closing every socket, descriptor and timer lets io.run() run out of work and return.
    impl_->runOnIo([&] {
        for (DeviceImpl* device : devices) {
            device->stopListening();
            device->closeLinks();
            device->closePty();
        }
    });
    {
        std::lock_guard lock(impl_->mutex);
        impl_->running = false;
    }
    impl_->work.reset();
    if (impl_->thread.joinable()) impl_->thread.join();
}

std::size_t Simulator::size() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->devices.size();
}

SimulatedDevice& Simulator::device(std::size_t index) {
    std::lock_guard lock(impl_->mutex);
    return *impl_->devices.at(index);
}

double Simulator::secondsSinceStart() const {
    return std::chrono::duration<double>(Clock::now() - impl_->startTime).count();
}

std::uint16_t Simulator::commonPort() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->commonPort;
}

void Simulator::setCommonPort(std::uint16_t port) {
    std::lock_guard lock(impl_->mutex);
    impl_->commonPort = port;
}

}  // namespace plenum::sim
