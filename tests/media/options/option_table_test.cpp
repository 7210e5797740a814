// The rows of the option table that set one field: each name reaches its own field and no other,
// values are read by the field's type, and per-kind rows fill their kind's entry only.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "media/media_fixtures.h"
#include "media/options/option_parser.h"
#include "media/runtime/ff_exception.h"

namespace tallowin::media {
namespace {

OptionParser MakeParser() {
  OptionParser::Hooks hooks;
  hooks.output_count = [] { return 1; };
  return OptionParser(std::move(hooks));
}

struct GlobalFlag {
  const char* name;
  bool GlobalOptions::*field;
};

TEST(OptionTable, EachGlobalFlagSetsItsOwnField) {
  const std::vector<GlobalFlag> flags = {
      {"dump", &GlobalOptions::dump},
      {"hex", &GlobalOptions::hex_dump},
      {"re", &GlobalOptions::rate_emulation},
      {"loop_input", &GlobalOptions::loop_input},
      {"copyts", &GlobalOptions::copy_ts},
      {"copytb", &GlobalOptions::copy_tb},
      {"shortest", &GlobalOptions::shortest},
      {"xerror", &GlobalOptions::exit_on_error},
      {"copyinkf", &GlobalOptions::copy_initial_nonkeyframes},
      {"psnr", &GlobalOptions::psnr},
      {"qphist", &GlobalOptions::qphist},
      {"vstats", &GlobalOptions::vstats},
      {"isync", &GlobalOptions::input_sync},
  };
  for (const auto& flag : flags) {
    OptionParser parser = MakeParser();
    parser.Set(flag.name, "1");
    for (const auto& other : flags)
      EXPECT_EQ(parser.global().*other.field, &other == &flag) << flag.name << " / " << other.name;
    // Anything but "0" switches a flag on; "0" off again.
    parser.Set(flag.name, "0");
    EXPECT_FALSE(parser.global().*flag.field) << flag.name;
    parser.Set(flag.name, "yes");
    EXPECT_TRUE(parser.global().*flag.field) << flag.name;
  }
}

TEST(OptionTable, NumbersAndTextsReachTheirFields) {
  OptionParser parser = MakeParser();
  parser.Set("v", "3");
  parser.Set("vsync", "2");
  parser.Set("async", "44");
  parser.Set("loop_output", "5");
  parser.Set("adrift_threshold", "0.25");
  parser.Set("dts_delta_threshold", "2.5");
  parser.Set("passlogfile", "/tmp/pass");
  parser.Set("vstats_file", "/tmp/stats");
  const GlobalOptions& g = parser.global();
  EXPECT_EQ(g.verbosity, 3);
  EXPECT_EQ(g.video_sync, 2);
  EXPECT_EQ(g.audio_sync, 44);
  EXPECT_EQ(g.loop_output, 5);
  EXPECT_DOUBLE_EQ(g.audio_drift_threshold, 0.25);
  EXPECT_DOUBLE_EQ(g.dts_delta_threshold, 2.5);
  EXPECT_EQ(g.pass_log_file, "/tmp/pass");
  EXPECT_EQ(g.vstats_file, "/tmp/stats");

  parser.Set("programid", "7");
  parser.Set("ar", "22050");
  parser.Set("ac", "6");
  parser.Set("vol", "512");
  parser.Set("fs", "123456789012");
  parser.Set("muxdelay", "0.7");
  parser.Set("muxpreload", "0.5");
  parser.Set("intra", "1");
  parser.Set("vf", "hflip");
  parser.Set("vc", "3");
  parser.Set("tvstd", "pal");
  const PendingOptions& p = parser.pending();
  EXPECT_EQ(p.program_id, 7);
  EXPECT_EQ(p.sample_rate, 22050);
  EXPECT_EQ(p.channels, 6);
  EXPECT_EQ(p.volume, 512);
  EXPECT_EQ(p.limit_filesize, 123456789012);  // beyond int: the field's 64 bits are used
  EXPECT_DOUBLE_EQ(p.mux_delay, 0.7);
  EXPECT_DOUBLE_EQ(p.mux_preload, 0.5);
  EXPECT_TRUE(p.intra_only);
  EXPECT_EQ(p.video_filters, "hflip");
  EXPECT_EQ(p.video_channel, "3");
  EXPECT_EQ(p.video_standard, "pal");
  parser.Set("vfilters", "vflip");
  EXPECT_EQ(parser.pending().video_filters, "vflip");
  parser.Set("deinterlace", "1");
  EXPECT_EQ(parser.pending().video_filters, "yadif,vflip");
}

TEST(OptionTable, PerKindRowsFillOnlyTheirKind) {
  OptionParser parser = MakeParser();
  parser.Set("an", "1");
  parser.Set("slang", "fre");
  parser.Set("vframes", "10");
  const PendingOptions& p = parser.pending();
  EXPECT_FALSE(p.disabled[kVideo]);
  EXPECT_TRUE(p.disabled[kAudio]);
  EXPECT_FALSE(p.disabled[kSubtitle]);
  EXPECT_EQ(p.language[kVideo], "");
  EXPECT_EQ(p.language[kAudio], "");
  EXPECT_EQ(p.language[kSubtitle], "fre");
  EXPECT_EQ(p.max_frames[kVideo], 10);
  EXPECT_EQ(p.max_frames[kAudio], INT64_MAX);
  parser.Set("aframes", "20");
  parser.Set("vn", "1");
  parser.Set("vlang", "eng");
  EXPECT_EQ(parser.pending().max_frames[kAudio], 20);
  EXPECT_TRUE(parser.pending().disabled[kVideo]);
  EXPECT_EQ(parser.pending().language[kVideo], "eng");
}

TEST(OptionTable, TimeRowsFillTheirOwnTime) {
  test::LoadSystemLibraries();  // times are read by the libraries' parser
  OptionParser parser = MakeParser();
  parser.Set("ss", "1.5");
  parser.Set("t", "00:00:02");
  parser.Set("itsoffset", "-0.25");
  const PendingOptions& p = parser.pending();
  EXPECT_EQ(p.start_time, 1500000);
  EXPECT_EQ(p.recording_time, 2000000);
  EXPECT_EQ(p.input_ts_offset, -250000);
}

TEST(OptionTable, IntegerRowsRejectTextAndIgnoredRowsStillCheck) {
  OptionParser parser = MakeParser();
  for (const char* name : {"v", "ar", "vframes", "fs", "dframes", "vdt", "me_threshold", "dc"})
    EXPECT_THROW(parser.Set(name, "many"), FFmpegException) << name;
  for (const char* name : {"dframes", "vdt", "me_threshold", "sameq", "force_fps"})
    EXPECT_NO_THROW(parser.Set(name, "1")) << name;
  EXPECT_EQ(parser.global().verbosity, GlobalOptions().verbosity);
}

}  // namespace
}  // namespace tallowin::media
