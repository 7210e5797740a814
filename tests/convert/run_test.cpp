// The conversion run through the main window: real runs of generated clips into a video and an
// audio preset (with one job failing as it writes), cancelling in the middle of a run, a run in
// which no file was accepted, and the run's end (sound, shutdown countdown, summary, sleep lock
// and notification) driven through the encoder's notices.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <QCheckBox>
#include <QTimer>
#include "convert/conversion_window_test.h"
#include "convert/form_shutdown.h"
#include "convert/run_figures.h"
#include "media/components/ff_decode.h"
#include "shell/global_vars.h"
#include "support/probe_facts.h"
#include "ui/page_control.h"
#include "ui/report_list.h"
#include "ui/slide_grid.h"
#include "wizard/input_row.h"
#include "wizard/wizard_env.h"

namespace tallowin::test {
namespace {

using std::chrono::milliseconds;

// 40 s at 320x240: its outputs are larger than the file size limit of the failing runs.
fs::path LongClip() {
  return GeneratedMedia(
      "clip_320x240_40s.mp4",
      {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=15:duration=40", "-f", "lavfi", "-i",
       "sine=frequency=330:sample_rate=22050:duration=40", "-ac", "1", "-c:v", "libx264", "-preset",
       "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "aac", "-shortest"});
}

// Ten minutes of a tone: long enough to be cancelled while it converts.
fs::path LongTone() {
  return GeneratedMedia(
      "tone_8khz_600s.wav",
      {"-f", "lavfi", "-i", "sine=frequency=300:sample_rate=8000:duration=600", "-c:a", "pcm_u8"});
}

// Limits the size of every file this process writes, as a full disk would; writes past it fail
// instead of ending the process.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

 private:
  rlimit saved_{};
};

class RunTest : public ConversionWindowTest {
 protected:
  void SetUp() override {
    ConversionWindowTest::SetUp();
    TGlobalVars& g = GlobalVars();
    g.PlayASoundWhenFinished = false;
    g.ShutDownWhenFinished = false;
  }
  void TearDown() override {
    form_->StopEncoder(true);
    WaitFor([&] { return !form_->FFEncoder.Working() || form_->FFEncoder.AllDone(); });
  }

  void Select(int format_class, int format, int preset) {
    TGlobalVars& g = GlobalVars();
    g.OutputFormatClass = static_cast<uint8_t>(format_class);
    if (format_class == 0) {
      g.OutputVideoFormat = static_cast<uint8_t>(format);
      g.OutputAVIPreset = preset;
    } else {
      g.OutputAudioFormat = static_cast<uint8_t>(format);
      g.OutputMP3Preset = preset;
    }
  }

  // Serves the event loop until `done` holds; false after two minutes.
  template <class Done>
  bool WaitFor(Done done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!done()) {
      if (std::chrono::steady_clock::now() > until) return false;
      QCoreApplication::processEvents();
      std::this_thread::sleep_for(milliseconds(5));
    }
    return true;
  }

  // Starts the run as Next on Step2 does and waits for the summary.
  void RunToSummary() {
    form_->ActivatePage(TWizardPage::Step3);
    form_->StartConversionRun();
    ASSERT_TRUE(WaitFor([&] { return form_->ActivePage() == TWizardPage::Step4; }));
  }

  std::vector<std::string> Figures() {
    return {form_->LabelFinishTotalFiles->text().toStdString(),
            form_->LabelFinishSuccessed->text().toStdString(),
            form_->LabelFinishFailed->text().toStdString()};
  }
  std::string Memo() { return form_->MemoErrorLog->toPlainText().toStdString(); }

  // The encoder's notice of one job's end, as its notice thread gives it.
  void JobEnded(int index, bool finished, const std::string& error = "") {
    form_->FFEncoderTerminate(form_->FFEncoder, {index, finished, !error.empty(), error});
  }
};

TEST_F(RunTest, VideoThenAudioRunWithAJobFailingAsItWrites) {
  const std::string a = Place(StandardClip(), "in/a.mp4");
  const std::string big = Place(LongClip(), "in/big.mp4");
  const std::string c = Place(StandardClip(), "in/c.mp4");
  // A file of the user's that has the name the first output would take.
  WriteFile(fs::path(out_) / "a.avi", "the user's own");
  for (const std::string& path : {a, big, c}) AddRow(path);

  for (const auto& [format_class, format, preset, extension, codecs] :
       {std::tuple{0, 0, 7, ".avi", std::string("avi|mpeg4,320,240")},
        std::tuple{2, 1, 2, ".mp3", std::string("mp3|")}}) {
    SCOPED_TRACE(extension);
    Select(format_class, format, preset);
    const size_t sounds = env_.fake.sounds.size();
    GlobalVars().PlayASoundWhenFinished = true;
    {
      FileSizeLimit limit(1'000'000);
      RunToSummary();
    }
    EXPECT_EQ(Cell(0, 2), "Finish.");
    EXPECT_EQ(Cell(0, 3), "100%");
    EXPECT_EQ(Cell(1, 2), "Failed.");
    EXPECT_EQ(Cell(2, 2), "Finish.");
    EXPECT_EQ(Figures(), (std::vector<std::string>{"3", "2", "1"}));
    EXPECT_TRUE(form_->MemoErrorLog->isVisibleTo(form_->TabSheetStep4));
    EXPECT_EQ(Memo().rfind("File (1): ", 0), 0u) << Memo();
    EXPECT_GT(Memo().size(), std::string("File (1): ").size());
    // Each run counts only its own jobs: the two short clips finished, the long one did not.
    EXPECT_EQ(GlobalVars().RunDoneDuration, 2 * ProbedDuration(StandardClip()));
    EXPECT_EQ(GlobalVars().RunTotalDuration,
              2 * ProbedDuration(StandardClip()) + ProbedDuration(LongClip()));
    ASSERT_EQ(env_.fake.sounds.size(), sounds + 1);
    EXPECT_EQ(env_.fake.sounds.back(), form_->ProgramDir() + "sounds/fail.wav");
    // Kept awake during the run only.
    EXPECT_GE(env_.fake.sleep_locks->taken, 1);
    EXPECT_EQ(env_.fake.sleep_locks->held, 0);

    const std::string first = out_ + (extension == std::string(".avi") ? "a(1)" : "a") + extension;
    EXPECT_EQ(ProbeFacts(first).rfind(codecs, 0), 0u) << ProbeFacts(first);
    EXPECT_NE(
        ProbeFacts(first).find(extension == std::string(".avi") ? "|mp3,44100,2" : "|mp3,48000,2"),
        std::string::npos)
        << ProbeFacts(first);
    EXPECT_EQ(ProbeFacts(out_ + "c" + extension).rfind(codecs, 0), 0u);
  }
  EXPECT_EQ(ReadFile(fs::path(out_) / "a.avi"), "the user's own");
  // The inputs are unchanged.
  EXPECT_EQ(fs::file_size(a), fs::file_size(StandardClip()));
  EXPECT_EQ(fs::file_size(big), fs::file_size(LongClip()));
}

TEST_F(RunTest, CancelDuringTheSecondOfFourJobs) {
  Select(2, 1, 2);
  AddRow(Place(StandardClip(), "in/first.mp4"));
  for (const char* name : {"in/t2.wav", "in/t3.wav", "in/t4.wav"}) AddRow(Place(LongTone(), name));
  form_->ActivatePage(TWizardPage::Step3);
  form_->StartConversionRun();
  ASSERT_TRUE(WaitFor([&] { return Cell(1, 2) == "Converting..."; }));
  EXPECT_EQ(Cell(0, 2), "Finish.");
  EXPECT_EQ(env_.fake.sleep_locks->held, 1);

  env_.fake.answers.push_back(kMrYes);
  form_->ActionExitExecute();
  ASSERT_TRUE(WaitFor([&] { return form_->ActivePage() == TWizardPage::Step4; }));

  EXPECT_EQ(env_.fake.messages.back().text, "Do you really want to cancel the conversion?");
  EXPECT_EQ(Cell(0, 2), "Finish.");
  for (int row = 1; row < 4; ++row) EXPECT_EQ(Cell(row, 2), "Failed.") << row;
  EXPECT_EQ(Figures(), (std::vector<std::string>{"4", "1", "3"}));
  EXPECT_EQ(env_.fake.sleep_locks->held, 0);
  // What is left in the folder can be read: the stopped job's output was closed, the outputs of
  // the jobs that never started (empty) are gone.
  EXPECT_EQ(ProbeFacts(out_ + "first.mp3").rfind("mp3|", 0), 0u);
  EXPECT_FALSE(fs::exists(out_ + "t3.mp3"));
  EXPECT_FALSE(fs::exists(out_ + "t4.mp3"));
  if (fs::exists(out_ + "t2.mp3")) {
    EXPECT_GT(fs::file_size(out_ + "t2.mp3"), 0u);
    EXPECT_EQ(RunProcess({"ffprobe", "-v", "error", out_ + "t2.mp3"}).exit_code, 0);
  }
  // Finish starts afresh.
  form_->ActionNextExecute();
  EXPECT_EQ(form_->ListViewConverting->RowCount(), 0);
}

TEST_F(RunTest, NoAcceptedFileEndsAtOnceWithEveryInputFailed) {
  Select(2, 1, 2);
  fs::create_directories(work_.path() / "in");
  WriteFile(work_.path() / "in/broken.mp4", "not a media file at all");
  AddRow((work_.path() / "in/broken.mp4").string());
  AddRow((work_.path() / "in/missing.mp4").string());
  GlobalVars().PlayASoundWhenFinished = true;
  RunToSummary();
  EXPECT_EQ(Figures(), (std::vector<std::string>{"2", "0", "2"}));
  EXPECT_EQ(env_.fake.sleep_locks->taken, 0);
  ASSERT_EQ(env_.fake.sounds.size(), 1u);
  EXPECT_EQ(env_.fake.sounds[0], form_->ProgramDir() + "sounds/fail.wav");
  EXPECT_TRUE(fs::is_empty(out_));
}

TEST_F(RunTest, MergeRunJoinsInputsAndWritesNoRowStates) {
  GlobalVars().MergeEnabled = true;
  Select(2, 1, 2);
  AddRow(Place(StandardClip(), "in/a.mp4"));
  AddRow(Place(StandardClip(), "in/b.mp4"));
  RunToSummary();
  EXPECT_TRUE(form_->MergeRun());
  EXPECT_EQ(form_->ListViewConverting->ColumnCaption(2), "Width x Height");
  EXPECT_EQ(form_->ListViewConverting->ColumnCaption(3), "Aspect Ratio");
  EXPECT_EQ(form_->LabelCurrentFileTitle->text(), "Output file:");
  const std::string row0 = Cell(0, 2) + Cell(0, 3) + Cell(1, 2) + Cell(1, 3);
  for (const char* state : {"Converting...", "Finish.", "Failed.", "%"})
    EXPECT_EQ(row0.find(state), std::string::npos) << row0;
  EXPECT_EQ(Figures(), (std::vector<std::string>{"1", "1", "0"}));
  const std::string output = out_ + "Output_Merge.mp3";
  EXPECT_EQ(Cell(0, 4), output);
  EXPECT_EQ(ProbeFacts(output).rfind("mp3|", 0), 0u);
  // A progress report names the merged output and leaves the rows alone.
  media::TProgressInfo progress;
  progress.CurrentDuration = 1'000'000;
  progress.TotalDuration = 4'000'000;
  form_->FFEncoderProgress(form_->FFEncoder, &progress);
  EXPECT_EQ(form_->LabelCurrentFile->text().toStdString(), output);
  EXPECT_EQ(form_->LabelProgress->text(), "25%");
  EXPECT_EQ(Cell(0, 2) + Cell(0, 3) + Cell(1, 2) + Cell(1, 3), row0);
}

TEST_F(RunTest, ProgressShowsThePercentageAndTheRunTimes) {
  for (const char* name : {"one.mp4", "two.mp4", "three.mp4"})
    form_->ListViewConverting->AddRow({name, "00:01:00.000", "Waiting...", "", "/videos"});
  double now = 1000.0;
  form_->RunClock = [&] { return now; };
  TGlobalVars& g = GlobalVars();
  g.RunStartTime = now;
  g.RunTotalDuration = 180'000'000;
  g.RunDoneDuration = 60'000'000;  // the first job finished
  now += 45 / convert::kSecondsPerDay;

  media::TProgressInfo progress;
  progress.TaskIndex = 1;
  progress.CurrentDuration = 30'000'000;
  progress.TotalDuration = 60'000'000;
  form_->FFEncoderProgress(form_->FFEncoder, &progress);
  EXPECT_EQ(form_->LabelCurrentFile->text(), "/videos/two.mp4");
  EXPECT_EQ(form_->LabelEstimated->text(), "0:01:30");
  EXPECT_EQ(form_->LabelElapsed->text(), "0:00:45");
  EXPECT_EQ(form_->LabelTimeLeft->text(), "0:00:45");
  EXPECT_EQ(form_->ProgressBar->value(), 50);
  EXPECT_EQ(form_->LabelProgress->text(), "50%");
  EXPECT_EQ(Cell(1, 2), "Converting...");
  EXPECT_EQ(Cell(1, 3), "50%");

  // The next job's engine knows no total: its cell reads N/A, bar and label stay.
  progress.TaskIndex = 2;
  progress.TotalDuration = -1;
  form_->FFEncoderProgress(form_->FFEncoder, &progress);
  EXPECT_EQ(Cell(2, 3), "N/A");
  EXPECT_EQ(Cell(2, 2), "Waiting...");
  EXPECT_EQ(form_->ProgressBar->value(), 50);
  EXPECT_EQ(form_->LabelProgress->text(), "50%");

  // Nothing processed yet: no estimate, but the time that passed.
  g.RunDoneDuration = 0;
  progress.CurrentDuration = 0;
  form_->FFEncoderProgress(form_->FFEncoder, &progress);
  EXPECT_EQ(form_->LabelEstimated->text(), convert::kTimeNotKnown);
  EXPECT_EQ(form_->LabelTimeLeft->text(), convert::kTimeNotKnown);
  EXPECT_EQ(form_->LabelElapsed->text(), "0:00:45");

  // A report for a row that does not exist changes nothing.
  progress.TaskIndex = 7;
  form_->FFEncoderProgress(form_->FFEncoder, &progress);
  EXPECT_EQ(form_->LabelCurrentFile->text(), "/videos/three.mp4");
}

class RunEndTest : public RunTest {
 protected:
  // A per-file run of `jobs` rows whose jobs end as `finished` says, then the all-ended notice.
  void EndRun(const std::vector<bool>& finished) {
    GlobalVars().TotalJobs = static_cast<int>(finished.size());
    for (size_t i = 0; i < finished.size(); ++i)
      form_->ListViewConverting->AddRow({"f", "", "Waiting...", "", "/in"});
    form_->ActivatePage(TWizardPage::Step3);
    for (size_t i = 0; i < finished.size(); ++i)
      JobEnded(static_cast<int>(i), finished[i],
               finished[i] ? "" : "Conversion failed " + std::to_string(i));
    JobEnded(-1, true);
  }
};

TEST_F(RunEndTest, SummaryErrorLinesAndTheSound) {
  GlobalVars().PlayASoundWhenFinished = true;
  EndRun({true, false, true, false, true});
  EXPECT_EQ(form_->ActivePage(), TWizardPage::Step4);
  EXPECT_EQ(Figures(), (std::vector<std::string>{"5", "3", "2"}));
  EXPECT_EQ(Memo(), "File (1): Conversion failed 1\nFile (3): Conversion failed 3");
  EXPECT_TRUE(form_->MemoErrorLog->isVisibleTo(form_->TabSheetStep4));
  EXPECT_EQ(Cell(1, 2), "Failed.");
  EXPECT_EQ(Cell(4, 2), "Finish.");
  EXPECT_EQ(form_->TerminatedJobs(), 5);
  ASSERT_EQ(env_.fake.sounds.size(), 1u);
  EXPECT_EQ(env_.fake.sounds[0], form_->ProgramDir() + "sounds/fail.wav");
  EXPECT_EQ(form_->LabelCurrentFile->text(), "...");
  EXPECT_EQ(form_->LabelProgress->text(), "0%");

  // A run where everything succeeded: done.wav, no error memo.
  form_->ListViewConverting->ClearRows();
  GlobalVars().ErrorLines.clear();
  GlobalVars().SucceededJobs = 0;
  EndRun({true, true});
  EXPECT_EQ(env_.fake.sounds.back(), form_->ProgramDir() + "sounds/done.wav");
  EXPECT_FALSE(form_->MemoErrorLog->isVisibleTo(form_->TabSheetStep4));
}

TEST_F(RunEndTest, NoSoundWhenNotAskedAndOneNotificationWhileInTheBackground) {
  EndRun({true, false});
  EXPECT_TRUE(env_.fake.sounds.empty());
  // The offscreen window is never the active one.
  ASSERT_EQ(env_.fake.notifications.size(), 1u);
  EXPECT_EQ(env_.fake.notifications[0].second, "Total files: 2, Successed: 1, Failed: 1");
  EXPECT_NE(env_.fake.notifications[0].first.find("has finished the conversion."),
            std::string::npos);
}

TEST_F(RunEndTest, ShutdownCountdownRunsOutAndPowersOff) {
  GlobalVars().ShutDownWhenFinished = true;
  std::vector<std::string> seen;
  env_.fake.on_dialog = [&](QDialog& dialog) {
    auto& countdown = dynamic_cast<TFormShutdown&>(dialog);
    countdown.Timer()->stop();  // the test's ticks stand for the seconds
    seen.push_back(countdown.LabelTimeLeft->text().toStdString());
    EXPECT_EQ(countdown.windowTitle(), "Shutdown");
    EXPECT_NE(countdown.LabelMessage->text().indexOf(QString::fromStdString(GlobalVars().AppTitle)),
              -1);
    // Centred over the main window.
    EXPECT_EQ(countdown.x(), form_->x() + (form_->width() - countdown.width()) / 2);
    EXPECT_EQ(countdown.y(), form_->y() + (form_->height() - countdown.height()) / 2);
    for (int tick = 1; tick <= 31; ++tick) {
      EXPECT_EQ(countdown.result(), 0) << tick;
      countdown.TimerTick();
      if (tick == 30) seen.push_back(countdown.LabelTimeLeft->text().toStdString());
    }
    return countdown.result();
  };
  EndRun({true});
  EXPECT_EQ(seen, (std::vector<std::string>{"Time left: 30", "Time left: 0"}));
  EXPECT_EQ(env_.fake.power_actions, std::vector<PowerAction>{PowerAction::PowerOff});
  EXPECT_EQ(form_->ActivePage(), TWizardPage::Step4);
}

TEST_F(RunEndTest, CancelledCountdownLeavesTheComputerRunning) {
  GlobalVars().ShutDownWhenFinished = true;
  env_.fake.on_dialog = [](QDialog& dialog) {
    dynamic_cast<TFormShutdown&>(dialog).ButtonCancel->click();
    return dialog.result();
  };
  EndRun({true, true});
  EXPECT_EQ(env_.fake.dialogs, std::vector<std::string>{"FormShutdown"});
  EXPECT_TRUE(env_.fake.power_actions.empty());
  EXPECT_EQ(form_->ActivePage(), TWizardPage::Step4);
  EXPECT_EQ(Figures(), (std::vector<std::string>{"2", "2", "0"}));
}

TEST_F(RunTest, OptionsOpenFolderAndLibraryLog) {
  form_->CheckBoxPlayASound->click();
  EXPECT_TRUE(GlobalVars().PlayASoundWhenFinished);
  form_->CheckBoxShutdown->click();
  EXPECT_TRUE(GlobalVars().ShutDownWhenFinished);
  form_->CheckBoxShutdown->click();
  EXPECT_FALSE(GlobalVars().ShutDownWhenFinished);
  form_->CheckBoxPreview->click();
  EXPECT_TRUE(form_->FFEncoder.Preview());
  form_->CheckBoxPreview->click();
  EXPECT_FALSE(form_->FFEncoder.Preview());

  form_->LabelOpenFolderClick();
  EXPECT_EQ(env_.fake.opened, std::vector<std::string>{out_});

  ASSERT_NE(form_->FFLogger, nullptr);
  EXPECT_EQ(form_->FFLogger->LogLevel(), media::llError);
  form_->FFLoggerLog(nullptr, 4242, media::llError, "Invalid data found");
  EXPECT_EQ(env_.log().Lines().back(), "#4242.3: Invalid data found");
}

}  // namespace
}  // namespace tallowin::test
