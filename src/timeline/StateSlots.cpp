#include "timeline/StateSlots.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <system_error>

#include "core/AtomicFile.h"
#include "core/ByteRuns.h"
#include "core/Crc32.h"
#include "core/Snapshot.h"
#include "core/SystemReason.h"
#include "core/Text.h"
#include "core/Engine.h"
#include "engine/EngineChoice.h"

namespace {

constexpr char kSlotMagic[8] = {'V', 'I', 'R', 'E', 'L', 'S', 'L', 'T'};
constexpr size_t kHeaderSize = 44;
// The CRC-32 of the menu's part covers the header up to itself.
constexpr size_t kInfoCrcAt = 40;
constexpr size_t kThumbBytes = size_t{kSlotThumbWidth} * kSlotThumbHeight * 3;
constexpr size_t kColorBytes = 256 * 3;
// A snapshot is a few tens of kilobytes and the picture at most 61,440 bytes
// packed; a file far larger than that is no slot of ours.
constexpr size_t kLargestSlotFile = 4 * 1024 * 1024;

void PutU16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void PutU32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
}
void PutI64(std::vector<uint8_t>& out, int64_t v) {
  for (int i = 0; i < 8; ++i) out.push_back(uint8_t(uint64_t(v) >> (8 * i)));
}
uint64_t GetLe(std::span<const uint8_t> in, size_t at, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= uint64_t(in[at + size_t(i)]) << (8 * i);
  return v;
}

// The header's fields, read back.
struct Header {
  uint32_t version = 0;
  uint32_t imageCrc = 0;
  int64_t savedAt = 0;
  uint32_t pictureLength = 0;
  uint32_t snapshotLength = 0;
  uint32_t bodyCrc = 0;
};

// Checks what the menu needs (header and thumbnail) in `bytes`, which must
// hold at least that much; the cartridge is checked last, so a damaged file
// of another cartridge says it is damaged.
SlotStatus ReadHeader(std::span<const uint8_t> bytes, uint32_t imageCrc, Header& h) {
  if (bytes.size() < kHeaderSize + kThumbBytes || std::memcmp(bytes.data(), kSlotMagic, 8) != 0)
    return SlotStatus::Damaged;
  h.version = uint32_t(GetLe(bytes, 8, 4));
  if (h.version == 0) return SlotStatus::Damaged;
  // A later version may lay out everything after the version differently.
  if (h.version > kSlotVersion) return SlotStatus::NewerFormat;
  const uint32_t infoCrc = Crc32(bytes.data() + kHeaderSize, kThumbBytes, Crc32(bytes.data(), kInfoCrcAt));
  if (infoCrc != uint32_t(GetLe(bytes, kInfoCrcAt, 4))) return SlotStatus::Damaged;
  if (GetLe(bytes, 24, 2) != kSlotThumbWidth || GetLe(bytes, 26, 2) != kSlotThumbHeight)
    return SlotStatus::Damaged;
  h.imageCrc = uint32_t(GetLe(bytes, 12, 4));
  h.savedAt = int64_t(GetLe(bytes, 16, 8));
  h.pictureLength = uint32_t(GetLe(bytes, 28, 4));
  h.snapshotLength = uint32_t(GetLe(bytes, 32, 4));
  h.bodyCrc = uint32_t(GetLe(bytes, 36, 4));
  return h.imageCrc == imageCrc ? SlotStatus::Ready : SlotStatus::OtherCartridge;
}

// The file's bytes, or none when there is no file or it cannot be read; a
// file too large to be ours comes back cut, which the checks then refuse.
std::vector<uint8_t> ReadSlotFile(const std::string& path, size_t limit) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(Utf8Path(path), error)) return {};
  try {
    return ReadFilePrefix(path, limit);
  } catch (const std::runtime_error&) {
    return {};
  }
}

bool SlotFileExists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(Utf8Path(path), error);
}

SlotPicture CurrentPicture(const Machine& m) {
  SlotPicture picture;
  const PictureView view = m.engine->Picture();
  std::copy(view.Pixels.begin(), view.Pixels.end(), picture.Pixels.begin());
  std::copy(view.Colors.begin(), view.Colors.end(), picture.Colors.begin());
  return picture;
}

// The picture is the Machine's, whatever engine drew it.
void ShowPicture(Machine& m, const SlotPicture& picture) {
  m.FrameBuffer = picture.Pixels;
  m.FrameColors = picture.Colors;
}

std::string RefusalMessage(int slot, SlotStatus status) {
  const std::string head = "Não foi possível carregar o espaço " + std::to_string(slot) + ": ";
  switch (status) {
    case SlotStatus::Empty: return "O espaço " + std::to_string(slot) + " está vazio; nada foi alterado.";
    case SlotStatus::OtherCartridge: return head + RestoreMessage(RestoreResult::OtherCartridge);
    case SlotStatus::NewerFormat: return head + RestoreMessage(RestoreResult::NewerFormat);
    case SlotStatus::Ready:
    case SlotStatus::Damaged: break;
  }
  return head + RestoreMessage(RestoreResult::Damaged);
}

}  // namespace

struct StateSlots::Kept {
  std::vector<uint8_t> Snapshot;
  SlotPicture Picture;
  uint32_t ImageCrc = 0;
  int Slot = 0;
};

std::string SlotFolder() {
  std::string base;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  // A relative XDG_DATA_HOME is to be ignored: it would move with the
  // working directory.
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else {
#ifdef _WIN32
    const char* local = std::getenv("LOCALAPPDATA");
    base = local != nullptr ? local : ".";
#else
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr ? home : ".") + "/.local/share";
#endif
  }
  if (!base.empty() && base.back() == '/') base.pop_back();
  return base + "/virel/slots";
}

std::string SlotFilePath(uint32_t imageCrc, int slot) {
  char name[32];
  std::snprintf(name, sizeof name, "/%08X-%d.estado", unsigned(imageCrc), slot);
  return SlotFolder() + name;
}

std::vector<uint8_t> SlotThumbnail(const SlotPicture& picture) {
  std::vector<uint8_t> thumb;
  thumb.reserve(kThumbBytes);
  for (int y = 0; y < kSlotThumbHeight; ++y) {
    for (int x = 0; x < kSlotThumbWidth; ++x) {
      unsigned r = 0, g = 0, b = 0;
      for (int dy = 0; dy < 2; ++dy) {
        for (int dx = 0; dx < 2; ++dx) {
          const Rgb& c = picture.Colors[picture.Pixels[size_t((2 * y + dy) * kScreenWidth + 2 * x + dx)]];
          r += c.R, g += c.G, b += c.B;
        }
      }
      thumb.push_back(uint8_t((r + 2) / 4));
      thumb.push_back(uint8_t((g + 2) / 4));
      thumb.push_back(uint8_t((b + 2) / 4));
    }
  }
  return thumb;
}

StateSlots::StateSlots(Machine& m) : m_(m) {}
StateSlots::~StateSlots() = default;

SlotInfo StateSlots::Info(int slot) const {
  SlotInfo info;
  const std::string path = SlotFilePath(m_.ImageCrc, slot);
  if (!SlotFileExists(path)) return info;
  // The whole file (a few tens of kilobytes): the engine is told by the
  // snapshot's sections.
  const std::vector<uint8_t> bytes = ReadSlotFile(path, kLargestSlotFile);
  Header h;
  info.Status = ReadHeader(bytes, m_.ImageCrc, h);
  if (info.Status != SlotStatus::Ready) return info;
  info.SavedAt = h.savedAt;
  info.Thumbnail.assign(bytes.begin() + kHeaderSize, bytes.begin() + kHeaderSize + kThumbBytes);
  const size_t snapshotAt = kHeaderSize + kThumbBytes + size_t{h.pictureLength};
  if (bytes.size() == snapshotAt + h.snapshotLength)
    info.Engine = SnapshotEngineId(std::span<const uint8_t>(bytes).subspan(snapshotAt));
  return info;
}

SlotOutcome StateSlots::Save(int slot) {
  // A slot the other engine saved is replaced all the same, but not without
  // a word: the player may have kept it to load there.
  const std::string replaced = Info(slot).Engine;
  const SlotPicture picture = CurrentPicture(m_);
  std::vector<uint8_t> body;
  for (const Rgb& c : picture.Colors) body.insert(body.end(), {c.R, c.G, c.B});
  PackRuns(picture.Pixels, body);
  const size_t pictureLength = body.size();
  std::vector<uint8_t> snapshot;
  m_.engine->Snapshot(snapshot);
  body.insert(body.end(), snapshot.begin(), snapshot.end());

  std::vector<uint8_t> bytes(kSlotMagic, kSlotMagic + 8);
  PutU32(bytes, kSlotVersion);
  PutU32(bytes, m_.ImageCrc);
  PutI64(bytes, int64_t(std::time(nullptr)));
  PutU16(bytes, kSlotThumbWidth);
  PutU16(bytes, kSlotThumbHeight);
  PutU32(bytes, uint32_t(pictureLength));
  PutU32(bytes, uint32_t(snapshot.size()));
  PutU32(bytes, Crc32(body.data(), body.size()));
  const std::vector<uint8_t> thumb = SlotThumbnail(picture);
  PutU32(bytes, Crc32(thumb.data(), thumb.size(), Crc32(bytes.data(), kInfoCrcAt)));
  bytes.insert(bytes.end(), thumb.begin(), thumb.end());
  bytes.insert(bytes.end(), body.begin(), body.end());

  const std::string folder = SlotFolder();
  std::error_code error;
  std::filesystem::create_directories(Utf8Path(folder), error);
  if (error)
    throw std::runtime_error("Não foi possível criar a pasta " + Quoted(folder) + ": " + SystemReason(error) +
                             ".");
  WriteFileAtomically(SlotFilePath(m_.ImageCrc, slot), bytes);
  SlotOutcome outcome{true, "Estado salvo no espaço " + std::to_string(slot) + ".", {}};
  if (!replaced.empty() && replaced != m_.engine->Id()) {
    outcome.Message = "Estado salvo no espaço " + std::to_string(slot) + " (substituiu um estado do motor " +
                      std::string(EngineCaption(replaced)) + ").";
  }
  m_.Log(outcome.Message);
  return outcome;
}

SlotOutcome StateSlots::Load(int slot) {
  const std::string path = SlotFilePath(m_.ImageCrc, slot);
  SlotOutcome outcome;
  auto refuse = [&](SlotStatus status) {
    outcome.Message = RefusalMessage(slot, status);
    m_.Log(outcome.Message);
    return outcome;
  };
  if (!SlotFileExists(path)) return refuse(SlotStatus::Empty);
  const std::vector<uint8_t> bytes = ReadSlotFile(path, kLargestSlotFile);
  Header h;
  const SlotStatus status = ReadHeader(bytes, m_.ImageCrc, h);
  if (status != SlotStatus::Ready) return refuse(status);
  const size_t bodyAt = kHeaderSize + kThumbBytes;
  const std::span<const uint8_t> body = std::span<const uint8_t>(bytes).subspan(bodyAt);
  if (h.pictureLength < kColorBytes || body.size() != size_t{h.pictureLength} + h.snapshotLength ||
      Crc32(body.data(), body.size()) != h.bodyCrc)
    return refuse(SlotStatus::Damaged);
  SlotPicture picture;
  for (size_t i = 0; i < 256; ++i) picture.Colors[i] = Rgb{body[3 * i], body[3 * i + 1], body[3 * i + 2]};
  if (!UnpackRuns(body.subspan(kColorBytes, h.pictureLength - kColorBytes), picture.Pixels))
    return refuse(SlotStatus::Damaged);

  // What the load replaces, kept only once the load has succeeded: a refused
  // slot leaves the earlier undo in place.
  auto before = std::make_unique<Kept>();
  m_.engine->Snapshot(before->Snapshot);
  before->Picture = CurrentPicture(m_);
  before->ImageCrc = m_.ImageCrc;
  before->Slot = slot;
  const std::span<const uint8_t> snapshot = body.subspan(h.pictureLength);
  const RestoreResult result = m_.engine->Restore(snapshot);
  if (result != RestoreResult::Restored) {
    outcome.Message =
        "Não foi possível carregar o espaço " + std::to_string(slot) + ": " + RestoreMessage(result);
    if (result == RestoreResult::OtherEngine) outcome.OtherEngine = SnapshotEngineId(snapshot);
    m_.Log(outcome.Message);
    return outcome;
  }
  ShowPicture(m_, picture);
  undo_ = std::move(before);
  outcome = {true, "Estado carregado do espaço " + std::to_string(slot) + ".", {}};
  m_.Log(outcome.Message);
  return outcome;
}

bool StateSlots::CanUndo() const { return undo_ != nullptr && undo_->ImageCrc == m_.ImageCrc; }

SlotOutcome StateSlots::Undo() {
  SlotOutcome outcome;
  if (!CanUndo()) {
    outcome.Message = "Não há carregamento de estado para desfazer.";
    m_.Log(outcome.Message);
    return outcome;
  }
  const RestoreResult result = m_.engine->Restore(undo_->Snapshot);
  if (result != RestoreResult::Restored) {
    outcome.Message = "Não foi possível desfazer o carregamento: " + RestoreMessage(result);
    m_.Log(outcome.Message);
    return outcome;
  }
  ShowPicture(m_, undo_->Picture);
  outcome = {
      true,
      "Carregamento do espaço " + std::to_string(undo_->Slot) + " desfeito: o jogo voltou ao ponto de antes.",
      {}};
  undo_.reset();
  m_.Log(outcome.Message);
  return outcome;
}

void StateSlots::ForgetUndo() { undo_.reset(); }
