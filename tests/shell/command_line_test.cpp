#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tallowin {
namespace {

using Action = TCommandLine::Action;

TEST(CommandLineTest, FilesBecomeAbsoluteInTheOrderGiven) {
  const std::string cwd = std::filesystem::current_path().string();
  const TCommandLine line = ParseCommandLine({"b.wav", "/music/a.mp3", "sub/../c.mp4"});
  EXPECT_EQ(line.action, Action::Run);
  EXPECT_EQ(line.files, (std::vector<std::string>{cwd + "/b.wav", "/music/a.mp3", cwd + "/c.mp4"}));
  EXPECT_TRUE(ParseCommandLine({}).files.empty());
}

TEST(CommandLineTest, OptionsHelpVersionAndErrors) {
  EXPECT_EQ(ParseCommandLine({"--help"}).action, Action::Help);
  EXPECT_EQ(ParseCommandLine({"a.mp3", "-h"}).action, Action::Help);
  EXPECT_EQ(ParseCommandLine({"--version"}).action, Action::Version);
  const TCommandLine bad = ParseCommandLine({"a.mp3", "--fullscreen"});
  EXPECT_EQ(bad.action, Action::UsageError);
  EXPECT_EQ(bad.error, "unknown option '--fullscreen'");
  // After "--" a leading dash names a file; a lone "-" is a file name too.
  const TCommandLine dashed = ParseCommandLine({"--", "-odd.mp3", "--help"});
  EXPECT_EQ(dashed.action, Action::Run);
  ASSERT_EQ(dashed.files.size(), 2u);
  EXPECT_EQ(std::filesystem::path(dashed.files[0]).filename(), "-odd.mp3");
  EXPECT_NE(CommandLineHelp("Soundsift").find("Soundsift"), std::string::npos);
}

}  // namespace
}  // namespace tallowin
