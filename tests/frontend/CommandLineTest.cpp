// The window program's command line: answers, refusals, and the words that
// reach the window unchanged.
#include <gtest/gtest.h>

#include "core/Version.h"
#include "core/VersionNumber.h"
#include "frontend/CommandLine.h"

namespace {

using Action = VirelCommandLine::Action;

TEST(VirelCommandLine, CartridgeAndScreenChoicePassThrough) {
  const VirelCommandLine line = ParseVirelCommandLine({"jogo.nes", "/S1"});
  EXPECT_EQ(line.What, Action::Run);
  EXPECT_EQ(line.Arguments, (std::vector<std::string>{"jogo.nes", "/S1"}));
  EXPECT_EQ(ParseVirelCommandLine({}).What, Action::Run);
  // A lone "-" and names after "--" are files, never options.
  const VirelCommandLine files = ParseVirelCommandLine({"-", "--", "--help", "-x.nes"});
  EXPECT_EQ(files.What, Action::Run);
  EXPECT_EQ(files.Arguments, (std::vector<std::string>{"-", "--help", "-x.nes"}));
}

TEST(VirelCommandLine, HelpAndVersionAnswerWhicheverComesFirst) {
  EXPECT_EQ(ParseVirelCommandLine({"--help"}).What, Action::Help);
  EXPECT_EQ(ParseVirelCommandLine({"-h", "jogo.nes"}).What, Action::Help);
  EXPECT_EQ(ParseVirelCommandLine({"--version"}).What, Action::Version);
  EXPECT_EQ(ParseVirelCommandLine({"--version", "--help"}).What, Action::Version);
  EXPECT_EQ(VirelVersionLine("virel"), "virel " VIREL_VERSION);
  // The usage is the program's, in its language, and names what it accepts.
  const std::string usage = VirelUsage();
  for (const char* part : {"Uso: virel", "CARTUCHO", "--help", "--version", ".zip"})
    EXPECT_NE(usage.find(part), std::string::npos) << part;
}

TEST(VirelCommandLine, UnknownOptionsAreRefusedNotOpened) {
  for (const std::vector<std::string>& words : std::vector<std::vector<std::string>>{
           {"--fullscreen"}, {"jogo.nes", "-f"}, {"--versao"}, {"--help=1"}}) {
    const VirelCommandLine line = ParseVirelCommandLine(words);
    EXPECT_EQ(line.What, Action::Refuse) << words.back();
    EXPECT_NE(line.Message.find(words.back()), std::string::npos) << line.Message;
  }
  // Refused before any later --help, so a typing mistake is never hidden.
  EXPECT_EQ(ParseVirelCommandLine({"--bogus", "--help"}).What, Action::Refuse);
  EXPECT_EQ(kVirelExitUsage, 2);
}

}  // namespace
