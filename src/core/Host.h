// What the emulation core asks of its front end. The Qt main window, the
// headless runner and the tests are hosts; the core never sees a toolkit.
#pragma once

#include <string_view>

class Host {
 public:
  virtual ~Host() = default;

  // One line of the log (the main window's Terminal). UTF-8.
  virtual void AppendLog(std::string_view line) = 0;

  // Scanline hook, line 0: the colour table of FrameBuffer may have changed
  // and the finished picture is to be shown (the display paces emulation).
  virtual void RefreshColorTable() {}
  virtual void PresentFrame() {}
  // Scanline hook, line 0: rebuild both PadState bytes from the input devices.
  virtual void PollControllers() {}
  // Scanline hook, line 0: handle every pending user-interface event.
  virtual void ProcessMessages() {}

  // Cartridge lifecycle steps that belong to the front end.
  virtual void PrepareDisplay() {}
  virtual void LeaveDisplay() {}
  virtual void SetCartridgeItemsEnabled(bool /*enabled*/) {}
  virtual void SetStatusText(std::string_view /*text*/) {}
  // What a command the player gave did (a state saved or refused, ...), for
  // the player to see where they look: the picture. The log has it too.
  virtual void ShowMessage(std::string_view /*text*/) {}
  // Whether "Habilita Som" is checked: sound output starts with the cartridge.
  virtual bool SoundEnabled() const { return false; }
  // Rate setting handed to SoundStart (11, 22 or 44 in normal use).
  virtual int SoundRate() const { return 22; }
};

// A host that drops everything; the Machine uses it until a real one is set.
class NullHost final : public Host {
 public:
  void AppendLog(std::string_view) override {}
};
