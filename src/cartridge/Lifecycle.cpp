// Loading and starting a cartridge, resetting the console and unloading it.
// The front-end steps of these sequences (menus, display, status text, the
// sound setting) are asked of the host; everything else happens here, so the
// main window, the headless runner and the tests run the very same sequence.
#include "cartridge/Lifecycle.h"

#include <utility>
#include <vector>

#include "cartridge/BatteryAutosave.h"
#include "cartridge/Mapper.h"
#include "cartridge/RomLoader.h"
#include "core/Text.h"
#include "core/Engine.h"
#include "sound/Sound.h"
#include "sound/SoundChannels.h"

namespace {

// The status bar shows the file name with a-z raised and nothing else
// touched, so accented letters and digits stay as they are.
std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

}  // namespace

bool StartCartridge(Machine& m, const std::string& path) {
  // The new image is read and judged before anything of the cartridge in the
  // machine is touched: a file that is no cartridge must not end the game
  // being played. Its loading lines wait, so that on a replacement they
  // follow the unload's as they always have.
  RomImage image;
  std::vector<std::string> lines;
  const bool accepted = ReadRomImageFor(m, path, image, lines);
  if (!accepted || !MapperSupported(image.MapperNumber)) {
    WriteRomLog(m, lines);
    if (accepted) LogMapperRefused(m, image.MapperNumber);
    // Said where the player looks: nothing else shows a refusal without an
    // error box.
    const std::string name = Quoted(SanitizeUtf8(image.FileName));
    m.host->ShowMessage(accepted ? name + " usa o mapper " + std::to_string(image.MapperNumber) +
                                       ", que o Virel não suporta; nada foi alterado."
                                 : name + " não é um cartucho NES; nada foi alterado.");
    return false;
  }
  if (m.CartridgeLoaded()) {
    m.host->SetCartridgeItemsEnabled(false);
    UnloadCartridge(m);
  }
  WriteRomLog(m, lines);
  InstallRomImage(m, std::move(image));
  // The board is in the catalogue, so this no longer refuses; a battery file
  // that cannot be read still ends the start with an error. It is read only
  // now: the cartridge just unloaded may share it and has only now written it.
  if (!LoadBatteryAndMapper(m)) return false;
  m.host->SetCartridgeItemsEnabled(true);
  ResetMachine(m, true);
  m.Log("6502 iniciado.");
  const bool sound = m.host->SoundEnabled();
  if (sound) SoundStart(*m.Sound, nullptr, m.host->SoundRate(), 255);
  m.SoundOn = sound;
  m.host->PrepareDisplay();
  m.Running = true;
  m.host->SetStatusText(UpperAscii(m.RomFileName));
  return true;
}

void LoadAndStart(Machine& m, const std::string& path) {
  if (StartCartridge(m, path)) RunOrContinue(m);
}

void ResetMachine(Machine& m, bool powerOn) {
  m.SkipCounter = 0;
  SoundResetRegisters(m);  // $4000-$400E; periods and counters carry on
  m.PadState = {};
  m.RestorePending = false;
  // The frame starts again: its sound register stream does too.
  m.SoundWrites.clear();
  m.Log("resetando 6502...");
  // The engine resets its own state; the reset vector is read through the
  // banks the mapper has just set up.
  if (powerOn)
    m.engine->PowerOn();
  else
    m.engine->Reset();
}

void UnloadCartridge(Machine& m) {
  m.Running = false;
  m.Log("6502 terminado.");
  // A failed battery write throws from here: emulation has stopped, but the
  // memories and images stay so that nothing more is lost.
  // The periodic writer finishes first, so that its copy can never land
  // after the unload's own, newer one.
  m.Autosave->Finish();
  SaveBatteryRam(m);
  m.Vram.fill(0);
  m.Oam.fill(0);
  m.BatteryRam.fill(0);
  m.Ram.fill(0);
  ClearBankTables(m);
  m.PrgRom = {};
  m.ChrRom = {};
  m.PatternRomSerial = 0;
  m.RomFileName.clear();
  m.RomFolder.clear();
  // With sound on the device stays open; the hook silenced every channel
  // when it stopped the run loop.
  if (!m.SoundOn) SoundStop(*m.Sound);
  m.host->LeaveDisplay();
  m.Log("Cartucho Descarregado.");
  m.host->SetStatusText("");
}

bool RunLoopActive(const Machine& m) { return m.RunLoopDepth > 0; }

void RunOrContinue(Machine& m) {
  m.Running = true;
  // Loops never nest: a command given from inside the active loop's message
  // processing only sets Running, and that loop carries on at its level. It
  // must carry on as a new loop would start, though: the hook call that ran
  // the command ends there, so nothing of the old frame start (mapper clock,
  // scroll latch, sprite-0 test, an interrupt) lands on the restarted machine.
  if (RunLoopActive(m)) {
    m.LoopRestarted = true;
    return;
  }
  m.engine->Run();
}
