#include "ui/PostingGroupSink.h"

namespace plenum::ui {

void PostingGroupSink::send(const std::vector<LinkedSend>& sends) {
    if (sends.empty()) return;
    thread_.post([&comm = thread_.comm(), sends] {
        for (const LinkedSend& item : sends) SendPrepared(comm, item.slot, item.command);
    });
}

}  // namespace plenum::ui
