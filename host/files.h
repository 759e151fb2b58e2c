// SPDX-License-Identifier: MIT
// Reading files whole, the way the companions read result files: the bytes
// come through the door, their meaning from results/.
#pragma once

#include <optional>
#include <string>

#include "results/model.h"

// The whole file at `path` (a UTF-8 path on every system) into `text`.
// Returns why it cannot be read ("cannot read it: ..."), or "".
std::string ReadWholeFile(const std::string& path, std::string& text);
// The page policy the benchmark at `path` names in its bytes (see
// PagePolicyOf), or none when it cannot be read or names none.
std::optional<std::string> ProgramPagePolicy(const std::string& path);
// A result file read and checked: "cannot read it: ..." or "malformed: ...", or "".
std::string ReadResultFile(const std::string& path, SweepResult& result);
