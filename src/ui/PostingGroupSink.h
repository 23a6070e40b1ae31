// The group windows' sink in the application: the member commands a group operation prepared (on
// the user-interface thread, where the records are written) go to the communication thread as one
// job, so they reach the wire in the order the group rules give and no window waits on a socket.
#pragma once

#include "groups/GroupModel.h"
#include "ui/CommThread.h"

namespace plenum::ui {

class PostingGroupSink final : public GroupSink {
public:
    explicit PostingGroupSink(CommThread& thread) : thread_(thread) {}
    void send(const std::vector<LinkedSend>& sends) override;

private:
    CommThread& thread_;
};

}  // namespace plenum::ui
