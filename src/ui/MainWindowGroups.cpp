// The main window's groups: "Add Group" with the chooser, one window per group in use (reopened at
// its saved place at start and after a project load), the 3000 ms preset and synchronisation
// check, the connection routine's group step and the drift window.
#include <QDialog>
#include <QTimer>

#include <utility>

#include "groups/GroupEditor.h"
#include "groups/GroupModel.h"
#include "ui/DriftWindow.h"
#include "ui/EditWindow.h"
#include "ui/GroupWindow.h"
#include "ui/MainWindow.h"
#include "ui/PostingGroupSink.h"
#include "ui/SelGroupDialog.h"
#include "ui/Theme.h"

namespace plenum::ui {

GroupSink& MainWindow::groupSink() { return *groupSink_; }

GroupWindow* MainWindow::groupWindow(int group) const {
    const auto it = groupWindows_.find(group);
    return it == groupWindows_.end() ? nullptr : it->second.data();
}

void MainWindow::addGroup() {
    const auto g = BeginAddGroup(ctx_, prompter_);
    if (!g) return;
    {
        SelGroupDialog dialog(ctx_, prompter_, *groupSink_, *g, false, this, this);
        if (runModal_(dialog) != QDialog::Accepted || !ctx_.groups[static_cast<std::size_t>(*g)].isInUse()) return;
    }
    // The members' edit windows name their group now.
    for (const int member : GroupMembers(ctx_.groups[static_cast<std::size_t>(*g)])) RefreshOpenWindow(ctx_, this, member);
    // A new group's window opens beside the main window's top left corner, one step down per group.
    GroupState& state = ctx_.groupState[static_cast<std::size_t>(*g)];
    const int step = Px(ctx_.ScreenScale, 28);
    state.windowLeft = x() + Px(ctx_.ScreenScale, 60) + *g * step;
    state.windowTop = y() + Px(ctx_.ScreenScale, 120) + *g * step;
    openGroupWindow(*g);
}

void MainWindow::editGroupMembers(int group) {
    if (group < 0 || group >= kGroupCount || !ctx_.groups[static_cast<std::size_t>(group)].isInUse()) return;
    const std::vector<int> before = GroupMembers(ctx_.groups[static_cast<std::size_t>(group)]);
    {
        SelGroupDialog dialog(ctx_, prompter_, *groupSink_, group, true, this, this);
        if (runModal_(dialog) != QDialog::Accepted) return;
    }
    // Old and new members' edit windows show their group (or none) in the caption.
    for (const int member : before) RefreshOpenWindow(ctx_, this, member);
    for (const int member : GroupMembers(ctx_.groups[static_cast<std::size_t>(group)])) RefreshOpenWindow(ctx_, this, member);
    if (GroupWindow* window = groupWindow(group)) window->refresh();
}

void MainWindow::openGroupWindow(int group) {
    if (group < 0 || group >= kGroupCount || !ctx_.groups[static_cast<std::size_t>(group)].isInUse()) return;
    if (GroupWindow* open = groupWindow(group)) {
        open->refresh();
        open->raise();
        return;
    }
    auto* window = new GroupWindow(ctx_, group, presets_, prompter_, *groupSink_, this, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowFlag(Qt::Window);
    const GroupState& state = ctx_.groupState[static_cast<std::size_t>(group)];
    window->move(state.windowLeft, state.windowTop);
    groupWindows_[group] = window;
    connect(window, &GroupWindow::removed, this, [this](int removed) {
        groupWindows_.erase(removed);
        // The members' edit windows drop the group's name from their captions.
        for (const int member : GroupMembers(ctx_.groups[static_cast<std::size_t>(removed)]))
            RefreshOpenWindow(ctx_, this, member);
    });
    connect(window, &GroupWindow::membersRequested, this, &MainWindow::editGroupMembers);
    connect(window, &GroupWindow::driftRequested, this,
            [this](int g) { openDriftWindow(GroupMembers(ctx_.groups[static_cast<std::size_t>(g)])); });
    window->show();
}

void MainWindow::openGroupWindows() {
    closeGroupWindows();
    for (int g = 0; g < kGroupCount; ++g)
        if (ctx_.groups[static_cast<std::size_t>(g)].isInUse()) openGroupWindow(g);
}

// The windows go without their closing question: the groups stay (a project load replaced them,
// or the program ends).
void MainWindow::closeGroupWindows() {
    const auto windows = std::exchange(groupWindows_, {});
    for (const auto& [group, window] : windows) {
        if (!window) continue;
        window->disconnect(this);
        delete window.data();
    }
}

void MainWindow::refreshGroupWindows() {
    // Periodic and on-line refreshes: what the user is typing in a box stays.
    for (const auto& [group, window] : groupWindows_)
        if (window && ctx_.groups[static_cast<std::size_t>(group)].isInUse()) window->refresh(true);
}

DriftWindow* MainWindow::openDriftWindow(std::vector<int> targets) {
    auto* window = new DriftWindow(ctx_, *commThread_, std::move(targets), this, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowFlag(Qt::Window);
    // What the window takes from a device shows in the tile and the group windows too.
    connect(window, &DriftWindow::resolved, this, [this](int slot, const QString&) {
        refreshTile(slot);
        refreshGroupWindows();
    });
    window->resize(Px(ctx_.ScreenScale, 760), Px(ctx_.ScreenScale, 420));
    window->show();
    window->compare();
    return window;
}

void MainWindow::checkGroups() {
    // The check reads and writes the records: only while no job runs on the communication thread.
    if (commThread_->busy()) return;
    GroupTimerTick(ctx_, presets_, prompter_, *groupSink_, this);
    refreshGroupWindows();
}

// On the communication thread, inside the connection routine: the comparison reads the records
// the routine has just filled, and the differing items go out at once on the same transaction.
bool MainWindow::differsFromGroup(int group, int slot) { return DeviceDiffersFromGroup(ctx_, group, slot); }

void MainWindow::synchronizeWithGroup(int group, int slot) {
    DirectGroupSink sink(comm());
    SyncDeviceWithGroup(ctx_, group, slot, sink);
    // The routine reloads an open edit window itself; the group window shows the member on-line.
    QMetaObject::invokeMethod(this, [this] { refreshGroupWindows(); }, Qt::QueuedConnection);
}

}  // namespace plenum::ui
