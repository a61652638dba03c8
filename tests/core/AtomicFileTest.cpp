#include "core/AtomicFile.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "support/ScratchFolder.h"

TEST(AtomicFile, ReplacesTheWholeFileAndLeavesNoTemporaryBehind) {
  ScratchFolder dir;
  const std::string path = dir.file("slot.sav");
  WriteAll(path, std::vector<uint8_t>(100, 0xEE));
  const std::vector<uint8_t> fresh = {1, 2, 3};
  WriteFileAtomically(path, fresh);
  EXPECT_EQ(ReadAll(path), fresh);
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(AtomicFile, AFailedWriteKeepsTheOldContents) {
  ScratchFolder dir;
  const std::string path = dir.file("slot.sav");
  const std::vector<uint8_t> old(64, 0x42);
  WriteAll(path, old);
  // A folder that refuses new files makes the temporary file fail to open.
  std::filesystem::permissions(dir.path(),
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  if (std::ofstream(dir.file("probe"))) {
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
    GTEST_SKIP() << "folder permissions do not bind this user";
  }
  EXPECT_THROW(WriteFileAtomically(path, std::vector<uint8_t>(8, 0)), std::runtime_error);
  std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
  EXPECT_EQ(ReadAll(path), old);
}

// The player reads what went wrong in Portuguese, with the file's name and
// the system's reason in our words.
TEST(AtomicFile, FailuresSayWhichFileAndWhyInThePlayersLanguage) {
  ScratchFolder dir;
  const std::string nowhere = dir.file("nowhere/x.sav"), absent = dir.file("absent.sav");
  const struct {
    std::function<void()> attempt;
    std::string message;
  } cases[] = {
      {[&] { WriteFileAtomically(nowhere, std::vector<uint8_t>(1, 0)); },
       "Não foi possível criar o arquivo \"" + nowhere + "\": arquivo ou pasta inexistente."},
      // Not even root may create a file among the kernel's attributes.
      {[] { WriteFileAtomically("/sys/virel.sav", std::vector<uint8_t>(1, 0)); },
       "Não foi possível criar o arquivo \"/sys/virel.sav\": permissão negada."},
      {[&] { ReadFilePrefix(absent, 10); },
       "Não foi possível abrir o arquivo \"" + absent + "\": arquivo ou pasta inexistente."},
  };
  for (const auto& c : cases) {
    try {
      c.attempt();
      ADD_FAILURE() << "no exception for " << c.message;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
}

TEST(AtomicFile, ReadFilePrefixStopsAtTheLimitOrTheEnd) {
  ScratchFolder dir;
  std::vector<uint8_t> bytes(300);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  WriteAll(dir.file("f"), bytes);
  EXPECT_EQ(ReadFilePrefix(dir.file("f"), 10), std::vector<uint8_t>(bytes.begin(), bytes.begin() + 10));
  EXPECT_EQ(ReadFilePrefix(dir.file("f"), 8192), bytes);
}
