// Running encoder tasks: the order and threads of OnTerminate, synchronous runs, Stop before and
// during a run, a task that cannot start, two tasks at once, and the preview.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/dispatcher.h"
#include "media/components/ff_encode.h"
#include "media/media_fixtures.h"

namespace tallowin::media {
namespace {

using std::chrono::milliseconds;

struct Seen {
  int task;
  bool finished, exception;
  std::string message;
  bool main_thread;
  std::thread::id thread;
};

class EncoderRun : public ::testing::Test {
 protected:
  void SetUp() override { test::LoadSystemLibraries(); }

  // Records every OnTerminate; `clear_at_end` calls ClearTasks in the final one.
  void Watch(bool clear_at_end) {
    encoder.SetOnTerminate([this, clear_at_end](TCustomEncoder& e, const TTerminateInfo& t) {
      // A slow handler: a later event must still wait for this one.
      std::this_thread::sleep_for(milliseconds(30));
      if (t.TaskIndex < 0 && clear_at_end) {
        e.ClearTasks();
        cleared = e.TaskCount() == 0;
      }
      std::lock_guard lock(mutex);
      seen.push_back({t.TaskIndex, t.Finished, t.Exception, t.ExceptionMsg,
                      MainDispatcher().IsMainThread(), std::this_thread::get_id()});
      MainDispatcher().Notify();
    });
  }
  bool WaitForEnd(int seconds = 60) {
    return MainDispatcher().WaitUntil(
        [this] {
          std::lock_guard lock(mutex);
          return !seen.empty() && seen.back().task == -1;
        },
        std::chrono::seconds(seconds));
  }
  std::vector<int> Order() {
    std::lock_guard lock(mutex);
    std::vector<int> order;
    for (const auto& s : seen) order.push_back(s.task);
    return order;
  }
  int AddConversion(const test::fs::path& input, const std::string& name,
                    const std::string& size = "160x120") {
    const int task = encoder.AddTask(input.string());
    EXPECT_GE(task, 0) << encoder.LastErrMsg();
    TOutputOptions out;
    out.VideoCodec = "mpeg4";
    out.FrameSize = size;
    EXPECT_TRUE(encoder.SetOutputFile(task, dir.dir() + name, &out)) << encoder.LastErrMsg();
    return task;
  }

  test::TempDir dir;
  TFFEncoder encoder;
  std::mutex mutex;
  std::vector<Seen> seen;
  std::atomic<bool> cleared{false};
};

TEST_F(EncoderRun, ThreeTasksOneAfterAnotherThenTheFinalEvent) {
  Watch(true);
  std::atomic<int> progress_off_main{0}, progress{0};
  encoder.SetOnProgress([&](TCustomEncoder&, PProgressInfo p) {
    ++progress;
    if (!MainDispatcher().IsMainThread() || p->TaskIndex < 0 || p->TaskIndex > 2)
      ++progress_off_main;
  });
  for (int i = 0; i < 3; ++i)
    AddConversion(test::StandardClip(), "out" + std::to_string(i) + ".avi");
  encoder.StartTask(1);
  EXPECT_TRUE(encoder.Working());
  EXPECT_THROW(encoder.AddTask(test::StandardClip().string()), EncoderException);
  try {
    encoder.ClearTasks();
    FAIL() << "ClearTasks while working";
  } catch (const EncoderException& e) {
    EXPECT_STREQ(e.what(), "Cannot ClearTasks while working.");
  }
  ASSERT_TRUE(WaitForEnd());
  EXPECT_EQ(Order(), (std::vector<int>{0, 1, 2, -1}));
  for (const auto& s : seen) {
    EXPECT_FALSE(s.main_thread);
    EXPECT_TRUE(s.finished) << s.message;
    EXPECT_FALSE(s.exception);
  }
  EXPECT_TRUE(cleared);
  EXPECT_FALSE(encoder.Working());
  EXPECT_GT(progress, 0);
  EXPECT_EQ(progress_off_main, 0);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(test::FFProbe(dir / ("out" + std::to_string(i) + ".avi"))["stream0.width"], "160");
}

TEST_F(EncoderRun, SynchronousRunReturnsAfterEverything) {
  Watch(true);
  AddConversion(test::StandardClip(), "a.avi");
  const int no_output = encoder.AddTask(test::StandardClip().string());
  ASSERT_EQ(no_output, 1);
  encoder.StartTask(0);
  // Everything happened inside StartTask, on this thread.
  ASSERT_EQ(Order(), (std::vector<int>{0, 1, -1}));
  for (const auto& s : seen) EXPECT_TRUE(s.main_thread);
  EXPECT_TRUE(seen[0].finished);
  EXPECT_FALSE(seen[1].finished);
  EXPECT_TRUE(seen[1].exception);
  EXPECT_EQ(seen[1].message, "At least one output file must be specified");
  EXPECT_TRUE(cleared);
}

TEST_F(EncoderRun, StopBeforeAndDuringARun) {
  Watch(false);
  for (int i = 0; i < 3; ++i) AddConversion(test::SlowClip(), "slow" + std::to_string(i) + ".avi");
  // Before the run: nothing is running, and the run that follows is not affected.
  encoder.Stop(true);
  EXPECT_FALSE(encoder.Working());
  std::atomic<bool> progressed{false};
  encoder.SetOnProgress([&](TCustomEncoder&, PProgressInfo) { progressed = true; });
  encoder.StartTask(1);
  ASSERT_TRUE(
      MainDispatcher().WaitUntil([&] { return progressed.load(); }, std::chrono::seconds(60)));
  const auto start = std::chrono::steady_clock::now();
  encoder.Stop(true);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  ASSERT_TRUE(WaitForEnd());
  ASSERT_EQ(Order(), (std::vector<int>{0, 1, 2, -1}));
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(seen[i].finished) << i;
    EXPECT_FALSE(seen[i].exception) << i;
    EXPECT_EQ(seen[i].message, "") << i;
  }
  EXPECT_TRUE(encoder.AllDone());
  encoder.ClearTasks();
  EXPECT_EQ(encoder.TaskCount(), 0);
}

TEST_F(EncoderRun, StopFromAProgressHandlerOfASynchronousRun) {
  Watch(false);
  AddConversion(test::SlowClip(), "sync0.avi");
  AddConversion(test::SlowClip(), "sync1.avi");
  int reports = 0;
  encoder.SetOnProgress([&](TCustomEncoder& e, PProgressInfo) {
    if (++reports == 1) e.Stop(true);  // must not wait for the run it is called from
  });
  encoder.StartTask(0);
  ASSERT_EQ(Order(), (std::vector<int>{0, 1, -1}));
  EXPECT_FALSE(seen[0].finished);
  EXPECT_FALSE(seen[1].finished);
  EXPECT_EQ(seen[1].message, "");
}

TEST_F(EncoderRun, TwoTasksAtOnceEachSeesOnlyItsOwnStop) {
  Watch(false);
  AddConversion(test::SlowClip(), "first.avi");
  AddConversion(test::StandardClip(), "second.avi");
  std::atomic<bool> both_running{false};
  encoder.SetOnProgress([&](TCustomEncoder& e, PProgressInfo) {
    if (e.Task(0)->Running() && e.Task(1)->Running()) both_running = true;
  });
  encoder.StartTask(2);
  ASSERT_TRUE(
      MainDispatcher().WaitUntil([&] { return both_running.load(); }, std::chrono::seconds(60)));
  encoder.Task(0)->Stop(true);
  ASSERT_TRUE(WaitForEnd());
  std::lock_guard lock(mutex);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen.back().task, -1);
  for (const auto& s : seen) {
    if (s.task == 0) {
      EXPECT_FALSE(s.finished);
    } else if (s.task == 1) {
      EXPECT_TRUE(s.finished) << s.message;
    }
  }
}

TEST_F(EncoderRun, TargetWithTheEncodersFallbackNorm) {
  // 15 fps tells no norm: the record's NormDefault decides.
  for (int norm_default : {1, 2}) {
    const int task = encoder.AddTask(test::VideoOnlyClip().string());
    ASSERT_GE(task, 0) << encoder.LastErrMsg();
    TOutputOptions out;
    out.TargetType = 1;
    out.NormDefault = norm_default;
    out.VideoBitrate = 5000;  // never reaches the engine with a target
    ASSERT_TRUE(encoder.SetOutputFile(
        task, dir.dir() + "vcd" + std::to_string(norm_default) + ".mpg", &out))
        << encoder.LastErrMsg();
  }
  encoder.StartTask(0);
  auto pal = test::FFProbe(dir / "vcd1.mpg");
  auto ntsc = test::FFProbe(dir / "vcd2.mpg");
  EXPECT_EQ(pal["stream0.width"] + "x" + pal["stream0.height"], "352x288");
  EXPECT_EQ(ntsc["stream0.width"] + "x" + ntsc["stream0.height"], "352x240");
}

// --- Preview -------------------------------------------------------------------------------------

class FakeWindow : public IPreviewWindow {
 public:
  explicit FakeWindow(std::vector<std::string>* captions) : captions_(captions) {}
  void ShowPicture(const TBitmap&, const std::string& caption) override {
    captions_->push_back(caption);
  }
  bool ClosedByUser() const override { return closed; }
  bool closed = false;

 private:
  std::vector<std::string>* captions_;
};

TEST(Preview, IntervalCaptionsAndClosingOneWindow) {
  EXPECT_EQ(PreviewCaption(kNoPtsValue), "N/A");
  EXPECT_EQ(PreviewCaption(3723004000), "01:02:03.004");
  EXPECT_EQ(PreviewCaption(0), "00:00:00.000");

  std::vector<std::string> captions;
  std::vector<FakeWindow*> windows;
  SetPreviewWindowFactory([&] {
    auto window = std::make_unique<FakeWindow>(&captions);
    windows.push_back(window.get());
    return window;
  });
  auto convert = [](TBitmap& bitmap, std::string&) {
    bitmap.Resize(4, 4);
    return true;
  };
  TPreviewer a, b;
  a.SetFlags(pfWindow);
  b.SetFlags(pfWindow);
  // Pictures every 40 ms: at most one every 0.1 s is shown.
  for (int64_t t = 0; t <= 400000; t += 40000) a.Offer(t, 1, t, convert, nullptr, nullptr);
  EXPECT_EQ(captions, (std::vector<std::string>{"00:00:00.000", "00:00:00.120", "00:00:00.240",
                                                "00:00:00.360"}));
  b.Offer(0, 1, kNoPtsValue, convert, nullptr, nullptr);
  EXPECT_EQ(captions.back(), "N/A");
  ASSERT_EQ(windows.size(), 2u);

  // The user closes a's window: a stops previewing, b goes on.
  windows[0]->closed = true;
  a.Offer(1000000, 2, 1000000, convert, nullptr, nullptr);
  EXPECT_EQ(a.Flags(), 0);
  EXPECT_FALSE(a.HasWindow());
  b.Offer(1000000, 2, 1000000, convert, nullptr, nullptr);
  EXPECT_EQ(b.Flags(), pfWindow);
  EXPECT_EQ(captions.back(), "00:00:01.000");
  // Switched on again, a gets a new window.
  a.SetFlags(pfWindow);
  a.Offer(2000000, 3, 2000000, convert, nullptr, nullptr);
  EXPECT_EQ(windows.size(), 3u);
  SetPreviewWindowFactory(nullptr);
}

TEST(Preview, BitmapRelayWinsAndAFailedConversionEndsIt) {
  int windows = 0, relayed = 0;
  SetPreviewWindowFactory([&] {
    ++windows;
    return std::unique_ptr<IPreviewWindow>();
  });
  TPreviewer p;
  p.SetFlags(pfWindow | pfBitmap);
  auto relay = [&](const TBitmap&, int, int64_t) { ++relayed; };
  bool ok = true;
  auto convert = [&](TBitmap& bitmap, std::string& error) {
    bitmap.Resize(2, 2);
    if (!ok) error = "Cannot initialize the toRGB conversion context";
    return ok;
  };
  p.Offer(0, 1, 0, convert, relay, nullptr);
  p.Offer(200000, 2, 200000, convert, relay, nullptr);
  EXPECT_EQ(relayed, 2);
  EXPECT_EQ(windows, 0);
  ok = false;
  p.Offer(400000, 3, 400000, convert, relay, nullptr);
  EXPECT_EQ(p.Flags(), pfWindow);  // only the bitmap flag goes
  SetPreviewWindowFactory(nullptr);
}

TEST_F(EncoderRun, PreviewBitmapsOfARunningTask) {
  Watch(false);
  encoder.SetPreview(true);
  encoder.SetPreviewBitmap(true);
  std::vector<int64_t> pts;
  std::atomic<bool> window_made{false};
  SetPreviewWindowFactory([&] {
    window_made = true;
    return std::unique_ptr<IPreviewWindow>();
  });
  encoder.SetOnPreviewBitmap([&](TCustomEncoder&, const TPreviewInfo& info) {
    EXPECT_TRUE(MainDispatcher().IsMainThread());
    EXPECT_EQ(info.Bitmap->Width, 160);
    pts.push_back(info.PTS);
  });
  AddConversion(test::StandardClip(), "preview.avi");
  encoder.StartTask(1);
  ASSERT_TRUE(WaitForEnd());
  EXPECT_FALSE(window_made);
  // 3 s of pictures converted in far less time: only a few of them, in time order.
  ASSERT_FALSE(pts.empty());
  EXPECT_LT(pts.size(), 75u);
  for (size_t i = 1; i < pts.size(); ++i) EXPECT_GT(pts[i], pts[i - 1]);
  SetPreviewWindowFactory(nullptr);
}

}  // namespace
}  // namespace tallowin::media
