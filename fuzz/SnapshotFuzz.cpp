// Arbitrary bytes as a snapshot of a running cartridge. A refused snapshot
// must leave the machine exactly as it was; a restored one must leave every
// bank window inside its storage and run on for two frames from there.
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "FuzzSupport.h"
#include "core/Snapshot.h"
#include "core/Engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Every input meets both engines: each takes its own snapshots and refuses
  // the other's.
  for (const char* engine : {"classic", "console"}) {
    BudgetMachine b;
    StartSnapshotMachine(b, engine);
    std::vector<uint8_t> before, after;
    b.m.engine->Snapshot(before);
    if (b.m.engine->Restore(std::span<const uint8_t>(data, size)) != RestoreResult::Restored) {
      b.m.engine->Snapshot(after);
      if (after != before) {
        std::fprintf(stderr, "a refused snapshot changed the %s engine's machine\n", engine);
        std::abort();
      }
      continue;
    }
    RequireBankTablesInBounds(b.m);
    RunFrames(b, 2);
    RequireBankTablesInBounds(b.m);
  }
  return 0;
}
