// The scanline hook driven call by call: line counting, vertical blank and its
// interrupt, the front end's turn at line 0, mapper clocking, scroll latching,
// the sprite-0 hit and frame skip.
#include "engine/classic/ClassicEngine.h"
#include "engine/classic/video/ScanlineHook.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "cartridge/boards/Boards.h"
#include "engine/classic/video/PictureBuilder.h"
#include "engine/classic/video/PpuRegisters.h"
#include "sound/RecordingMidiOut.h"
#include "sound/Sound.h"

namespace {

// Records the order of the front end's calls; ProcessMessages can run a command.
class OrderHost : public RecordingHost {
 public:
  std::vector<std::string> calls;
  std::function<void()> command;

  void RefreshColorTable() override { calls.push_back("refresh"), RecordingHost::RefreshColorTable(); }
  void PresentFrame() override { calls.push_back("present"), RecordingHost::PresentFrame(); }
  void PollControllers() override { calls.push_back("poll"), RecordingHost::PollControllers(); }
  void ProcessMessages() override {
    calls.push_back("messages");
    RecordingHost::ProcessMessages();
    if (command) command();
  }
};

struct HookMachine {
  OrderHost host;
  Machine m;
  HookMachine() {
    m.host = &host;
    EXPECT_TRUE(InstallCartridge(m, 2, 0));
    HideSprites(m);
    m.Running = true;
  }
  // Calls the hook `count` times; returns the code of the last call.
  uint8_t Run(int count) {
    uint8_t code = intNone;
    for (int i = 0; i < count; ++i) code = ScanlineHook(m);
    return code;
  }
};

constexpr int kFrame = 244;

TEST(ScanlineHook, AFrameFromResetCountsLinesAndPresentsAtLineZero) {
  HookMachine h;
  Classic(h.m).PpuMask = 0x08;  // background on, all tiles blank: drawn rows become 0
  std::fill(h.m.FrameBuffer.begin(), h.m.FrameBuffer.end(), 0x77);

  EXPECT_EQ(h.Run(1), intNone);
  EXPECT_EQ(Classic(h.m).ScanlineCounter, 1);
  EXPECT_EQ(Row(h.m, 0, 0, 1)[0], 0x77) << "the first call handles line 1, not line 0";
  EXPECT_EQ(Row(h.m, 1, 0, 1)[0], 0);

  h.Run(237);
  EXPECT_FALSE(Classic(h.m).PpuStatus & 0x80);
  EXPECT_EQ(h.Run(1), intNone);  // call 239: line 239, interrupts off
  EXPECT_TRUE(Classic(h.m).PpuStatus & 0x80);
  EXPECT_TRUE(h.host.calls.empty());

  h.Run(4);  // lines 240-243 only take time
  EXPECT_EQ(h.host.presented, 0);
  h.Run(1);  // call 244: line 0
  EXPECT_EQ(Classic(h.m).ScanlineCounter, 0);
  EXPECT_FALSE(Classic(h.m).PpuStatus & 0x80);
  EXPECT_EQ(h.host.calls, (std::vector<std::string>{"refresh", "present", "poll", "messages"}));
  EXPECT_EQ(Row(h.m, 0, 0, 1)[0], 0) << "line 0 is drawn before the frame is shown";
}

struct VblankCase {
  uint8_t ctrl;
  uint8_t codeAt239;
  int mapperClocks;  // per frame
};

class VerticalBlank : public testing::TestWithParam<VblankCase> {};

TEST_P(VerticalBlank, InterruptOnlyWhenEnabledAndThenNoMapperClock) {
  const VblankCase c = GetParam();
  HookMachine h;
  // A scanline-counting board with a counter that does not expire this frame.
  h.m.MapperClock = FindMapperBoard(4)->Clock;
  h.m.IrqEnabled = true;
  h.m.IrqCounter = 1000;
  Classic(h.m).PpuCtrl = c.ctrl;

  h.Run(238);
  EXPECT_EQ(h.Run(1), c.codeAt239);
  h.Run(kFrame - 239);
  EXPECT_EQ(1000 - h.m.IrqCounter, c.mapperClocks);
  EXPECT_EQ(Classic(h.m).ScanlineCounter, 0);
}

INSTANTIATE_TEST_SUITE_P(ScanlineHook, VerticalBlank,
                         testing::Values(VblankCase{0x00, intNone, 240},  // lines 0-239
                                         VblankCase{0x80, intNMI, 239},   // 239 returns before the clock
                                         VblankCase{0x7F, intNone, 240}));

TEST(ScanlineHook, MapperInterruptSkipsThatLinesScrollLatchAndSprite0Hit) {
  HookMachine h;
  h.m.MapperClock = FindMapperBoard(4)->Clock;
  h.m.IrqEnabled = true;
  h.m.IrqCounter = 3;
  Classic(h.m).PpuMask = 0x18;
  Classic(h.m).Sprite0Line = 3;
  Classic(h.m).ScrollXWritten = 5;
  Classic(h.m).ScrollChanged = false;

  h.Run(2);
  Classic(h.m).ScrollChanged = true;
  EXPECT_EQ(h.Run(1), intIRQ);  // line 3
  EXPECT_EQ(Classic(h.m).ScrollX, 0);
  EXPECT_FALSE(Classic(h.m).PpuStatus & 0x40);
  EXPECT_EQ(h.Run(1), intNone);  // line 4 latches what line 3 skipped
  EXPECT_EQ(Classic(h.m).ScrollX, 5);
}

TEST(ScanlineHook, ScrollWrittenInVerticalBlankTakesEffectFromLine1) {
  HookMachine h;
  SetUniformTile(h.m, 0x0010, 0x55, 0x33);  // colours 0,1,2,3,0,1,2,3
  FillNames(h.m, 0x2000, 1);
  Classic(h.m).PpuMask = 0x08;

  h.Run(100);
  PpuRegisterWrite(h.m, 0x2005, 0);  // a lone write mid-frame leaves the toggle on vertical
  h.Run(139);                        // line 239 resets the toggle
  PpuRegisterWrite(h.m, 0x2005, 2);
  PpuRegisterWrite(h.m, 0x2005, 0);

  h.Run(5);  // lines 240-243 and 0
  EXPECT_EQ(Row(h.m, 0, 0, 4), (std::vector<int>{0, 1, 2, 3})) << "line 0 keeps the old scroll";
  EXPECT_EQ(Classic(h.m).ScrollX, 2);
  h.Run(1);
  EXPECT_EQ(Row(h.m, 1, 0, 4), (std::vector<int>{2, 3, 0, 1}));
}

struct HitCase {
  uint8_t mask, ctrl;
  bool hit;
  uint8_t code;
};

class Sprite0Hit : public testing::TestWithParam<HitCase> {};

TEST_P(Sprite0Hit, FlaggedOnTheLineBelowTheLastOpaqueRow) {
  const HitCase c = GetParam();
  HookMachine h;
  // Rows 0-5 of tile 1 have opaque pixels (row 2 in the high plane only).
  SetTile(h.m, 0x0010, {0x80, 0x01, 0, 0x10, 0x10, 0x08, 0, 0}, {0, 0, 0x40, 0, 0, 0, 0, 0});
  SetSprite(h.m, 0, 100, 1, 0x00, 30);
  Classic(h.m).PpuMask = c.mask;
  Classic(h.m).PpuCtrl = c.ctrl;

  h.Run(kFrame);  // to line 0, where the line is predicted
  EXPECT_EQ(Classic(h.m).Sprite0Line, 106);
  h.Run(105);
  EXPECT_FALSE(Classic(h.m).PpuStatus & 0x40);
  EXPECT_EQ(h.Run(1), c.code);  // line 106
  EXPECT_EQ(bool(Classic(h.m).PpuStatus & 0x40), c.hit);
  EXPECT_EQ(h.Run(132), intNone);  // up to line 238: the flag stays
  EXPECT_EQ(bool(Classic(h.m).PpuStatus & 0x40), c.hit);
  h.Run(1);  // line 239 clears it
  EXPECT_FALSE(Classic(h.m).PpuStatus & 0x40);
}

INSTANTIATE_TEST_SUITE_P(ScanlineHook, Sprite0Hit,
                         testing::Values(HitCase{0x10, 0x00, true, intNone},
                                         HitCase{0x10, 0x40, true, intNMI},
                                         HitCase{0x08, 0x40, false, intNone},  // sprites hidden: never
                                         HitCase{0x00, 0x00, false, intNone}));

struct PredictCase {
  uint8_t ctrl;
  uint8_t tile;
  int opaqueAddress;  // -1: a fully transparent sprite
  int line;
};

class Sprite0Prediction : public testing::TestWithParam<PredictCase> {};

TEST_P(Sprite0Prediction, UsesTheSpritePatternAddressing) {
  const PredictCase c = GetParam();
  HookMachine h;
  if (c.opaqueAddress >= 0) h.m.Vram[c.opaqueAddress] = 0x01;
  SetSprite(h.m, 0, 50, c.tile, 0xC0, 0);  // flips play no part
  Classic(h.m).PpuCtrl = c.ctrl;
  ComputeSprite0Line(h.m);
  EXPECT_EQ(Classic(h.m).Sprite0Line, c.line);
}

INSTANTIATE_TEST_SUITE_P(
    ScanlineHook, Sprite0Prediction,
    testing::Values(PredictCase{0x00, 2, -1, 50},                // transparent: line Y
                    PredictCase{0x00, 2, 0x0020, 51},            // row 0, low plane
                    PredictCase{0x00, 2, 0x002F, 58},            // row 7, high plane
                    PredictCase{0x08, 2, 0x1023, 54},            // upper half for 8x8
                    PredictCase{0x08, 2, 0x0023, 50},            // ... lower half unseen
                    PredictCase{0x20, 3, 0x1020 + 16 + 2, 61},   // 8x16: second tile, row 10
                    PredictCase{0x20, 3, 0x1020 + 8 + 7, 58}));  // 8x16: first tile, row 7

TEST(ScanlineHook, FrameRate3DrawsAndShowsOneFrameInThree) {
  HookMachine h;
  h.m.FrameRate = 3;
  Classic(h.m).PpuMask = 0x18;
  SetSolidTile(h.m, 0x0010, 1);
  SetSprite(h.m, 1, 60, 1, 0x00, 60);

  std::vector<int> drawn, sprites;
  for (int frame = 0; frame < 9; ++frame) {
    // Mark a background pixel and a sprite pixel; whatever draws rewrites them.
    h.m.FrameBuffer[100 * kScreenWidth] = 0x77;
    h.Run(238);
    h.m.FrameBuffer[60 * kScreenWidth + 60] = 0x77;
    h.Run(1);
    if (h.m.FrameBuffer[60 * kScreenWidth + 60] == 17) sprites.push_back(frame);
    h.Run(kFrame - 239);
    if (h.m.FrameBuffer[100 * kScreenWidth] != 0x77) drawn.push_back(frame);
  }
  // The sprite pass runs in the frame before a shown one; that frame's
  // background is drawn from the call for line 240 on, i.e. the next frame.
  EXPECT_EQ(sprites, (std::vector<int>{2, 5, 8}));
  EXPECT_EQ(drawn, (std::vector<int>{0, 3, 6}));
  EXPECT_EQ(h.host.presented, 3);
  EXPECT_EQ(h.host.colorRefreshes, 9);
  EXPECT_EQ(h.host.polls, 9);
}

TEST(ScanlineHook, ZeroFrameRateShowsEveryFrameInsteadOfDividingByZero) {
  HookMachine h;
  h.m.FrameRate = 0;
  h.Run(3 * kFrame);
  EXPECT_EQ(h.host.presented, 3);
}

TEST(ScanlineHook, StopsAtLineZeroAfterTheMessagesThatClearedRunning) {
  HookMachine h;
  h.host.command = [&] { h.m.Running = false; };  // a pause chosen from the menu
  EXPECT_EQ(h.Run(kFrame - 1), intNone);
  EXPECT_EQ(h.Run(1), intStop);
  EXPECT_EQ(h.host.calls, (std::vector<std::string>{"refresh", "present", "poll", "messages"}));

  // Cleared outside the message processing: still only line 0 stops.
  h.host.command = nullptr;
  for (int call = 1; call < kFrame; ++call) ASSERT_EQ(h.Run(1), intNone) << "call " << call;
  EXPECT_EQ(h.Run(1), intStop);
  EXPECT_EQ(h.host.messageRounds, 2);
}

TEST(ScanlineHook, StopSilencesAllFiveSoundChannels) {
  auto recording = std::make_shared<MidiRecording>();
  HookMachine h;
  SoundLayer& sound = *h.m.Sound;
  SetSoundDevices(sound, RecordingMidiFactory(recording));
  SoundStart(sound, nullptr, 22, 255);
  size_t sounding = 0;
  // The command that pauses finds every channel playing a note.
  h.host.command = [&] {
    for (int channel = 0; channel < 5; ++channel) {
      SoundSetFrequency(sound, channel, 220 * (channel + 1));
      SoundSetVolume(sound, channel, 200);
    }
    sounding = recording->events.size();
    h.m.Running = false;
  };

  EXPECT_EQ(h.Run(kFrame), intStop);
  EXPECT_GT(recording->events.size(), sounding) << "the stop sent nothing";
  // The layer sends only changes: silencing again must now send nothing.
  const size_t afterStop = recording->events.size();
  for (int channel = 0; channel < 5; ++channel) SoundSetVolume(sound, channel, 0);
  EXPECT_EQ(recording->events.size(), afterStop);

  SoundStop(sound);
  SetSoundDevices(sound, {});
}

}  // namespace

TEST(ScanlineHook, ACounterSetOutsideTheFrameWrapsAsTheRemainderOfItsNextValue) {
  // A counter set from outside may hold a value past the frame's last line;
  // the next line is still (counter + 1) % 244, at the wrap and beyond it.
  for (int counter : {0, 1, 238, 242, 243, 244, 245, 487, 488, 100000}) {
    HookMachine h;
    Classic(h.m).ScanlineCounter = counter;
    h.Run(1);
    EXPECT_EQ(Classic(h.m).ScanlineCounter, (counter + 1) % kFrame) << "from " << counter;
  }
}
