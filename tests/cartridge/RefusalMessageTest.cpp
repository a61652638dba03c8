// Every way a cartridge can be refused, through the same start sequence the
// window and the runner use: what reaches the user (the exception's message,
// or the log) must name the file and say why in plain words.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

#include "cartridge/Lifecycle.h"
#include "cartridge/ZipImage.h"
#include "support/RomFiles.h"
#include "support/ScratchFolder.h"
#include "support/TestMachine.h"

using ::testing::Contains;
using ::testing::HasSubstr;

namespace {

struct Refusal {
  const char* what;
  // Creates the refused cartridge (and anything beside it) in `dir`; returns its path.
  std::function<std::string(const ScratchFolder& dir)> make;
  // Words the message or the log must hold besides the file name.
  std::vector<std::string> reason;
  // Whether the refusal is an error (a message box) or only log lines.
  bool thrown;
  // The name the message must carry (the archive's, the battery file's, ...).
  const char* named;
};

std::string Put(const ScratchFolder& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
  WriteAll(dir.path() / name, bytes);
  return dir.file(name);
}

const Refusal kRefusals[] = {
    {"wrong magic",
     [](const ScratchFolder& d) {
       return Put(d, "prog.nes", {'M', 'Z', 'P', 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
     },
     {"Arquivo não suportado: MZP"},
     false,
     "prog.nes"},
    {"image shorter than a header",
     [](const ScratchFolder& d) {
       return Put(d, "tiny.nes", {'N', 'E', 'S', 0x1A, 1});
     },
     {"curto demais", "5 bytes"},
     true,
     "tiny.nes"},
    {"image shorter than its header announces",
     [](const ScratchFolder& d) {
       auto image = MakeInesImage(2, 1);
       image.resize(20000);
       return Put(d, "cut.nes", image);
     },
     {"menor do que o seu cabeçalho anuncia", "20000 bytes", "40976"},
     true,
     "cut.nes"},
    {"archive without an image",
     [](const ScratchFolder& d) {
       WriteZip(d.file("docs.zip"), {{"leia.txt", {'o', 'i'}}});
       return d.file("docs.zip");
     },
     {"nenhuma imagem de cartucho", "*.nes"},
     true,
     "docs.zip"},
    {"oversized archive member",
     [](const ScratchFolder& d) {
       auto huge = MakeInesImage(1, 0);
       huge.resize(kMaxZipMemberSize + 1);
       WriteZip(d.file("bomba.zip"), {{"bomba.nes", huge}});
       return d.file("bomba.zip");
     },
     {"grande demais", "8 MiB"},
     true,
     "bomba.zip"},
    {"file that is no archive",
     [](const ScratchFolder& d) { return Put(d, "falso.zip", MakeInesImage(1, 0)); },
     {"não é um arquivo ZIP"},
     true,
     "falso.zip"},
    {"damaged archive member",
     [](const ScratchFolder& d) {
       WriteZip(d.file("estragado.zip"), {{"jogo.nes", MakeInesImage(1, 0)}}, true);
       auto bytes = ReadAll(d.path() / "estragado.zip");
       bytes[2000] ^= 0xFF;  // inside the stored image: its checksum no longer holds
       return Put(d, "estragado.zip", bytes);
     },
     {"a soma de verificação (CRC) não confere", "O arquivo ZIP está danificado."},
     true,
     "estragado.zip"},
    {"missing file",
     [](const ScratchFolder& d) { return d.file("sumiu.nes"); },
     {"arquivo ou pasta inexistente"},
     true,
     "sumiu.nes"},
    {"unsupported mapper",
     [](const ScratchFolder& d) { return Put(d, "namco.nes", MakeInesImage(1, 1, 0x30, 0x10)); },
     {"* iNES mapper #19 não suportado."},
     false,
     "namco.nes"},
    {"unreadable battery file",
     [](const ScratchFolder& d) {
       std::filesystem::create_directory(d.path() / "salvo.sav");  // a folder where the file belongs
       return Put(d, "salvo.nes", MakeInesImage(1, 1, 0x02));
     },
     {"memória de bateria", "é uma pasta"},
     true,
     "salvo.sav"},
};

TEST(Refusal, EveryRefusalNamesTheFileAndTheReason) {
  for (const Refusal& r : kRefusals) {
    SCOPED_TRACE(r.what);
    ScratchFolder dir;
    TestMachine t;
    const std::string path = r.make(dir);
    std::string message;
    bool started = false;
    try {
      started = StartCartridge(t.m, path);
    } catch (const std::runtime_error& e) {
      message = e.what();
    }
    EXPECT_FALSE(started);
    EXPECT_FALSE(t.m.Running);
    if (r.thrown) {
      EXPECT_THAT(message, HasSubstr(r.named));
      for (const std::string& words : r.reason) EXPECT_THAT(message, HasSubstr(words));
    } else {
      // The log names the file in its loading line, then says why.
      EXPECT_EQ(message, "");
      EXPECT_THAT(t.host.log, Contains(std::string("Carregando Arquivo: \"") + r.named + "\"..."));
      for (const std::string& words : r.reason) EXPECT_THAT(t.host.log, Contains(words));
    }
  }
}

}  // namespace
