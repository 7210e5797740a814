// The hooks of a task: pictures as bitmaps of every depth and back, decoded audio, and what ends
// a hook.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "media/components/ff_encode.h"
#include "media/log_capture.h"
#include "media/media_fixtures.h"
#include "media/picture/format_converter.h"
#include "media/runtime/ff_handles.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace tallowin::media {
namespace {

class HookTest : public ::testing::Test {
 protected:
  void SetUp() override { test::LoadSystemLibraries(); }
};

// A one-second clip with video and stereo audio.
test::fs::path HookClip() {
  return test::GeneratedMedia(
      "hooks_160x120.mp4",
      {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=1", "-f", "lavfi", "-i",
       "sine=frequency=440:sample_rate=44100:duration=1", "-ac", "2", "-c:v", "libx264", "-pix_fmt",
       "yuv420p", "-c:a", "aac", "-shortest"});
}

// The mean brightness of the output's picture near `at_us`.
double MeanBrightness(const std::string& file, int64_t at_us) {
  TFFDecoder decoder;
  EXPECT_TRUE(decoder.LoadFile(file));
  if (at_us > 0) decoder.Seek(0, at_us);
  EXPECT_TRUE(decoder.Decode());
  TBitmap bitmap;
  EXPECT_TRUE(decoder.CopyToBitmap(bitmap));
  double sum = 0;
  for (int y = 0; y < bitmap.Height; ++y)
    for (int x = 0; x < bitmap.Width * 3; ++x) sum += bitmap.TopRow(y)[x];
  return sum / (bitmap.Height * bitmap.Width * 3.0);
}

class EncoderHooks : public HookTest {
 protected:
  // Runs one task from the hook clip into `name` with `out`; the final terminate record.
  TTerminateInfo Run(const std::string& name, TOutputOptions out) {
    TTerminateInfo result;
    encoder.SetOnTerminate([&result](TCustomEncoder&, const TTerminateInfo& t) {
      if (t.TaskIndex >= 0) result = t;
    });
    const int task = encoder.AddTask(HookClip().string());
    EXPECT_EQ(task, 0) << encoder.LastErrMsg();
    EXPECT_TRUE(encoder.SetOutputFile(task, path(name), &out)) << encoder.LastErrMsg();
    encoder.StartTask(0);
    encoder.ClearTasks();
    return result;
  }
  std::string path(const std::string& name) const { return dir.dir() + name; }

  test::TempDir dir;
  TFFEncoder encoder;
};

TEST_F(EncoderHooks, OutputHookChangesWhatIsEncodedAtEveryDepth) {
  for (int bits : {8, 15, 16, 24, 32}) {
    SCOPED_TRACE(bits);
    std::vector<int> numbers;
    std::vector<int64_t> stamps;
    bool wrong_depth = false;
    encoder.SetOnVideoOutputHook([&](TCustomEncoder&, PHookInfo info) {
      wrong_depth |= info->Bitmap->BitsPerPixel != bits || info->TaskIndex != 0;
      numbers.push_back(info->FrameNumber);
      stamps.push_back(info->PTS);
      std::fill(info->Bitmap->Pixels.begin(), info->Bitmap->Pixels.end(), 0xFF);
    });
    TOutputOptions out;
    out.VideoCodec = "mpeg4";
    out.VideoOutputHook = true;
    out.VideoHookBitsPixel = bits;
    const std::string name = "white" + std::to_string(bits) + ".avi";
    const TTerminateInfo end = Run(name, out);
    ASSERT_TRUE(end.Finished) << end.ExceptionMsg;
    EXPECT_FALSE(wrong_depth);
    ASSERT_EQ(numbers.size(), 25u);
    for (size_t i = 0; i < numbers.size(); ++i) EXPECT_EQ(numbers[i], static_cast<int>(i) + 1);
    EXPECT_TRUE(std::is_sorted(stamps.begin(), stamps.end()));
    EXPECT_EQ(stamps.back(), 960000);
    EXPECT_GT(MeanBrightness(path(name), 500000), 225);
  }
}

TEST_F(EncoderHooks, InputHookEndsOnStopHookAndSurvivesAThrowingHandler) {
  LogCapture log;
  int calls = 0;
  encoder.SetOnVideoInputHook([&](TCustomEncoder&, PHookInfo info) {
    ++calls;
    std::fill(info->Bitmap->Pixels.begin(), info->Bitmap->Pixels.end(), 0);
    if (info->FrameNumber == 2) throw std::runtime_error("boom");
    info->StopHook = info->FrameNumber == 5;
  });
  TOutputOptions out;
  out.VideoCodec = "mpeg4";
  out.VideoInputHook = true;
  const TTerminateInfo end = Run("input.avi", out);
  ASSERT_TRUE(end.Finished) << end.ExceptionMsg;
  EXPECT_EQ(calls, 5);
  EXPECT_EQ(log.Count("Error occurs VideoHook event: boom"), 1);
  // The first picture was blacked out, the ones after the hook ended were not.
  EXPECT_LT(MeanBrightness(path("input.avi"), 0), 20);
  EXPECT_GT(MeanBrightness(path("input.avi"), 600000), 60);
}

TEST_F(EncoderHooks, ABitmapThatCannotGoBackEndsTheHookButNotTheTask) {
  LogCapture log;
  int calls = 0;
  encoder.SetOnVideoOutputHook([&](TCustomEncoder&, PHookInfo info) {
    ++calls;
    info->Bitmap->Resize(10, 10);
  });
  TOutputOptions out;
  out.VideoCodec = "mpeg4";
  out.VideoOutputHook = true;
  const TTerminateInfo end = Run("resized.avi", out);
  EXPECT_TRUE(end.Finished) << end.ExceptionMsg;
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(log.Count("Cannot initialize the fromRGB conversion context"), 1);
}

TEST_F(EncoderHooks, AudioHookGetsEveryDecodedSampleInterleaved) {
  int64_t bytes = 0, last_pts = -1;
  int rate = 0, channels = 0, format = -1, task_index = -1;
  bool rising = true;
  encoder.SetOnAudioHook([&](TCustomEncoder&, int task, int64_t pts, const uint8_t* samples,
                             int size, int sample_rate, int ch, int sample_format) {
    ASSERT_NE(samples, nullptr);
    task_index = task;
    bytes += size;
    rising &= pts > last_pts;
    last_pts = pts;
    rate = sample_rate;
    channels = ch;
    format = sample_format;
  });
  TOutputOptions out;
  out.AudioCodec = "pcm_s16le";
  out.DisableVideo = true;
  out.AudioHook = true;
  const TTerminateInfo end = Run("audio.wav", out);
  ASSERT_TRUE(end.Finished) << end.ExceptionMsg;
  EXPECT_EQ(task_index, 0);
  EXPECT_EQ(rate, 44100);
  EXPECT_EQ(channels, 2);
  EXPECT_EQ(format, AV_SAMPLE_FMT_FLT);  // AAC decodes planar float; the hook gets it packed
  EXPECT_TRUE(rising);
  // About one second of stereo float samples (the AAC decoder's priming aside).
  EXPECT_NEAR(static_cast<double>(bytes), 44100.0 * 2 * 4, 44100.0 * 2 * 4 * 0.06);
}

TEST_F(EncoderHooks, StreamCopyRefusesHooksThatNeedDecodedFrames) {
  TOutputOptions video;
  video.VideoCodec = "copy";
  video.DisableAudio = true;
  video.VideoInputHook = true;
  encoder.SetOnVideoInputHook([](TCustomEncoder&, PHookInfo) {});
  TTerminateInfo end = Run("copy.mp4", video);
  EXPECT_FALSE(end.Finished);
  EXPECT_EQ(end.ExceptionMsg,
            "-vcodec copy and VideoHook are incompatible (frames are not decoded)");

  TOutputOptions audio;
  audio.AudioCodec = "copy";
  audio.DisableVideo = true;
  audio.AudioHook = true;
  end = Run("copy.m4a", audio);
  EXPECT_FALSE(end.Finished);
  EXPECT_EQ(end.ExceptionMsg,
            "-acodec copy and AudioHook are incompatible (frames are not decoded)");
}

TEST_F(EncoderHooks, StreamCopyRefusesTheOutputHook) {
  // The output hook sees pictures about to be encoded: a copied stream has none.
  TOutputOptions video;
  video.VideoCodec = "copy";
  video.DisableAudio = true;
  video.VideoOutputHook = true;
  encoder.SetOnVideoOutputHook([](TCustomEncoder&, PHookInfo) {});
  const TTerminateInfo end = Run("copy_out.mp4", video);
  EXPECT_FALSE(end.Finished);
  EXPECT_EQ(end.ExceptionMsg,
            "-vcodec copy and PostHooks are incompatible (frames are not decoded)");
}

}  // namespace
}  // namespace tallowin::media
