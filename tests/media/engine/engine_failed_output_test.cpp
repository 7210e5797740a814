// A task that fails removes the outputs it created without writing any data to them; a file
// that was there before is overwritten as designed and stays.
#include <gtest/gtest.h>

#include <string>

#include "media/engine/ffmpeg.h"
#include "media/media_fixtures.h"

namespace tallowin::media {
namespace {

using test::fs::path;

class EngineFailedOutput : public testing::Test {
 protected:
  void SetUp() override { test::LoadSystemLibraries(); }

  // Converts `input` to `out` with `options`; true when the task finished.
  bool Run(const path& input, const path& out,
           const std::vector<std::pair<std::string, std::string>>& options = {}) {
    TCustomFFmpeg engine;
    EXPECT_TRUE(engine.OpenInput(input.string())) << engine.LastErrMsg();
    for (const auto& [name, value] : options) engine.SetOption(name, value);
    if (engine.OpenOutput(out.string()) != 0) return false;
    engine.Start(false);
    return engine.Finished();
  }
  test::TempDir dir_;
};

TEST_F(EngineFailedOutput, AnOutputWithoutDataIsRemoved) {
  // No audio in the input for an audio-only format.
  const path mp3 = dir_ / "silent.mp3";
  EXPECT_FALSE(Run(test::VideoOnlyClip(), mp3));
  EXPECT_FALSE(test::fs::exists(mp3));

  // The encoder cannot start: no frame reaches the file, whatever its header holds.
  const path avi = dir_ / "huge.avi";
  EXPECT_FALSE(Run(test::StandardClip(), avi, {{"s", "40000x40000"}}));
  EXPECT_FALSE(test::fs::exists(avi));
}

TEST_F(EngineFailedOutput, FilesThatWereThereAndFinishedOutputsStay) {
  const path existing = dir_ / "existing.mp3";
  test::WriteFile(existing, "old contents");
  EXPECT_FALSE(Run(test::VideoOnlyClip(), existing));
  EXPECT_TRUE(test::fs::exists(existing));

  const path good = dir_ / "good.mp3";
  EXPECT_TRUE(Run(test::AudioOnlyClip(), good));
  EXPECT_GT(test::fs::file_size(good), 1000u);
}

}  // namespace
}  // namespace tallowin::media
