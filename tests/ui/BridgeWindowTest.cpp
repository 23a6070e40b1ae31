// The automatic-EQ bridge of the running main window, as the outside application meets it: a
// loopback client selects a satellite whose edit window is open, delivers a response and switches
// a bypass bit; the satellite's records, its edit window and the simulated loudspeaker show it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QElapsedTimer>

#include "MainWindowFixture.h"
#include "comm/AeqMessage.h"
#include "device/Aeq.h"
#include "device/FirStore.h"
#include "fir/FirWord.h"
#include "support/SimRig.h"

namespace plenum::ui {
namespace {

// A blocking client of the bridge; answers are read while the window's event loop runs (the
// server is polled by the window's timer).
class BridgeClient {
public:
    explicit BridgeClient(std::uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~BridgeClient() { ::close(fd_); }
    bool connected() const { return connected_; }

    // Sends one framed request and returns the payload of the answer (empty after 10 s).
    std::vector<std::uint8_t> ask(const std::vector<std::uint8_t>& payload) {
        const auto framed = comm::FrameBridgeMessage(payload);
        if (!framed || ::send(fd_, framed->data(), framed->size(), 0) != static_cast<ssize_t>(framed->size())) return {};
        std::vector<std::uint8_t> received;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 10000) {
            std::uint8_t buffer[64];
            const ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) received.insert(received.end(), buffer, buffer + n);
            if (received.size() >= 4) {
                const std::size_t length = (std::size_t{received[0]} << 24) | (std::size_t{received[1]} << 16) |
                                           (std::size_t{received[2]} << 8) | received[3];
                if (received.size() >= 4 + length) return {received.begin() + 4, received.begin() + 4 + static_cast<std::ptrdiff_t>(length)};
            }
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return {};
    }

private:
    int fd_ = -1;
    bool connected_ = false;
};

using Answer = std::vector<std::uint8_t>;

class BridgeWindowTest : public test_support::MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        networkServices = true;
        open(true);
        connectAll();
        sat = slotOf("127.0.0.2");
        ASSERT_NE(window->bridgeListeningPort(), 0);
    }
    sim::SimulatedDevice& satDevice() {
        for (std::size_t i = 0; i < simulator.size(); ++i)
            if (simulator.device(i).config().host == "127.0.0.2") return simulator.device(i);
        throw std::runtime_error("no simulated satellite");
    }
    int sat = 0;
};

// A loudspeaker-like correction: a decaying, alternating tail after a unit peak.
std::vector<double> Correction() {
    std::vector<double> values(1500);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = (i % 2 ? -0.5 : 0.5) * std::exp(-0.01 * static_cast<double>(i));
    values[0] = 1.0;
    return values;
}

TEST_F(BridgeWindowTest, AResponseForTheOpenEditWindowIsInstalledEverywhere) {
    window->openEditWindow(sat);
    EditWindow* edit = window->editWindow(sat);
    ASSERT_NE(edit, nullptr);
    BridgeClient client(window->bridgeListeningPort());
    ASSERT_TRUE(client.connected());
    EXPECT_EQ(client.ask(comm::AeqSelectMessage(sat, 3)), (Answer{0x81, 0}));
    // Delivered for the other way: ignored, nothing changes.
    EXPECT_EQ(client.ask(comm::AeqResponseMessage(sat, 4, Correction())), (Answer{0x82, 1}));
    EXPECT_NE(ctx.satExtra[static_cast<std::size_t>(sat)].fir[0].name, "QORVIL");
    EXPECT_EQ(client.ask(comm::AeqResponseMessage(sat, 3, Correction())), (Answer{0x82, 0}));
    ASSERT_TRUE(window->settle(20000));

    const auto& table = ctx.satExtra[static_cast<std::size_t>(sat)].fir[0];
    EXPECT_EQ(table.name, "QORVIL");
    EXPECT_EQ(ctx.satImage[static_cast<std::size_t>(sat)].bytes[device::kAeqAppliedImage], 1);
    EXPECT_EQ(satDevice().readMemory(384 + device::kAeqAppliedImage, 1), std::vector<std::uint8_t>{1});
    EXPECT_EQ(satDevice().readMemory(device::FirAreaAddress(0) + device::kFirHeaderLength, device::kFirWordArea),
              fir::FirWordStream(fir::FirWordsOf(table)));
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));

    // The input equaliser bypass: the image, the device and the edit window's switch.
    auto* bypass = edit->findChild<QAbstractButton*>(QStringLiteral("LabelEqByp"));
    ASSERT_NE(bypass, nullptr);
    EXPECT_FALSE(bypass->isChecked());
    EXPECT_EQ(client.ask(comm::AeqBypassMessage(false, sat, 0, 1)), (Answer{0x83, 0}));
    ASSERT_TRUE(window->settle(20000));
    EXPECT_EQ(ctx.satImage[static_cast<std::size_t>(sat)].bytes[34] & 1, 1);
    EXPECT_TRUE(bypass->isChecked());
    EXPECT_TRUE(test::MirrorsDevices(ctx, simulator));
}

TEST_F(BridgeWindowTest, AClosedEditWindowAndGarbageChangeNothing) {
    BridgeClient client(window->bridgeListeningPort());
    ASSERT_TRUE(client.connected());
    satDevice().clearLog();
    EXPECT_EQ(client.ask(comm::AeqSelectMessage(sat, 3)), (Answer{0x81, 0}));
    EXPECT_EQ(client.ask(comm::AeqResponseMessage(sat, 3, Correction())), (Answer{0x82, 1}));
    EXPECT_EQ(client.ask({0x7E, 1, 2}), (Answer{0xFF, 2}));
    ASSERT_TRUE(window->settle(5000));
    EXPECT_NE(ctx.satExtra[static_cast<std::size_t>(sat)].fir[0].name, "QORVIL");
    for (const std::uint8_t code : satDevice().receivedCodes()) EXPECT_EQ(code, 24) << "only meter polls";
}

}  // namespace
}  // namespace plenum::ui
