// The engine's option parser: the old tool's names, value forms and their own error texts, the
// generic option store, and the texts of library error codes.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "media/engine/ffmpeg.h"
#include "media/media_fixtures.h"
#include "media/runtime/ff_errors.h"
#include "media/runtime/ff_exception.h"
#include "media/runtime/ff_log.h"

namespace tallowin::media {
namespace {

// Collects the log lines delivered while it lives.
class LogCapture {
 public:
  LogCapture() {
    logger_.SetLogLevel(llDebug);
    logger_.SetTriggerEventInMainThread(false);
    logger_.SetOnLog([this](const void*, ThreadId, TLogLevel level, const std::string& text) {
      std::lock_guard lock(mutex_);
      lines_.push_back({level, text});
    });
  }
  ~LogCapture() { logger_.SetOnLog(nullptr); }
  int Count(TLogLevel level, const std::string& text) const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& line : lines_) n += line.level == level && line.text == text;
    return n;
  }

 private:
  struct Line {
    TLogLevel level;
    std::string text;
  };
  TFFLogger logger_;
  mutable std::mutex mutex_;
  std::vector<Line> lines_;
};

class EngineOptions : public testing::Test {
 protected:
  void SetUp() override { test::LoadSystemLibraries(); }

  // The text the option fails with; empty when it is accepted.
  std::string Failure(const std::string& name, const std::string& value) {
    return test::OptionFailure(engine_, name, value);
  }

  TCustomFFmpeg engine_;
};

TEST_F(EngineOptions, BadValuesFailWithTheirOwnTexts) {
  struct Case {
    const char* name;
    const char* value;
    const char* text;
  };
  const Case cases[] = {
      {"metadata", "title", "Missing ="},
      {"metadata", "=Hello", "wrong parameter of metadata"},
      {"croptop", "10", "Removed, use the crop filter instead"},
      {"cropright", "2", "Removed, use the crop filter instead"},
      {"padcolor", "000000", "Removed, use the pad filter instead"},
      {"r", "fast", "Incorrect frame rate"},
      {"s", "640", "Incorrect frame size"},
      {"aspect", "4:0", "Incorrect aspect ratio specification."},
      {"aspect", "0", "Incorrect aspect ratio specification."},
      {"pix_fmt", "nosuchformat", "Unknown pixel format requested: nosuchformat"},
      {"sample_fmt", "nosuchformat", "Invalid sample format \"nosuchformat\""},
      {"qscale", "0", "qscale must be > 0.0 and <= 255"},
      {"qscale", "256", "qscale must be > 0.0 and <= 255"},
      {"vtag", "XVI", "tag parameter must be 4 chars or int value"},
      {"atag", "-5", "Invalid tag parmeter -5"},
      {"itsscale", "20:1.5", "stream index over MAX_STREAMS(20)"},
      {"t", "1:xx", "Invalid duration specification for t: 1:xx"},
      {"ss", "later", "Invalid duration specification for ss: later"},
      {"timestamp", "someday", "Invalid date specification for timestamp: someday"},
      {"pass", "3", "pass number can be only 1 or 2"},
      {"vbsf", "nosuchfilter", "Unknown bitstream filter nosuchfilter"},
      {"newvideo", "1", "At least one output file must be specified"},
      {"fs", "12x", "'12x' is not a valid integer value"},
      {"muxdelay", "soon", "'soon' is not a valid floating point value"},
      {"nosuchoption", "1", "Unrecognized option \"nosuchoption\""},
      {"Y", "1", "Unrecognized option \"Y\""},  // names are case-sensitive
      {"g", "many", "Invalid value \"many\" for option \"g\""},
      {"flags", "+nosuchflag", "Invalid value \"+nosuchflag\" for option \"flags\""},
  };
  for (const auto& c : cases) EXPECT_EQ(Failure(c.name, c.value), c.text) << c.name;
  EXPECT_EQ(Failure("vhook", "watermark.so|-f|logo.png")
                .rfind("Failed to add video hook function: watermark.so", 0),
            0u);
}

TEST_F(EngineOptions, GoodValuesAreAccepted) {
  const std::pair<const char*, const char*> cases[] = {{"metadata", "title=Hello=World"},
                                                       {"r", "30000/1001"},
                                                       {"r", "pal"},
                                                       {"s", "vga"},
                                                       {"s", "320x240"},
                                                       {"aspect", "16:9"},
                                                       {"aspect", "1.3333"},
                                                       {"pix_fmt", "yuv420p"},
                                                       {"sample_fmt", "s16"},
                                                       {"qscale", "255"},
                                                       {"vtag", "XVID"},
                                                       {"atag", "0x55"},
                                                       {"itsscale", "19:2"},
                                                       {"t", "00:00:01.5"},
                                                       {"ss", "2.5"},
                                                       {"timestamp", "now"},
                                                       {"vn", "0"},
                                                       {"async", "1"},
                                                       {"g", "250"},
                                                       {"crf", "24"},
                                                       {"sws_flags", "bicubic"},
                                                       {"packetsize", "2324"},
                                                       {"muxrate", "1411200"},
                                                       {"vlang", "eng"}};
  for (const auto& [name, value] : cases) EXPECT_EQ(Failure(name, value), "") << name;
}

TEST_F(EngineOptions, NonStrictStoreDropsWhatItCannotUse) {
  engine_.SetStrictOptions(false);
  EXPECT_EQ(Failure("nosuchoption", "1"), "");
  EXPECT_EQ(Failure("g", "many"), "");
  // The engine's own table stays strict about its texts.
  EXPECT_EQ(Failure("metadata", "title"), "Missing =");
}

TEST_F(EngineOptions, IgnoredAndInformativeOptionsLog) {
  LogCapture log;
  for (const char* name : {"y", "i", "benchmark", "formats"}) {
    EXPECT_EQ(Failure(name, "1"), "");
    EXPECT_EQ(log.Count(llInfo, std::string("Do nothing: option - ") + name), 1) << name;
  }
  EXPECT_EQ(Failure("timelimit", "60"), "");
  EXPECT_EQ(log.Count(llWarning, "Warning: -timelimit not implemented on Windows"), 1);
  EXPECT_EQ(Failure("threads", "2"), "");
  EXPECT_EQ(log.Count(llVerbose,
                      "Warning: if the ffmpeg libraries were not compiled with thread support, it "
                      "would be using thread emulation."),
            1);
  const std::string low =
      "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s";
  EXPECT_EQ(Failure("ab", "128000"), "");
  EXPECT_EQ(Failure("b", "1500k"), "");
  EXPECT_EQ(log.Count(llWarning, low), 0);
  EXPECT_EQ(Failure("ab", "128"), "");
  EXPECT_EQ(Failure("vb", "999"), "");
  EXPECT_EQ(log.Count(llWarning, low), 2);
  EXPECT_EQ(Failure("pix_fmt", "list"), "");
  EXPECT_EQ(log.Count(llInfo, "yuv420p"), 1);
}

TEST_F(EngineOptions, LogLevelOptionSetsTheRouter) {
  LogCapture log;
  EXPECT_EQ(Failure("loglevel", "Warning"), "");
  EXPECT_EQ(FFLogLevel(), llWarning);
  EXPECT_EQ(Failure("loglevel", "48"), "");
  EXPECT_EQ(FFLogLevel(), llDebug);
  EXPECT_NE(Failure("loglevel", "loudest"), "");
}

TEST(EngineLimits, MaxFilesMustBeInRange) {
  EXPECT_THROW(TCustomFFmpeg(0), FFmpegException);
  EXPECT_THROW(TCustomFFmpeg(513), FFmpegException);
  EXPECT_NO_THROW(TCustomFFmpeg(512));
}

TEST(EngineErrorTexts, LibraryCodesHaveTheirTexts) {
  EXPECT_EQ(ErrorCodeText(AVERROR_EOF), "End of file");
  EXPECT_EQ(ErrorCodeText(AVERROR_DEMUXER_NOT_FOUND), "Demuxer not found");
  EXPECT_EQ(ErrorCodeText(AVERROR_ENCODER_NOT_FOUND), "Encoder not found");
  EXPECT_EQ(ErrorCodeText(AVERROR_PATCHWELCOME), "Not yet implemented in FFmpeg");
  EXPECT_EQ(ErrorCodeText(AVERROR(EDOM)), "Number syntax expected in filename");
  EXPECT_EQ(ErrorCodeText(AVERROR(ENOENT)), "No such file or directory");
  EXPECT_EQ(ErrorCodeText(AVERROR(EACCES)), "Permission denied");
  EXPECT_EQ(ErrorCodeText(AVERROR(ECONNREFUSED)), "Connection refused");
  EXPECT_EQ(ErrorCodeText(12345), "Error number 12345 occurred");
  EXPECT_EQ(ErrorCodeText(-99999), "Error number -99999 occurred");
  EXPECT_EQ(FileErrorText("a b.mp4", AVERROR_INVALIDDATA),
            "a b.mp4: Invalid data found when processing input");
}

}  // namespace
}  // namespace tallowin::media
