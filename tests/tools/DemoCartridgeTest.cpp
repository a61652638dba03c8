// The demo cartridge as a user meets it: its tune, run through the real
// processor, hook and sound model.
#include <gtest/gtest.h>

#include <set>

#include "cartridge/Lifecycle.h"
#include "sound/SoundChannels.h"
#include "support/TestMachine.h"

namespace {

// Collects the periods of the first square and the triangle at every frame.
class TuneHost : public RecordingHost {
 public:
  Machine* machine = nullptr;
  int frames = 0;
  std::set<uint16_t> square, triangle;
  void ProcessMessages() override {
    square.insert(machine->ChannelPeriod[0]);
    triangle.insert(machine->ChannelPeriod[2]);
    if (++frames >= 64 * 10 + 5) machine->Running = false;  // the whole tune
  }
};

uint16_t Period(int hertz) { return static_cast<uint16_t>(kSoundClockDivisor / hertz - 1); }

}  // namespace

TEST(DemoCartridge, PlaysItsTuneOnTheFirstSquareAndTheTriangle) {
  TuneHost host;
  Machine m;
  m.host = &host;
  host.machine = &m;
  LoadAndStart(m, VIREL_DEMO_ROM);
  ASSERT_EQ(host.frames, 645);
  // E5 G5 C6 B5 D6 A5 F5 D5 E6 on the square; C3 G2 E3 F2 D3 B2 A2 on the triangle.
  std::set<uint16_t> melody{0}, bass{0};
  for (int hz : {659, 784, 1047, 988, 1175, 880, 698, 587, 1319}) melody.insert(Period(hz));
  for (int hz : {131, 98, 165, 87, 147, 123, 110}) bass.insert(Period(hz));
  EXPECT_EQ(host.square, melody);
  EXPECT_EQ(host.triangle, bass);
}
