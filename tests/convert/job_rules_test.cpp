// The job rules without a window: output extensions, output names (numbered past existing files
// and past names given earlier in the run) and the merge list's cell texts.
#include "convert/job_rules.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/test_support.h"

namespace tallowin::test {
namespace {

using convert::TOutputNames;

void Touch(const fs::path& path) {
  std::ofstream(path) << "x";
}

TEST(JobRules, OutputExtensionByClassAndFormat) {
  EXPECT_EQ(convert::OutputExtension(0, 0), ".avi");
  EXPECT_EQ(convert::OutputExtension(0, 4), ".mpg");
  EXPECT_EQ(convert::OutputExtension(0, 8), ".3gp");
  for (int device = 0; device < 8; ++device) EXPECT_EQ(convert::OutputExtension(1, device), ".mp4");
  EXPECT_EQ(convert::OutputExtension(2, 0), ".wav");
  EXPECT_EQ(convert::OutputExtension(2, 6), ".flac");
  EXPECT_EQ(convert::OutputExtension(2, 7), ".mp2");
  // Outside the table: no extension.
  EXPECT_EQ(convert::OutputExtension(0, 9), "");
  EXPECT_EQ(convert::OutputExtension(1, 8), "");
  EXPECT_EQ(convert::OutputExtension(3, 0), "");
  EXPECT_EQ(convert::OutputExtension(-1, 0), "");
  EXPECT_EQ(convert::OutputExtension(2, -1), "");
}

TEST(JobRules, NameAndFolderParts) {
  EXPECT_EQ(convert::FileNamePart("/v/clip.avi"), "clip.avi");
  EXPECT_EQ(convert::FolderPart("/v/clip.avi"), "/v/");
  EXPECT_EQ(convert::FileNamePart("clip.avi"), "clip.avi");
  EXPECT_EQ(convert::FolderPart("clip.avi"), "");
  // A colon is an ordinary character here.
  EXPECT_EQ(convert::FileNamePart("/v/a:b.avi"), "a:b.avi");
}

TEST(JobRules, OutputNameReplacesOnlyTheLastExtension) {
  EXPECT_EQ(convert::OutputNameFor("/v/clip.avi", ".mp3"), "clip.mp3");
  EXPECT_EQ(convert::OutputNameFor("/v/noext", ".wav"), "noext.wav");
  EXPECT_EQ(convert::OutputNameFor("/v/a.b.c.mkv", ".avi"), "a.b.c.avi");
  EXPECT_EQ(convert::OutputNameFor("/v/clip.", ".mp3"), "clip.mp3");
  // A dot in a folder name is not the file's extension.
  EXPECT_EQ(convert::OutputNameFor("/v.d/noext", ".wav"), "noext.wav");
  // No extension known: the name loses its own and gets none.
  EXPECT_EQ(convert::OutputNameFor("/v/clip.avi", ""), "clip");
}

TEST(JobRules, NamesAreNumberedPastExistingFiles) {
  TempDir dir;
  const std::string out = dir.dir();
  TOutputNames names;
  EXPECT_EQ(names.Take("clip.mp3", out), out + "clip.mp3");

  TOutputNames fresh;
  Touch(dir.path() / "clip.mp3");
  Touch(dir.path() / "clip(1).mp3");
  EXPECT_EQ(fresh.Take("clip.mp3", out), out + "clip(2).mp3");
  // Without an extension the number goes at the end; a folder without "/" still works.
  Touch(dir.path() / "noext");
  EXPECT_EQ(fresh.Take("noext", out.substr(0, out.size() - 1)), out + "noext(1)");
}

TEST(JobRules, NamesGivenEarlierInTheRunAreTaken) {
  TempDir dir;
  const std::string out = dir.dir();
  TOutputNames names;
  // Two inputs a.mp4 and a.mkv from different folders, both to MP3.
  EXPECT_EQ(names.Take("a.mp3", out), out + "a.mp3");
  EXPECT_EQ(names.Take("a.mp3", out), out + "a(1).mp3");
  Touch(dir.path() / "a(2).mp3");
  EXPECT_EQ(names.Take("a.mp3", out), out + "a(3).mp3");
  EXPECT_TRUE(names.Given(out + "a(1).mp3"));
  EXPECT_FALSE(names.Given(out + "a(2).mp3"));
  // A new run starts from what is on disk.
  names.Clear();
  EXPECT_EQ(names.Take("a.mp3", out), out + "a.mp3");
}

TEST(JobRules, LinksAndUnreadableNamesAreNeverWrittenThrough) {
  TempDir dir;
  const std::string out = dir.dir();
  // A dangling link would create its target when written.
  fs::create_symlink(dir.path() / "elsewhere.mp3", dir.path() / "song.mp3");
  TOutputNames names;
  EXPECT_EQ(names.Take("song.mp3", out), out + "song(1).mp3");
  EXPECT_FALSE(fs::exists(dir.path() / "elsewhere.mp3"));
  // A folder that is a file: no name in it can be used.
  Touch(dir.path() / "file");
  EXPECT_EQ(names.Take("x.mp3", out + "file/"), "");
}

TEST(JobRules, DurationTextIsSixtyFourBit) {
  EXPECT_EQ(convert::DurationFromText("3000000000"), 3000000000LL);
  EXPECT_EQ(convert::DurationFromText("2147483648"), 2147483648LL);
  EXPECT_EQ(convert::DurationFromText("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(convert::DurationFromText(" 1500 "), 1500);
  // Unknown or damaged cells count nothing.
  for (const char* text : {"0", "", "abc", "12abc", "-5", "99999999999999999999", "1.5"})
    EXPECT_EQ(convert::DurationFromText(text), 0) << text;
}

TEST(JobRules, MergeCellTexts) {
  EXPECT_EQ(convert::DimensionText("640", "360"), "640x360");
  EXPECT_EQ(convert::DimensionText("", "x"), "0x0");
  // 4:3 held as a single-precision number.
  EXPECT_EQ(convert::AspectRatioText("1.3333334"), "1.33333337306976");
  EXPECT_EQ(convert::AspectRatioText("1.7777778"), "1.77777779102325");
  EXPECT_EQ(convert::AspectRatioText("2"), "2");
  EXPECT_EQ(convert::AspectRatioText("0"), "0");
  EXPECT_EQ(convert::AspectRatioText("n/a"), "0");
}

}  // namespace
}  // namespace tallowin::test
