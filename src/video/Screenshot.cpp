#include "video/Screenshot.h"

#include <filesystem>

#include "core/AtomicFile.h"
#include "core/Engine.h"

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kColorTableSize = 256 * 4;
constexpr uint32_t kPixelOffset = kFileHeaderSize + kInfoHeaderSize + kColorTableSize;
// 256 bytes per row is already a multiple of four: rows need no padding.
constexpr uint32_t kPixelSize = kScreenWidth * kScreenHeight;

void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, static_cast<uint16_t>(v));
  Put16(out, static_cast<uint16_t>(v >> 16));
}

}  // namespace

std::vector<uint8_t> EncodeBitmap(const Machine& m) {
  std::vector<uint8_t> out;
  out.reserve(kPixelOffset + kPixelSize);
  // File header: "BM", file size, two reserved words, offset of the pixels.
  out.push_back('B');
  out.push_back('M');
  Put32(out, kPixelOffset + kPixelSize);
  Put32(out, 0);
  Put32(out, kPixelOffset);
  // Info header: size, width, height (positive: rows stored bottom-up),
  // one plane, 8 bits per pixel, no compression, image size, 72 dpi, 256
  // colours used, all of them important.
  Put32(out, kInfoHeaderSize);
  Put32(out, kScreenWidth);
  Put32(out, kScreenHeight);
  Put16(out, 1);
  Put16(out, 8);
  Put32(out, 0);
  Put32(out, kPixelSize);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 256);
  Put32(out, 0);
  // The colour table is stored blue, green, red, reserved.
  for (const Rgb& c : m.FrameColors) {
    out.push_back(c.B);
    out.push_back(c.G);
    out.push_back(c.R);
    out.push_back(0);
  }
  for (int y = kScreenHeight - 1; y >= 0; --y) {
    const auto row = m.FrameBuffer.begin() + y * kScreenWidth;
    out.insert(out.end(), row, row + kScreenWidth);
  }
  return out;
}

void SaveScreenshot(Machine& m, const std::string& path) {
  m.engine->CompletePicture();
  WriteFileAtomically(path, EncodeBitmap(m));
  const std::string name = reinterpret_cast<const char*>(Utf8Path(path).filename().u8string().c_str());
  m.Log("salvar screen como \"" + name + "\".");
}
