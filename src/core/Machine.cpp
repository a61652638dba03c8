#include "core/Machine.h"

#include "cartridge/BatteryAutosave.h"
#include "cartridge/Mapper.h"
#include "video/ScanlineHook.h"

namespace {
NullHost nullHost;
}

Machine* CurrentMachine = nullptr;

Machine::Machine()
    : Hook(&ScanlineHook),
      Autosave(std::make_shared<BatteryAutosave>()),
      MapperWrite(&MapperWriteNone),
      host(&nullHost) {
  Cpu.CyclesPerLine = kCyclesPerLine;
  ClearBankTables(*this);
}
