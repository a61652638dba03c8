#include "core/Machine.h"

#include <atomic>

#include "cartridge/BatteryAutosave.h"
#include "cartridge/Mapper.h"
#include "video/ScanlineHook.h"

namespace {
NullHost nullHost;
}

Machine* CurrentMachine = nullptr;

uint64_t Machine::NewPatternRomSerial() {
  // Machines may load cartridges on several threads (tests do).
  static std::atomic<uint64_t> last{0};
  return ++last;
}

Machine::Machine()
    : Hook(&ScanlineHook),
      Autosave(std::make_shared<BatteryAutosave>()),
      MapperWrite(&MapperWriteNone),
      host(&nullHost) {
  Cpu.CyclesPerLine = kCyclesPerLine;
  ClearBankTables(*this);
}
