// The Machine: the console state every engine shares, which the main window
// owns (memories, bank tables, cartridge images, mapper registers, controller
// bytes, the picture, sound model fields, run flags), and the engine that runs
// it, which keeps its own state beside (the designed engine's processor record
// and picture-processor latches are engine/classic/ClassicState.h). The
// engines, the bus and the hooks take the Machine they run on, so any number
// of Machines may exist side by side (on one thread: nothing runs two at
// once).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/ApuWrite.h"
#include "core/Host.h"

struct Machine;
class BatteryAutosave;
class Engine;
struct SoundLayer;
struct ConsoleVoice;

// Which voice the sound plays in: the music as General MIDI notes (the
// designed sound) or the console's own sound chip, synthesised.
enum class SoundVoice : uint8_t { Midi, Console };
struct MapperBoard;

using MapperWriteFn = void (*)(Machine&, uint16_t address, uint8_t value);
// Clocked once per visible line the hook reaches; may turn `code` into the
// interrupt request.
using MapperClockFn = void (*)(Machine&, uint8_t& code);

// The installed board's own registers: a fixed block that the board's file
// views as its own struct (cartridge/boards/Boards.h), so that the Machine
// and the snapshot hold any board's registers without naming them.
struct alignas(8) BoardState {
  std::array<uint8_t, 16> Bytes{};
  bool operator==(const BoardState&) const = default;
};

// One 8 KB window of the processor's address space. Base is already offset by
// the window's first address, so the byte of address a is Base[a & Mask]; Ram
// and BatteryRam use the mask for their mirrors. Base is null for an empty
// window (the I/O regions, and everything while no cartridge is started).
struct CpuBank {
  const uint8_t* Base = nullptr;
  uint16_t Mask = 0;
};

enum class TMirroring : uint8_t { Vertical, Horizontal };

struct Rgb {
  uint8_t R = 0, G = 0, B = 0;
  bool operator==(const Rgb&) const = default;
};

constexpr int kScreenWidth = 256;
constexpr int kScreenHeight = 240;
// Hook calls to a frame: lines 0-243, the picture's 240 and four more. The
// sound channel model counts its frame steps in the same calls.
constexpr int kLinesPerFrame = 244;
// Bit 1 of the header's byte 6, kept in CartFlags: the cartridge has
// battery-backed RAM (an MMC3 can switch it at run time).
constexpr int32_t kCartBattery = 0x02;
// Bits 2 and 3 of the same byte: a 512-byte trainer precedes the program
// image, and the cartridge brings its own four name tables.
constexpr int32_t kCartTrainer = 0x04;
constexpr int32_t kCartFourScreen = 0x08;

// Ends an engine. The engine layer defines it, so that the core owns an
// engine without its declaration; any engine made with make_unique converts.
struct EngineDeleter {
  EngineDeleter() = default;
  template <class E>
  EngineDeleter(std::default_delete<E>) {}
  void operator()(Engine* engine) const;
};

// The engine a new Machine runs on: the designed one, made by the engine
// layer (engine/EngineChoice.cpp).
std::unique_ptr<Engine, EngineDeleter> MakeDefaultEngine(Machine& m);

// Ends a part the core holds by name only (the sound layer, the voice chip);
// the layers above define DestroyPart for their own part, so that the core
// owns them without their declarations. A part made with make_unique converts.
void DestroyPart(SoundLayer* part);
void DestroyPart(ConsoleVoice* part);
template <class T>
struct PartDeleter {
  PartDeleter() = default;
  PartDeleter(std::default_delete<T>) {}
  void operator()(T* part) const { DestroyPart(part); }
};

// Gives a new Machine the parts the layers above make (engine/MachineParts.cpp):
// the battery writer, the empty board handlers and bank tables, the sound
// layer, the voice chip and the default engine.
void AssembleMachine(Machine& m);

struct Machine {
  Machine();
  ~Machine();
  Machine(const Machine&) = delete;
  Machine& operator=(const Machine&) = delete;

  // --- Run ---------------------------------------------------------------------
  // Number of run loop activations on the stack (0 or 1: loops never nest).
  int RunLoopDepth = 0;
  // Set when a command run inside the hook's message processing restarted
  // emulation (Reset, a cartridge start, the debugger's close) while the loop
  // was active: that hook call ends at once and the loop takes the processor
  // record as the command left it, as a fresh loop would.
  bool LoopRestarted = false;
  // Set by a restore: the next run first finishes it (ResumeRestored).
  bool RestorePending = false;
  // Set while the time controls run frames that will be taken back or
  // replaced (run ahead, re-run from the rewind history): nothing of them
  // may reach a file.
  bool Rehearsing = false;

  // --- Memories (each plain memory carries one spare byte, saved in states) -
  // Work RAM and the picture start on cache lines: the renderer copies whole
  // rows into the picture, measurably quicker when no row straddles a line.
  alignas(64) std::array<uint8_t, 2049> Ram{};
  std::array<uint8_t, 8192> BatteryRam{};
  // Writes BatteryRam to its file every few seconds while it changes.
  std::shared_ptr<BatteryAutosave> Autosave;
  std::array<uint8_t, 0x18> IoRegs{};  // $4000-$4017
  std::array<uint8_t, 16385> Vram{};
  std::array<uint8_t, 257> Oam{};

  // --- Bank tables -----------------------------------------------------------
  std::array<CpuBank, 8> CpuBankTable{};
  // One entry per 1 KB of pattern memory, pre-offset by the kilobyte's first
  // address: the byte of pattern address p is PatternBankTable[p >> 10][p].
  std::array<const uint8_t*, 8> PatternBankTable{};

  // --- Controllers -----------------------------------------------------------
  std::array<uint8_t, 2> PadState{};  // bit 0..7: A B Select Start Up Down Left Right

  // --- Picture -------------------------------------------------------------------
  bool PaletteChanged = false;
  int32_t MirrorMask = 0;
  // Frame skip: frames are shown one in FrameRate, the shown one when
  // SkipCounter is 0.
  int SkipCounter = 0;
  int FrameRate = 1;

  // 256 x 240 palette-memory indices and the colour table they index.
  alignas(64) std::array<uint8_t, kScreenWidth * kScreenHeight> FrameBuffer{};
  std::array<Rgb, 256> FrameColors{};
  // Colour emphasis by pixel group (an index's top two bits): entries
  // 64g-64g+63 of FrameColors are palette memory seen through emphasis
  // FrameEmphasis[g] (PPUMASK bits 5-7 shifted down), for the first
  // FrameEmphasisGroups groups; the rest are left as they are. The designed
  // engine draws one group without emphasis.
  std::array<uint8_t, 4> FrameEmphasis{};
  uint8_t FrameEmphasisGroups = 1;

  // --- Cartridge -------------------------------------------------------------------
  std::string RomFileName;  // UTF-8, without folder
  std::string RomFolder;    // with its trailing separator
  std::array<uint8_t, 16> RomHeader{};
  int32_t PrgCount = 0;
  int32_t ChrCount = 0;
  int32_t CartFlags = 0;
  int32_t MapperNumber = 0;
  std::vector<uint8_t> PrgRom;  // empty: no cartridge loaded
  std::vector<uint8_t> ChrRom;
  // Names the pattern image in ChrRom: a number no other image loaded in this
  // process has had, or 0 while there is none (no cartridge, or video memory
  // serving as pattern RAM). The renderer keeps drawn rows only under a
  // non-zero one, as only a ROM's pattern bytes never change.
  uint64_t PatternRomSerial = 0;
  // CRC-32 of PrgRom followed by ChrRom, taken when the mapper is installed:
  // the cartridge a snapshot belongs to.
  uint32_t ImageCrc = 0;

  // --- Mapper state (one cartridge at a time) --------------------------------------
  // The installed board's row and the two handlers taken from it.
  const MapperBoard* Board = nullptr;
  MapperWriteFn MapperWrite;
  MapperClockFn MapperClock;
  TMirroring Mirroring = TMirroring::Vertical;
  uint8_t ChrBankMask = 0;
  std::string LoadedMapperName;
  // The scanline counter the boards with an interrupt clock share.
  uint16_t IrqCounter = 0;
  uint16_t IrqLatch = 0;
  bool IrqEnabled = false;
  BoardState BoardRegs;

  // --- Sound channel model -----------------------------------------------------------
  std::array<bool, 4> SweepFlag{};
  std::array<uint16_t, 5> ChannelPeriod{};
  std::array<int32_t, 5> LengthCounter{};
  std::array<bool, 5> ChannelEnabled{true, true, true, true, true};
  int32_t SoundVolume = 255;  // the loudest, as the settings start
  int32_t SoundFrameCountdown = 0;
  // The device layer (Sound.h): its devices and worker, and what each channel
  // last sent, which decides the MIDI messages that follow.
  std::unique_ptr<SoundLayer, PartDeleter<SoundLayer>> Sound;
  // The sound register writes of this frame so far, stamped with their cycle,
  // and those of the last whole frame (what the console's voice replays).
  std::vector<ApuWrite> SoundWrites;
  std::vector<ApuWrite> LastFrameSoundWrites;
  SoundVoice Voice = SoundVoice::Midi;
  // The console voice's chip (voice/ConsoleVoice.h), in step with the sound
  // registers while it is the voice heard (VoiceOutput.h).
  std::unique_ptr<ConsoleVoice, PartDeleter<ConsoleVoice>> Chip;
  bool ChipInStep = false;

  // --- Lifecycle -----------------------------------------------------------------------
  bool Running = false;
  bool SoundOn = false;

  bool CartridgeLoaded() const { return !PrgRom.empty(); }
  // A serial for a pattern image just put in ChrRom; never 0, never repeated.
  static uint64_t NewPatternRomSerial();

  // --- Front end -------------------------------------------------------------------------
  Host* host;
  // What runs this console (core/Engine.h): the designed engine by default.
  std::unique_ptr<Engine, EngineDeleter> engine;

  // Appends one line to the log.
  void Log(std::string_view line) { host->AppendLog(line); }
};

// Counts a run loop on the Machine's stack for as long as it is active, so
// that the lifecycle can tell whether a command must enter the run or only
// let the active one carry on (loops never nest). Every engine's run holds one.
class RunLoopScope {
 public:
  explicit RunLoopScope(Machine& m) : m_(m) { ++m_.RunLoopDepth; }
  ~RunLoopScope() { --m_.RunLoopDepth; }
  RunLoopScope(const RunLoopScope&) = delete;
  RunLoopScope& operator=(const RunLoopScope&) = delete;

 private:
  Machine& m_;
};
