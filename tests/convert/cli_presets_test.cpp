// tallowin-cli presets: the listing and the output options of one preset.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace tallowin::convert {
namespace {

test::ProcessResult Presets(std::vector<std::string> args) {
  args.insert(args.begin(), {(test::BinDir() / "tallowin-cli").string(), "presets"});
  return test::RunProcess(args, 60);
}

TEST(CliPresets, ListsEveryPreset) {
  test::ProcessResult result = Presets({});
  ASSERT_EQ(result.exit_code, 0) << result.output;
  EXPECT_EQ(result.output, test::ReadFile(test::SourceDir() / "tests/convert/presets_listing.txt"));
}

TEST(CliPresets, PrintsTheChangedFieldsOfOnePreset) {
  const std::string mp3 =
      "AudioCodec=libmp3lame\nAudioChannels=2\nAudioSampleRate=48000\nAudioBitrate=256000\n"
      "DisableVideo=true\n";
  test::ProcessResult by_name = Presets({"--class", "audio", "--format", "MP3", "--preset", "2"});
  ASSERT_EQ(by_name.exit_code, 0) << by_name.output;
  EXPECT_EQ(by_name.output, mp3);
  // Numbers and other letter cases name the same preset.
  test::ProcessResult by_number = Presets({"--preset", "2", "--format", "1", "--class", "2"});
  EXPECT_EQ(by_number.output, mp3);
  EXPECT_EQ(Presets({"--class", "AUDIO", "--format", "mp3", "--preset", "2"}).output, mp3);

  // Extra options are printed on one line with their line breaks escaped.
  test::ProcessResult mp4 = Presets({"--class", "video", "--format", "MP4", "--preset", "5"});
  ASSERT_EQ(mp4.exit_code, 0) << mp4.output;
  EXPECT_NE(mp4.output.find("\nExtOptions=flags=+loop\\r\\ncmp=+chroma\\r\\n"), std::string::npos)
      << mp4.output;
  EXPECT_TRUE(mp4.output.ends_with("qdiff=4\\r\\nlevel=21\n")) << mp4.output;
  EXPECT_TRUE(mp4.output.starts_with("FileFormat=psp\n")) << mp4.output;
}

TEST(CliPresets, IndexPastTheListGivesTheCommonSettings) {
  test::ProcessResult result = Presets({"--class", "device", "--format", "iPod", "--preset", "10"});
  ASSERT_EQ(result.exit_code, 0) << result.output;
  EXPECT_NE(result.output.find("iPod has presets 0 to 9"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("AudioCodec=libfaac\nVideoCodec=libx264\nExtOptions=flags=+loop"),
            std::string::npos)
      << result.output;
  EXPECT_EQ(result.output.find("FrameSize"), std::string::npos) << result.output;
}

TEST(CliPresets, RefusesBadArguments) {
  const std::vector<std::vector<std::string>> bad = {
      {"--class", "tv", "--format", "AVI", "--preset", "0"},
      {"--class", "3", "--format", "AVI", "--preset", "0"},
      {"--class", "video", "--format", "MP3", "--preset", "0"},
      {"--class", "video", "--format", "9", "--preset", "0"},
      {"--class", "video", "--format", "AVI", "--preset", "first"},
      {"--class", "video", "--format", "AVI"},
      {"--class", "video", "--format", "AVI", "--preset"},
      {"--colour", "red"},
  };
  for (const auto& args : bad) {
    test::ProcessResult result = Presets(args);
    EXPECT_EQ(result.exit_code, 2) << args[1] << " " << result.output;
    EXPECT_NE(result.output.find("presets: "), std::string::npos) << result.output;
  }
}

}  // namespace
}  // namespace tallowin::convert
