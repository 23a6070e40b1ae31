// Where an edit window's sends go. The window decides what to send; a sink carries it to the
// wire. The application's sink posts to the communication thread; DirectEditSink runs the
// transactions at once on the caller's thread (plenumctl, tests).
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "comm/DeviceComm.h"
#include "sat/ParamCommands.h"
#include "sat/ParamSender.h"

namespace plenum::device {

// The window calls a sink on its own (GUI) thread, right after it wrote the image, always
// send(...) before sendToLinked(...) of the same family instance. A sink that runs the
// transactions on another thread must take what it sends from the images before it returns,
// and make the link fan-out's copy into the linked devices' images on the caller's thread, so
// that no image is written by two threads. It may drop a queued send that a newer send of the
// same (slot, family, address) supersedes; the last one always goes out.
class EditSink {
public:
    virtual ~EditSink() = default;
    // The family's single-device send, from the slot's image as it is when the send runs.
    virtual void send(int slot, ParamFamily family, const ParamAddress& address) = 0;
    // The family's link send: copy to every linked device and send there.
    virtual void sendToLinked(int slot, ParamFamily family, const ParamAddress& address) = 0;
    // Recalls the factory program on a connected device and reads its state back into the
    // application's records (see RecallFactoryOnDevice). Returns 0 / -1.
    virtual std::int16_t recallFactory(int slot) = 0;
    // Writes the slot's whole image to the device's live program and commits it (code 27).
    virtual std::int16_t writeProgram(int slot) = 0;
};

// Code 28, then the status record and the image read back, the device's system byte (status 261)
// copied into image byte 519, a satellite's output limiter settings sent again and its FIR blocks
// read back through readFirBlocks (when given).
std::int16_t RecallFactoryOnDevice(comm::DeviceComm& comm, int slot, const std::function<void(int)>& readFirBlocks = {});
// The whole image as block writes, then StoreState.
std::int16_t WriteProgramToDevice(comm::DeviceComm& comm, int slot);

class DirectEditSink final : public EditSink {
public:
    explicit DirectEditSink(comm::DeviceComm& comm, EditWindowRefresher* windows = nullptr,
                            std::function<void(int)> readFirBlocks = {})
        : comm_(comm), windows_(windows), readFirBlocks_(std::move(readFirBlocks)) {}

    void send(int slot, ParamFamily family, const ParamAddress& address) override {
        SendParam(comm_, slot, family, address);
    }
    void sendToLinked(int slot, ParamFamily family, const ParamAddress& address) override {
        SendParamToLinked(comm_, slot, family, address, windows_);
    }
    std::int16_t recallFactory(int slot) override { return RecallFactoryOnDevice(comm_, slot, readFirBlocks_); }
    std::int16_t writeProgram(int slot) override { return WriteProgramToDevice(comm_, slot); }

private:
    comm::DeviceComm& comm_;
    EditWindowRefresher* windows_;
    std::function<void(int)> readFirBlocks_;
};

}  // namespace plenum::device
