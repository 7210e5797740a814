// The preset catalogue: its tables are well-formed, list every preset, and give each job the
// settings of its row.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "convert/output_formats.h"
#include "convert/preset_catalogue.h"
#include "media/components/records_to_options.h"
#include "support/test_support.h"

namespace tallowin::convert {
namespace {

using Lines = std::vector<std::string>;
using media::ChangedFieldLines;

constexpr int kVideo = kFormatClassVideo, kDevice = kFormatClassDevice, kAudio = kFormatClassAudio;

Lines Merged(int format_class, const char* format, int preset) {
  const TOutputFormat* f = FindOutputFormat(format_class, format);
  EXPECT_NE(f, nullptr) << format;
  if (!f) return {};
  return ChangedFieldLines(PresetOutputOptions(format_class, f->Index, preset, TPresetJob::Merged));
}

Lines PerFile(int format_class, const char* format, int preset, int audio_bitrate) {
  const TOutputFormat* f = FindOutputFormat(format_class, format);
  EXPECT_NE(f, nullptr) << format;
  if (!f) return {};
  TPresetInput input;
  input.AudioBitrate = audio_bitrate;
  return ChangedFieldLines(
      PresetOutputOptions(format_class, f->Index, preset, TPresetJob::PerFile, input));
}

media::TOutputOptions Options(int format_class, const char* format, int preset) {
  return PresetOutputOptions(format_class, FindOutputFormat(format_class, format)->Index, preset,
                             TPresetJob::Merged);
}

std::string Escaped(const char* text) {
  return media::EscapeFieldText(text);
}

TEST(OutputFormats, NumberingNamesAndLookup) {
  // Classes in order, each numbered from 0.
  std::string names;
  for (const TOutputFormat& format : OutputFormats()) {
    EXPECT_EQ(FindOutputFormat(format.Class, format.Index), &format);
    EXPECT_EQ(FindOutputFormat(format.Class, format.Name), &format);
    names += std::to_string(format.Class) + ":" + std::to_string(format.Index) + format.Name + " ";
  }
  EXPECT_EQ(names,
            "0:0AVI 0:1MP4 0:2FLV 0:3SWF 0:4MPEG 0:5RM 0:6WMV 0:7MOV 0:83GP 1:0iPod 1:1iPhone "
            "1:2AppleTV 1:3PSP 1:4BlackBerry 1:5MobilePhone 1:6iPad 1:7Android 2:0WAV 2:1MP3 "
            "2:2WMA 2:3OGG 2:4AAC 2:5M4A 2:6FLAC 2:7MP2 ");
  for (const TOutputFormat& format : OutputFormats(kDevice))
    EXPECT_STREQ(format.Extension, ".mp4") << format.Name;
  EXPECT_STREQ(FindOutputFormat(kVideo, "MPEG")->Extension, ".mpg");
  EXPECT_EQ(FindOutputFormat(kVideo, "WMV")->DefaultPreset, 16);

  EXPECT_TRUE(OutputFormats(3).empty());
  EXPECT_EQ(FindOutputFormat(kVideo, 9), nullptr);
  EXPECT_EQ(FindOutputFormat(kAudio, -1), nullptr);
  EXPECT_EQ(FindOutputFormat(3, 0), nullptr);
  EXPECT_EQ(FindOutputFormat(kDevice, "ipod"), FindOutputFormat(kDevice, 0));
  EXPECT_EQ(FindOutputFormat(kAudio, "AVI"), nullptr);
  EXPECT_STREQ(FormatClassName(kDevice), "device");
  EXPECT_EQ(FormatClassName(3), nullptr);
  EXPECT_EQ(FindFormatClass("Audio"), kAudio);
  EXPECT_EQ(FindFormatClass("tv"), -1);
  EXPECT_EQ(PresetSettingsKey(*FindOutputFormat(kVideo, 8)), "Output3GPPreset");
}

TEST(PresetCatalogue, RowCountsPerFormat) {
  const std::pair<const char*, int> video[] = {{"AVI", 29}, {"MP4", 19},  {"FLV", 5},
                                               {"SWF", 5},  {"MPEG", 14}, {"RM", 5},
                                               {"WMV", 18}, {"MOV", 10},  {"3GP", 5}};
  const std::pair<const char*, int> device[] = {{"iPod", 10}, {"iPhone", 3},     {"AppleTV", 3},
                                                {"PSP", 3},   {"BlackBerry", 3}, {"MobilePhone", 4},
                                                {"iPad", 3},  {"Android", 3}};
  const std::pair<const char*, int> audio[] = {{"WAV", 5}, {"MP3", 4}, {"WMA", 5},  {"OGG", 5},
                                               {"AAC", 5}, {"M4A", 2}, {"FLAC", 9}, {"MP2", 3}};
  int total = 0;
  auto check = [&](int format_class, auto& counts) {
    for (auto [name, count] : counts) {
      EXPECT_EQ(PresetCount(format_class, FindOutputFormat(format_class, name)->Index), count)
          << name;
      total += count;
    }
  };
  check(kVideo, video);
  check(kDevice, device);
  check(kAudio, audio);
  EXPECT_EQ(total, 180);
  EXPECT_EQ(PresetCount(kVideo, 9), 0);
  EXPECT_EQ(PresetCount(3, 0), 0);
}

// Every list item, compared with the catalogue's listing kept beside this test (one preset a
// line: class, format, index and description separated by tabs; trailing spaces count).
TEST(PresetCatalogue, EveryDescriptionInListOrder) {
  std::string expected = test::ReadFile(test::SourceDir() / "tests/convert/presets_listing.txt");
  ASSERT_FALSE(expected.empty());
  std::ostringstream actual;
  std::vector<TPresetList> lists = FillPresetLists();
  ASSERT_EQ(lists.size(), OutputFormats().size());
  for (size_t i = 0; i < lists.size(); ++i) {
    EXPECT_EQ(lists[i].Class, OutputFormats()[i].Class);
    EXPECT_EQ(lists[i].Format, OutputFormats()[i].Index);
    for (size_t n = 0; n < lists[i].Descriptions.size(); ++n)
      actual << FormatClassName(lists[i].Class) << '\t' << OutputFormats()[i].Name << '\t' << n
             << '\t' << lists[i].Descriptions[n] << '\n';
  }
  EXPECT_EQ(actual.str(), expected);
  // The two iPod descriptions that end with a space keep it.
  EXPECT_EQ(lists[9].Descriptions[1].back(), ' ');
  EXPECT_EQ(lists[9].Descriptions[3].back(), ' ');
}

// The tables are data; this checks what the compiler cannot: every column names a field, every
// cell is a value of its field written the way the field prints it, and no row sets a field twice.
TEST(PresetCatalogue, TablesAreWellFormed) {
  ASSERT_EQ(PresetTables().size(), OutputFormats().size());
  for (size_t t = 0; t < PresetTables().size(); ++t) {
    const TPresetTable& table = PresetTables()[t];
    const TOutputFormat& format = OutputFormats()[t];
    SCOPED_TRACE(format.Name);
    EXPECT_EQ(table.Class, format.Class);
    EXPECT_EQ(table.Format, format.Index);
    EXPECT_LT(format.DefaultPreset, static_cast<int>(table.Rows.size()));

    auto check_cell = [](const std::string& field_name, const std::string& value) {
      const media::TOutputField* field = media::FindOutputField(field_name);
      ASSERT_NE(field, nullptr) << field_name;
      EXPECT_STREQ(field->Name, field_name.c_str());
      if (value.empty() || value == kInputAudioBitrate) return;
      media::TOutputOptions record;
      ASSERT_TRUE(field->Set(record, value)) << field_name << "=" << value;
      EXPECT_EQ(media::UnescapeFieldText(field->Get(record)), value) << field_name;
    };
    std::set<std::string> fields;
    for (const TPresetSetting& setting : table.Common) {
      check_cell(setting.Field, setting.Value);
      EXPECT_TRUE(fields.insert(setting.Field).second) << setting.Field;
    }
    for (const char* column : table.Columns) {
      std::stringstream names(column);
      for (std::string name; std::getline(names, name, ',');)
        EXPECT_TRUE(fields.insert(name).second) << name;
    }
    ASSERT_LE(table.Columns.size(), std::size(TPresetRow{}.Values));
    for (const TPresetRow& row : table.Rows) {
      ASSERT_NE(row.Description, nullptr);
      EXPECT_NE(row.Description[0], '\0');
      // Exactly one cell a column.
      for (size_t c = 0; c < std::size(row.Values); ++c)
        EXPECT_EQ(row.Values[c] != nullptr, c < table.Columns.size()) << row.Description << c;
      for (size_t c = 0; c < table.Columns.size() && row.Values[c]; ++c) {
        std::stringstream names(table.Columns[c]);
        for (std::string name; std::getline(names, name, ',');) check_cell(name, row.Values[c]);
      }
    }
  }
}

TEST(PresetCatalogue, SharedH264Options) {
  auto names = [](const char* text) {
    Lines out;
    for (const auto& option : media::ParseExtOptions(text)) out.push_back(option.Name);
    return out;
  };
  EXPECT_EQ(names(H264OptionsLevel30),
            (Lines{"flags", "cmp", "deblockalpha", "deblockbeta", "crf", "refs", "coder",
                   "me_range", "subq", "partitions", "g", "keyint_min", "level", "qmin", "qmax",
                   "trellis", "sc_threshold", "i_qfactor"}));
  EXPECT_EQ(names(H264OptionsLevel21),
            (Lines{"flags",        "cmp",       "partitions", "me_method", "subq",    "trellis",
                   "refs",         "bf",        "coder",      "me_range",  "g",       "keyint_min",
                   "sc_threshold", "i_qfactor", "bt",         "maxrate",   "bufsize", "rc_eq",
                   "qcomp",        "qmin",      "qmax",       "qdiff",     "level"}));
  std::string level30 = H264OptionsLevel30, level21 = H264OptionsLevel21;
  EXPECT_TRUE(level30.ends_with("i_qfactor=0.71\r\n"));
  EXPECT_TRUE(level21.ends_with("qdiff=4\r\nlevel=21"));
  // Every line break is CR LF.
  for (const std::string& text : {level30, level21})
    for (size_t i = 0; i < text.size(); ++i)
      if (text[i] == '\n') {
        EXPECT_EQ(text[i - 1], '\r');
      }
  EXPECT_NE(level30.find("partitions=+parti4x4+parti8x8+partp8x8\r\n"), std::string::npos);
  EXPECT_NE(level21.find("rc_eq='blurCplx^(1-qComp)'\r\n"), std::string::npos);
}

TEST(PresetOutput, AudioRows) {
  EXPECT_EQ(Merged(kAudio, "MP3", 2),
            (Lines{"AudioCodec=libmp3lame", "AudioChannels=2", "AudioSampleRate=48000",
                   "AudioBitrate=256000", "DisableVideo=true"}));
  EXPECT_EQ(Merged(kAudio, "WAV", 4), (Lines{"AudioCodec=pcm_s16le", "AudioChannels=2",
                                             "AudioSampleRate=44000", "DisableVideo=true"}));
  EXPECT_EQ(Merged(kAudio, "AAC", 1),
            (Lines{"AudioCodec=libfaac", "AudioChannels=1", "AudioSampleRate=22500",
                   "AudioBitrate=112000", "DisableVideo=true"}));
  EXPECT_EQ(Merged(kAudio, "AAC", 2),
            (Lines{"AudioCodec=libfaac", "AudioChannels=2", "AudioSampleRate=22500",
                   "AudioBitrate=224000", "DisableVideo=true"}));
  EXPECT_EQ(Merged(kAudio, "M4A", 1), (Lines{"AudioChannels=2", "AudioSampleRate=44800",
                                             "AudioBitrate=256000", "DisableVideo=true"}));
  // OGG sets a video codec although video is disabled, and never the channels.
  for (int preset = 0; preset < 5; ++preset) {
    media::TOutputOptions ogg = Options(kAudio, "OGG", preset);
    EXPECT_EQ(ogg.VideoCodec, "libtheora");
    EXPECT_TRUE(ogg.DisableVideo);
    EXPECT_EQ(ogg.AudioChannels, -1);
    EXPECT_EQ(ogg.AudioBitrate, -1);
  }
  EXPECT_EQ(Merged(kAudio, "OGG", 4),
            (Lines{"AudioCodec=libvorbis", "AudioSampleRate=48000", "VideoCodec=libtheora",
                   "DisableVideo=true", "ExtOptions=aq=8.05"}));
  EXPECT_EQ(Merged(kAudio, "FLAC", 8),
            (Lines{"AudioCodec=flac", "DisableVideo=true", "ExtOptions=compression_level=8"}));
  // An index past the list: the job still has video disabled, nothing else.
  EXPECT_EQ(Merged(kAudio, "WAV", 9), (Lines{"DisableVideo=true"}));
  EXPECT_EQ(Merged(kAudio, "MP3", -1), (Lines{"AudioCodec=libmp3lame", "DisableVideo=true"}));
}

TEST(PresetOutput, WmaLosslessTakesTheInputsAudioBitrate) {
  const Lines common = {"AudioCodec=wmav2", "AudioChannels=2", "AudioSampleRate=48000"};
  auto with = [&](Lines tail) {
    Lines lines = common;
    lines.insert(lines.end(), tail.begin(), tail.end());
    return lines;
  };
  EXPECT_EQ(PerFile(kAudio, "WMA", 4, 1411200),
            with({"AudioBitrate=1411200", "DisableVideo=true"}));
  // No audio stream, or a bit rate the decoder does not know: not set.
  EXPECT_EQ(PerFile(kAudio, "WMA", 4, -1), with({"DisableVideo=true"}));
  EXPECT_EQ(PerFile(kAudio, "WMA", 4, 0), with({"DisableVideo=true"}));
  EXPECT_EQ(Merged(kAudio, "WMA", 4), with({"DisableVideo=true"}));
}

// Apart from WMA row 4, a merged job gets exactly what a per-file job gets, from every row.
TEST(PresetOutput, MergedAndPerFileJobsAgreeElsewhere) {
  int rows = 0;
  for (const TPresetTable& table : PresetTables()) {
    for (int preset = -1; preset <= static_cast<int>(table.Rows.size()); ++preset) {
      ++rows;
      TPresetInput input;
      input.AudioBitrate = 77000;
      Lines per_file = ChangedFieldLines(
          PresetOutputOptions(table.Class, table.Format, preset, TPresetJob::PerFile, input));
      Lines merged = ChangedFieldLines(
          PresetOutputOptions(table.Class, table.Format, preset, TPresetJob::Merged));
      bool wma_lossless = table.Class == kAudio && table.Format == 2 && preset == 4;
      if (wma_lossless) {
        EXPECT_NE(per_file, merged);
        continue;
      }
      EXPECT_EQ(per_file, merged) << table.Class << "/" << table.Format << "/" << preset;
      for (const std::string& line : per_file) EXPECT_EQ(line.find("77000"), std::string::npos);
    }
  }
  EXPECT_EQ(rows, 180 + 2 * 25);
}

TEST(PresetOutput, VideoRows) {
  EXPECT_EQ(
      Merged(kVideo, "AVI", 3),
      (Lines{"AudioCodec=libmp3lame", "AudioChannels=2", "AudioSampleRate=44100",
             "AudioBitrate=192000", "VideoCodec=mpeg4", "VideoBitrate=1500000", "VideoTag=XVID"}));
  EXPECT_EQ(Merged(kVideo, "AVI", 40), (Lines{"AudioChannels=2", "AudioSampleRate=44100"}));
  EXPECT_EQ(Options(kVideo, "AVI", 0).FrameAspectRatio, "16:9");
  EXPECT_EQ(Options(kVideo, "AVI", 1).FrameAspectRatio, "16:9");
  EXPECT_EQ(Options(kVideo, "AVI", 1).VideoPreset, "libx264-default");
  EXPECT_EQ(Options(kVideo, "AVI", 2).FrameAspectRatio, "");
  EXPECT_EQ(Options(kVideo, "AVI", 17).AudioBitrate, 705000);
  EXPECT_EQ(Options(kVideo, "AVI", 10).VideoBitrate, 460000);

  EXPECT_EQ(Merged(kVideo, "MPEG", 2),
            (Lines{"AudioCodec=mp2", "AudioChannels=2", "AudioSampleRate=48000",
                   "AudioBitrate=224000", "FrameRate=30000/1001", "FrameAspectRatio=4:3",
                   "VideoBitrate=4000000", "TargetType=3", "NormType=2"}));
  media::TOutputOptions mpeg0 = Options(kVideo, "MPEG", 0);
  EXPECT_EQ(mpeg0.VideoMaxRate, 15000000);
  EXPECT_EQ(mpeg0.VideoMinRate, 15000000);
  EXPECT_EQ(mpeg0.VideoBufSize, 6881000);
  EXPECT_EQ(Options(kVideo, "MPEG", 1).VideoMinRate, -1);
  EXPECT_EQ(Options(kVideo, "MPEG", 7).FrameSize, "720x480");
  EXPECT_EQ(Options(kVideo, "MPEG", 9).VideoCodec, "mpeg1video");
  EXPECT_EQ(Options(kVideo, "MPEG", 13).TargetType, 1);
  EXPECT_EQ(Options(kVideo, "MPEG", 13).NormType, 1);

  EXPECT_EQ(Merged(kVideo, "MP4", 0),
            (Lines{"AudioCodec=libfaac", "AudioChannels=2", "AudioSampleRate=44100",
                   "AudioBitrate=128000", "VideoCodec=libx264", "FrameRate=30", "FrameSize=320x240",
                   "VideoBitrate=640000", "ExtOptions=" + Escaped(H264OptionsLevel30)}));
  EXPECT_EQ(Merged(kVideo, "MP4", 5),
            (Lines{"FileFormat=psp", "AudioCodec=libfaac", "AudioChannels=2",
                   "AudioSampleRate=48000", "AudioBitrate=256000", "VideoCodec=libx264",
                   "FrameRate=30000/1001", "FrameSize=848x480", "FrameAspectRatio=16:9",
                   "VideoBitrate=2600000", "ExtOptions=" + Escaped(H264OptionsLevel21)}));
  EXPECT_EQ(Options(kVideo, "MP4", 4).VideoPreset, "libx264-default");
  EXPECT_EQ(Options(kVideo, "MP4", 4).ExtOptions, "");
  EXPECT_EQ(Options(kVideo, "MP4", 6).AudioBitrate, 768000);
  EXPECT_EQ(Options(kVideo, "MP4", 6).AudioChannels, 2);

  EXPECT_EQ(Merged(kVideo, "FLV", 1),
            (Lines{"AudioChannels=2", "AudioSampleRate=44100", "AudioBitrate=160000",
                   "VideoCodec=libx264", "VideoPreset=libx264-default", "FrameRate=20",
                   "VideoBitrate=930000"}));
  EXPECT_EQ(Merged(kVideo, "FLV", 4),
            (Lines{"AudioChannels=1", "AudioSampleRate=11025", "AudioBitrate=24000", "FrameRate=15",
                   "FrameSize=276x144", "VideoBitrate=480000"}));
  for (int preset : {0, 1, 3}) EXPECT_EQ(Options(kVideo, "SWF", preset).FrameRate, "25");
  EXPECT_EQ(Options(kVideo, "SWF", 2).FrameRate, "15");
  EXPECT_EQ(Options(kVideo, "SWF", 1).VideoCodec, "");

  EXPECT_EQ(Merged(kVideo, "MOV", 3),
            (Lines{"AudioCodec=libmp3lame", "AudioChannels=2", "AudioSampleRate=44100",
                   "AudioBitrate=256000", "VideoCodec=mjpeg", "VideoBitrate=16384000"}));
  EXPECT_EQ(Merged(kVideo, "MOV", 6),
            (Lines{"AudioCodec=libmp3lame", "AudioChannels=2", "AudioSampleRate=44100",
                   "AudioBitrate=128000", "VideoCodec=h263", "FrameSize=176x144",
                   "VideoBitrate=4014080"}));
  EXPECT_EQ(Options(kVideo, "MOV", 9).AudioCodec, "adpcm_ima_qt");

  // RM rows set no audio field at all.
  const char* rm_rates[] = {"1024000", "750000", "512000", "256000", "128000"};
  for (int preset = 0; preset < 5; ++preset)
    EXPECT_EQ(Merged(kVideo, "RM", preset),
              (Lines{"VideoCodec=rv20", std::string("VideoBitrate=") + rm_rates[preset]}));

  EXPECT_EQ(Options(kVideo, "WMV", 15).AudioBitrate, 196000);
  EXPECT_EQ(Options(kVideo, "3GP", 1).AudioCodec, "libfaac");
  EXPECT_EQ(Options(kVideo, "3GP", 0).AudioCodec, "");
  EXPECT_EQ(Options(kVideo, "3GP", 4).AudioChannels, 1);
  EXPECT_EQ(Options(kVideo, "3GP", 4).AudioBitrate, 6700);
}

TEST(PresetOutput, DeviceRows) {
  const std::string level30 = "ExtOptions=" + Escaped(H264OptionsLevel30);
  EXPECT_EQ(Merged(kDevice, "iPod", 8),
            (Lines{"AudioCodec=libfaac", "AudioChannels=2", "AudioSampleRate=44100",
                   "AudioBitrate=128000", "VideoCodec=libx264", "FrameRate=24", "FrameSize=320x240",
                   "VideoBitrate=1000000", level30}));
  EXPECT_EQ(Merged(kDevice, "iPod", 9),
            (Lines{"AudioCodec=libfaac", "AudioChannels=2", "AudioSampleRate=44100",
                   "AudioBitrate=128000", "VideoCodec=libx264", "FrameRate=15", "FrameSize=320x240",
                   "VideoBitrate=500000", level30}));
  // Past the table: only the common settings, not even the channels.
  EXPECT_EQ(Merged(kDevice, "iPod", 10),
            (Lines{"AudioCodec=libfaac", "VideoCodec=libx264", level30}));

  EXPECT_EQ(
      Merged(kDevice, "PSP", 1),
      (Lines{"FileFormat=psp", "AudioCodec=libfaac", "AudioChannels=2", "AudioSampleRate=44100",
             "AudioBitrate=128000", "VideoCodec=libx264", "FrameRate=24", "FrameSize=368x208",
             "VideoBitrate=1000000", "ExtOptions=" + Escaped(H264OptionsLevel21)}));
  EXPECT_STREQ(FindOutputFormat(kDevice, "PSP")->Extension, ".mp4");

  media::TOutputOptions apple_tv = Options(kDevice, "AppleTV", 0);
  EXPECT_EQ(apple_tv.FrameSize, "640x480");
  EXPECT_EQ(apple_tv.VideoBitrate, 5000000);

  for (int preset = 0; preset < 3; ++preset) {
    media::TOutputOptions blackberry = Options(kDevice, "BlackBerry", preset);
    EXPECT_EQ(blackberry.VideoPreset, "libx264-default");
    EXPECT_EQ(blackberry.ExtOptions, "");
    media::TOutputOptions iphone = Options(kDevice, "iPhone", preset);
    EXPECT_EQ(iphone.ExtOptions, H264OptionsLevel30);
    EXPECT_EQ(iphone.VideoPreset, "");
  }
  EXPECT_EQ(Options(kDevice, "iPhone", 1).FrameRate, "30");
  EXPECT_EQ(Options(kDevice, "MobilePhone", 3).VideoCodec, "mpeg4");

  // Every device row: video on, channels 2, libfaac.
  for (const TOutputFormat& format : OutputFormats(kDevice))
    for (int preset = 0; preset < PresetCount(kDevice, format.Index); ++preset) {
      media::TOutputOptions options =
          PresetOutputOptions(kDevice, format.Index, preset, TPresetJob::Merged);
      EXPECT_FALSE(options.DisableVideo);
      EXPECT_EQ(options.AudioChannels, 2) << format.Name << preset;
      EXPECT_EQ(options.AudioCodec, "libfaac") << format.Name << preset;
    }
}

TEST(PresetOutput, SelectionOutsideTheTables) {
  // A class outside the tables: no preset settings at all, not even the video switch.
  EXPECT_TRUE(ChangedFieldLines(PresetOutputOptions(3, 0, 0, TPresetJob::Merged)).empty());
  EXPECT_TRUE(ChangedFieldLines(PresetOutputOptions(-1, 0, 0, TPresetJob::PerFile)).empty());
  EXPECT_EQ(ChangedFieldLines(PresetOutputOptions(kAudio, 8, 0, TPresetJob::Merged)),
            Lines{"DisableVideo=true"});
  EXPECT_TRUE(ChangedFieldLines(PresetOutputOptions(kVideo, 9, 0, TPresetJob::Merged)).empty());
}

}  // namespace
}  // namespace tallowin::convert
