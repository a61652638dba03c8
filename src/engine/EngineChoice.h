// Which engine runs the console: the designed one ("classic", the default,
// fast and exact to its own rules) or the console engine ("console",
// cycle by cycle as the hardware). The settings and the command line name
// them by these ids.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "core/Machine.h"
#include "core/Engine.h"

inline constexpr std::string_view kClassicEngineId = "classic";
inline constexpr std::string_view kConsoleEngineId = "console";

// A new engine for `m` by id; null for an unknown id.
std::unique_ptr<Engine> MakeEngine(std::string_view id, Machine& m);
// Puts the engine named `id` in `m` unless it already runs there; false for
// an unknown id. A started cartridge must be started again afterwards: the
// new engine has not powered the console up.
bool ChooseEngine(Machine& m, std::string_view id);
// The engine that took a snapshot: the console engine's carry its chips.
std::string_view SnapshotEngineId(std::span<const uint8_t> snapshot);
// The engine as the "CPU > Motor" menu names it: "Clássico (rápido)" or
// "Console (preciso)".
std::string_view EngineCaption(std::string_view id);
