// The device registry: which slots are listed, the model names, adding by hand, merging search
// results, removing, tile positions and the edit-window limit. Every per-device table is indexed
// by the same slot number; user devices occupy slots 1..24.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/AppContext.h"
#include "core/Prompter.h"

namespace plenum {

std::string ModelName(int modelCode, int variant);
// Model codes the list takes from a search: 0, 1 and 3..11. Code 2 is a platform this application
// does not drive; 12..15 fit the identify reply's four bits but name no model.
constexpr bool IsListableModel(int modelCode) { return modelCode >= 0 && modelCode <= 11 && modelCode != 2; }
// The trimmed name, or the model name (of the variant in status byte 265) when the device still
// carries one of the variant-list names, i.e. the user never named it.
std::string DisplayName(const AppContext& ctx, int slot);

std::optional<int> FirstFreeSlot(const AppContext& ctx);
void ClearSlot(AppContext& ctx, int slot);
void AssignTilePos(AppContext& ctx, int slot);
int CountEditWindows(const AppContext& ctx);
void AddPair(RemovedDeviceList& list, const std::string& uniqueId, const std::string& modeName);

// Tile grid: position p at (2500 * (p mod 10), 3600 * (p div 10)) twips.
struct TileOrigin {
    int xTwips;
    int yTwips;
};
TileOrigin TileOriginOf(int tilePos);

// Sets a slot's image to the factory program of its family (SUB for model code 1, else SAT).
void ResetImageToDefaults(AppContext& ctx, int slot);

// ---- Adding by hand --------------------------------------------------------------------------
// Step 1: the slot a new device would take; with none free, tells "Can't add device, max 24
// devices" and returns nothing.
std::optional<int> BeginAddDevice(AppContext& ctx, Prompter& prompter);

struct AddDeviceChoice {
    std::uint8_t modelCode = 0;
    std::int16_t variant = 0;  // used for model codes 8 and 10
    bool network = false;      // the dialog's LAN option
    std::string address;       // the typed address when network is chosen (may stay empty)
};
// Variant that counts for a model: codes 8 and 10 carry one, every other model has variant 0.
int EffectiveVariant(int modelCode, int variant);
// True when a listed device has the same model code and variant.
bool IsDuplicateModel(const AppContext& ctx, int modelCode, int variant);
// Steps 2-3: refuses a duplicate with "Device already on the list!" (false, nothing changes);
// otherwise fills the slot and returns true. The caller then assigns the tile position.
bool CompleteAddDevice(AppContext& ctx, Prompter& prompter, int slot, const AddDeviceChoice& choice);

// ---- Merging discovery results ---------------------------------------------------------------
// Merges FoundTable into the list; returns the slots filled. With none new, tells
// "No new Device(s) found".
std::vector<int> MergeFoundDevices(AppContext& ctx, Prompter& prompter);

// ---- Removing --------------------------------------------------------------------------------
// What removing needs from the communication layer.
class DeviceLinkControl {
public:
    virtual ~DeviceLinkControl() = default;
    // Command 15 with all parameters 0: the device goes back to stand-alone operation.
    virtual void sendOffline(int slot) = 0;
    // Closes the slot's network connection when open, or the serial port when open.
    virtual void closeLink(int slot) = 0;
};

enum class RemoveResult { Removed, InGroup, EditOpen, Declined };
RemoveResult RemoveDevice(AppContext& ctx, Prompter& prompter, DeviceLinkControl& link, int slot);

// ---- Edit windows ----------------------------------------------------------------------------
// False when five edit windows are already open (the caller shows FrmMaxWinOpen instead).
bool CanOpenEditWindow(const AppContext& ctx);

}  // namespace plenum
