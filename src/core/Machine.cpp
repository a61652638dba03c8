#include "core/Machine.h"

#include <atomic>


namespace {
NullHost nullHost;
}

uint64_t Machine::NewPatternRomSerial() {
  // Only the emulation thread loads cartridges today; the counter is atomic
  // so that a serial stays unique whichever thread asks for one.
  static std::atomic<uint64_t> last{0};
  return ++last;
}

Machine::Machine() : host(&nullHost) {
  // A frame's writes rarely pass a few dozen; sample playback through $4011
  // may write a few thousand.
  SoundWrites.reserve(4096);
  LastFrameSoundWrites.reserve(4096);
  AssembleMachine(*this);
}

Machine::~Machine() = default;
