// The satellite edit window's AEQ button: checks the loudspeaker's firmware, then starts the
// outside automatic-EQ application, which talks to this program through the bridge.
#pragma once

#include <QPushButton>

#include "core/AppContext.h"
#include "core/Prompter.h"

namespace plenum::ui {

// The program the button starts: PLENUM_AEQ_TOOL (a path or a command on PATH). Unset, or a
// program that does not start, is told as "Can't open".
QPushButton* MakeAeqButton(QWidget* parent, AppContext& ctx, Prompter& prompter, int slot);

}  // namespace plenum::ui
