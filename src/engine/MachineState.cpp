// The shared part of a snapshot. Each section is a fixed run of fields in a
// fixed order, copied whole (the memories in one piece each), so that taking
// and restoring one costs a few microseconds. The reader checks everything
// before it changes anything: a refused snapshot leaves the Machine as it was.
#include "engine/MachineState.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <type_traits>

#include "cartridge/Mapper.h"
#include "cartridge/boards/Boards.h"
#include "core/ByteRuns.h"
#include "core/StateFields.h"
#include "sound/Sound.h"
#include "voice/ConsoleVoice.h"
#include "voice/VoiceFields.h"

static_assert(std::endian::native == std::endian::little, "snapshots are written in the host's byte order");

namespace {

constexpr uint32_t kTagMemory = SnapshotTag("MEM ");
constexpr uint32_t kTagPicture = SnapshotTag("PPU ");
constexpr uint32_t kTagMapper = SnapshotTag("MAP ");
constexpr uint32_t kTagChannels = SnapshotTag("APU ");
constexpr uint32_t kTagSound = SnapshotTag("SND ");
constexpr uint32_t kTagFrame = SnapshotTag("FRM ");        // the picture as it stands (first written)
constexpr uint32_t kTagPackedFrame = SnapshotTag("PIC ");  // the picture, run-length packed
constexpr uint32_t kTagSoundWrites = SnapshotTag("SRW ");
constexpr uint32_t kTagVoice = SnapshotTag("VOI ");  // the console voice's chip, while it plays
// Bumped by hand whenever voice/VoiceFields.h changes what the heard voice lists.
constexpr uint32_t kVoiceSectionVersion = 1;
const auto kVoiceList = [](auto& io, auto& v) { VoiceFields(io, v); };
// More sound register writes than any frame can make: a count above it is damage.
constexpr uint32_t kMostSoundWrites = 1u << 16;
// A write's cycle lies within one frame: the bound is the designed engine's
// frame (244 lines of 122 cycles), as every snapshot so far was checked.
constexpr uint32_t kMostFrameCycles = kLinesPerFrame * 122;

// The storage a bank-table entry points into, by number.
enum Region : uint8_t { kNone, kRam, kBatteryRam, kPrgRom, kChrRom, kVram, kEmptyPatterns, kRegionCount };

struct Storage {
  const uint8_t* start;
  size_t size;
};

Storage StorageOf(const Machine& m, uint8_t region) {
  switch (region) {
    case kRam: return {m.Ram.data(), m.Ram.size()};
    case kBatteryRam: return {m.BatteryRam.data(), m.BatteryRam.size()};
    case kPrgRom: return {m.PrgRom.data(), m.PrgRom.size()};
    case kChrRom: return {m.ChrRom.data(), m.ChrRom.size()};
    case kVram: return {m.Vram.data(), m.Vram.size()};
    case kEmptyPatterns: return {EmptyPatternStorage(), kEmptyPatternSize};
    default: return {nullptr, 0};
  }
}

// The first and last index a window's reads can reach: `first` is the
// window's first address as the bank sees it.
struct Reach {
  int64_t low, high;
};
Reach CpuWindowReach(unsigned entry, uint16_t mask) {
  const int64_t first = (entry * 0x2000) & mask;
  return {first, first + std::min<int64_t>(mask, 0x1FFF)};
}
Reach PatternWindowReach(unsigned entry) { return {entry * 0x400, entry * 0x400 + 0x3FF}; }

// A bank pointer as (region, distance from the region's start). A pointer
// into storage outside the Machine (test rigs) is kept as an empty window.
struct BankRef {
  uint8_t region = kNone;
  int64_t offset = 0;
};
BankRef Locate(const Machine& m, const uint8_t* base, int64_t probe) {
  if (!base) return {};
  const auto address = reinterpret_cast<uintptr_t>(base) + static_cast<uintptr_t>(probe);
  for (uint8_t region = kRam; region < kRegionCount; ++region) {
    const Storage s = StorageOf(m, region);
    const auto start = reinterpret_cast<uintptr_t>(s.start);
    if (s.start && address >= start && address < start + s.size)
      return {region, static_cast<int64_t>(reinterpret_cast<uintptr_t>(base) - start)};
  }
  return {};
}
bool Fits(const Machine& m, const BankRef& ref, Reach reach) {
  const Storage s = StorageOf(m, ref.region);
  return s.start && ref.offset + reach.low >= 0 && ref.offset + reach.high < static_cast<int64_t>(s.size);
}
const uint8_t* Resolve(const Machine& m, const BankRef& ref) {
  if (ref.region == kNone) return nullptr;
  return StorageOf(m, ref.region).start + ref.offset;
}

// --- Writing ------------------------------------------------------------------

class Writer {
 public:
  explicit Writer(std::vector<uint8_t>& out) : out_(out) {}
  template <typename T>
  void Put(const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    PutBytes(&value, sizeof(T));
  }
  void PutBytes(const void* bytes, size_t count) {
    const size_t at = out_.size();
    out_.resize(at + count);
    std::memcpy(out_.data() + at, bytes, count);
  }
  void PutBool(bool value) { Put(static_cast<uint8_t>(value)); }
  void Begin(uint32_t tag) {
    Put(tag);
    lengthAt_ = out_.size();
    Put(uint32_t{0});
  }
  void End() {
    const auto length = static_cast<uint32_t>(out_.size() - lengthAt_ - 4);
    std::memcpy(out_.data() + lengthAt_, &length, 4);
  }

 private:
  std::vector<uint8_t>& out_;
  size_t lengthAt_ = 0;
};

// --- Reading ------------------------------------------------------------------

// Reads fields in order from one section; reading past its end marks it bad.
class Reader {
 public:
  Reader() = default;
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes), present_(true) {}
  template <typename T>
  T Get() {
    T value{};
    if (at_ + sizeof(T) > bytes_.size()) {
      bad_ = true;
      return value;
    }
    std::memcpy(&value, bytes_.data() + at_, sizeof(T));
    at_ += sizeof(T);
    return value;
  }
  template <typename T, size_t N>
  void GetArray(std::array<T, N>& out) {
    static_assert(std::is_trivially_copyable_v<T>);
    if (at_ + sizeof(out) > bytes_.size()) {
      bad_ = true;
      return;
    }
    std::memcpy(out.data(), bytes_.data() + at_, sizeof(out));
    at_ += sizeof(out);
  }
  bool GetBool() { return Get<uint8_t>() != 0; }
  void Skip(size_t count) {
    if (at_ + count > bytes_.size()) bad_ = true;
    at_ += count;
  }
  bool Present() const { return present_; }
  bool Bad() const { return bad_ || !present_; }
  // What is left of the section.
  std::span<const uint8_t> Rest() const {
    return at_ < bytes_.size() ? bytes_.subspan(at_) : std::span<const uint8_t>();
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
  bool present_ = false;
  bool bad_ = false;
};

// Everything the shared sections hold, read and checked before any of it is
// applied.
struct Staged {
  int32_t mirrorMask, skipCounter;
  std::array<uint8_t, 2> padState;
  bool paletteChanged;
  std::array<Rgb, 256> frameColors;
  int32_t cartFlags;
  uint8_t mirroring, chrBankMask;
  uint16_t irqCounter, irqLatch;
  bool irqEnabled;
  BoardState boardRegs;
  bool boardFieldsPlausible = true;
  std::array<BankRef, 8> cpuBanks;
  std::array<uint16_t, 8> cpuMasks;
  std::array<BankRef, 8> patternBanks;
  std::array<bool, 4> sweepFlag;
  std::array<uint16_t, 5> channelPeriod;
  std::array<int32_t, 5> lengthCounter;
  int32_t soundFrameCountdown;
  SoundChannelsSent sound;
};

// Before the third format the picture section also held the designed
// engine's latches, hook counters and controller shift positions; that
// engine reads them from here itself (ClassicSnapshot.cpp), so this reader
// steps over them.
constexpr size_t kLegacyPictureLatchBytes = 13;

void ReadPicture(Reader& r, Staged& s, uint32_t version) {
  if (version <= 2) r.Skip(kLegacyPictureLatchBytes);
  s.mirrorMask = r.Get<int32_t>();
  if (version <= 2) r.Skip(4);  // the designed engine's line count
  s.skipCounter = r.Get<int32_t>();
  if (version <= 2) r.Skip(4);  // its sprite-0 line
  r.GetArray(s.padState);
  if (version <= 2) r.Skip(2);  // its controller shift positions
  // The colour table is only rebuilt when palette memory is written, so it
  // may differ from what palette memory would give: it is state.
  s.paletteChanged = r.GetBool();
  r.GetArray(s.frameColors);
}

// The first format kept the MMC1 and MMC3 registers in named fields whatever
// the cartridge; the installed board takes what it knew from them. An MMC1
// count past four is refused whatever the board, as it always was.
void ReadFirstBoardFields(Reader& r, Staged& s, const MapperBoard* board) {
  FirstSnapshotBoardFields f;
  r.GetArray(f.Mmc1Regs);
  f.Mmc1Shift = r.Get<uint8_t>();
  f.Mmc1Count = r.Get<uint8_t>();
  f.Mmc1PrgHigh = r.Get<uint8_t>();
  f.Mmc1MirrorExtra = r.Get<uint16_t>();
  f.Mmc3Select = r.Get<uint8_t>();
  f.Mmc3ChrInvert = r.Get<uint16_t>();
  s.boardRegs = {};
  s.boardFieldsPlausible = f.Mmc1Count <= 4;
  if (board && board->State && board->State->FromFirstSnapshot)
    board->State->FromFirstSnapshot(f, s.boardRegs);
}

void ReadMapper(Reader& r, Staged& s, uint32_t version, const MapperBoard* board) {
  s.cartFlags = r.Get<int32_t>();
  s.mirroring = r.Get<uint8_t>();
  s.chrBankMask = r.Get<uint8_t>();
  s.irqCounter = r.Get<uint16_t>();
  s.irqLatch = r.Get<uint16_t>();
  s.irqEnabled = r.GetBool();
  if (version == 1)
    ReadFirstBoardFields(r, s, board);
  else
    r.GetArray(s.boardRegs.Bytes);
  for (size_t i = 0; i < 8; ++i) {
    s.cpuBanks[i].region = r.Get<uint8_t>();
    s.cpuMasks[i] = r.Get<uint16_t>();
    s.cpuBanks[i].offset = r.Get<int64_t>();
  }
  for (BankRef& bank : s.patternBanks) {
    bank.region = r.Get<uint8_t>();
    bank.offset = r.Get<int64_t>();
  }
}

void ReadChannels(Reader& r, Staged& s) {
  for (bool& flag : s.sweepFlag) flag = r.GetBool();
  r.GetArray(s.channelPeriod);
  r.GetArray(s.lengthCounter);
  s.soundFrameCountdown = r.Get<int32_t>();
}

void ReadSound(Reader& r, Staged& s) {
  for (SoundChannelSent& c : s.sound) {
    c.frequency = r.Get<int32_t>();
    c.volume = r.Get<int32_t>();
    c.note = r.Get<int32_t>();
    c.bend = r.Get<int32_t>();
    c.midiVolume = r.Get<int32_t>();
  }
}

// The stream's writes, each to a sound register at a cycle within one frame.
bool ReadSoundWrites(Reader r, std::vector<ApuWrite>& out) {
  const auto count = r.Get<uint32_t>();
  if (r.Bad() || count > kMostSoundWrites) return false;
  out.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    ApuWrite x;
    x.Cycle = r.Get<uint32_t>();
    x.Address = r.Get<uint16_t>();
    x.Value = r.Get<uint8_t>();
    const bool sound =
        (x.Address >= 0x4000 && x.Address <= 0x4013) || x.Address == 0x4015 || x.Address == 0x4017;
    if (r.Bad() || !sound || x.Cycle >= kMostFrameCycles) return false;
    out.push_back(x);
  }
  return true;
}

// Values the run loop, the hook and the boards rely on staying in range, so
// that no snapshot, however made, can send them outside their memories.
bool Plausible(const Machine& m, const Staged& s) {
  if (s.skipCounter < 0 || s.skipCounter > 9) return false;
  if (s.mirroring > 1 || !s.boardFieldsPlausible) return false;
  const BoardStateRules* rules = m.Board ? m.Board->State : nullptr;
  if (rules && rules->Plausible && !rules->Plausible(s.boardRegs)) return false;
  for (unsigned i = 0; i < 8; ++i) {
    const BankRef& bank = s.cpuBanks[i];
    if (bank.region != kNone && !Fits(m, bank, CpuWindowReach(i, s.cpuMasks[i]))) return false;
    if (s.patternBanks[i].region == kNone || !Fits(m, s.patternBanks[i], PatternWindowReach(i))) return false;
  }
  return true;
}

}  // namespace

void TakeSnapshot(const Machine& m, std::vector<uint8_t>& out, bool pictureRedrawn, bool heldAtFrameStart) {
  out.clear();
  out.reserve(96 * 1024);
  Writer w(out);
  w.PutBytes(kSnapshotMagic, sizeof kSnapshotMagic);
  w.Put(kSnapshotVersion);
  w.Put(m.ImageCrc);

  w.Begin(kTagMemory);
  w.Put(m.Ram);
  w.Put(m.BatteryRam);
  w.Put(m.IoRegs);
  w.Put(m.Vram);
  w.Put(m.Oam);
  w.End();

  w.Begin(kTagPicture);
  w.Put(m.MirrorMask);
  w.Put(int32_t{m.SkipCounter});
  w.Put(m.PadState);
  w.PutBool(m.PaletteChanged);
  w.Put(m.FrameColors);
  w.End();

  w.Begin(kTagMapper);
  w.Put(m.CartFlags);
  w.Put(static_cast<uint8_t>(m.Mirroring));
  w.Put(m.ChrBankMask);
  w.Put(m.IrqCounter);
  w.Put(m.IrqLatch);
  w.PutBool(m.IrqEnabled);
  // The installed board's registers, whatever the board: it is named by the
  // cartridge image, which a restore requires to be the same.
  w.Put(m.BoardRegs.Bytes);
  for (unsigned i = 0; i < 8; ++i) {
    const CpuBank& bank = m.CpuBankTable[i];
    const BankRef ref = Locate(m, bank.Base, CpuWindowReach(i, bank.Mask).low);
    w.Put(ref.region);
    w.Put(bank.Mask);
    w.Put(ref.offset);
  }
  for (unsigned i = 0; i < 8; ++i) {
    const BankRef ref = Locate(m, m.PatternBankTable[i], PatternWindowReach(i).low);
    w.Put(ref.region);
    w.Put(ref.offset);
  }
  w.End();

  w.Begin(kTagChannels);
  for (bool flag : m.SweepFlag) w.PutBool(flag);
  w.Put(m.ChannelPeriod);
  w.Put(m.LengthCounter);
  w.Put(m.SoundFrameCountdown);
  w.End();

  w.Begin(kTagSound);
  // Stopped, the channels were silenced by the stop alone: the run this
  // snapshot resumes goes on from what they sounded before it. The designed
  // engine stops at a held frame start; any engine's stop leaves the layer
  // silenced until the channels move again.
  const bool beforeStop = m.RunLoopDepth == 0 && (heldAtFrameStart || SoundStopSilenced(*m.Sound));
  for (const SoundChannelSent& sent : SoundSaveChannels(*m.Sound, beforeStop)) w.Put(sent);
  w.End();

  // The picture is most of a snapshot's size: left out when the engine draws
  // all of it again before the next one goes out.
  if (!pictureRedrawn) {
    w.Begin(kTagPackedFrame);
    PackRuns(m.FrameBuffer, out);
    w.End();
  }

  // The frame's sound register writes so far, which the voice replays when
  // the frame ends; none at a frame start.
  if (!m.SoundWrites.empty()) {
    w.Begin(kTagSoundWrites);
    w.Put(static_cast<uint32_t>(m.SoundWrites.size()));
    for (const ApuWrite& x : m.SoundWrites) {
      w.Put(x.Cycle);
      w.Put(x.Address);
      w.Put(x.Value);
    }
    w.End();
  }

  // The console voice's chip and output stage while it is the voice heard;
  // a restore without it brings the chip back from the registers.
  if (m.ChipInStep) state::WriteSection(out, kTagVoice, kVoiceSectionVersion, *m.Chip, kVoiceList);
}

void ResumeRestored(Machine& m) {
  m.RestorePending = false;
  SoundResumeHeld(*m.Sound);
}

RestoreResult RestoreSnapshot(Machine& m, std::span<const uint8_t> data) {
  if (const RestoreResult header = CheckSnapshotHeader(m, data); header != RestoreResult::Restored)
    return header;
  const uint32_t version = SnapshotVersion(data);

  Reader memory, picture, mapper, channels, sound, frame, packedFrame, soundWrites, voice;
  for (size_t at = kSnapshotHeaderSize; at < data.size();) {
    if (data.size() - at < 8) return RestoreResult::Damaged;
    uint32_t tag = 0, length = 0;
    std::memcpy(&tag, data.data() + at, 4);
    std::memcpy(&length, data.data() + at + 4, 4);
    at += 8;
    if (length > data.size() - at) return RestoreResult::Damaged;
    const Reader section(data.subspan(at, length));
    at += length;
    switch (tag) {
      case kTagMemory: memory = section; break;
      case kTagPicture: picture = section; break;
      case kTagMapper: mapper = section; break;
      case kTagChannels: channels = section; break;
      case kTagSound: sound = section; break;
      case kTagFrame: frame = section; break;
      case kTagPackedFrame: packedFrame = section; break;
      case kTagSoundWrites: soundWrites = section; break;
      case kTagVoice: voice = section; break;
      default: break;  // an engine's own section, or a later version's
    }
  }

  Staged s{};
  ReadPicture(picture, s, version);
  ReadMapper(mapper, s, version, m.Board);
  ReadChannels(channels, s);
  ReadSound(sound, s);
  // The memories are checked for length here and copied straight in below.
  Reader memoryCheck = memory;
  memoryCheck.Skip(sizeof m.Ram + sizeof m.BatteryRam + sizeof m.IoRegs + sizeof m.Vram + sizeof m.Oam);
  Reader frameCheck = frame;
  frameCheck.Skip(sizeof m.FrameBuffer);
  // Only a packed picture that makes a whole one is taken.
  if (packedFrame.Present() && !RunsFill(packedFrame.Rest(), sizeof m.FrameBuffer))
    return RestoreResult::Damaged;
  std::vector<ApuWrite> writes;
  if (soundWrites.Present() && !ReadSoundWrites(soundWrites, writes)) return RestoreResult::Damaged;
  // The chip is taken whole or not at all: one of another list (or, before
  // the lists, of another build's layout) is left out, and the chip is
  // brought back from the registers instead. Checked aside first.
  std::unique_ptr<ConsoleVoice> staged;
  if (voice.Present()) {
    staged = std::make_unique<ConsoleVoice>(*m.Chip);
    bool taken = false;
    if (version >= 3) {
      taken = state::ReadSection(voice.Rest(), kVoiceSectionVersion, *staged, kVoiceList) ==
              state::SectionVerdict::Read;
    } else if (voice.Rest().size() == sizeof(ConsoleVoice)) {
      std::memcpy(static_cast<void*>(staged.get()), voice.Rest().data(), sizeof(ConsoleVoice));
      taken = true;
    }
    if (!taken || !VoicePlausible(*staged)) staged.reset();
  }
  if (picture.Bad() || mapper.Bad() || channels.Bad() || sound.Bad() || memoryCheck.Bad() ||
      (frame.Present() && frameCheck.Bad()) || !Plausible(m, s))
    return RestoreResult::Damaged;

  // From here on nothing can fail.
  m.RestorePending = true;
  memory.GetArray(m.Ram);
  memory.GetArray(m.BatteryRam);
  memory.GetArray(m.IoRegs);
  memory.GetArray(m.Vram);
  memory.GetArray(m.Oam);
  m.MirrorMask = s.mirrorMask;
  m.SkipCounter = s.skipCounter;
  m.PadState = s.padState;
  m.CartFlags = s.cartFlags;
  m.Mirroring = static_cast<TMirroring>(s.mirroring);
  m.ChrBankMask = s.chrBankMask;
  m.IrqCounter = s.irqCounter;
  m.IrqLatch = s.irqLatch;
  m.IrqEnabled = s.irqEnabled;
  m.BoardRegs = s.boardRegs;
  for (unsigned i = 0; i < 8; ++i) {
    const uint8_t* base = Resolve(m, s.cpuBanks[i]);
    m.CpuBankTable[i] = {base, base ? s.cpuMasks[i] : uint16_t{0}};
    m.PatternBankTable[i] = Resolve(m, s.patternBanks[i]);
  }
  for (size_t i = 0; i < 4; ++i) m.SweepFlag[i] = s.sweepFlag[i];
  m.ChannelPeriod = s.channelPeriod;
  m.LengthCounter = s.lengthCounter;
  m.SoundFrameCountdown = s.soundFrameCountdown;
  SoundRestoreChannels(*m.Sound, s.sound, m.RunLoopDepth == 0);
  if (packedFrame.Present())
    UnpackRuns(packedFrame.Rest(), m.FrameBuffer);
  else if (frame.Present())
    frame.GetArray(m.FrameBuffer);
  m.SoundWrites.assign(writes.begin(), writes.end());
  m.ChipInStep = staged != nullptr;
  if (staged) m.Chip = std::move(staged);
  m.PaletteChanged = s.paletteChanged;
  m.FrameColors = s.frameColors;
  // The renderer's kept rows need nothing: each is checked against the name,
  // attribute and bank state it was drawn from.
  // Restored from the message processing of an active loop: that hook call
  // ends at once and the loop goes on from the restored state.
  if (m.RunLoopDepth > 0) m.LoopRestarted = true;
  return RestoreResult::Restored;
}
