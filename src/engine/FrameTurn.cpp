#include "engine/FrameTurn.h"

#include <utility>

#include "cartridge/Lifecycle.h"
#include "sound/Sound.h"
#include "sound/VoiceOutput.h"

bool TakeFrameTurn(Machine& m, bool shown, uint32_t frameCycles, const FrameTurnSteps& steps) {
  // The frame's writes are complete: the new frame's start from none.
  std::swap(m.SoundWrites, m.LastFrameSoundWrites);
  m.SoundWrites.clear();
  VoiceFrameEnd(m, m.LastFrameSoundWrites, frameCycles);
  if (steps.AfterSound) steps.AfterSound(m);
  m.host->RefreshColorTable();
  if (shown) m.host->PresentFrame();
  m.host->PollControllers();
  // The battery RAM is whole here: no instruction is half-way through it.
  AutosaveBatteryRam(m);
  if (steps.BeforeMessages) steps.BeforeMessages(m);
  // Menu commands, keys and repaints all run inside this call.
  m.host->ProcessMessages();
  if (m.Running) return true;
  SoundSilenceAll(*m.Sound);
  return false;
}
