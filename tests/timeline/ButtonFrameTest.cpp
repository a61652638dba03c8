// How soon a press shows, through the headless runner: button_frame turns its
// picture from black to green three vertical blanks after the first one that
// finds a button held. A press scripted from frame F is polled at F's frame
// start and read in F's vertical blank; the colour written at F + 3 goes out
// with the picture sent at the next frame start: the picture after F + 4
// frames is the first green one. Run-ahead N shows it N frames sooner.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "support/ScratchFolder.h"

namespace {

constexpr int kFramesToEffect = 4;

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
TEST(ButtonFrame, APressAtFrameFShowsAtFramePlusFour) {
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

// The frame at which each picture is shown, run-ahead N against none: the
// first green one comes N frames sooner, and the run ends alike.
TEST(ButtonFrame, RunAheadShowsThePressNFramesSooner) {
  ScratchFolder dir;
  std::ofstream(dir.file("pad.txt")) << "30 A\n31 -\n";
  int greenWithout = 0;
  std::string endWithout;
  for (int n = 0; n <= 3; ++n) {
    const std::string hashes = dir.file("hashes" + std::to_string(n) + ".txt");
    const std::string command = "'" VIREL_RUN_EXE "' --frames 45 --hash --run-ahead " + std::to_string(n) +
                                " --input '" + dir.file("pad.txt") + "' --frame-hashes '" + hashes + "' '" +
                                VIREL_ROM_DIR "/button_frame.nes' 2>/dev/null";
    std::string end;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[128];
      while (std::fgets(buffer, sizeof buffer, pipe)) end += buffer;
      ASSERT_EQ(pclose(pipe), 0) << command;
    }
    // A frame's picture is the last line with its number (the first frame
    // after the reset shows before run-ahead begins); black is the picture
    // long before the press, once the cartridge has set its colours.
    std::map<int, std::string> shown;
    std::ifstream in(hashes);
    int frame = 0;
    for (std::string hash; in >> frame >> hash;) shown[frame] = hash;
    ASSERT_EQ(shown.size(), 45u) << n;
    const std::string black = shown[20];
    int green = 0;
    for (const auto& [at, hash] : shown) {
      if (at > 20 && hash != black) {
        green = at;
        break;
      }
    }
    if (n == 0) {
      greenWithout = green;
      endWithout = end;
      EXPECT_EQ(green, 30 + kFramesToEffect);
    }
    EXPECT_EQ(green, greenWithout - n) << "run-ahead " << n;
    EXPECT_EQ(end, endWithout) << "run-ahead " << n;
  }
}

}  // namespace
