#include <gtest/gtest.h>

#include "support/TestMachine.h"
#include "video/MemoryMap.h"

TEST(MemoryMapSmoke, WorkRamMirrorsAndProgramWindows) {
  TestMachine t;
  ASSERT_TRUE(InstallCartridge(t.m, 2, 1));
  MemWrite(t.m, 0x0000, 0x5A);
  EXPECT_EQ(MemRead(t.m, 0x1800), 0x5A);
  EXPECT_EQ(MemPeek(t.m, 0x8000), 0);
  EXPECT_EQ(MemPeek(t.m, 0xC000), 1);
}
