#include "core/StartupKeys.h"

#include <cctype>

#include "core/AppContext.h"

namespace plenum {

StartupKeys::StartupKeys(AppContext& ctx) : ctx_(ctx) {
    ctx_.HiddenEditMode = false;
    ctx_.HiddenConvertMode = false;
    ctx_.FwUsbMode = true;
}

void StartupKeys::keyPressed(char key) {
    if (!open_) return;
    switch (std::toupper(static_cast<unsigned char>(key))) {
        case 'F': ctx_.FwUsbMode = false; break;
        case 'E': e_ = true; break;
        case 'D': d_ = true; break;
        case 'C': c_ = true; break;
        case 'V': v_ = true; break;
        default: break;
    }
    if (e_ && d_) ctx_.HiddenEditMode = true;
    if (c_ && v_) ctx_.HiddenConvertMode = true;
}

}  // namespace plenum
