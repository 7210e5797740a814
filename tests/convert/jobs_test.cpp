// Building the conversion jobs through the main window: per-file and merge runs, their rows in
// ListViewConverting, the output names, the total duration and the four log lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "convert/conversion_window_test.h"
#include "media/components/ff_decode.h"
#include "shell/global_vars.h"
#include "shell/util_funcs.h"
#include "ui/report_list.h"
#include "ui/slide_grid.h"
#include "wizard/input_row.h"
#include "wizard/wizard_env.h"

namespace tallowin::test {
namespace {

constexpr char kAdded[] = "File has been added to convert list.";

// 2200 s of silence: longer than 2^31 microseconds, small on disk.
fs::path LongSilence() {
  return GeneratedMedia("long_silence_1khz.wav", {"-f", "lavfi", "-i", "anullsrc=r=1000:cl=mono",
                                                  "-t", "2200", "-c:a", "pcm_u8"});
}

class JobsTest : public ConversionWindowTest {
 protected:
  void SetUp() override {
    ConversionWindowTest::SetUp();
    SelectMP3();
  }
  void TearDown() override { form_->FFEncoder.ClearTasks(); }

  void SelectMP3() {
    GlobalVars().OutputFormatClass = 2;
    GlobalVars().OutputAudioFormat = 1;
  }

  void SetCell(int row, int column, const char* text) {
    form_->NextGrid->SetCell(row, column, text);
  }

  int Rows() { return form_->ListViewConverting->RowCount(); }

  // The output file of each task, in task order.
  std::vector<std::string> TaskOutputs() {
    std::vector<std::string> outputs;
    for (int i = 0; i < form_->FFEncoder.TaskCount(); ++i) {
      media::TFFmpeg* task = form_->FFEncoder.Task(i);
      outputs.push_back(task->OutputOptions.empty() ? "" : task->OutputOptions[0].FileName);
    }
    return outputs;
  }

  // The log lines that came after the first `skip`.
  std::vector<std::string> LogSince(size_t skip) {
    std::vector<std::string> lines = env_.log().Lines();
    lines.erase(lines.begin(), lines.begin() + std::min(skip, lines.size()));
    return lines;
  }
};

TEST_F(JobsTest, PerFileOutputsNeverReplaceFilesOrEachOther) {
  const std::string a = Place(StandardClip(), "v/clip.mp4");
  const std::string b = Place(StandardClip(), "w/clip.mkv");  // same base name, other folder
  const std::string c = Place(StandardClip(), "v/a.b.c.mp4");
  const std::string d = Place(StandardClip(), "out/song.mp3");  // an input in the output folder
  WriteFile(fs::path(out_) / "clip.mp3", "taken");
  WriteFile(fs::path(out_) / "clip(1).mp3", "taken");
  for (const std::string& path : {a, b, c, d}) AddRow(path);

  form_->BuildFileJobs();

  EXPECT_EQ(TaskOutputs(), (std::vector<std::string>{out_ + "clip(2).mp3", out_ + "clip(3).mp3",
                                                     out_ + "a.b.c.mp3", out_ + "song(1).mp3"}));
  ASSERT_EQ(Rows(), 4);
  EXPECT_EQ(form_->FFEncoder.Task(0)->OutputOptions[0].FileExt, ".mp3");
  // The files that were there are untouched, the input included.
  EXPECT_EQ(ReadFile(fs::path(out_) / "clip.mp3"), "taken");
  EXPECT_EQ(ReadFile(fs::path(out_) / "clip(1).mp3"), "taken");
  EXPECT_EQ(fs::file_size(d), fs::file_size(StandardClip()));

  const int64_t duration = ProbedDuration(StandardClip());
  ASSERT_GT(duration, 0);
  EXPECT_EQ(Cell(0, 0), "clip.mp4");
  EXPECT_EQ(Cell(0, 1), FormatMicroseconds(duration));
  EXPECT_EQ(Cell(0, 2), "Waiting...");
  EXPECT_EQ(Cell(0, 3), "");
  EXPECT_EQ(Cell(0, 4), work_.dir() + "v/");
  EXPECT_EQ(Cell(1, 0), "clip.mkv");
  EXPECT_EQ(Cell(1, 4), work_.dir() + "w/");
  EXPECT_EQ(GlobalVars().RunTotalDuration, 4 * duration);
  const std::vector<std::string> lines = env_.log().Lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), kAdded), 4);
  // The decoder is free again.
  EXPECT_FALSE(form_->FFEncoder.Decoder().Loaded());
}

TEST_F(JobsTest, NoExtensionAndDeviceFormats) {
  const std::string plain = Place(StandardClip(), "v/noext");
  AddRow(plain);
  GlobalVars().OutputAudioFormat = 0;  // WAV
  form_->BuildFileJobs();
  EXPECT_EQ(TaskOutputs(), std::vector<std::string>{out_ + "noext.wav"});
  form_->FFEncoder.ClearTasks();

  GlobalVars().OutputFormatClass = 1;
  GlobalVars().OutputDeviceFormat = 3;  // PSP
  EXPECT_EQ(form_->OutputExtension(), ".mp4");
  GlobalVars().OutputDeviceFormat = 9;
  EXPECT_EQ(form_->OutputExtension(), "");
}

TEST_F(JobsTest, UnreadableFilesLeaveNoTaskAndNoRow) {
  const std::string good = Place(StandardClip(), "v/first.mp4");
  const std::string missing = work_.dir() + "v/missing.mp4";
  const std::string last = Place(StandardClip(), "v/last.mp4");
  for (const std::string& path : {good, missing, last}) AddRow(path);
  const size_t before = env_.log().Lines().size();

  form_->BuildFileJobs();

  const std::vector<std::string> lines = LogSince(before);
  const auto starts = [&](const std::string& prefix) {
    return std::count_if(lines.begin(), lines.end(),
                         [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
  };
  EXPECT_EQ(starts("File load error: "), 1);
  EXPECT_EQ(starts("Cannot do convert, error: "), 0);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), kAdded), 2);
  // Task k is row k.
  ASSERT_EQ(form_->FFEncoder.TaskCount(), 2);
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(Cell(0, 0), "first.mp4");
  EXPECT_EQ(Cell(1, 0), "last.mp4");
  EXPECT_EQ(TaskOutputs(), (std::vector<std::string>{out_ + "first.mp3", out_ + "last.mp3"}));
  EXPECT_EQ(GlobalVars().RunTotalDuration, 2 * ProbedDuration(StandardClip()));
}

TEST_F(JobsTest, RefusedOutputFolderAndLeftoverTasks) {
  AddRow(Place(StandardClip(), "v/clip.mp4"));
  GlobalVars().OutputFileDir = work_.dir() + "no/such/folder/";
  const size_t before = env_.log().Lines().size();
  form_->BuildFileJobs();
  const std::vector<std::string> lines = LogSince(before);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("Cannot do convert, error: ", 0), 0u) << lines[0];
  EXPECT_EQ(form_->FFEncoder.TaskCount(), 0);
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(GlobalVars().RunTotalDuration, 0);

  // A second building starts over: earlier tasks and rows do not stay.
  GlobalVars().OutputFileDir = out_;
  form_->BuildFileJobs();
  form_->BuildFileJobs();
  EXPECT_EQ(form_->FFEncoder.TaskCount(), 1);
  EXPECT_EQ(Rows(), 1);
  EXPECT_EQ(GlobalVars().RunTotalDuration, ProbedDuration(StandardClip()));
}

TEST_F(JobsTest, UnknownDurationCountsNothing) {
  // A raw MPEG-4 stream carries no duration.
  const fs::path raw = GeneratedMedia(
      "raw_160x120.m4v", {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=10:duration=1", "-c:v",
                          "mpeg4", "-f", "m4v"});
  ASSERT_LT(ProbedDuration(raw), 0);
  AddRow(raw.string());
  AddRow(Place(StandardClip(), "v/clip.mp4"));
  GlobalVars().OutputFormatClass = 0;
  GlobalVars().OutputVideoFormat = 0;  // AVI
  form_->BuildFileJobs();
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(Cell(0, 1), "Duration is not preseted");
  EXPECT_EQ(TaskOutputs()[0], out_ + "raw_160x120.avi");
  EXPECT_EQ(GlobalVars().RunTotalDuration, ProbedDuration(StandardClip()));
}

TEST_F(JobsTest, LongInputsKeepTheirWholeDuration) {
  const int64_t duration = ProbedDuration(LongSilence());
  ASSERT_GT(duration, INT64_C(2147483647));
  AddRow(LongSilence().string());
  AddRow(LongSilence().string());
  form_->BuildFileJobs();
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(Cell(0, 1), FormatMicroseconds(duration));
  EXPECT_EQ(GlobalVars().RunTotalDuration, 2 * duration);
  EXPECT_EQ(TaskOutputs(), (std::vector<std::string>{out_ + "long_silence_1khz.mp3",
                                                     out_ + "long_silence_1khz(1).mp3"}));
}

TEST_F(JobsTest, MergeRunNamesOneOutputInEveryRow) {
  GlobalVars().MergeEnabled = true;
  const int first = AddRow(Place(StandardClip(), "v/one.mp4"));
  SetCell(first, NxTextColumnRealDuration, "3000000000");
  SetCell(first, NxTextColumnWidth, "640");
  SetCell(first, NxTextColumnHeight, "480");
  SetCell(first, NxTextColumnAspectRatio, "1.3333334");
  const int missing = AddRow(work_.dir() + "v/missing.mp4");
  SetCell(missing, NxTextColumnRealDuration, "5");
  const int second = AddRow(Place(StandardClip(), "w/two.mkv"));
  SetCell(second, NxTextColumnRealDuration, "0");  // unknown
  SetCell(second, NxTextColumnWidth, "640");
  SetCell(second, NxTextColumnHeight, "360");
  SetCell(second, NxTextColumnAspectRatio, "1.7777778");
  const size_t before = env_.log().Lines().size();

  form_->BuildMergeJob();

  const std::string output = out_ + "Output_Merge.mp3";
  ASSERT_EQ(form_->FFEncoder.TaskCount(), 1);
  media::TFFmpeg* task = form_->FFEncoder.Task(0);
  EXPECT_EQ(task->InputOptions.size(), 2u);
  ASSERT_EQ(task->OutputOptions.size(), 1u);
  EXPECT_TRUE(task->OutputOptions[0].JoinFiles);
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(Cell(0, 0), "one.mp4");
  EXPECT_EQ(Cell(0, 1), "00:50:00.000");
  EXPECT_EQ(Cell(0, 2), "640x480");
  EXPECT_EQ(Cell(0, 3), "1.33333337306976");
  EXPECT_EQ(Cell(1, 0), "two.mkv");
  EXPECT_EQ(Cell(1, 1), "00:00:00.000");
  EXPECT_EQ(Cell(1, 2), "640x360");
  EXPECT_EQ(Cell(0, 4), output);
  EXPECT_EQ(Cell(1, 4), output);
  EXPECT_EQ(GlobalVars().RunTotalDuration, INT64_C(3000000000));
  const std::vector<std::string> lines = LogSince(before);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), kAdded), 2);
  EXPECT_EQ(
      std::count_if(lines.begin(), lines.end(),
                    [](const std::string& l) { return l.rfind("Adding file error: ", 0) == 0; }),
      1);
}

TEST_F(JobsTest, MergeOutputIsNumberedPastAnExistingOne) {
  GlobalVars().MergeEnabled = true;
  WriteFile(fs::path(out_) / "Output_Merge.mp3", "earlier");
  AddRow(Place(StandardClip(), "v/one.mp4"));
  form_->BuildMergeJob();
  EXPECT_EQ(Cell(0, 4), out_ + "Output_Merge(1).mp3");
  EXPECT_EQ(ReadFile(fs::path(out_) / "Output_Merge.mp3"), "earlier");
}

TEST_F(JobsTest, MergeWithoutAnyAcceptedInputBuildsNothing) {
  GlobalVars().MergeEnabled = true;
  AddRow(work_.dir() + "gone1.mp4");
  AddRow(work_.dir() + "gone2.mp4");
  const size_t before = env_.log().Lines().size();
  form_->BuildMergeJob();
  const std::vector<std::string> lines = LogSince(before);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].rfind("Adding file error: ", 0), 0u);
  EXPECT_EQ(lines[1].rfind("Adding file error: ", 0), 0u);
  EXPECT_EQ(lines[2].rfind("Cannot do convert, error: ", 0), 0u);
  EXPECT_EQ(form_->FFEncoder.TaskCount(), 0);
  EXPECT_EQ(Rows(), 0);
  EXPECT_FALSE(fs::exists(fs::path(out_) / "Output_Merge.mp3"));
}

TEST_F(JobsTest, MergeOutputRefusedRemovesTaskAndRows) {
  GlobalVars().MergeEnabled = true;
  const int row = AddRow(Place(StandardClip(), "v/one.mp4"));
  SetCell(row, NxTextColumnRealDuration, "3000000");
  GlobalVars().OutputFileDir = work_.dir() + "no/such/folder/";
  const size_t before = env_.log().Lines().size();
  form_->BuildMergeJob();
  const std::vector<std::string> lines = LogSince(before);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], kAdded);
  EXPECT_EQ(lines[1].rfind("Cannot do convert, error: ", 0), 0u);
  EXPECT_EQ(form_->FFEncoder.TaskCount(), 0);
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(GlobalVars().RunTotalDuration, 0);
}

}  // namespace
}  // namespace tallowin::test
