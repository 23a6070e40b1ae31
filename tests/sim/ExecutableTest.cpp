// plenum-sim as scripts use it: started by pid, waited for through its readiness line, stopped by a
// signal to that pid only.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#include "sim/WireClient.h"
#include "support/TempDir.h"

extern char** environ;

namespace plenum::sim {
namespace {

using namespace std::chrono_literals;
using test::Bytes;

// One child process with its standard streams on pipes; killed and reaped if a test leaves it.
class SimProcess {
  public:
    explicit SimProcess(const std::vector<std::string>& arguments,
                        const std::vector<std::string>& extraEnv = {}) {
        int in[2], out[2], err[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        std::vector<std::string> args = {PLENUM_SIM_EXE};
        args.insert(args.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            if (std::string(*e).rfind("PLENUM_DEVICE_PORT=", 0) != 0) env.emplace_back(*e);
        }
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        std::vector<char*> envp;
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        if (::posix_spawn(&pid_, PLENUM_SIM_EXE, &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        ::close(err[1]);
        stdin_ = in[1];
        stdout_ = out[0];
        stderr_ = err[0];
    }
    ~SimProcess() {
        if (pid_ > 0 && !exitStatus_) {
            ::kill(pid_, SIGKILL);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
        for (int fd : {stdin_, stdout_, stderr_}) {
            if (fd >= 0) ::close(fd);
        }
    }
    pid_t pid() const { return pid_; }

    std::optional<std::string> readLine(std::chrono::milliseconds timeout = 5000ms) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (auto newline = outBuffer_.find('\n'); newline != std::string::npos) {
                std::string line = outBuffer_.substr(0, newline);
                outBuffer_.erase(0, newline + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd fd{stdout_, POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
            char buffer[512];
            const ssize_t n = ::read(stdout_, buffer, sizeof buffer);
            if (n <= 0) return std::nullopt;
            outBuffer_.append(buffer, static_cast<std::size_t>(n));
        }
    }

    std::string readAllStderr() {
        std::string text;
        char buffer[512];
        for (ssize_t n; (n = ::read(stderr_, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<std::size_t>(n));
        return text;
    }

    void write(const std::string& text) {
        ASSERT_EQ(::write(stdin_, text.data(), text.size()), ssize_t(text.size()));
    }
    void signal(int number) { ::kill(pid_, number); }

    // The exit code, or nullopt when the process is still running after `timeout`.
    std::optional<int> waitExit(std::chrono::milliseconds timeout = 5000ms) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!exitStatus_ && std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
        return exitStatus_;
    }

  private:
    pid_t pid_ = -1;
    int stdin_ = -1, stdout_ = -1, stderr_ = -1;
    std::string outBuffer_;
    std::optional<int> exitStatus_;
};

// "listening 127.0.0.2:40123 model ..." -> 40123
std::uint16_t PortOf(const std::string& line) {
    const auto colon = line.find(':');
    return static_cast<std::uint16_t>(std::stoi(line.substr(colon + 1)));
}

TEST(SimExecutableTest, AnnouncesItselfServesAndStopsOnSigterm) {
    SimProcess sim({"--listen", "127.0.0.2:0", "--model", "1", "--name", "SUBBY", "--uid", "0AFF009C4107",
                    "--bus-id", "3", "--firmware", "0.3.9"});
    ASSERT_GT(sim.pid(), 0);
    const auto line = sim.readLine();
    ASSERT_TRUE(line);
    EXPECT_EQ(line->rfind("listening 127.0.0.2:", 0), 0u) << *line;
    EXPECT_NE(line->find(" model 1 bus 3 uid 0AFF009C4107"), std::string::npos) << *line;
    EXPECT_EQ(sim.readLine(), "ready 1");

    test::WireEnd link = test::Connect("127.0.0.2", PortOf(*line));
    const Bytes identify = link.transact(test::ShortFrame(0, 0), 30);
    ASSERT_EQ(identify.size(), 30u);
    EXPECT_EQ(identify[2], 3);
    EXPECT_EQ(identify[12], 0x10);
    EXPECT_EQ(std::string(identify.begin() + 13, identify.begin() + 29), "SUBBY           ");
    const Bytes version = link.transact(test::BlockReadFrame(3, 1, 3), 8);
    EXPECT_EQ(Bytes(version.begin() + 4, version.end() - 1), (Bytes{0, 3, 9}));

    sim.signal(SIGTERM);
    EXPECT_EQ(sim.waitExit(), 0);
    EXPECT_EQ(sim.readLine(), "stopped");
    EXPECT_TRUE(link.closedByPeer());
}

TEST(SimExecutableTest, FaultsFromStandardInputAndSigint) {
    SimProcess sim({"--listen", "127.0.0.2"});
    const auto line = sim.readLine();
    ASSERT_TRUE(line);
    ASSERT_EQ(sim.readLine(), "ready 1");
    test::WireEnd link = test::Connect("127.0.0.2", PortOf(*line));

    sim.write("fault 0 no-reply 1\n");
    EXPECT_EQ(sim.readLine(), "ok");
    EXPECT_TRUE(link.transact(test::ShortFrame(1, 24), 23, 200ms).empty());
    EXPECT_EQ(link.transact(test::ShortFrame(1, 24), 23).size(), 23u);

    sim.write("latency 0 150\n");
    EXPECT_EQ(sim.readLine(), "ok");
    EXPECT_TRUE(link.transact(test::ShortFrame(1, 24), 23, 60ms).empty()) << "not before the latency";
    EXPECT_EQ(link.receive(23, 2000ms).size(), 23u);

    sim.write("fault 3 garbled\nfault 0 sometimes\nlate 0 -5\nlatency 0 x\njump\n");
    EXPECT_EQ(sim.readLine(), "error: no device 3");
    EXPECT_EQ(sim.readLine(), "error: not a fault: sometimes");
    EXPECT_EQ(sim.readLine(), "error: not a delay in milliseconds");
    EXPECT_EQ(sim.readLine(), "error: not a delay in milliseconds");
    EXPECT_EQ(sim.readLine(), "error: unknown command jump");

    sim.signal(SIGINT);
    EXPECT_EQ(sim.waitExit(), 0);
}

// --latency-ms reaches the fleet's devices that do not bring their own "latencyMs".
TEST(SimExecutableTest, LatencyFromTheCommandLineAndTheFleet) {
    plenum::test::TempDir dir;
    const std::string fleetPath = (dir / "fleet.json").string();
    std::ofstream(fleetPath) << R"({"devices": [
        {"listen": "127.0.0.2"}, {"listen": "127.0.0.3", "latencyMs": 0} ]})";
    SimProcess sim({"--fleet", fleetPath, "--latency-ms", "150"});
    const auto first = sim.readLine(), second = sim.readLine();
    ASSERT_TRUE(first && second);
    ASSERT_EQ(sim.readLine(), "ready 2");
    test::WireEnd slow = test::Connect("127.0.0.2", PortOf(*first));
    test::WireEnd fast = test::Connect("127.0.0.3", PortOf(*second));
    EXPECT_TRUE(slow.transact(test::ShortFrame(1, 24), 23, 60ms).empty()) << "not before the latency";
    EXPECT_EQ(slow.receive(23, 2000ms).size(), 23u);
    EXPECT_EQ(fast.transact(test::ShortFrame(1, 24), 23, 100ms).size(), 23u) << "its own latency of 0";
    sim.signal(SIGTERM);
    EXPECT_EQ(sim.waitExit(), 0);
}

TEST(SimExecutableTest, ServesAFleetOnOnePortWithAPty) {
    plenum::test::TempDir dir;
    const std::string fleetPath = (dir / "fleet.json").string();
    const std::string ptyPath = (dir / "ttySIM4").string();
    std::ofstream(fleetPath) << R"({"devices": [
        {"listen": "127.0.0.2", "name": "LEFT", "pty": ")"
                             << ptyPath << R"("},
        {"listen": "127.0.0.3", "model": 1, "name": "SUB", "busId": 2, "fault": "bad-identify"} ]})";
    SimProcess sim({"--fleet", fleetPath});
    const auto first = sim.readLine(), second = sim.readLine();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(sim.readLine(), "ready 2");
    EXPECT_EQ(PortOf(*first), PortOf(*second)) << "one shared device port";
    EXPECT_NE(first->find(" pty " + ptyPath), std::string::npos) << *first;

    test::WireEnd serial = test::OpenSerial(ptyPath);
    const Bytes identify = serial.transact(test::ShortFrame(0, 0), 30);
    ASSERT_EQ(identify.size(), 30u);
    EXPECT_EQ(std::string(identify.begin() + 13, identify.begin() + 17), "LEFT");
    test::WireEnd sub = test::Connect("127.0.0.3", PortOf(*second));
    EXPECT_NE(sub.transact(test::ShortFrame(0, 0), 30)[4], 0x78) << "started with its fault";

    sim.signal(SIGTERM);
    EXPECT_EQ(sim.waitExit(), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(ptyPath)));
}

// A socket listening on an ephemeral port of 127.0.0.2, closed with the object.
struct Listener {
    Listener() {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        ::inet_pton(AF_INET, "127.0.0.2", &address.sin_addr);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 1) != 0)
            return;
        socklen_t size = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
    }
    ~Listener() { ::close(fd); }
    int fd = -1;
    std::uint16_t port = 0;
};

TEST(SimExecutableTest, DevicePortFromTheEnvironment) {
    std::uint16_t port = 0;
    {
        Listener probe;  // an ephemeral port that was free a moment ago
        port = probe.port;
    }
    ASSERT_NE(port, 0);
    SimProcess sim({"--listen", "127.0.0.2"}, {"PLENUM_DEVICE_PORT=" + std::to_string(port)});
    const auto line = sim.readLine();
    ASSERT_TRUE(line);
    EXPECT_EQ(PortOf(*line), port);
    sim.signal(SIGTERM);
    EXPECT_EQ(sim.waitExit(), 0);
}

TEST(SimExecutableTest, PortInUseIsReported) {
    Listener taken;
    ASSERT_NE(taken.port, 0);
    SimProcess sim({"--listen", "127.0.0.2:" + std::to_string(taken.port)});
    EXPECT_EQ(sim.waitExit(), 1);
    EXPECT_NE(sim.readAllStderr().find("cannot listen on 127.0.0.2:" + std::to_string(taken.port)),
              std::string::npos);
}

struct BadArguments {
    const char* name;
    std::vector<std::string> arguments;
    const char* message;
};
// Test names, not bytes, in listings.
void PrintTo(const BadArguments& c, std::ostream* out) {
    *out << c.name;
}

class SimBadArgumentsTest : public ::testing::TestWithParam<BadArguments> {};

TEST_P(SimBadArgumentsTest, ExitWithAReasonAndListenNowhere) {
    SimProcess sim(GetParam().arguments);
    const auto code = sim.waitExit();
    ASSERT_TRUE(code);
    EXPECT_NE(*code, 0);
    EXPECT_FALSE(sim.readLine(100ms)) << "never ready";
    const std::string err = sim.readAllStderr();
    EXPECT_NE(err.find(GetParam().message), std::string::npos) << err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimBadArgumentsTest,
    ::testing::Values(BadArguments{"Uid", {"--uid", "XYZ"}, "12 hexadecimal digits"},
                      BadArguments{"Firmware", {"--firmware", "1.2"}, "not a version"},
                      BadArguments{"Listen", {"--listen", "localhost:1"}, "not an IPv4 address"},
                      BadArguments{"Fault", {"--fault", "often"}, "not a fault"},
                      BadArguments{"Model", {"--model", "99"}, "--model"},
                      BadArguments{"Latency", {"--latency-ms", "-1"}, "--latency-ms"},
                      BadArguments{
                          "FleetMissing", {"--fleet", "/nonexistent/fleet.json"}, "/nonexistent/fleet.json"},
                      BadArguments{"FleetAndDevice", {"--fleet", "/x.json", "--model", "1"}, "excludes"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimExecutableTest, HelpDocumentsTheFleetFormatAndFaults) {
    SimProcess sim({"--help"});
    EXPECT_EQ(sim.waitExit(), 0);
    std::string text;
    while (auto line = sim.readLine(500ms)) text += *line + "\n";
    for (const char* part : {"--listen", "--fleet", "--pty", "--log", "\"devicePort\"", "\"listen\"",
                             "bad-identify", "fault INDEX NAME", "SIGTERM", "--latency-ms", "\"latencyMs\"",
                             "latency INDEX"}) {
        EXPECT_NE(text.find(part), std::string::npos) << part;
    }
}

}  // namespace
}  // namespace plenum::sim
