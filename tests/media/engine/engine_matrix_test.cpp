// Quantizer matrices (intra_matrix, inter_matrix) and container stream ids (streamid): their
// syntax errors, and their effect on a real encoding read back with ffprobe.
#include <gtest/gtest.h>

#include <string>

#include "media/engine/ffmpeg.h"
#include "media/media_fixtures.h"
#include "media/runtime/ff_exception.h"

namespace tallowin::media {
namespace {

using test::fs::path;

std::string Error(TCustomFFmpeg& engine, const std::string& name, const std::string& value) {
  return test::OptionFailure(engine, name, value);
}

std::string Matrix(int coeff, int count = 64) {
  std::string text;
  for (int i = 0; i < count; ++i) text += (i ? "," : "") + std::to_string(coeff);
  return text;
}

class EngineMatrix : public testing::Test {
 protected:
  void SetUp() override { test::LoadSystemLibraries(); }

  path Convert(const std::vector<std::pair<std::string, std::string>>& options,
               const std::string& name) {
    TCustomFFmpeg engine;
    EXPECT_TRUE(engine.OpenInput(test::StandardClip().string()));
    for (const auto& [n, v] : options) engine.SetOption(n, v);
    const path out = dir_ / name;
    EXPECT_EQ(engine.OpenOutput(out.string()), 0) << engine.LastErrMsg();
    EXPECT_TRUE(engine.Start(false));
    EXPECT_TRUE(engine.Finished()) << engine.FailureMessage();
    return out;
  }

  test::TempDir dir_;
};

TEST_F(EngineMatrix, SyntaxErrors) {
  TCustomFFmpeg engine;
  EXPECT_EQ(Error(engine, "intra_matrix", Matrix(16)), "");
  EXPECT_EQ(Error(engine, "inter_matrix", Matrix(16, 63)),
            "Syntax error in matrix \"" + Matrix(16, 63) + "\" at coeff 62");
  EXPECT_EQ(Error(engine, "intra_matrix", "8,x"), "Syntax error in matrix \"8,x\" at coeff 1");
  EXPECT_EQ(Error(engine, "intra_matrix", Matrix(0)),
            "Syntax error in matrix \"" + Matrix(0) + "\" at coeff 0");
  EXPECT_EQ(Error(engine, "intra_matrix", Matrix(16, 65)),
            "Syntax error in matrix \"" + Matrix(16, 65) + "\" at coeff 63");
  const std::string syntax = "\", required syntax is \"index:value\"";
  EXPECT_EQ(Error(engine, "streamid", "1:300"), "");
  EXPECT_EQ(Error(engine, "streamid", "1"), "Invalid value \"1\" for option \"streamid" + syntax);
  EXPECT_EQ(Error(engine, "streamid", "a:3"),
            "Invalid value \"a:3\" for option \"streamid" + syntax);
  EXPECT_EQ(Error(engine, "streamid", "0:"), "Invalid value \"0:\" for option \"streamid" + syntax);
}

TEST_F(EngineMatrix, CoarserIntraMatrixMakesASmallerFile) {
  const auto common = std::vector<std::pair<std::string, std::string>>{
      {"vcodec", "mpeg2video"}, {"intra", "1"}, {"qscale", "4"}, {"an", "1"}};
  auto fine = common, coarse = common;
  fine.emplace_back("intra_matrix", Matrix(8));
  coarse.emplace_back("intra_matrix", Matrix(255));
  const auto fine_size = test::fs::file_size(Convert(fine, "fine.m2v"));
  const auto coarse_size = test::fs::file_size(Convert(coarse, "coarse.m2v"));
  EXPECT_LT(coarse_size * 3, fine_size);
}

TEST_F(EngineMatrix, StreamIdsReachTheContainer) {
  const path out = Convert({{"streamid", "0:0x101"}, {"streamid", "1:0x102"}}, "ids.ts");
  auto r = test::RunProcess(
      {"ffprobe", "-v", "error", "-show_entries", "stream=id", "-of", "csv=p=0", out.string()});
  // The stream list repeats under the program; the muxer's own ids start at 0x100.
  EXPECT_NE(r.output.find("0x101"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("0x102"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("0x100"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace tallowin::media
