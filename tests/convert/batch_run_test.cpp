// The conversion run without a window: the events a run hands its observer, a stop in the middle
// of a run (every job ends, no thread of the run stays), a stop before anything started, and
// the figures of a running job's line.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "cli_convert_view.h"
#include "convert/batch_run.h"
#include "media/runtime/ff_load.h"
#include "support/test_support.h"

namespace tallowin::convert {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

fs::path LongTone() {
  return test::GeneratedMedia(
      "tone_8khz_600s.wav",
      {"-f", "lavfi", "-i", "sine=frequency=300:sample_rate=8000:duration=600", "-c:a", "pcm_u8"});
}

fs::path ShortTone() {
  return test::GeneratedMedia(
      "tone_44k_2s.wav", {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=2",
                          "-ac", "2", "-c:a", "pcm_s16le"});
}

size_t ThreadCount() {
  size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/task")) ++count;
  return count;
}

// Records what the run reports.
struct TRecorder final : TBatchObserver {
  void InputSkipped(int number, const std::string&, const std::string& reason) override {
    skipped[number] = reason;
  }
  void JobProgress(const TBatchJob& job, double) override {
    ++progress[job.Number];
    last[job.Number] = job;
  }
  void JobEnded(const TBatchJob& job, double) override {
    ended.push_back(job);
    last[job.Number] = job;
  }
  std::map<int, std::string> skipped;
  std::map<int, int> progress;
  std::map<int, TBatchJob> last;
  std::vector<TBatchJob> ended;
};

class BatchRunTest : public testing::Test {
 protected:
  void SetUp() override {
    media::TFFLoader& loader = media::FFLoader();
    loader.SetLibraryFolder("");
    ASSERT_TRUE(loader.Load(media::kEncoderLibraries)) << loader.LastErrMsg();
    settings_.Target = TJobTarget{2, 1, 2, dir_.dir() + "out/"};  // MP3 "Normal Quality"
    fs::create_directories(settings_.Target.OutputDir);
  }
  std::vector<std::string> Copies(const fs::path& source, int count) {
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
      const fs::path path = dir_ / ("in" + std::to_string(i) + ".wav");
      fs::copy_file(source, path, fs::copy_options::overwrite_existing);
      paths.push_back(path.string());
    }
    return paths;
  }
  TempDir dir_;
  TBatchSettings settings_;
};

TEST_F(BatchRunTest, AStopEndsEveryJobAndLeavesNoThread) {
  const std::vector<std::string> inputs = Copies(LongTone(), 5);
  // A sanitizer's runtime starts a helper thread of its own with the first thread.
  std::thread([] {}).join();
  const size_t threads_before = ThreadCount();
  TRecorder recorder;
  TBatchSummary summary;
  {
    media::TFFEncoder encoder;
    TBatchRun run(encoder, recorder);
    settings_.Jobs = 2;
    settings_.BatchSize = 3;  // the last two inputs would be a second batch
    const auto start = std::chrono::steady_clock::now();
    summary = run.Run(settings_, inputs, [&] {
      // Once both running jobs have reported progress.
      return recorder.progress[1] > 1 && recorder.progress[2] > 1;
    });
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    EXPECT_EQ(encoder.TaskCount(), 0);
    EXPECT_FALSE(encoder.Working());
  }
  EXPECT_EQ(ThreadCount(), threads_before);
  EXPECT_TRUE(summary.Stopped);
  EXPECT_EQ(summary.Total, 5);
  EXPECT_EQ(summary.Succeeded, 0);
  EXPECT_EQ(summary.Failed, 5);
  // The two running jobs and the third, which never started, ended as stopped; the second batch
  // was never built.
  ASSERT_EQ(recorder.ended.size(), 3u);
  for (const TBatchJob& job : recorder.ended) EXPECT_EQ(job.State, TBatchJobState::Stopped);
  EXPECT_EQ(recorder.progress.count(3), 0u);
  EXPECT_GT(recorder.last[1].Done, 0);
  EXPECT_EQ(recorder.last[1].Duration, INT64_C(600000000));
  const fs::path out = settings_.Target.OutputDir;
  EXPECT_GT(fs::file_size(out / "in0.mp3"), 0u);
  EXPECT_GT(fs::file_size(out / "in1.mp3"), 0u);
  EXPECT_FALSE(fs::exists(out / "in2.mp3"));
  EXPECT_FALSE(fs::exists(out / "in3.mp3"));
}

TEST_F(BatchRunTest, BatchesKeepTheNamesGivenEarlierInTheRun) {
  // The same input five times, in batches of two: each batch sees the names of the earlier ones.
  std::vector<std::string> inputs(5, Copies(ShortTone(), 1).front());
  inputs.insert(inputs.begin() + 2, dir_.dir() + "missing.wav");
  TRecorder recorder;
  media::TFFEncoder encoder;
  TBatchRun run(encoder, recorder);
  settings_.BatchSize = 2;
  settings_.Jobs = 2;
  const TBatchSummary summary = run.Run(settings_, inputs, [] { return false; });
  EXPECT_FALSE(summary.Stopped);
  EXPECT_EQ(summary.Total, 6);
  EXPECT_EQ(summary.Succeeded, 5);
  ASSERT_EQ(recorder.skipped.size(), 1u);
  EXPECT_EQ(recorder.skipped[3].rfind("File load error: ", 0), 0u) << recorder.skipped[3];
  std::vector<std::string> outputs;
  for (const TBatchJob& job : recorder.ended) {
    EXPECT_EQ(job.State, TBatchJobState::Finished) << job.Error;
    EXPECT_EQ(job.Done, job.Duration);
    outputs.push_back(fs::path(job.Output).filename().string());
  }
  std::sort(outputs.begin(), outputs.end());
  EXPECT_EQ(outputs, (std::vector<std::string>{"in0(1).mp3", "in0(2).mp3", "in0(3).mp3",
                                               "in0(4).mp3", "in0.mp3"}));
}

TEST_F(BatchRunTest, AStopBeforeTheStartLeavesNoFile) {
  const std::vector<std::string> inputs = Copies(ShortTone(), 3);
  TRecorder recorder;
  media::TFFEncoder encoder;
  TBatchRun run(encoder, recorder);
  int polls = 0;
  // The third input is never built; the first two were, and their opened outputs go again.
  const TBatchSummary summary = run.Run(settings_, inputs, [&] { return ++polls > 2; });
  EXPECT_TRUE(summary.Stopped);
  EXPECT_EQ(summary.Succeeded, 0);
  EXPECT_EQ(recorder.ended.size(), 2u);
  EXPECT_TRUE(fs::is_empty(settings_.Target.OutputDir));
  EXPECT_EQ(encoder.TaskCount(), 0);
}

TEST(ConvertView, FiguresOfARunningJob) {
  TBatchJob job;
  job.StartedAt = 100.0;
  job.Duration = 60000000;  // 60 s
  job.Done = 15000000;      // 15 s done after 5 s: three times real time, 15 s left
  EXPECT_EQ(cli::TConvertView::Figures(job, 105.0), "25%  speed 3.0x  time left 0:00:15");
  job.Duration = -1;
  EXPECT_EQ(cli::TConvertView::Figures(job, 105.0), "--%  speed 3.0x  time left --:--:--");
  job.Done = 0;
  job.Duration = 60000000;
  EXPECT_EQ(cli::TConvertView::Figures(job, 100.0), "0%  speed --  time left --:--:--");
}

}  // namespace
}  // namespace tallowin::convert
