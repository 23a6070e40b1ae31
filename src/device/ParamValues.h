// A device parameter's value by its plenumctl name ("input.gain", "peq.out.1.3", ...), read from a
// context's records: the value plenumctl get prints and what the drift window shows for the
// project's and the device's side. A plain value is a number (dB, ms, a flag) or "-inf"; a value
// of several fields is an object ({"type": "PEQ", "freq": 1000, ...}).
#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/AppContext.h"

namespace plenum::device {

// The numbers a name holds where its pattern has W (way), B (band) or S (section, source):
// "out.1.gain" against "out.W.gain" gives {1}. Nothing when the name does not fit the pattern.
std::optional<std::vector<int>> MatchParamPattern(const std::string& pattern, const std::string& name);

// The value of the parameter `pattern` with its numbers, or null for a pattern that has none.
nlohmann::json ParamValueOf(const AppContext& ctx, int slot, const std::string& pattern, const std::vector<int>& numbers);
// The value by name; null for a name that is not a parameter.
nlohmann::json ParamValue(const AppContext& ctx, int slot, const std::string& name);

// One line of text for a value: a plain value as is, fields as "key=value key=value".
std::string ParamValueText(const nlohmann::json& value);
// The unit of a parameter with a plain value ("dB", "ms"); empty for flags, codes and fields.
std::string_view ParamUnit(const std::string& name);

}  // namespace plenum::device
