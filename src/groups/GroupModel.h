// Device groups: a Left and a Right satellite and an optional subwoofer that play one stereo
// system. Each loudspeaker carries a small group block in its status record (gain, delay, a
// five-band equaliser with its bypass) and the input mute of its program; the GroupRecord is the
// master copy, and every group value is written to every member so that the members stay equal.
//
// The functions here hold the rules; they change the records (group, member status records and
// images) on the thread that owns them and hand the commands to a GroupSink, which sends them in
// order (plenumctl at once, the desktop application on its communication thread).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/AppContext.h"
#include "core/Prompter.h"
#include "sat/ParamSender.h"

namespace plenum {

enum class GroupRole { Left, Right, Sub };

// Takes the member commands a group operation produced, in the order they must reach the wire.
class GroupSink {
public:
    virtual ~GroupSink() = default;
    virtual void send(const std::vector<LinkedSend>& sends) = 0;
};

// Sends at once, one transaction after the other (each result in LastTxResult; a failure does not
// stop the sequence).
class DirectGroupSink final : public GroupSink {
public:
    explicit DirectGroupSink(comm::DeviceComm& comm) : comm_(comm) {}
    void send(const std::vector<LinkedSend>& sends) override;

private:
    comm::DeviceComm& comm_;
};

inline constexpr int kNoGroup = -1;
inline constexpr std::uint8_t kSatGroupDelayMaxMs = 70;  // whole ms a SAT group delay may hold

// ---- Add group and the chooser ------------------------------------------------------------------

// The first free group record, or kNoGroup.
int FirstFreeGroup(const AppContext& ctx);
// The main window's "Add Group": the free record to open the chooser for, or (after "Can't add new
// group, max Group number reached") nothing.
std::optional<int> BeginAddGroup(const AppContext& ctx, Prompter& prompter);

// Whether a listed device may be offered in a role's chooser while `editedGroup` (kNoGroup when a
// group is being added) is assigned: network devices only, of the role's model family, and never
// a loudspeaker that already belongs to another group in use (by slot, address or unique ID).
bool EligibleForRole(const AppContext& ctx, int slot, GroupRole role, int editedGroup);
std::vector<int> ChooserDevices(const AppContext& ctx, GroupRole role, int editedGroup);

// What FrmSelGroup collects. Slots 0 = "SELECT DEVICE" (nothing chosen).
struct GroupSelection {
    std::string name = "DEFAULT";
    bool withSub = false;
    int left = 0;
    int right = 0;
    int sub = 0;
};

// "Add": the validation messages, then the synchronisation warning. True when the user confirmed
// a valid selection.
bool ConfirmSelection(const AppContext& ctx, Prompter& prompter, const GroupSelection& selection);

// Creation (add mode) and re-membering (edit mode) of group g from a confirmed selection: the Left
// device gives every value, the group values are written to the members, SyncDeclined is cleared.
// Creation starts with EqOnSub off; re-membering keeps it (off for a group without Sub).
void CreateGroup(AppContext& ctx, int g, const GroupSelection& selection, GroupSink& sink,
                 EditWindowRefresher* windows = nullptr);
void RememberGroup(AppContext& ctx, int g, const GroupSelection& selection, GroupSink& sink,
                   EditWindowRefresher* windows = nullptr);

// ---- Members -------------------------------------------------------------------------------------

// The slots of the group's roles in the order Left, Right and (when HasSub is 1) Sub.
std::vector<int> GroupMembers(const GroupRecord& group);
// The role a slot plays in the group, if any.
std::optional<GroupRole> RoleOf(const GroupRecord& group, int slot);
// The group a slot belongs to, or kNoGroup.
int GroupOfDevice(const AppContext& ctx, int slot);

// ---- Synchronisation ----------------------------------------------------------------------------

// The items of a member's group block (and its input mute) that differ from the group's values.
struct GroupDifference {
    bool mute = false;
    bool gain = false;
    bool delay = false;
    bool eqBypass = false;
    std::array<bool, 5> bands{};
    // Mute is never compared; the equaliser of a Sub only when EqOnSub is set.
    bool any() const;
};
GroupDifference DifferenceOf(const AppContext& ctx, int g, int slot);
// The comparison of the synchronisation check for one member (a SAT or a SUB by its role).
bool DeviceDiffersFromGroup(const AppContext& ctx, int g, int slot);

// Sends the whole group record to every member: per member mute, gain, delay, bypass and the five
// bands (the Sub's bypass and bands only with EqOnSub).
void SynchronizeGroup(AppContext& ctx, int g, GroupSink& sink, EditWindowRefresher* windows = nullptr);
// Compares every member; at the first difference asks (unless SyncDeclined) and synchronises on
// Yes. Returns true when the group was found in sync or synchronised.
bool CheckGroupSync(AppContext& ctx, int g, Prompter& prompter, GroupSink& sink,
                    EditWindowRefresher* windows = nullptr);
// Writes to one member only the items that differ: delay, gain, mute, then bypass and bands.
void SyncDeviceWithGroup(AppContext& ctx, int g, int slot, GroupSink& sink, EditWindowRefresher* windows = nullptr);

// The question of a connection's last step: for every group in use that has the device as a
// member and whose group block the device does not hold, asks "Do you want to synchronize the
// device with the Group?" and on Yes writes the differing items. Returns the groups synchronised.
std::vector<int> ConnectTimeGroupCheck(AppContext& ctx, int slot, Prompter& prompter, GroupSink& sink,
                                       EditWindowRefresher* windows = nullptr);

// ---- Writing group values to members -----------------------------------------------------------

// Sets a member's fields to the group's values and returns the command; the writers the group
// window uses for single items.
LinkedSend WriteMute(AppContext& ctx, int g, int slot);
LinkedSend WriteGain(AppContext& ctx, int g, int slot);
LinkedSend WriteDelay(AppContext& ctx, int g, int slot);
LinkedSend WriteEqBypass(AppContext& ctx, int g, int slot);
LinkedSend WriteBand(AppContext& ctx, int g, int slot, int band);
// The members a group equaliser item (bypass, band) reaches: Left, Right, and the Sub with EqOnSub.
std::vector<int> EqMembers(const GroupRecord& group);

}  // namespace plenum
