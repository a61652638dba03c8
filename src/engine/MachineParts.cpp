// The parts every Machine is built with that the core knows by name only:
// made and ended here, in the layer that sees them all, so that the core
// includes nothing above itself. Defined beside nothing else, this file is
// kept in every program by the Machine's constructor, which calls it.
#include "cartridge/BatteryAutosave.h"
#include "cartridge/Mapper.h"
#include "core/Machine.h"
#include "core/Engine.h"
#include "sound/SoundLayerState.h"
#include "voice/ConsoleVoice.h"

void AssembleMachine(Machine& m) {
  m.Autosave = std::make_shared<BatteryAutosave>();
  m.MapperWrite = &MapperWriteNone;
  m.MapperClock = &MapperClockNone;
  m.Sound = std::make_unique<SoundLayer>();
  m.Chip = std::make_unique<ConsoleVoice>();
  ClearBankTables(m);
  m.engine = MakeDefaultEngine(m);
}

void DestroyPart(SoundLayer* part) { delete part; }
void DestroyPart(ConsoleVoice* part) { delete part; }
