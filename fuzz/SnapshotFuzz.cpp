// Arbitrary bytes as a snapshot of a running cartridge. A refused snapshot
// must leave the machine exactly as it was; a restored one must leave every
// bank window inside its storage and run on for two frames from there.
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "FuzzSupport.h"
#include "core/Snapshot.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BudgetMachine b;
  StartSnapshotMachine(b);
  std::vector<uint8_t> before, after;
  TakeSnapshot(b.m, before);
  if (RestoreSnapshot(b.m, std::span<const uint8_t>(data, size)) != RestoreResult::Restored) {
    TakeSnapshot(b.m, after);
    if (after != before) {
      std::fprintf(stderr, "a refused snapshot changed the machine\n");
      std::abort();
    }
    return 0;
  }
  RequireBankTablesInBounds(b.m);
  RunFrames(b, 2);
  RequireBankTablesInBounds(b.m);
  return 0;
}
