// ExtOptions texts, the engine options that the encoder makes of its records, and the encoder's
// limits on tasks.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "media/components/ff_encode.h"
#include "media/components/records_to_options.h"
#include "media/media_fixtures.h"

namespace tallowin::media {
namespace {

std::vector<std::string> Names(const std::vector<TEngineOption>& options) {
  std::vector<std::string> names;
  for (const auto& o : options) names.push_back(o.Name);
  return names;
}

std::vector<std::pair<std::string, std::string>> Pairs(const std::vector<TExtOption>& options) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const auto& option : options) pairs.emplace_back(option.Name, option.Value);
  return pairs;
}

using Pairs_t = std::vector<std::pair<std::string, std::string>>;

int IndexOf(const std::vector<TEngineOption>& options, const std::string& name) {
  for (size_t i = 0; i < options.size(); ++i)
    if (options[i].Name == name) return static_cast<int>(i);
  return -1;
}

TEST(ExtOptions, LinesNamesAndValues) {
  EXPECT_EQ(Pairs(ParseExtOptions("crf=24<CRLF>refs=2")), (Pairs_t{{"crf", "24"}, {"refs", "2"}}));
  EXPECT_EQ(Pairs(ParseExtOptions("  \r\nA=1\rB=2\nC=3\r\n\r\n ")),
            (Pairs_t{{"a", "1"}, {"b", "2"}, {"c", "3"}}));
  // Only the name is lower-cased, and only the first "=" separates.
  EXPECT_EQ(Pairs(ParseExtOptions("RC_EQ='blurCplx^(1-qComp)'\r\nVF=Scale=W=2")),
            (Pairs_t{{"rc_eq", "'blurCplx^(1-qComp)'"}, {"vf", "Scale=W=2"}}));
  // Empty values, lines without "=", empty lines in the middle.
  EXPECT_EQ(Pairs(ParseExtOptions("an=\n\n\nnewaudio\n<CRLF><CRLF>g=250")),
            (Pairs_t{{"an", ""}, {"newaudio", ""}, {"g", "250"}}));
  EXPECT_TRUE(ParseExtOptions("").empty());
  EXPECT_TRUE(ParseExtOptions(" \r\n\t ").empty());
  EXPECT_TRUE(ParseExtOptions("<CRLF>").empty());
  // "<crlf>" in other letter case is ordinary text.
  EXPECT_EQ(Pairs(ParseExtOptions("a=1<crlf>b=2")), (Pairs_t{{"a", "1<crlf>b=2"}}));
  // A lone "<CRLF" at the end is kept.
  EXPECT_EQ(Pairs(ParseExtOptions("a=1<CRLF")), (Pairs_t{{"a", "1<CRLF"}}));
}

TEST(EncoderOptions, CodecsThenExtOptionsThenFieldsThenSizeAndFilters) {
  TOutputOptions o;
  o.AudioCodec = "libmp3lame";
  o.VideoCodec = "libx264";
  o.VideoPreset = "libx264-default";
  o.FrameSize = "320x240";
  o.VideoFilters = "hflip";
  o.VideoBitrate = 800000;
  o.AudioBitrate = 128000;
  o.FileFormat = "mp4";
  o.ExtOptions = "  crf=24<CRLF>Refs=3\r\n";
  const auto plan = BuildOutputOptions(o);
  const auto& b = plan.Before;
  const std::vector<std::string> names = Names(b);
  const std::vector<std::string> head(names.begin(), names.begin() + 6);
  EXPECT_EQ(head, (std::vector<std::string>{"acodec", "vcodec", "vpre", "crf", "refs", "f"}));
  EXPECT_EQ(b[3].Value, "24");
  EXPECT_EQ(b[4].Value, "3");
  ASSERT_GE(b.size(), 2u);
  EXPECT_EQ(b[b.size() - 2], (TEngineOption{"s", "320x240"}));
  EXPECT_EQ(b.back(), (TEngineOption{"vf", "hflip"}));
  // Record fields keep the table's order; the always-assigned ones are there with empty values.
  EXPECT_LT(IndexOf(b, "ab"), IndexOf(b, "alang"));
  EXPECT_LT(IndexOf(b, "alang"), IndexOf(b, "vb"));
  EXPECT_LT(IndexOf(b, "vb"), IndexOf(b, "vsync"));
  EXPECT_LT(IndexOf(b, "vsync"), IndexOf(b, "isync"));
  EXPECT_EQ(b[IndexOf(b, "vsync")].Value, "-1");
  EXPECT_EQ(b[IndexOf(b, "isync")].Value, "0");
  EXPECT_TRUE(plan.Target.empty());
}

TEST(EncoderOptions, ExtOptionsSkippedAndInputOnlyNames) {
  TOutputOptions o;
  o.ExtOptions = "vcodec=mpeg4\nvpre=fast\ns=176x144\nvfilters=vflip\nnewvideo=\nflags=+loop";
  auto b = BuildOutputOptions(o).Before;
  // The codec, preset, size and filter lines become the defaults, never ExtOptions lines.
  EXPECT_EQ(Names(b).front(), "vcodec");
  EXPECT_EQ(b[0].Value, "mpeg4");
  EXPECT_EQ(b[1], (TEngineOption{"vpre", "fast"}));
  EXPECT_EQ(b[2], (TEngineOption{"flags", "+loop"}));
  EXPECT_EQ(std::count_if(b.begin(), b.end(), [](auto& x) { return x.Name == "vcodec"; }), 1);
  EXPECT_EQ(b[b.size() - 2], (TEngineOption{"s", "176x144"}));
  EXPECT_EQ(b.back(), (TEngineOption{"vf", "vflip"}));
  EXPECT_EQ(IndexOf(b, "newvideo"), -1);

  // A codec named by the record wins over the ExtOptions line.
  o.VideoCodec = "libx264";
  b = BuildOutputOptions(o).Before;
  EXPECT_EQ(b[0], (TEngineOption{"vcodec", "libx264"}));

  // Inputs take codec and size lines, never presets or filters.
  TInputOptions in;
  in.ExtOptions = "vcodec=h264<CRLF>vpre=x<CRLF>s=640x480<CRLF>vf=hflip<CRLF>threads=2";
  in.FileFormat = "mov";
  in.StartTime = 1500000;
  in.ProgramID = 0;
  EXPECT_EQ(InputOptionList(in), (std::vector<TEngineOption>{{"vcodec", "h264"},
                                                             {"s", "640x480"},
                                                             {"threads", "2"},
                                                             {"f", "mov"},
                                                             {"ss", "1.500000"},
                                                             {"programid", "0"}}));
}

TEST(EncoderOptions, TargetSuppressesBitratesAndExtraStreamsTakeTheirLines) {
  TOutputOptions o;
  o.TargetType = 2;
  o.NormType = 1;
  o.NormDefault = 2;
  o.AudioBitrate = 128000;
  o.VideoBitrate = 2000000;
  auto plan = BuildOutputOptions(o);
  EXPECT_EQ(plan.Before.front(), (TEngineOption{"target", "pal-svcd"}));
  EXPECT_EQ(plan.TargetFallbackNorm, "ntsc");
  EXPECT_EQ(IndexOf(plan.Before, "ab"), -1);
  EXPECT_EQ(IndexOf(plan.Before, "vb"), -1);
  o.NormType = 0;
  EXPECT_EQ(BuildOutputOptions(o).Target, "svcd");

  TOutputOptions extra;
  extra.AudioCodec = "aac";
  extra.ExtOptions = "acodec=mp2\nnewaudio=\nnewaudio=\nvcodec=mpeg4\nnewvideo=";
  plan = BuildOutputOptions(extra);
  EXPECT_EQ(plan.ExtraStreams, (std::vector<TEngineOption>{{"acodec", "mp2"},
                                                           {"newaudio", ""},
                                                           {"acodec", "aac"},
                                                           {"newaudio", ""},
                                                           {"vcodec", "mpeg4"},
                                                           {"newvideo", ""}}));

  TOutputOptions bad;
  bad.VideoHookBitsPixel = 17;
  try {
    BuildOutputOptions(bad);
    FAIL() << "no error";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "Invalid BitsPixel 17");
  }
}

TEST(EncoderOptions, TimesAndMetadata) {
  EXPECT_EQ(MicrosecondsText(0), "0.000000");
  EXPECT_EQ(MicrosecondsText(61000001), "61.000001");
  EXPECT_EQ(MicrosecondsText(-500000), "-0.500000");
  TOutputOptions o;
  o.RecordingTime = 2000000;
  o.Metadata.Timestamp = 0;
  o.Metadata.Year = 2009;
  o.Metadata.Title = "A=B";
  const auto b = BuildOutputOptions(o).Before;
  EXPECT_EQ(b[IndexOf(b, "t")].Value, "2.000000");
  EXPECT_EQ(b[IndexOf(b, "timestamp")].Value, "now");
  std::vector<std::string> metadata;
  for (const auto& x : b)
    if (x.Name == "metadata") metadata.push_back(x.Value);
  EXPECT_EQ(metadata, (std::vector<std::string>{"year=2009", "title=A=B"}));
}

class EncoderTasks : public ::testing::Test {
 protected:
  void SetUp() override { test::LoadSystemLibraries(); }
  test::TempDir dir;
};

TEST_F(EncoderTasks, LimitsIntervalAndRecordNames) {
  TFFEncoder encoder;
  EXPECT_TRUE(encoder.LibrariesLoaded());
  encoder.SetProgressInterval(50);
  EXPECT_EQ(encoder.ProgressInterval(), 100);
  encoder.SetProgressInterval(250);
  EXPECT_EQ(encoder.ProgressInterval(), 250);

  const std::string clip = test::StandardClip().string();
  int probed = 0;
  encoder.SetOnBeforeFindStreamInfo([&](TCustomFFmpeg&, AVFormatContext* context) {
    EXPECT_NE(context, nullptr);
    ++probed;
  });
  TInputOptions in;
  const int task = encoder.AddTask(clip, &in);
  ASSERT_EQ(task, 0) << encoder.LastErrMsg();
  EXPECT_EQ(in.FileName, clip);  // the caller's record learns the name
  for (int i = 1; i < TCustomEncoder::kMaxFiles; ++i)
    ASSERT_TRUE(encoder.AddInputFile(task, clip)) << encoder.LastErrMsg();
  EXPECT_FALSE(encoder.AddInputFile(task, clip));
  EXPECT_EQ(encoder.LastErrMsg(), "max input files 20 reached");
  EXPECT_EQ(encoder.Task(task)->InputCount(), 20);
  EXPECT_EQ(probed, 20);
  // The decoder of a slot reads the opened input.
  ASSERT_NE(encoder.Task(task)->InputDecoder(3), nullptr);
  EXPECT_EQ(encoder.Task(task)->InputDecoder(3)->VideoStreamCount(), 1);

  for (int i = 0; i < TCustomEncoder::kMaxFiles; ++i)
    ASSERT_TRUE(encoder.SetOutputFile(task, dir.dir() + "out" + std::to_string(i) + ".wav"))
        << encoder.LastErrMsg();
  EXPECT_FALSE(encoder.SetOutputFile(task, dir.dir() + "one_more.wav"));
  EXPECT_EQ(encoder.LastErrMsg(), "max output files 20 reached");

  // A failing output leaves the task as it was and says why.
  TOutputOptions bad;
  bad.FrameSize = "huge";
  encoder.RemoveTask(0);
  ASSERT_EQ(encoder.AddTask(clip), 0);
  EXPECT_FALSE(encoder.SetOutputFile(0, dir.dir() + "bad.avi", &bad));
  EXPECT_EQ(encoder.LastErrMsg(), "Incorrect frame size");
  EXPECT_EQ(encoder.Task(0)->OutputCount(), 0);
  EXPECT_EQ(encoder.AddTask(dir.dir() + "missing.mp4"), -1);
  EXPECT_NE(encoder.LastErrMsg().find("missing.mp4: "), std::string::npos);
  EXPECT_EQ(encoder.TaskCount(), 1);
}

}  // namespace
}  // namespace tallowin::media
