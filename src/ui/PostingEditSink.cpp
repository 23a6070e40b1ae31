#include "ui/PostingEditSink.h"

#include <QEventLoop>

#include "sat/ParamSender.h"

namespace plenum::ui {

comm::JobKey PostingEditSink::KeyOf(int slot, ParamFamily family, const ParamAddress& address) {
    // Ways 0..1, bands 0..63, sections 0..7 and the caller's byte, packed below the family.
    const int instance = (((address.way & 0x3) * 64 + (address.band & 0x3F)) * 8 + (address.section & 0x7)) * 256 +
                         address.callerValue;
    return {slot, static_cast<int>(family) * (4 * 64 * 8 * 256) + instance};
}

void PostingEditSink::post(int slot, ParamFamily family, const ParamAddress& address, const ParamCommand& command) {
    thread_.post([&comm = thread_.comm(), slot, command] { SendPrepared(comm, slot, command); },
                 comm::JobPriority::User, KeyOf(slot, family, address));
}

void PostingEditSink::send(int slot, ParamFamily family, const ParamAddress& address) {
    post(slot, family, address, PrepareParam(ctx_, slot, family, address));
}

void PostingEditSink::sendToLinked(int slot, ParamFamily family, const ParamAddress& address) {
    for (const LinkedSend& linked : PrepareLinked(ctx_, slot, family, address, windows_))
        post(linked.slot, family, address, linked.command);
}

std::int16_t PostingEditSink::runAndWait(const std::function<std::int16_t(comm::DeviceComm&)>& work) {
    QEventLoop loop;
    std::int16_t result = -1;
    thread_.post(
        &loop, [&comm = thread_.comm(), work] { return work(comm); },
        [&](std::int16_t value) {
            result = value;
            loop.quit();
        });
    loop.exec();
    return result;
}

std::int16_t PostingEditSink::recallFactory(int slot) {
    return runAndWait([slot](comm::DeviceComm& comm) { return device::RecallFactoryOnDevice(comm, slot); });
}

std::int16_t PostingEditSink::writeProgram(int slot) {
    return runAndWait([slot](comm::DeviceComm& comm) { return device::WriteProgramToDevice(comm, slot); });
}

}  // namespace plenum::ui
