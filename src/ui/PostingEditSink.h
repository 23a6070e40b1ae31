// The edit windows' sink in the application: each send goes to the communication thread as a
// job, so that a fader drag never waits on a socket. The command is built from the image on the
// user-interface thread, when the edit is made, and the link fan-out's image copies happen there
// too; the worker only sends prepared frames, so no image is read or written by two threads for
// an edit. A waiting send of the same parameter of the same device is replaced by a newer one
// (its command holds the whole parameter), so a drag faster than the link carries its last
// position; with a fast link every movement goes out.
#pragma once

#include "device/EditSink.h"
#include "ui/CommThread.h"

namespace plenum::ui {

class PostingEditSink final : public device::EditSink {
public:
    PostingEditSink(AppContext& ctx, CommThread& thread, EditWindowRefresher* windows = nullptr)
        : ctx_(ctx), thread_(thread), windows_(windows) {}

    void send(int slot, ParamFamily family, const ParamAddress& address) override;
    void sendToLinked(int slot, ParamFamily family, const ParamAddress& address) override;
    // Both run on the worker; the window's event loop keeps running until they are done.
    std::int16_t recallFactory(int slot) override;
    std::int16_t writeProgram(int slot) override;

    // What makes two sends the same parameter: the family and the instance's address.
    static comm::JobKey KeyOf(int slot, ParamFamily family, const ParamAddress& address);

private:
    void post(int slot, ParamFamily family, const ParamAddress& address, const ParamCommand& command);
    std::int16_t runAndWait(const std::function<std::int16_t(comm::DeviceComm&)>& work);

    AppContext& ctx_;
    CommThread& thread_;
    EditWindowRefresher* windows_;
};

}  // namespace plenum::ui
