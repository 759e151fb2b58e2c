// SPDX-License-Identifier: MIT
// The parts of the result file that the comparison's own JSON repeats, so
// both write the machine and its conditions with the same keys.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "results/model.h"

nlohmann::json MachineJson(const Machine& host);
nlohmann::json ConditionsJson(const RunConditions& conditions);
// Indented JSON text; text that is not valid UTF-8 becomes U+FFFD.
std::string JsonText(const nlohmann::json& value);
