// The input facts a per-file job takes from the decoder (WMA lossless copies the audio bit rate),
// through the library function and through tallowin-cli presets --input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/output_formats.h"
#include "convert/preset_input.h"
#include "media/runtime/ff_load.h"
#include "support/test_support.h"

namespace tallowin::convert {
namespace {

namespace fs = std::filesystem;

fs::path SilentClip() {
  return test::GeneratedMedia(
      "catalogue_video_only.mp4",
      {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25", "-t", "1", "-c:v", "mpeg4", "-an"});
}

// The audio bit rate as the ffprobe tool reads it.
std::string ProbedAudioBitrate(const fs::path& file) {
  test::ProcessResult probe =
      test::RunProcess({"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries",
                        "stream=bit_rate", "-of", "csv=p=0", file.string()});
  std::string text = probe.output;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

test::ProcessResult Presets(std::vector<std::string> args) {
  args.insert(args.begin(), {(test::BinDir() / "tallowin-cli").string(), "presets"});
  return test::RunProcess(args, 60);
}

class PresetInput : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    media::FFLoader().SetLibraryFolder((test::BinDir() / "lib").string());
    ASSERT_TRUE(media::FFLoader().Load(media::kEncoderLibraries)) << media::FFLoader().LastErrMsg();
  }
};

TEST_F(PresetInput, DecoderGivesTheFirstAudioStreamsBitrate) {
  std::string expected = ProbedAudioBitrate(test::StandardClip());
  ASSERT_FALSE(expected.empty());

  media::TFFDecoder decoder;
  EXPECT_EQ(PresetInputFromDecoder(decoder).AudioBitrate, -1);  // nothing loaded
  ASSERT_TRUE(decoder.LoadFile(test::StandardClip().string())) << decoder.LastErrMsg();
  EXPECT_EQ(std::to_string(PresetInputFromDecoder(decoder).AudioBitrate), expected);

  ASSERT_TRUE(decoder.LoadFile(SilentClip().string())) << decoder.LastErrMsg();
  EXPECT_EQ(PresetInputFromDecoder(decoder).AudioBitrate, -1);
  decoder.CloseFile();
}

TEST_F(PresetInput, CliProbesTheInputAsAPerFileJob) {
  const std::vector<std::string> wma4 = {"--class", "audio", "--format", "WMA", "--preset", "4"};
  auto with_input = [&](const fs::path& file) {
    std::vector<std::string> args = wma4;
    args.insert(args.end(), {"--input", file.string()});
    return Presets(args);
  };
  const std::string head = "AudioCodec=wmav2\nAudioChannels=2\nAudioSampleRate=48000\n";

  test::ProcessResult clip = with_input(test::StandardClip());
  ASSERT_EQ(clip.exit_code, 0) << clip.output;
  EXPECT_EQ(clip.output, head + "AudioBitrate=" + ProbedAudioBitrate(test::StandardClip()) +
                             "\nDisableVideo=true\n");

  test::ProcessResult silent = with_input(SilentClip());
  ASSERT_EQ(silent.exit_code, 0) << silent.output;
  EXPECT_EQ(silent.output, head + "DisableVideo=true\n");

  // Without an input the same row is a merged job: no bit rate either.
  EXPECT_EQ(Presets(wma4).output, head + "DisableVideo=true\n");

  // Any other row is the same for a per-file job.
  test::ProcessResult avi = Presets({"--class", "video", "--format", "AVI", "--preset", "3",
                                     "--input", test::StandardClip().string()});
  EXPECT_EQ(avi.output, Presets({"--class", "video", "--format", "AVI", "--preset", "3"}).output);
}

TEST_F(PresetInput, CliRefusesAnInputItCannotLoad) {
  test::TempDir dir;
  test::WriteFile(dir / "noise.mp4", std::string(4096, '\x5a'));
  for (const fs::path& bad : {dir / "noise.mp4", dir / "missing.mp4"}) {
    test::ProcessResult result =
        Presets({"--class", "audio", "--format", "WMA", "--preset", "4", "--input", bad.string()});
    EXPECT_EQ(result.exit_code, 1) << result.output;
    EXPECT_NE(result.output.find("presets: File load error: " + bad.string()), std::string::npos)
        << result.output;
    EXPECT_EQ(result.output.find("AudioCodec"), std::string::npos) << result.output;
  }
  // The refused file is left as it was.
  EXPECT_EQ(test::ReadFile(dir / "noise.mp4"), std::string(4096, '\x5a'));
}

}  // namespace
}  // namespace tallowin::convert
