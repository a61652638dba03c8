// The loader against real files: iNES images and ZIP archives written to a
// temporary folder, read back through LoadRomFile.
#include "cartridge/RomLoader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cartridge/Mapper.h"
#include "cartridge/ZipImage.h"
#include "support/RomFiles.h"
#include "support/ScratchFolder.h"
#include "support/TestMachine.h"
#include "engine/classic/video/MemoryMap.h"
#include "engine/classic/video/PpuRegisters.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

struct LoaderTest : ::testing::Test {
  TestMachine t;
  ScratchFolder dir;

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = dir.file(name);
    WriteAll(path, bytes);
    return path;
  }
  // The message of the RomLoadError that loading `path` ends with.
  std::string FailureOf(const std::string& path) {
    try {
      LoadRomFile(t.m, path);
    } catch (const RomLoadError& error) {
      return error.what();
    }
    ADD_FAILURE() << "no error loading " << path;
    return {};
  }
  // Installs the loaded image's mapper as a cartridge start does.
  void Install() {
    MapRam(t.m);
    MapBatteryRam(t.m);
    ASSERT_TRUE(MapperInit(t.m, t.m.MapperNumber));
  }
  void ExpectNothingLoaded() {
    EXPECT_FALSE(t.m.CartridgeLoaded());
    EXPECT_TRUE(t.m.PrgRom.empty());
    EXPECT_TRUE(t.m.ChrRom.empty());
    for (const CpuBank& bank : t.m.CpuBankTable) EXPECT_EQ(bank.Base, nullptr);
  }
};

TEST_F(LoaderTest, PlainImageLogsFillsFieldsAndMapsItsBanks) {
  const auto image = MakeInesImage(2, 1, 0x01);
  const std::string path = Write("Jogo.nes", image);
  t.host.log.clear();

  ASSERT_TRUE(LoadRomFile(t.m, path));
  EXPECT_THAT(t.host.log, ElementsAre("", "Carregando Arquivo: \"Jogo.nes\"...", "[2] of PRG Rom",
                                      "[1] of CHR Ram", "Tamanho do cartucho : [40 Kb]"));
  EXPECT_EQ(t.m.RomFileName, "Jogo.nes");
  EXPECT_EQ(t.m.RomFolder, dir.path().string() + "/");
  EXPECT_TRUE(std::equal(t.m.RomHeader.begin(), t.m.RomHeader.end(), image.begin()));
  EXPECT_EQ(t.m.PrgCount, 2);
  EXPECT_EQ(t.m.ChrCount, 1);
  EXPECT_EQ(t.m.CartFlags, 0x01);
  EXPECT_EQ(t.m.MapperNumber, 0);
  EXPECT_EQ(t.m.Mirroring, TMirroring::Vertical);
  EXPECT_EQ(t.m.MirrorMask, 0x800);
  // Banks in file order, each image with its one spare byte.
  ASSERT_EQ(t.m.PrgRom.size(), 2u * 16384 + 1);
  ASSERT_EQ(t.m.ChrRom.size(), 8192u + 1);
  EXPECT_TRUE(std::equal(t.m.PrgRom.begin(), t.m.PrgRom.end() - 1, image.begin() + 16));
  EXPECT_TRUE(std::equal(t.m.ChrRom.begin(), t.m.ChrRom.end() - 1, image.begin() + 16 + 32768));

  Install();
  EXPECT_EQ(MemPeek(t.m, 0x8000), PrgFill(0));
  EXPECT_EQ(MemPeek(t.m, 0xBFFF), PrgFill(0));
  EXPECT_EQ(MemPeek(t.m, 0xC000), PrgFill(1));
  EXPECT_EQ(MemPeek(t.m, 0xFFFF), PrgFill(1));
  EXPECT_EQ(PatternByte(t.m, 0x0000), ChrFill(0));
  EXPECT_EQ(PatternByte(t.m, 0x1FFF), ChrFill(0));
}

TEST_F(LoaderTest, SingleProgramBankShowsAtBothWindows) {
  ASSERT_TRUE(LoadRomFile(t.m, Write("um.nes", MakeInesImage(1, 1))));
  Install();
  EXPECT_EQ(MemPeek(t.m, 0x8000), PrgFill(0));
  EXPECT_EQ(MemPeek(t.m, 0xC000), PrgFill(0));
}

TEST_F(LoaderTest, LastOfManyBanksSitsAtC000) {
  ASSERT_TRUE(LoadRomFile(t.m, Write("big.nes", MakeInesImage(8, 0, 0x12))));
  Install();
  EXPECT_EQ(MemPeek(t.m, 0x8000), PrgFill(0));
  EXPECT_EQ(MemPeek(t.m, 0xC000), PrgFill(7));
}

struct HeaderCase {
  const char* what;
  uint8_t prg, chr, flags6, flags7, byte8;
  int mapper;
  TMirroring mirroring;
  const char* sizeLine;
};

TEST_F(LoaderTest, HeaderBytesGiveMapperMirroringAndSize) {
  const HeaderCase cases[] = {
      {"worked example", 8, 0, 0x12, 0x00, 0x00, 1, TMirroring::Horizontal, "Tamanho do cartucho : [128 Kb]"},
      {"text in bytes 7-15", 1, 1, 0x10, 0x44, 0x69, 1, TMirroring::Horizontal,
       "Tamanho do cartucho : [24 Kb]"},
      {"clean high nibble", 2, 4, 0x21, 0x40, 0x00, 66, TMirroring::Vertical,
       "Tamanho do cartucho : [64 Kb]"},
      {"low bits of byte 7 ignored", 1, 0, 0x40, 0x7F, 0x00, 0x74, TMirroring::Horizontal,
       "Tamanho do cartucho : [16 Kb]"},
      {"mapper 255", 2, 2, 0xF1, 0xF0, 0x00, 255, TMirroring::Vertical, "Tamanho do cartucho : [48 Kb]"},
  };
  for (const HeaderCase& c : cases) {
    SCOPED_TRACE(c.what);
    t.host.log.clear();
    ASSERT_TRUE(LoadRomFile(t.m, Write("h.nes", MakeInesImage(c.prg, c.chr, c.flags6, c.flags7, c.byte8))));
    EXPECT_EQ(t.m.MapperNumber, c.mapper);
    EXPECT_EQ(t.m.CartFlags, c.flags6);
    EXPECT_EQ(t.m.Mirroring, c.mirroring);
    EXPECT_EQ(t.m.MirrorMask, c.mirroring == TMirroring::Vertical ? 0x800 : 0x400);
    ASSERT_EQ(t.host.log.size(), 5u);
    // Appended, not "[" + temporary: GCC 12 at -O3 reports that as an overlapping copy.
    EXPECT_EQ(t.host.log[2], std::string("[").append(std::to_string(c.prg)) + "] of PRG Rom");
    EXPECT_EQ(t.host.log[3], std::string("[").append(std::to_string(c.chr)) + "] of CHR Ram");
    EXPECT_EQ(t.host.log[4], c.sizeLine);
  }
}

TEST_F(LoaderTest, PatternRamCartridgeUsesVideoMemory) {
  ASSERT_TRUE(LoadRomFile(t.m, Write("ram.nes", MakeInesImage(1, 0))));
  EXPECT_EQ(t.m.ChrRom.size(), 1u);
  Install();
  t.m.Vram[0x0123] = 0x5C;
  EXPECT_EQ(PatternByte(t.m, 0x0123), 0x5C);
}

TEST_F(LoaderTest, TrainerIsNotSkippedAndTrailingBytesAreIgnored) {
  auto image = MakeInesImage(1, 1, 0x05);  // trainer bit set
  image[16] = 0xA5;                        // would be the trainer's first byte
  image.insert(image.end(), 5000, 0xEE);   // past the last pattern bank
  ASSERT_TRUE(LoadRomFile(t.m, Write("trainer.nes", image)));
  EXPECT_EQ(t.m.PrgRom[0], 0xA5);
  EXPECT_EQ(t.m.PrgRom.size(), 16384u + 1);
  EXPECT_EQ(t.m.ChrRom[8191], ChrFill(0));
  EXPECT_EQ(t.host.log.back(), "Tamanho do cartucho : [24 Kb]");
}

TEST_F(LoaderTest, FileNameWithoutFolderAndInvalidUtf8ShowsReadably) {
  const std::string name = "a\xE7\xE3o.nes";  // Latin-1 bytes, not UTF-8
  ASSERT_TRUE(LoadRomFile(t.m, Write(name, MakeInesImage(1, 1))));
  EXPECT_EQ(t.m.RomFileName, name);  // kept as typed: the battery file is named from it
  EXPECT_EQ(t.host.log[1], "Carregando Arquivo: \"a\xEF\xBF\xBD\xEF\xBF\xBDo.nes\"...");
}

// --- ZIP archives -------------------------------------------------------------

TEST_F(LoaderTest, ArchiveGivesItsFirstNesMemberInDirectoryOrder) {
  const auto first = MakeInesImage(2, 1, 0x00);
  const auto second = MakeInesImage(1, 1, 0x01);
  const std::string path = dir.file("pack.zip");
  WriteZip(path, {{"leia-me.txt", {'o', 'i'}}, {"nes/", {}}, {"Jogo.NeS", first}, {"outro.nes", second}});
  t.host.log.clear();

  ASSERT_TRUE(LoadRomFile(t.m, path));
  EXPECT_THAT(t.host.log, ElementsAre("", "Carregando Arquivo: \"pack.zip\"...", "[2] of PRG Rom",
                                      "[1] of CHR Ram", "Tamanho do cartucho : [40 Kb]"));
  EXPECT_EQ(t.m.RomFileName, "pack.zip");
  EXPECT_EQ(t.m.Mirroring, TMirroring::Horizontal);
  EXPECT_TRUE(std::equal(t.m.PrgRom.begin(), t.m.PrgRom.end() - 1, first.begin() + 16));
  Install();
  EXPECT_EQ(MemPeek(t.m, 0xC000), PrgFill(1));
}

TEST_F(LoaderTest, StoredMembersAndMembersInFoldersLoad) {
  const std::string path = dir.file("stored.zip");
  WriteZip(path, {{"roms/x.NES", MakeInesImage(1, 1)}}, /*stored=*/true);
  ASSERT_TRUE(LoadRomFile(t.m, path));
  EXPECT_EQ(t.m.PrgRom[0], PrgFill(0));
}

TEST_F(LoaderTest, TheArchiveExtensionOpensAnArchiveInAnyLetterCase) {
  const std::string zipped = dir.file("a.zip");
  WriteZip(zipped, {{"a.nes", MakeInesImage(2, 1)}});
  for (const char* name : {"game.ZIP", "jogo.Zip", "x.zIP"}) {
    SCOPED_TRACE(name);
    const std::string path = dir.file(name);
    std::filesystem::copy_file(zipped, path);
    t.host.log.clear();
    ASSERT_TRUE(LoadRomFile(t.m, path));
    EXPECT_EQ(t.host.log.back(), "Tamanho do cartucho : [40 Kb]");
    EXPECT_EQ(t.m.RomFileName, name);
  }
  // Only the whole extension counts: "a.zipx" is read as an image.
  const std::string longer = dir.file("a.zipx");
  std::filesystem::copy_file(zipped, longer);
  t.host.log.clear();
  EXPECT_FALSE(LoadRomFile(t.m, longer));
  EXPECT_EQ(t.host.log.back(), std::string("Arquivo não suportado: PK\x03", 27));
  ExpectNothingLoaded();
}

TEST(ZipMask, NesMaskIgnoresCaseAndNeedsTheFullStop) {
  EXPECT_TRUE(MatchesNesMask("a.nes"));
  EXPECT_TRUE(MatchesNesMask("A.NES"));
  EXPECT_TRUE(MatchesNesMask("dir/b.nEs"));
  EXPECT_TRUE(MatchesNesMask(".nes"));
  EXPECT_FALSE(MatchesNesMask("a.nes.txt"));
  EXPECT_FALSE(MatchesNesMask("anes"));
  EXPECT_FALSE(MatchesNesMask("nes"));
  EXPECT_FALSE(MatchesNesMask("a.nes/"));
}

// --- Refusals and failures ------------------------------------------------------

TEST_F(LoaderTest, WrongMagicLogsTheBytesAsWindowsCharacters) {
  // An executable: "MZ" and a third byte, shown through Windows-1252.
  std::vector<uint8_t> exe = {'M', 'Z', 0x80};
  exe.resize(600, 0);
  t.host.log.clear();
  EXPECT_FALSE(LoadRomFile(t.m, Write("prog.EXE", exe)));
  EXPECT_THAT(t.host.log,
              ElementsAre("", "Carregando Arquivo: \"prog.EXE\"...", "Arquivo não suportado: MZ€"));
  EXPECT_EQ(t.m.RomHeader[0], 'M');
  ExpectNothingLoaded();
}

TEST_F(LoaderTest, NoProgramBanksIsRefusedWithALogLine) {
  t.host.log.clear();
  EXPECT_FALSE(LoadRomFile(t.m, Write("vazio.nes", MakeInesImage(0, 1))));
  EXPECT_THAT(t.host.log,
              ElementsAre("", "Carregando Arquivo: \"vazio.nes\"...", "[0] of PRG Rom", "[1] of CHR Ram",
                          "Tamanho do cartucho : [8 Kb]", "Arquivo não suportado: nenhum banco de PRG Rom."));
  ExpectNothingLoaded();
}

TEST_F(LoaderTest, FileErrorsEndTheLoadWithAPlainMessage) {
  const std::string missing = dir.file("nao-existe.nes");
  EXPECT_EQ(FailureOf(missing),
            "Não foi possível abrir o arquivo \"" + missing + "\": arquivo ou pasta inexistente.");

  EXPECT_EQ(FailureOf(dir.path().string()),
            "Não foi possível ler o arquivo \"" + dir.path().string() + "\": é uma pasta.");

  const std::string tiny = Write("tiny.nes", {'N', 'E', 'S', 0x1A, 1, 1});
  EXPECT_EQ(FailureOf(tiny),
            "O arquivo \"" + tiny +
                "\" é curto demais para ser uma imagem de cartucho: tem só 6 bytes, menos que "
                "os 16 de um cabeçalho iNES.");

  auto cut = MakeInesImage(2, 1);
  cut.resize(16 + 32768 + 100);
  const std::string shortImage = Write("cut.nes", cut);
  EXPECT_EQ(FailureOf(shortImage),
            "O arquivo \"" + shortImage +
                "\" é menor do que o seu cabeçalho anuncia: tem 32884 bytes, mas 2 "
                "bancos de programa (PRG) de 16 KB e 1 banco de gráficos (CHR) de 8 KB "
                "precisam de 40976. A imagem está incompleta ou danificada.");
}

TEST_F(LoaderTest, ArchiveErrorsEndTheLoadWithAPlainMessage) {
  const std::string missing = dir.file("sumiu.zip");
  EXPECT_EQ(FailureOf(missing),
            "Não foi possível abrir o arquivo \"" + missing + "\": arquivo ou pasta inexistente.");
  EXPECT_FALSE(std::filesystem::exists(missing)) << "opening must not create the archive";

  const std::string notZip = Write("falso.zip", MakeInesImage(1, 1));
  EXPECT_EQ(FailureOf(notZip), "Não foi possível abrir o arquivo \"" + notZip + "\": não é um arquivo ZIP.");
  EXPECT_EQ(std::filesystem::file_size(notZip), MakeInesImage(1, 1).size());

  const std::string noNes = dir.file("docs.zip");
  WriteZip(noNes, {{"leia-me.txt", {'o', 'i'}}, {"jogo.nes.bak", MakeInesImage(1, 1)}});
  EXPECT_EQ(FailureOf(noNes), "O arquivo ZIP \"" + noNes +
                                  "\" não contém nenhuma imagem de cartucho (nenhum arquivo \"*.nes\").");

  const std::string shortMember = dir.file("curto.zip");
  WriteZip(shortMember, {{"c.nes", {'N', 'E', 'S'}}});
  EXPECT_EQ(FailureOf(shortMember), "O arquivo \"c.nes\" do arquivo ZIP \"" + shortMember +
                                        "\" é curto demais para ser uma imagem de cartucho: tem só 3 bytes, "
                                        "menos que os 16 de um cabeçalho iNES.");
}

TEST_F(LoaderTest, OversizedArchiveMemberIsRefusedBeforeInflating) {
  const std::string path = dir.file("bomba.zip");
  std::vector<uint8_t> huge = MakeInesImage(1, 1);
  huge.resize(kMaxZipMemberSize + 1, 0);
  WriteZip(path, {{"bomba.nes", huge}});
  EXPECT_EQ(FailureOf(path),
            "O arquivo \"bomba.nes\" do arquivo ZIP \"" + path +
                "\" é grande demais para uma imagem de cartucho (8388609 bytes; o limite é 8 MiB).");
  ExpectNothingLoaded();

  // Exactly the limit is still read (and then judged by its header).
  huge.resize(kMaxZipMemberSize);
  WriteZip(path, {{"bomba.nes", huge}});
  EXPECT_TRUE(LoadRomFile(t.m, path));
}

TEST_F(LoaderTest, EveryFailedLoadLeavesNoCartridge) {
  const std::string good = Write("bom.nes", MakeInesImage(2, 1));
  auto cut = MakeInesImage(2, 1);
  cut.resize(1000);
  const std::string noNes = dir.file("vazio.zip");
  WriteZip(noNes, {{"x.txt", {1}}});
  const std::string failing[] = {
      Write("exe.nes", {'M', 'Z', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}),
      Write("zero.nes", MakeInesImage(0, 0)),
      Write("cut.nes", cut),
      Write("tiny.nes", {'N', 'E'}),
      dir.file("missing.nes"),
      noNes,
  };
  for (const std::string& path : failing) {
    SCOPED_TRACE(path);
    ASSERT_TRUE(LoadRomFile(t.m, good));
    Install();
    ASSERT_TRUE(t.m.CartridgeLoaded());
    try {
      EXPECT_FALSE(LoadRomFile(t.m, path));
    } catch (const RomLoadError&) {
    }
    ExpectNothingLoaded();
  }
}

}  // namespace
