// How soon a press shows, through the headless runner: button_frame turns its
// picture from black to green on the first vertical blank that finds a
// button held. A press scripted from frame F is polled at F's frame start,
// read in F's vertical blank, and the colour written there goes out with the
// picture sent at the next frame start: the picture after F + 1 frames is the
// first green one.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "support/ScratchFolder.h"

namespace {

constexpr int kFramesToEffect = 1;

// The picture hash virel-run prints after `frames` frames, pad 1 following
// `input` ("" for no script); empty when the run failed.
std::string PictureAfter(const ScratchFolder& dir, int frames, const std::string& input) {
  std::string command = "'" VIREL_RUN_EXE "' --frames " + std::to_string(frames) + " --hash";
  if (!input.empty()) {
    const std::string script = dir.file("pad" + std::to_string(frames) + ".txt");
    std::ofstream(script) << input;
    command += " --input '" + script + "'";
  }
  command += " '" VIREL_ROM_DIR "/button_frame.nes' 2>/dev/null";
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[128];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    const int status = pclose(pipe);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  }
  return out.rfind("hash=", 0) == 0 ? out : std::string{};
}

// Presses of one button and of several, early and late: black up to frame
// F + k - 1, green from F + k on, and the same green whatever was pressed.
TEST(ButtonFrame, APressAtFrameFShowsAtFramePlusOne) {
  ScratchFolder dir;
  const std::string black = PictureAfter(dir, 40, "");
  ASSERT_FALSE(black.empty()) << "button_frame.nes did not run";
  EXPECT_EQ(PictureAfter(dir, 5, ""), black) << "the picture without a press should not change";
  std::string green;
  for (const auto& [frame, buttons] :
       {std::pair{10, "A"}, std::pair{23, "Start+Left"}, std::pair{31, "Down"}}) {
    const std::string script =
        std::to_string(frame) + " " + buttons + "\n" + std::to_string(frame + 1) + " -\n";
    const std::string before = PictureAfter(dir, frame + kFramesToEffect - 1, script);
    const std::string after = PictureAfter(dir, frame + kFramesToEffect, script);
    EXPECT_EQ(before, black) << buttons << " at frame " << frame << " showed too early";
    EXPECT_NE(after, black) << buttons << " at frame " << frame << " did not show at frame + "
                            << kFramesToEffect;
    if (green.empty()) green = after;
    EXPECT_EQ(after, green) << buttons << " at frame " << frame;
    // Released, the picture stays as the press left it.
    EXPECT_EQ(PictureAfter(dir, frame + 8, script), green) << buttons << " at frame " << frame;
  }
}

}  // namespace
