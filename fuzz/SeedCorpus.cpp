// Writes the seed inputs of every fuzz target into <folder>/<target>/: small
// well-formed files of each kind, so that fuzzing starts from inputs that get
// past the first checks (the magic, the archive directory, the state size)
// and from a program that switches banks on every supported mapper.
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "cartridge/boards/Boards.h"
#include "core/Snapshot.h"
#include "core/Engine.h"
#include "engine/classic/cpu/MF6502.h"
#include "support/RomFiles.h"
#include "support/ScratchFolder.h"

namespace fs = std::filesystem;

namespace {

// Turns on the picture and NMI, then writes X to the mapper ports at $8000,
// $A000, $C000 and $E000 (and their odd neighbours) in a loop:
//   LDA #$80 / STA $2000 / LDA #$1E / STA $2001
//   loop: INX / STX $8000 / STX $8001 / STX $A000 / STX $A001
//         STX $C000 / STX $C001 / STX $E000 / STX $E001 / LDA $2002 / JMP loop
const std::vector<uint8_t> kBankSwitcher = {
    0xA9, 0x80, 0x8D, 0x00, 0x20, 0xA9, 0x1E, 0x8D, 0x01, 0x20, 0xE8, 0x8E, 0x00, 0x80,
    0x8E, 0x01, 0x80, 0x8E, 0x00, 0xA0, 0x8E, 0x01, 0xA0, 0x8E, 0x00, 0xC0, 0x8E, 0x01,
    0xC0, 0x8E, 0x00, 0xE0, 0x8E, 0x01, 0xE0, 0xAD, 0x02, 0x20, 0x4C, 0x0A, 0x80,
};

// An image whose first program bank starts with `program` and whose vectors
// (in every bank) all enter at $8000.
std::vector<uint8_t> ImageWith(const std::vector<uint8_t>& program, int prg, int chr, uint8_t flags6) {
  std::vector<uint8_t> image = MakeInesImage(prg, chr, flags6);
  std::copy(program.begin(), program.end(), image.begin() + 16);
  for (int bank = 0; bank < prg; ++bank)
    for (int v = 0x3FFA; v < 0x4000; v += 2) {
      image[16 + bank * 0x4000 + v] = 0x00;
      image[16 + bank * 0x4000 + v + 1] = 0x80;
    }
  return image;
}

std::vector<uint8_t> RandomBytes(size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

void Seed(const fs::path& folder, const std::string& name, const std::vector<uint8_t>& bytes) {
  fs::create_directories(folder);
  WriteAll(folder / name, bytes);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: virel_fuzz_seeds FOLDER\n");
    return 2;
  }
  const fs::path root = argv[1];

  const auto nrom = ImageWith(kBankSwitcher, 1, 0, 0x01);
  const auto mmc1Battery = ImageWith(kBankSwitcher, 2, 1, 0x12);
  const auto mmc3 = ImageWith(kBankSwitcher, 2, 2, 0x40);
  Seed(root / "RomFileFuzz", "nrom.nes", nrom);
  Seed(root / "RomFileFuzz", "mmc1-battery.nes", mmc1Battery);
  Seed(root / "RomFileFuzz", "mmc3.nes", mmc3);
  Seed(root / "RomFileFuzz", "short.nes", {'N', 'E', 'S', 0x1A, 1, 0});

  fs::create_directories(root / "ZipArchiveFuzz");
  WriteZip((root / "ZipArchiveFuzz" / "deflated.zip").string(), {{"game.nes", nrom}});
  WriteZip((root / "ZipArchiveFuzz" / "folder.zip").string(),
           {{"leia.txt", {'o', 'i'}}, {"jogos/MMC1.NES", mmc1Battery}});
  WriteZip((root / "ZipArchiveFuzz" / "stored.zip").string(), {{"a.nes", MakeInesImage(1, 0)}}, true);
  WriteZip((root / "ZipArchiveFuzz" / "no-image.zip").string(), {{"leia.txt", {'o', 'i'}}});

  Seed(root / "SaveStateFuzz", "zero.wb", std::vector<uint8_t>(18691, 0));
  Seed(root / "SaveStateFuzz", "noise.wb", RandomBytes(18691, 1));
  Seed(root / "SaveStateFuzz", "short.wb", RandomBytes(100, 2));

  // The battery cartridge jumps to $6000: LDA #$1E / STA $2001 / INC $00 / JMP $6000.
  Seed(root / "BatteryFileFuzz", "program.sav", {0xA9, 0x1E, 0x8D, 0x01, 0x20, 0xE6, 0x00, 0x4C, 0x00, 0x60});
  Seed(root / "BatteryFileFuzz", "noise.sav", RandomBytes(8192, 3));

  // The snapshot target's own machine, as it stands after its two frames and
  // part way through the next (where the picture is in the snapshot too).
  {
    BudgetMachine b;
    StartSnapshotMachine(b);
    std::vector<uint8_t> snapshot;
    b.m.engine->Snapshot(snapshot);
    Seed(root / "SnapshotFuzz", "frame-start.snap", snapshot);
    for (int i = 0; i < 500; ++i) DebugStep(b.m);
    b.m.engine->Snapshot(snapshot);
    Seed(root / "SnapshotFuzz", "mid-frame.snap", snapshot);
  }
  // The same program in the console engine, whose snapshots carry its chips.
  {
    BudgetMachine b;
    StartSnapshotMachine(b, "console");
    std::vector<uint8_t> snapshot;
    b.m.engine->Snapshot(snapshot);
    Seed(root / "SnapshotFuzz", "console-frame-start.snap", snapshot);
    for (int i = 0; i < 500; ++i) b.m.engine->Step();
    b.m.engine->Snapshot(snapshot);
    Seed(root / "SnapshotFuzz", "console-mid-frame.snap", snapshot);
  }

  // One seed per board: the board's index, an image of 4 program banks and 2
  // pattern banks, and the bank switcher.
  const auto boards = MapperBoards();
  for (size_t i = 0; i < boards.size(); ++i) {
    std::vector<uint8_t> input = {static_cast<uint8_t>(i), 0x13};
    input.insert(input.end(), kBankSwitcher.begin(), kBankSwitcher.end());
    Seed(root / "ProgramFuzz", "mapper-" + std::to_string(boards[i].Number), input);
  }
  Seed(root / "ProgramFuzz", "noise", RandomBytes(512, 4));
  const std::string settings =
      "[General]\nPath=/"
      "jogos\nPWwindowsTop=147\nPWwindowsLeft=237\nVideoEsticar=0\nFrameRate=1\nViewFrequency=0\nAbilitaSom="
      "1\nSoundFrequencia=22\nSoundVolume=10\nSoundChannel1=1\nWIN=1\nSCREEN=640x480x32\nMRU1=/jogos/"
      "a.nes\nFAV1=/jogos/b.nes\n[JOY1]\nENABLED=1\nUP=38\nSELECT=9\n[JOY2]\nUP=69\nSTART=81\n";
  Seed(root / "SettingsFuzz", "settings.conf", std::vector<uint8_t>(settings.begin(), settings.end()));
  return 0;
}
