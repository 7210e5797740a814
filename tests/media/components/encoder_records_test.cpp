// The encoder's option records: defaults, the field table and its text form.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "media/components/encoder_records.h"

namespace tallowin::media {
namespace {

std::vector<std::string> Names(auto fields) {
  std::vector<std::string> names;
  for (const auto& field : fields) names.push_back(field.Name);
  return names;
}

TEST(OptionRecords, DefaultsMarkEverythingUnset) {
  TInputOptions in;
  EXPECT_EQ(in.StartTime, INT64_MIN);
  EXPECT_EQ(in.ProgramID, -1);
  EXPECT_TRUE(in.FileName.empty() && in.FileFormat.empty() && in.ExtOptions.empty());

  TOutputOptions out;
  EXPECT_EQ(out.StartTime, INT64_MIN);
  EXPECT_EQ(out.RecordingTime, INT64_MIN);
  EXPECT_EQ(out.NormDefault, 1);
  EXPECT_EQ(out.VideoHookBitsPixel, 24);
  EXPECT_EQ(out.Metadata.Timestamp, -1.0);

  // Every other number starts at -1 (0 for the sync, target and norm), every text empty, every
  // flag false.
  for (const TOutputField& field : OutputOptionFields()) {
    std::string name = field.Name, value = field.Get(out);
    if (field.Type == TFieldType::Text) {
      EXPECT_EQ(value, "") << name;
    }
    if (field.Type == TFieldType::Boolean) {
      EXPECT_EQ(value, "false") << name;
    }
    if (name == "AudioSync" || name == "TargetType" || name == "NormType") {
      EXPECT_EQ(value, "0") << name;
    } else if (field.Type != TFieldType::Text && field.Type != TFieldType::Boolean &&
               field.Type != TFieldType::Int64 && name != "NormDefault" &&
               name != "VideoHookBitsPixel") {
      EXPECT_EQ(value, "-1") << name;
    }
  }
  EXPECT_TRUE(ChangedFieldLines(out).empty());
  EXPECT_TRUE(ChangedFieldLines(in).empty());

  THookInfo hook;
  EXPECT_TRUE(hook.Update);
  EXPECT_FALSE(hook.StopHook);
}

TEST(OptionFields, TablesFollowTheRecordOrder) {
  EXPECT_EQ(
      Names(InputOptionFields()),
      (std::vector<std::string>{"FileName", "FileFormat", "StartTime", "ProgramID", "ExtOptions"}));
  EXPECT_EQ(Names(OutputOptionFields()), (std::vector<std::string>{"FileName",
                                                                   "FileExt",
                                                                   "FileFormat",
                                                                   "PacketSize",
                                                                   "MuxRate",
                                                                   "MuxDelay",
                                                                   "MuxPreload",
                                                                   "AudioCodec",
                                                                   "AudioPreset",
                                                                   "DisableAudio",
                                                                   "AudioVolume",
                                                                   "AudioChannels",
                                                                   "AudioSampleRate",
                                                                   "AudioBitrate",
                                                                   "AudioBitrateTolerance",
                                                                   "AudioLanguage",
                                                                   "AudioSync",
                                                                   "AudioTag",
                                                                   "VideoCodec",
                                                                   "VideoPreset",
                                                                   "DisableVideo",
                                                                   "FrameRate",
                                                                   "FrameSize",
                                                                   "FrameAspectRatio",
                                                                   "GopSize",
                                                                   "VideoBitrate",
                                                                   "VideoMaxRate",
                                                                   "VideoMinRate",
                                                                   "VideoBitrateTolerance",
                                                                   "VideoBufSize",
                                                                   "VideoSync",
                                                                   "VideoTag",
                                                                   "VideoFilters",
                                                                   "VideoLanguage",
                                                                   "SubtitleCodec",
                                                                   "SubtitlePreset",
                                                                   "DisableSubtitle",
                                                                   "SubtitleLanguage",
                                                                   "InputSync",
                                                                   "CopyTimestamps",
                                                                   "StartTime",
                                                                   "RecordingTime",
                                                                   "Metadata.Timestamp",
                                                                   "Metadata.Year",
                                                                   "Metadata.Track",
                                                                   "Metadata.Title",
                                                                   "Metadata.Author",
                                                                   "Metadata.Copyright",
                                                                   "Metadata.Comment",
                                                                   "Metadata.Album",
                                                                   "Metadata.Genre",
                                                                   "TargetType",
                                                                   "NormType",
                                                                   "NormDefault",
                                                                   "AudioHook",
                                                                   "VideoInputHook",
                                                                   "VideoOutputHook",
                                                                   "VideoHookBitsPixel",
                                                                   "JoinFiles",
                                                                   "ExtOptions"}));
}

TEST(OptionFields, EveryFieldReadsBackWhatWasSet) {
  // A value of each field's type that differs from every default.
  for (const TOutputField& field : OutputOptionFields()) {
    std::string value;
    switch (field.Type) {
      case TFieldType::Text:
        value = "x\\y\r\nz";
        break;
      case TFieldType::Integer:
        value = "2147483647";
        break;
      case TFieldType::Int64:
        value = "9223372036854775807";
        break;
      case TFieldType::Single:
        value = "0.25";
        break;
      case TFieldType::Double:
        value = "40000.5";
        break;
      case TFieldType::Boolean:
        value = "true";
        break;
    }
    TOutputOptions record;
    ASSERT_TRUE(field.Set(record, value)) << field.Name;
    std::string expected = field.Type == TFieldType::Text ? "x\\\\y\\r\\nz" : value;
    EXPECT_EQ(field.Get(record), expected) << field.Name;
    EXPECT_TRUE(FieldDiffers(field, record)) << field.Name;
    // Exactly this one field differs: the table's accessors do not overlap.
    EXPECT_EQ(ChangedFieldLines(record), std::vector<std::string>{field.Name + ("=" + expected)});
    // The printed form reads back to the same value.
    TOutputOptions again;
    ASSERT_TRUE(field.Set(again, field.Get(record))) << field.Name;
    EXPECT_EQ(field.Get(again), field.Get(record)) << field.Name;
  }
}

TEST(OptionFields, BadTextLeavesTheFieldUnchanged) {
  TOutputOptions record;
  const TOutputField* rate = FindOutputField("AudioSampleRate");
  const TOutputField* time = FindOutputField("StartTime");
  const TOutputField* flag = FindOutputField("JoinFiles");
  const TOutputField* delay = FindOutputField("MuxDelay");
  ASSERT_TRUE(rate && time && flag && delay);
  for (const char* bad : {"", "abc", "44100Hz", "1e3", "4.5", "2147483648", "0x10", "--1"})
    EXPECT_FALSE(rate->Set(record, bad)) << bad;
  EXPECT_FALSE(time->Set(record, "9223372036854775808"));
  for (const char* bad : {"yes", "", "2", "truex"}) EXPECT_FALSE(flag->Set(record, bad)) << bad;
  for (const char* bad : {"nan", "inf", "1.5s", ""}) EXPECT_FALSE(delay->Set(record, bad)) << bad;
  EXPECT_TRUE(ChangedFieldLines(record).empty());

  EXPECT_TRUE(rate->Set(record, " +48000 "));
  EXPECT_EQ(record.AudioSampleRate, 48000);
  EXPECT_TRUE(flag->Set(record, "TRUE"));
  EXPECT_TRUE(record.JoinFiles);
  EXPECT_TRUE(flag->Set(record, "0"));
  EXPECT_FALSE(record.JoinFiles);
  EXPECT_TRUE(time->Set(record, "-9223372036854775808"));
  EXPECT_EQ(record.StartTime, kNoPtsValue);
}

TEST(OptionFields, ChangedLinesComeInTableOrderWithEscapedLineBreaks) {
  TOutputOptions record;
  record.ExtOptions = "crf=24\r\nrefs=2\r\n";
  record.AudioBitrate = 192000;
  record.DisableVideo = true;
  record.Metadata.Title = "Song";
  record.MuxDelay = 0.7f;
  record.FileName = "a";
  EXPECT_EQ(ChangedFieldLines(record),
            (std::vector<std::string>{"FileName=a", "MuxDelay=0.7", "AudioBitrate=192000",
                                      "DisableVideo=true", "Metadata.Title=Song",
                                      "ExtOptions=crf=24\\r\\nrefs=2\\r\\n"}));
  // A field set back to its initial value no longer differs.
  record.AudioBitrate = -1;
  EXPECT_FALSE(FieldDiffers(*FindOutputField("AudioBitrate"), record));
}

TEST(OptionFields, AssignByName) {
  TOutputOptions out;
  std::string error;
  EXPECT_TRUE(AssignField(out, "videocodec=mpeg4", &error)) << error;
  EXPECT_TRUE(AssignField(out, "ExtOptions=crf=24\\nrefs=1", &error)) << error;
  EXPECT_TRUE(AssignField(out, "Metadata.Year=2009", &error)) << error;
  EXPECT_TRUE(AssignField(out, "FrameSize=", &error)) << error;
  EXPECT_EQ(out.VideoCodec, "mpeg4");
  EXPECT_EQ(out.ExtOptions, "crf=24\nrefs=1");
  EXPECT_EQ(out.Metadata.Year, 2009);

  EXPECT_FALSE(AssignField(out, "VideoCodec", &error));
  EXPECT_NE(error.find("Field=Value"), std::string::npos) << error;
  EXPECT_FALSE(AssignField(out, "Codec=mpeg4", &error));
  EXPECT_NE(error.find("unknown field \"Codec\""), std::string::npos) << error;
  EXPECT_FALSE(AssignField(out, "VideoBitrate=fast", &error));
  EXPECT_NE(error.find("VideoBitrate"), std::string::npos) << error;
  EXPECT_FALSE(AssignField(out, "Metadata=x", nullptr));

  TInputOptions in;
  EXPECT_TRUE(AssignField(in, "StartTime=1500000", &error)) << error;
  EXPECT_TRUE(AssignField(in, "ProgramID=3", &error)) << error;
  EXPECT_EQ(ChangedFieldLines(in), (std::vector<std::string>{"StartTime=1500000", "ProgramID=3"}));
  EXPECT_FALSE(AssignField(in, "VideoCodec=mpeg4", &error));
}

TEST(OptionFields, EscapingRoundTrips) {
  for (std::string text : {"", "plain", "a\\b", "trailing\\", "\\n literal", "\r\n\r\n", "\\\\r",
                           "mixed\r\nline\\r\n"}) {
    EXPECT_EQ(UnescapeFieldText(EscapeFieldText(text)), text) << text;
    EXPECT_EQ(EscapeFieldText(text).find_first_of("\r\n"), std::string::npos) << text;
  }
  // Unknown escapes stay as they are.
  EXPECT_EQ(UnescapeFieldText("vf=a\\,b\\t"), "vf=a\\,b\\t");
}

}  // namespace
}  // namespace tallowin::media
