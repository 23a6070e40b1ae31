// The hidden service keys of the start-up screen. While the screen is up (2 s), pressing F clears
// FwUsbMode (firmware updates then go over LAN); pressing both E and D (any order) sets
// HiddenEditMode; both C and V set HiddenConvertMode. Case does not matter.
#pragma once

namespace plenum {

struct AppContext;

class StartupKeys {
public:
    explicit StartupKeys(AppContext& ctx);
    void keyPressed(char key);
    // Ends the start-up window: later keys change nothing.
    void close() { open_ = false; }

private:
    AppContext& ctx_;
    bool open_ = true;
    bool e_ = false, d_ = false, c_ = false, v_ = false;
};

}  // namespace plenum
