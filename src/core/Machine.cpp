#include "core/Machine.h"

#include <atomic>

#include "cartridge/BatteryAutosave.h"
#include "cartridge/Mapper.h"
#include "sound/SoundLayerState.h"
#include "voice/ConsoleVoice.h"

namespace {
NullHost nullHost;
}

uint64_t Machine::NewPatternRomSerial() {
  // Only the emulation thread loads cartridges today; the counter is atomic
  // so that a serial stays unique whichever thread asks for one.
  static std::atomic<uint64_t> last{0};
  return ++last;
}

Machine::Machine()
    : Autosave(std::make_shared<BatteryAutosave>()),
      MapperWrite(&MapperWriteNone),
      MapperClock(&MapperClockNone),
      Sound(std::make_unique<SoundLayer>()),
      Chip(std::make_unique<ConsoleVoice>()),
      host(&nullHost),
      engine(MakeDefaultEngine(*this)) {
  // A frame's writes rarely pass a few dozen; sample playback through $4011
  // may write a few thousand.
  SoundWrites.reserve(4096);
  LastFrameSoundWrites.reserve(4096);
  ClearBankTables(*this);
}

Machine::~Machine() = default;
