// Median round trip of one SendCommand against a simulated loudspeaker on loopback, for a short
// command (13 bytes out, 5 back) and a 192-byte block read (13 out, 197 back), beside the physical
// limit measured in the same run: a bare blocking-socket client and server exchanging the same
// sizes. Also shown: the bare client against the simulator, which separates the simulator's own
// cost from the transaction's.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "comm/AsioNetwork.h"
#include "comm/AsioSerial.h"
#include "comm/DeviceComm.h"
#include "sim/Simulator.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace plenum;

std::map<std::string, double> g_medianMicros;

double MedianMicros(std::vector<double>& samples) {
    if (samples.empty()) return 0;
    std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(samples.size() / 2), samples.end());
    return samples[samples.size() / 2];
}

void Record(benchmark::State& state, const std::string& name, std::vector<double>& samples) {
    const double median = MedianMicros(samples);
    state.counters["median_us"] = median;
    g_medianMicros[name] = median;
}

int NoDelay(int fd) {
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

bool SendAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n, size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool RecvAll(int fd, std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::recv(fd, data, size, 0);
        if (n <= 0) return false;
        data += n, size -= static_cast<std::size_t>(n);
    }
    return true;
}

// A bare server: reads 13-byte requests and answers each with `replySize` bytes.
class BareServer {
public:
    explicit BareServer(std::size_t replySize) : replySize_(replySize) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(listener_, 1);
        socklen_t length = sizeof address;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~BareServer() {
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        thread_.join();
    }
    std::uint16_t port() const { return port_; }

private:
    void serve() {
        const int fd = ::accept(listener_, nullptr, nullptr);
        if (fd < 0) return;
        NoDelay(fd);
        std::vector<std::uint8_t> request(13), reply(replySize_, 0x55);
        while (RecvAll(fd, request.data(), request.size()) && SendAll(fd, reply.data(), reply.size())) {
        }
        ::close(fd);
    }
    std::size_t replySize_;
    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::thread thread_;
};

int ConnectBare(const char* host, std::uint16_t port) {
    const int fd = NoDelay(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    ::inet_pton(AF_INET, host, &address.sin_addr);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

const std::vector<std::uint8_t> kShortRequest{0xF0, 0x78, 1, 0x05, 3, 0, 0, 0, 0, 0, 0, 0, 0xF7};
const std::vector<std::uint8_t> kBlockRequest{0xF0, 0x78, 1, 0x16, 0, 1, 0x80, 0, 192, 0, 0, 0, 0xF7};

// `acknowledge` sends the host's one-byte acknowledge after each reply; `timeAcknowledge` counts
// it in the round trip, as SendCommand does.
void BareLoop(benchmark::State& state, const std::string& name, int fd, const std::vector<std::uint8_t>& request,
              std::size_t replySize, bool acknowledge, bool timeAcknowledge = false) {
    std::vector<std::uint8_t> reply(replySize);
    std::vector<double> samples;
    const std::uint8_t ack = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!SendAll(fd, request.data(), request.size()) || !RecvAll(fd, reply.data(), reply.size())) {
            state.SkipWithError("bare exchange failed");
            break;
        }
        if (acknowledge && timeAcknowledge) SendAll(fd, &ack, 1);
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        if (acknowledge && !timeAcknowledge) SendAll(fd, &ack, 1);
    }
    Record(state, name, samples);
}

void BM_BareSocket(benchmark::State& state) {
    const std::size_t replySize = static_cast<std::size_t>(state.range(0));
    BareServer server(replySize);
    const int fd = ConnectBare("127.0.0.1", server.port());
    BareLoop(state, "bare/" + std::to_string(replySize), fd, kShortRequest, replySize, false);
    ::close(fd);
}

struct SimFixture {
    sim::Simulator simulator;
    sim::SimulatedDevice* device = nullptr;
    SimFixture() {
        sim::DeviceConfig config;
        config.host = "127.0.0.2";
        config.busId = 1;
        device = &simulator.add(config);
        simulator.start();
    }
};

void BM_BareClientToSim(benchmark::State& state) {
    const std::size_t replySize = static_cast<std::size_t>(state.range(0));
    SimFixture fixture;
    const int fd = ConnectBare("127.0.0.2", fixture.device->port());
    BareLoop(state, "bare-sim/" + std::to_string(replySize), fd, replySize == 5 ? kShortRequest : kBlockRequest,
             replySize, true);
    ::close(fd);
}

void BM_BareClientToSimWithAck(benchmark::State& state) {
    const std::size_t replySize = static_cast<std::size_t>(state.range(0));
    SimFixture fixture;
    const int fd = ConnectBare("127.0.0.2", fixture.device->port());
    BareLoop(state, "bare-sim-ack/" + std::to_string(replySize), fd, replySize == 5 ? kShortRequest : kBlockRequest,
             replySize, true, true);
    ::close(fd);
}

void BM_SendCommand(benchmark::State& state) {
    const bool block = state.range(0) == 197;
    SimFixture fixture;
    AppContext ctx;
    comm::AsioNetworkTransport network;
    comm::AsioSerialTransport serial;
    ScriptedPrompter prompter;
    comm::SteadySleeper sleeper;
    comm::DeviceComm comm(ctx, network, serial, prompter, sleeper, comm::LinkSettings{fixture.device->port(), "/dev/null%d"});
    DeviceRecord& record = ctx.device(1);
    record.Present = record.Connected = kTrue16;
    record.LinkMode = kLinkLan;
    record.Address = "127.0.0.2";
    ctx.DeviceIdTable[1] = 1;
    if (!comm::IsOk(network.TcpConnect(1, record.Address, fixture.device->port(), comm::Millis{1000}))) {
        state.SkipWithError("cannot connect to the simulator");
        return;
    }
    const comm::CommandParams params = block ? comm::CommandParams{0, 1, 0x80, 0, 192} : comm::CommandParams{3};
    const std::uint8_t code = block ? 22 : 5;
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (comm.SendCommand(1, code, params) != 0 || comm.BadReply) {
            state.SkipWithError("SendCommand failed");
            break;
        }
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    Record(state, std::string("send/") + std::to_string(state.range(0)), samples);
}

BENCHMARK(BM_BareSocket)->Arg(5)->Arg(197)->Iterations(20000);
BENCHMARK(BM_BareClientToSim)->Arg(5)->Arg(197)->Iterations(20000);
BENCHMARK(BM_BareClientToSimWithAck)->Arg(5)->Arg(197)->Iterations(20000);
BENCHMARK(BM_SendCommand)->Arg(5)->Arg(197)->Iterations(20000);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("\nMedian round trip on loopback (us); target: SendCommand within 1.5 x the bare socket\n");
    std::printf("bare: bare client and server; bare->sim: bare client to the simulator; +ack: also sending the\n"
                "host's one-byte acknowledge inside the round trip, as the protocol (and SendCommand) does\n");
    std::printf("%-26s %8s %10s %15s %12s %12s %14s\n", "exchange", "bare", "bare->sim", "bare->sim+ack",
                "SendCommand", "vs bare", "vs bare+ack");
    for (const int size : {5, 197}) {
        const std::string suffix = "/" + std::to_string(size);
        const double bare = g_medianMicros["bare" + suffix];
        const double bareSim = g_medianMicros["bare-sim" + suffix];
        const double bareSimAck = g_medianMicros["bare-sim-ack" + suffix];
        const double send = g_medianMicros["send" + suffix];
        std::printf("%-26s %8.1f %10.1f %15.1f %12.1f %11.2fx%s %13.2fx\n",
                    size == 5 ? "13 out, 5 back (short)" : "13 out, 197 back (block)", bare, bareSim, bareSimAck,
                    send, bare > 0 ? send / bare : 0.0, bare > 0 && send / bare <= 1.5 ? " " : "!",
                    bareSimAck > 0 ? send / bareSimAck : 0.0);
    }
    std::printf("(! = over the 1.5 x target)\n");
    return 0;
}
