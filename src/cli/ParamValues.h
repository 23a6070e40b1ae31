// A device parameter's value by its plenumctl name, read from a context's records the way
// plenumctl get prints it (null for a name that is not a parameter).
#pragma once

#include <nlohmann/json.hpp>

#include <string>

#include "core/AppContext.h"

namespace plenum::cli {

nlohmann::json ParamValue(const AppContext& ctx, int slot, const std::string& name);

}  // namespace plenum::cli
