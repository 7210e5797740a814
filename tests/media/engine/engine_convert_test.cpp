// Conversions through the engine, checked with ffprobe: codecs, tags, sizes, rates, stream
// selection, time options, filters, stream copy, reports, and damaged or unwritable files.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "media/engine/ffmpeg.h"
#include "media/media_fixtures.h"
#include "media/runtime/ff_log.h"

namespace tallowin::media {
namespace {

using test::fs::path;

// "stream0.codec_name" -> "mpeg4", "format.tags.title" -> ...
std::map<std::string, std::string> Probe(const path& file) {
  return test::FFProbeFlat(file, {"-count_frames", "-show_entries",
                                  "format=duration,nb_streams:format_tags=title:stream=codec_name,"
                                  "codec_type,codec_tag_string,width,height,r_frame_rate,"
                                  "sample_rate,channels,nb_read_frames,display_aspect_ratio"});
}

double Seconds(const std::string& text) {
  return text.empty() ? -1 : std::atof(text.c_str());
}

// The ffmpeg tool's -f mpegts copy of the standard clip: no index, readable from any cut.
path TransportStreamClip() {
  return test::GeneratedMedia("clip_640x360_3s.ts",
                              {"-i", test::StandardClip().string(), "-c", "copy", "-f", "mpegts"});
}

class EngineConvert : public testing::Test {
 protected:
  void SetUp() override {
    test::LoadSystemLibraries();
    clip_ = test::StandardClip().string();
  }

  // Sets the options; any option failure fails the test.
  void Options(TCustomFFmpeg& engine, const std::vector<std::pair<std::string, std::string>>& o) {
    for (const auto& [name, value] : o) engine.SetOption(name, value);
  }

  // input, output options, output name -> runs in this thread; returns the output path.
  path Convert(const std::vector<std::pair<std::string, std::string>>& options,
               const std::string& out_name, bool expect_finished = true) {
    TCustomFFmpeg engine;
    EXPECT_TRUE(engine.OpenInput(clip_)) << engine.LastErrMsg();
    Options(engine, options);
    const path out = dir_ / out_name;
    EXPECT_EQ(engine.OpenOutput(out.string()), 0) << engine.LastErrMsg();
    EXPECT_TRUE(engine.Start(false));
    EXPECT_EQ(engine.Finished(), expect_finished) << engine.FailureMessage();
    EXPECT_TRUE(engine.Terminated());
    return out;
  }

  std::string clip_;
  test::TempDir dir_;
};

TEST_F(EngineConvert, AviWithXvidTagAndMp3) {
  auto p = Probe(Convert({{"vcodec", "mpeg4"},
                          {"vtag", "XVID"},
                          {"b", "1500000"},
                          {"acodec", "libmp3lame"},
                          {"ab", "192000"},
                          {"ar", "44100"},
                          {"ac", "2"}},
                         "out.avi"));
  EXPECT_EQ(p["stream0.codec_name"], "mpeg4");
  EXPECT_EQ(p["stream0.codec_tag_string"], "XVID");
  EXPECT_EQ(p["stream0.width"], "640");
  EXPECT_EQ(p["stream0.nb_read_frames"], "75");
  EXPECT_EQ(p["stream1.codec_name"], "mp3");
  EXPECT_EQ(p["stream1.sample_rate"], "44100");
  EXPECT_EQ(p["stream1.channels"], "2");
  EXPECT_NEAR(Seconds(p["format.duration"]), 3.0, 0.1);
}

TEST_F(EngineConvert, FrameSizeRateAspectAndFilters) {
  auto p = Probe(Convert({{"vcodec", "mpeg4"}, {"s", "320x240"}, {"r", "24"}}, "small.avi"));
  EXPECT_EQ(p["stream0.width"], "320");
  EXPECT_EQ(p["stream0.height"], "240");
  EXPECT_EQ(p["stream0.r_frame_rate"], "24/1");
  EXPECT_NEAR(std::atoi(p["stream0.nb_read_frames"].c_str()), 72, 1);

  p = Probe(Convert({{"s", "640x480"}, {"aspect", "16:9"}}, "wide.mp4"));
  EXPECT_EQ(p["stream0.display_aspect_ratio"], "16:9");

  p = Probe(Convert({{"vf", "crop=320:180,hflip"}, {"an", "1"}}, "crop.mkv"));
  EXPECT_EQ(p["stream0.width"], "320");
  EXPECT_EQ(p["stream0.height"], "180");
  EXPECT_EQ(p["format.nb_streams"], "1");
}

TEST_F(EngineConvert, DisabledKindsAndStreamCopy) {
  auto p = Probe(Convert({{"vn", "1"}, {"acodec", "libmp3lame"}}, "audio.avi"));
  EXPECT_EQ(p["format.nb_streams"], "1");
  EXPECT_EQ(p["stream0.codec_type"], "audio");

  p = Probe(Convert({{"vcodec", "copy"}, {"acodec", "copy"}}, "copy.mkv"));
  EXPECT_EQ(p["stream0.codec_name"], "h264");
  EXPECT_EQ(p["stream0.nb_read_frames"], "75");
  EXPECT_EQ(p["stream1.codec_name"], "aac");

  // AVI counts time in frames: H.264 with B-frames copied into it still decodes without a time
  // stamp complaint, at the input's rate.
  const path avi = Convert({{"vcodec", "copy"}, {"an", "1"}}, "copy.avi");
  p = Probe(avi);
  EXPECT_EQ(p["stream0.nb_read_frames"], "75");
  EXPECT_EQ(p["stream0.r_frame_rate"], "25/1");
  const auto decode =
      test::RunProcess({"ffmpeg", "-v", "error", "-i", avi.string(), "-f", "null", "-"});
  EXPECT_EQ(decode.exit_code, 0);
  EXPECT_EQ(decode.output, "");
}

TEST_F(EngineConvert, TimeSizeFrameLimitsAndMetadata) {
  auto p = Probe(Convert({{"t", "1"}}, "first.mp4"));
  EXPECT_NEAR(Seconds(p["format.duration"]), 1.0, 0.1);
  EXPECT_EQ(p["stream0.nb_read_frames"], "25");

  p = Probe(Convert({{"ss", "1"}}, "rest.mp4"));
  EXPECT_NEAR(Seconds(p["format.duration"]), 2.0, 0.1);

  p = Probe(
      Convert({{"vframes", "10"}, {"an", "1"}, {"metadata", "title=Engine Test"}}, "ten.mkv"));
  EXPECT_EQ(p["stream0.nb_read_frames"], "10");
  EXPECT_EQ(p["format.tags.title"], "Engine Test");

  const path small = Convert({{"fs", "40000"}, {"b", "2000000"}}, "limited.avi");
  EXPECT_LT(test::fs::file_size(small), 80000u);
  EXPECT_GT(test::fs::file_size(small), 20000u);
}

TEST_F(EngineConvert, InputTimeOptions) {
  auto convert = [&](const std::vector<std::pair<std::string, std::string>>& input_options,
                     const std::string& name) {
    TCustomFFmpeg engine;
    Options(engine, input_options);
    EXPECT_TRUE(engine.OpenInput(clip_)) << engine.LastErrMsg();
    engine.SetOption("an", "1");
    EXPECT_EQ(engine.OpenOutput((dir_ / name).string()), 0) << engine.LastErrMsg();
    EXPECT_TRUE(engine.Start(false));
    EXPECT_TRUE(engine.Finished()) << engine.FailureMessage();
    return std::make_pair(engine.TotalDuration(), Probe(dir_ / name));
  };
  // ss on the input seeks; the expected duration shrinks with it.
  auto [total, p] = convert({{"ss", "2"}}, "seek.mkv");
  EXPECT_NEAR(total, 1000000, 100000);
  EXPECT_NEAR(Seconds(p["format.duration"]), 1.0, 0.1);
  // itsscale 0:2 stretches the video stream's time stamps to twice the length.
  std::tie(total, p) = convert({{"itsscale", "0:2"}}, "slow.mkv");
  EXPECT_NEAR(Seconds(p["format.duration"]), 6.0, 0.15);
  EXPECT_EQ(p["stream0.nb_read_frames"], "75");
  // itsoffset 1 moves the input one second later.
  std::tie(total, p) = convert({{"itsoffset", "1"}}, "later.mkv");
  auto r = test::RunProcess({"ffprobe", "-v", "error", "-show_entries", "format=start_time", "-of",
                             "csv=p=0", (dir_ / "later.mkv").string()});
  EXPECT_NEAR(std::atof(r.output.c_str()), 1.0, 0.05);
}

TEST_F(EngineConvert, PendingOptionsBelongToOneOutput) {
  TCustomFFmpeg engine;
  ASSERT_TRUE(engine.OpenInput(clip_));
  engine.SetOption("an", "1");
  engine.SetOption("vcodec", "nosuchcodec");
  EXPECT_EQ(engine.OpenOutput((dir_ / "bad.avi").string()), -1);
  EXPECT_EQ(engine.LastErrMsg(), "Unknown encoder 'nosuchcodec'");
  // The failed open forgot its options: this output gets both kinds and the default codecs.
  engine.SetOption("an", "1");
  ASSERT_EQ(engine.OpenOutput((dir_ / "video.avi").string()), 0) << engine.LastErrMsg();
  ASSERT_EQ(engine.OpenOutput((dir_ / "both.avi").string()), 1) << engine.LastErrMsg();
  ASSERT_TRUE(engine.Start(false));
  ASSERT_TRUE(engine.Finished()) << engine.FailureMessage();
  EXPECT_EQ(Probe(dir_ / "video.avi")["format.nb_streams"], "1");
  EXPECT_EQ(Probe(dir_ / "both.avi")["format.nb_streams"], "2");
}

TEST_F(EngineConvert, StreamMaps) {
  auto p = Probe(Convert({{"map", "0.1"}}, "mapped.mp3"));
  EXPECT_EQ(p["stream0.codec_type"], "audio");

  TCustomFFmpeg engine;
  ASSERT_TRUE(engine.OpenInput(clip_));
  engine.SetOption("map", "0:1");
  engine.SetOption("map", "0:0");
  ASSERT_EQ(engine.OpenOutput((dir_ / "swapped.mp4").string()), 0);
  engine.Start(false);
  EXPECT_TRUE(engine.Failed());
  EXPECT_EQ(engine.FailureMessage(),
            "Codec type mismatch for mapping #0.1 (audio) -> #0.0 (video)");

  TCustomFFmpeg engine2;
  ASSERT_TRUE(engine2.OpenInput(clip_));
  engine2.SetOption("map", "0:0");
  ASSERT_EQ(engine2.OpenOutput((dir_ / "short.mp4").string()), 0);
  engine2.Start(false);
  EXPECT_EQ(engine2.FailureMessage(), "Number of stream maps must match number of output streams");
}

TEST_F(EngineConvert, ReportsCarryProgressValues) {
  TCustomFFmpeg engine;
  std::vector<TProgressInfo> reports;
  engine.OnProgress = [&](TCustomFFmpeg&, const TProgressInfo& p) { reports.push_back(p); };
  engine.SetReportInterval(1);  // every packet
  ASSERT_TRUE(engine.OpenInput(clip_));
  ASSERT_EQ(engine.OpenOutput((dir_ / "progress.mp4").string()), 0);
  EXPECT_NEAR(engine.TotalDuration(), 3000000, 100000);
  ASSERT_TRUE(engine.Start(false));
  ASSERT_TRUE(engine.Finished()) << engine.FailureMessage();
  ASSERT_GT(reports.size(), 10u);
  // Nothing before the first video frame; counters only grow; the last report is the final one.
  EXPECT_GT(reports.front().CurrentFrame, 0);
  for (size_t i = 1; i < reports.size(); ++i) {
    EXPECT_GE(reports[i].CurrentFrame, reports[i - 1].CurrentFrame);
    EXPECT_GE(reports[i].CurrentSize, reports[i - 1].CurrentSize);
  }
  const TProgressInfo& last = reports.back();
  EXPECT_EQ(last.FileIndex, -1);
  EXPECT_EQ(last.CurrentFrame, 75);
  EXPECT_NEAR(last.CurrentDuration, 3000000, 100000);
  EXPECT_EQ(last.CurrentSize, static_cast<int64_t>(test::fs::file_size(dir_ / "progress.mp4")));
  EXPECT_NEAR(last.CurrentBitrate, last.CurrentSize * 8.0 / (last.CurrentDuration / 1e6) / 1000,
              0.5);
  EXPECT_EQ(reports[reports.size() / 2].FileIndex, 0);

  // Audio only: no frame counters.
  TCustomFFmpeg audio;
  std::vector<TProgressInfo> audio_reports;
  audio.OnProgress = [&](TCustomFFmpeg&, const TProgressInfo& p) { audio_reports.push_back(p); };
  ASSERT_TRUE(audio.OpenInput(clip_));
  audio.SetOption("vn", "1");
  ASSERT_EQ(audio.OpenOutput((dir_ / "progress.mp3").string()), 0);
  ASSERT_TRUE(audio.Start(false));
  ASSERT_FALSE(audio_reports.empty());
  EXPECT_EQ(audio_reports.back().CurrentFrame, -1);
  EXPECT_EQ(audio_reports.back().CurrentFPS, -1);
}

TEST_F(EngineConvert, WithoutProgressEventTheReportLinesAreLogged) {
  struct Line {
    TLogLevel level;
    std::string text;
  };
  std::vector<Line> lines;
  std::mutex mutex;
  TFFLogger logger;
  logger.SetLogLevel(llError);  // verbose engine lines still reach an error-level logger
  logger.SetTriggerEventInMainThread(false);
  logger.SetOnLog([&](const void*, ThreadId, TLogLevel level, const std::string& text) {
    std::lock_guard lock(mutex);
    lines.push_back({level, text});
  });
  Convert({{"vcodec", "mpeg4"}}, "logged.avi");
  logger.SetOnLog(nullptr);
  int finals = 0, summaries = 0;
  for (const auto& line : lines) {
    if (line.text.rfind("frame=   75 fps=", 0) == 0 && line.text.find(" L") != std::string::npos)
      finals += line.level == llVerbose;
    if (line.text.rfind("video:", 0) == 0 && line.text.find("muxing overhead") != std::string::npos)
      summaries += line.level == llVerbose;
  }
  EXPECT_EQ(finals, 1);
  EXPECT_EQ(summaries, 1);
}

TEST_F(EngineConvert, DamagedInputsEndCleanly) {
  const std::string ts = test::ReadFile(TransportStreamClip());
  // Cut in the middle: the task finishes with what could be read.
  const path cut = dir_ / "cut.ts";
  test::WriteFile(cut, ts.substr(0, ts.size() / 2));
  {
    TCustomFFmpeg engine;
    ASSERT_TRUE(engine.OpenInput(cut.string())) << engine.LastErrMsg();
    ASSERT_EQ(engine.OpenOutput((dir_ / "cut.avi").string()), 0);
    engine.Start(false);
    EXPECT_TRUE(engine.Finished()) << engine.FailureMessage();
    const double d = Seconds(Probe(dir_ / "cut.avi")["format.duration"]);
    EXPECT_GT(d, 0.5);
    EXPECT_LT(d, 2.5);
  }
  // Garbage in the middle: decoding errors are skipped.
  std::string damaged = ts;
  for (size_t i = damaged.size() / 3; i < damaged.size() / 3 + 20000; ++i)
    damaged[i] = static_cast<char>((i * 7919) & 0xFF);
  const path bad = dir_ / "damaged.ts";
  test::WriteFile(bad, damaged);
  {
    TCustomFFmpeg engine;
    ASSERT_TRUE(engine.OpenInput(bad.string())) << engine.LastErrMsg();
    ASSERT_EQ(engine.OpenOutput((dir_ / "damaged.mp4").string()), 0);
    engine.Start(false);
    EXPECT_TRUE(engine.Finished() || !engine.FailureMessage().empty());
  }
  // A truncated MP4 (its index is at the end) and noise cannot be opened.
  const std::string mp4 = test::ReadFile(test::StandardClip());
  const path truncated = dir_ / "truncated.mp4";
  test::WriteFile(truncated, mp4.substr(0, mp4.size() / 3));
  TCustomFFmpeg engine;
  EXPECT_FALSE(engine.OpenInput(truncated.string()));
  EXPECT_EQ(engine.LastErrMsg().rfind(truncated.string() + ": ", 0), 0u) << engine.LastErrMsg();
  const path noise = dir_ / "noise.avi";
  test::WriteFile(noise, std::string(4096, '\x5a'));
  EXPECT_FALSE(engine.OpenInput(noise.string()));
  EXPECT_FALSE(engine.OpenInput((dir_ / "missing.mp4").string()));
  EXPECT_EQ(engine.LastErrMsg(), (dir_ / "missing.mp4").string() + ": No such file or directory");
  EXPECT_EQ(engine.InputCount(), 0);
}

TEST_F(EngineConvert, UnwritableOutputsFail) {
  TCustomFFmpeg engine;
  ASSERT_TRUE(engine.OpenInput(clip_));
  const std::string missing_dir = (dir_ / "no" / "such" / "out.avi").string();
  EXPECT_EQ(engine.OpenOutput(missing_dir), -1);
  EXPECT_EQ(engine.LastErrMsg(), missing_dir + ": No such file or directory");
  EXPECT_EQ(engine.OpenOutput((dir_ / "out.unknownext").string()), -1);
  EXPECT_EQ(engine.LastErrMsg(), "Unable to find a suitable output format for '" +
                                     (dir_ / "out.unknownext").string() + "'");
  engine.SetOption("f", "nosuchformat");
  EXPECT_EQ(engine.OpenOutput((dir_ / "out.avi").string()), -1);
  EXPECT_EQ(engine.LastErrMsg(),
            "Requested output format 'nosuchformat' is not a suitable output format");
  // The input itself is never written over.
  const test::fs::path copy = dir_ / "input copy.mp4";
  test::fs::copy_file(clip_, copy);
  TCustomFFmpeg same;
  ASSERT_TRUE(same.OpenInput(copy.string()));
  EXPECT_EQ(same.OpenOutput(copy.string()), -1);
  EXPECT_EQ(same.LastErrMsg(), copy.string() + ": output file is the same as input file #0");
  EXPECT_EQ(test::fs::file_size(copy), test::fs::file_size(clip_));
  // A full disk: the run fails with the system's text and closes everything.
  engine.SetOption("f", "avi");
  ASSERT_EQ(engine.OpenOutput("/dev/full"), 0) << engine.LastErrMsg();
  engine.Start(false);
  EXPECT_FALSE(engine.Finished());
  EXPECT_TRUE(engine.Failed());
  EXPECT_EQ(engine.FailureMessage(), "/dev/full: No space left on device");
}

}  // namespace
}  // namespace tallowin::media
