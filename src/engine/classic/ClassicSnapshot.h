// The designed engine's own snapshot section: its state (ClassicState.h)
// through its field list, after the shared sections (engine/MachineState.h).
#pragma once

#include <cstdint>

#include "core/Snapshot.h"

constexpr uint32_t kSnapshotTagClassic = SnapshotTag("CLAS");
// Bumped by hand whenever ClassicFields changes.
constexpr uint32_t kClassicSectionVersion = 1;
