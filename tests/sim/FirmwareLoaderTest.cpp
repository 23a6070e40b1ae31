// The device's loader session without I/O: requests built here byte by byte (the simulator shares
// no code with the host's encoder), replies read at their documented positions.
#include "sim/FirmwareLoader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "sim/DeviceModel.h"
#include "sim/RequestFramer.h"

namespace plenum::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kOk = 0, kWrongImage = 1, kProtected = 2, kEraseFailed = 3, kWriteFailed = 4,
                       kBusy = 5, kChecksum = 7, kMode = 8, kSequence = 9;

std::uint32_t Crc(const Bytes& bytes) {
    return static_cast<std::uint32_t>(
        crc32(crc32(0L, Z_NULL, 0), bytes.data(), static_cast<uInt>(bytes.size())));
}

Bytes Short(std::uint8_t code, Bytes params) {
    params.resize(8);
    Bytes frame{0xF0, 0x78, 0x00, code};
    frame.insert(frame.end(), params.begin(), params.end());
    frame.push_back(0xF7);
    return frame;
}

Bytes Enter(std::uint8_t kind, std::uint32_t length, Bytes digits = {0, 4, 1}) {
    return Short(0xA0, {kind, digits[0], digits[1], digits[2], static_cast<std::uint8_t>(length >> 24),
                        static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 8),
                        static_cast<std::uint8_t>(length)});
}

Bytes Write(std::uint32_t offset, const Bytes& data, bool corrupt = false) {
    const std::size_t n = data.size() + 4;
    Bytes frame{0xF0,
                0x78,
                0x00,
                0xA2,
                static_cast<std::uint8_t>(offset >> 16),
                static_cast<std::uint8_t>(offset >> 8),
                static_cast<std::uint8_t>(offset),
                static_cast<std::uint8_t>(n >> 8),
                static_cast<std::uint8_t>(n)};
    frame.insert(frame.end(), data.begin(), data.end());
    const std::uint32_t crc = Crc(data) ^ (corrupt ? 1u : 0u);
    for (int shift = 24; shift >= 0; shift -= 8) frame.push_back(static_cast<std::uint8_t>(crc >> shift));
    frame.push_back(0xF7);
    return frame;
}

Bytes Verify(std::uint32_t crc) {
    return Short(0xA3, {static_cast<std::uint8_t>(crc >> 24), static_cast<std::uint8_t>(crc >> 16),
                        static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)});
}

class LoaderSession : public ::testing::Test {
  protected:
    DeviceModel device{Identity(0), 1};
    Bytes image = Bytes(1000);

    LoaderSession() {
        device.initialiseMemory({0, 3, 4}, "DEV", 0);
        for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i ^ 0x5A);
    }

    static DeviceIdentity Identity(std::uint8_t model, std::uint8_t networkLinkMode = 2) {
        DeviceIdentity identity;
        identity.modelCode = model;
        identity.busId = 4;
        identity.networkLinkMode = networkLinkMode;
        return identity;
    }

    Bytes send(const Bytes& frame, LinkKind link = LinkKind::Network) {
        return device.handle(Request{frame, link});
    }
    std::uint8_t status(const Bytes& frame, LinkKind link = LinkKind::Network) {
        const Bytes reply = send(frame, link);
        EXPECT_EQ(reply.size(), kLoaderReplyLength);
        return reply.size() == kLoaderReplyLength ? reply[4] : 0xFF;
    }
    // Writes image[from, to) in chunks of 300; returns the first status that is not ok.
    std::uint8_t writeRange(std::size_t from, std::size_t to) {
        for (std::size_t offset = from; offset < to; offset += 300) {
            const Bytes chunk(image.begin() + static_cast<std::ptrdiff_t>(offset),
                              image.begin() + static_cast<std::ptrdiff_t>(std::min(to, offset + 300)));
            const std::uint8_t s = status(Write(static_cast<std::uint32_t>(offset), chunk));
            if (s != kOk) return s;
        }
        return kOk;
    }
    // The whole session; the first status that is not ok, or ok after the boot.
    std::uint8_t run(LinkKind link = LinkKind::Network) {
        for (std::uint8_t s : {status(Enter(0, 1000), link), status(Short(0xA1, {}), link)})
            if (s != kOk) return s;
        if (const std::uint8_t s = writeRange(0, image.size()); s != kOk) return s;
        const Bytes verified = send(Verify(Crc(image)), link);
        if (verified.empty()) return 0xEE;
        if (verified[4] != kOk) return verified[4];
        return status(Short(0xA4, {}), link);
    }
    int version() const {
        const Bytes digits = device.read(kStatusFirmware, 3);
        return 100 * digits[0] + 10 * digits[1] + digits[2];
    }
};

TEST_F(LoaderSession, AVerifiedImageIsBootedAndItsVersionReported) {
    EXPECT_EQ(status(Enter(0, 1000)), kOk);
    EXPECT_EQ(status(Short(0xA1, {})), kOk);
    EXPECT_EQ(device.loader().bank(), Bytes(1000, 0xFF));
    const Bytes first(image.begin(), image.begin() + 600);
    const Bytes reply = send(Write(0, first));
    EXPECT_EQ(reply[4], kOk);
    EXPECT_EQ((Bytes{reply[5], reply[6], reply[7]}), (Bytes{0x00, 0x02, 0x58}));  // next offset 600
    EXPECT_EQ(writeRange(600, 1000), kOk);
    EXPECT_EQ(device.loader().snapshot().state, LoaderState::Written);
    const Bytes verified = send(Verify(Crc(image)));
    EXPECT_EQ(verified[4], kOk);
    EXPECT_EQ(version(), 34);  // nothing changes before the boot
    const Bytes booted = send(Short(0xA4, {}));
    EXPECT_EQ(booted[4], kOk);
    EXPECT_EQ((Bytes{booted[5], booted[6], booted[7]}), (Bytes{0, 4, 1}));
    EXPECT_EQ(version(), 41);
    EXPECT_EQ(device.loader().snapshot().boots, 1);
    EXPECT_EQ(device.loader().snapshot().state, LoaderState::Idle);
}

TEST_F(LoaderSession, RequestsOutOfOrderChangeNothing) {
    EXPECT_EQ(status(Short(0xA1, {})), kSequence);  // erase before enter
    EXPECT_EQ(status(Enter(0, 1000)), kOk);
    EXPECT_EQ(status(Write(0, Bytes(10))), kSequence);  // write before erase
    EXPECT_EQ(status(Short(0xA1, {})), kOk);
    EXPECT_EQ(status(Write(10, Bytes(10))), kSequence);   // a gap
    EXPECT_EQ(status(Write(0, Bytes(1001))), kSequence);  // past the announced length
    EXPECT_EQ(status(Short(0xA3, {})), kSequence);        // verify before the last chunk
    EXPECT_EQ(status(Short(0xA4, {})), kSequence);        // boot before verify
    EXPECT_EQ(device.loader().snapshot().received, 0u);
    EXPECT_EQ(version(), 34);
}

TEST_F(LoaderSession, ACorruptChunkIsRefusedAndMaySimplyBeSentAgain) {
    status(Enter(0, 1000));
    status(Short(0xA1, {}));
    const Bytes chunk(image.begin(), image.begin() + 300);
    EXPECT_EQ(status(Write(0, chunk, true)), kChecksum);
    EXPECT_EQ(device.loader().snapshot().received, 0u);
    EXPECT_EQ(status(Write(0, chunk)), kOk);
    EXPECT_EQ(device.loader().snapshot().received, 300u);
}

TEST_F(LoaderSession, AVerifyMismatchSendsTheSessionBackToErase) {
    status(Enter(0, 1000));
    status(Short(0xA1, {}));
    writeRange(0, 1000);
    const Bytes reply = send(Verify(Crc(image) + 1));
    EXPECT_EQ(reply[4], kChecksum);
    const std::uint32_t deviceCrc =
        (std::uint32_t{reply[5]} << 24) | (reply[6] << 16) | (reply[7] << 8) | reply[8];
    EXPECT_EQ(deviceCrc, Crc(image));
    EXPECT_EQ(device.loader().snapshot().state, LoaderState::Entered);
    EXPECT_EQ(status(Short(0xA4, {})), kSequence);
}

// A broken transfer stays where it stopped; a fresh enter starts over and completes.
TEST_F(LoaderSession, AFreshEnterRestartsABrokenTransfer) {
    status(Enter(0, 1000));
    status(Short(0xA1, {}));
    writeRange(0, 600);
    EXPECT_EQ(device.loader().snapshot().state, LoaderState::Erased);
    EXPECT_EQ(device.loader().snapshot().received, 600u);
    EXPECT_EQ(run(), kOk);
    EXPECT_EQ(version(), 41);
}

TEST_F(LoaderSession, EnterRefusesImagesThisDeviceCannotRun) {
    EXPECT_EQ(status(Enter(1, 1000)), kWrongImage);  // a subwoofer image for a satellite
    EXPECT_EQ(status(Enter(0, 0)), kWrongImage);
    EXPECT_EQ(status(Enter(0, kMaxImageLength + 1)), kWrongImage);
    EXPECT_EQ(status(Enter(0, 1000, {0, 10, 0})), kWrongImage);
    EXPECT_EQ(device.loader().snapshot().state, LoaderState::Idle);
    DeviceModel sub(Identity(1), 1);
    EXPECT_EQ(sub.handle(Request{Enter(1, 1000), LinkKind::Network})[4], kOk);
}

TEST_F(LoaderSession, AWirelessLinkIsRefusedAndNamedButUsbIsTaken) {
    DeviceModel wireless(Identity(0, 1), 1);
    const Bytes reply = wireless.handle(Request{Enter(0, 1000), LinkKind::Network});
    EXPECT_EQ(reply[4], kMode);
    EXPECT_EQ(reply[5], 1);
    const Bytes usb = wireless.handle(Request{Enter(0, 1000), LinkKind::Usb});
    EXPECT_EQ(usb[4], kOk);
    EXPECT_EQ(usb[5], 0);
}

struct FailureCase {
    const char* name;
    LoaderFailure failure;
    std::uint8_t status;  // what the session ends with (0xEE: no reply)
    LoaderState after;
};

class LoaderFailureTest : public LoaderSession, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(LoaderFailureTest, FiresOnceAtItsStepAndTheNextSessionSucceeds) {
    const FailureCase& c = GetParam();
    device.loader().setFailure(c.failure);
    EXPECT_EQ(run(), c.status);
    EXPECT_EQ(device.loader().snapshot().state, c.after);
    EXPECT_EQ(version(), 34);
    EXPECT_EQ(run(), kOk);
    EXPECT_EQ(version(), 41);
}

INSTANTIATE_TEST_SUITE_P(
    Sim, LoaderFailureTest,
    ::testing::Values(FailureCase{"WrongImage", LoaderFailure::WrongImage, kWrongImage, LoaderState::Idle},
                      FailureCase{"Protected", LoaderFailure::Protected, kProtected, LoaderState::Entered},
                      FailureCase{"Erase", LoaderFailure::EraseFailed, kEraseFailed, LoaderState::Entered},
                      FailureCase{"Write", LoaderFailure::WriteFailed, kWriteFailed, LoaderState::Entered},
                      FailureCase{"Busy", LoaderFailure::Busy, kBusy, LoaderState::Idle},
                      FailureCase{"Silent", LoaderFailure::Silent, 0xEE, LoaderState::Written},
                      FailureCase{"Checksum", LoaderFailure::Checksum, kChecksum, LoaderState::Erased},
                      FailureCase{"Mode", LoaderFailure::Mode, kMode, LoaderState::Idle}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LoaderSession, AFailureArmedForGoodFiresUntilCleared) {
    device.loader().setFailure(LoaderFailure::Busy, -1);
    EXPECT_EQ(run(), kBusy);
    EXPECT_EQ(run(), kBusy);
    device.loader().setFailure(LoaderFailure::None);
    EXPECT_EQ(run(), kOk);
    device.loader().setFailure(LoaderFailure::Busy, 0);  // count 0 arms nothing
    EXPECT_EQ(run(), kOk);
}

TEST(LoaderNames, RoundTrip) {
    for (auto failure : {LoaderFailure::None, LoaderFailure::WrongImage, LoaderFailure::Protected,
                         LoaderFailure::EraseFailed, LoaderFailure::WriteFailed, LoaderFailure::Busy,
                         LoaderFailure::Silent, LoaderFailure::Checksum, LoaderFailure::Mode}) {
        LoaderFailure parsed = LoaderFailure::None;
        ASSERT_TRUE(LoaderFailureFromName(LoaderFailureName(failure), parsed));
        EXPECT_EQ(parsed, failure);
    }
    LoaderFailure parsed = LoaderFailure::None;
    EXPECT_FALSE(LoaderFailureFromName("flash", parsed));
}

// Loader replies are 13-byte status frames for both families; a chunk frames like a block write.
TEST(LoaderWire, ReplyLengthsAndChunkFraming) {
    for (std::uint8_t code = 0xA0; code <= 0xA4; ++code) {
        EXPECT_EQ(ReplyLength(code, false, 0), 13u);
        EXPECT_EQ(ReplyLength(code, true, 0), 13u);
    }
    EXPECT_EQ(ReplyLength(0xA5, false, 0), 5u);
    const Bytes chunk = Write(0x000200, Bytes(765, 0xF7));
    ASSERT_EQ(chunk.size(), 779u);
    RequestFramer framer(true);
    std::vector<FramerEvent> events;
    framer.feed(chunk, events);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, FramerEvent::Kind::Request);
    EXPECT_EQ(events[0].bytes, chunk);
    EXPECT_EQ(RequestLength(Write(0, Bytes(766))), 0u);  // beyond the 769-byte block: no frame
}

}  // namespace
}  // namespace plenum::sim
