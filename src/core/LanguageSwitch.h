// The main window's language label: "EN" while English is active, "CN" while Chinese is. A click
// asks (in the language being switched to) and, on Yes, switches and remembers the choice for the
// next start.
#pragma once

#include <string>

#include "core/AppContext.h"
#include "core/Config.h"
#include "core/Prompter.h"

namespace plenum {

std::string LanguageLabel(const AppContext& ctx);
// Returns true when the language was switched (and saved).
bool SwitchLanguage(AppContext& ctx, Prompter& prompter, const AppPaths& paths);

}  // namespace plenum
