// Metadata maps, chapter maps and added streams (newvideo, newaudio, newsubtitle), checked with
// ffprobe on the engine's outputs.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "media/engine/ffmpeg.h"
#include "media/log_capture.h"
#include "media/media_fixtures.h"
#include "media/runtime/ff_exception.h"

namespace tallowin::media {
namespace {

using test::fs::path;
using Options = std::vector<std::pair<std::string, std::string>>;

// 3 s of video and sound with three chapters of one second ("One", "Two", "Three"), a title and
// an audio language.
path ChaptersClip() {
  const path meta = test::TestDataDir() / "chapters.ffmeta";
  if (!test::fs::exists(meta)) {
    std::string text = ";FFMETADATA1\ntitle=Chaptered\n";
    const char* titles[] = {"One", "Two", "Three"};
    for (int i = 0; i < 3; ++i)
      text += "[CHAPTER]\nTIMEBASE=1/1000\nSTART=" + std::to_string(i * 1000) +
              "\nEND=" + std::to_string((i + 1) * 1000) + "\ntitle=" + titles[i] + "\n";
    test::WriteFile(meta, text);
  }
  return test::GeneratedMedia("chapters_3s.mkv", {"-f",
                                                  "lavfi",
                                                  "-i",
                                                  "testsrc=size=160x120:rate=25:duration=3",
                                                  "-f",
                                                  "lavfi",
                                                  "-i",
                                                  "sine=frequency=440:sample_rate=44100:duration=3",
                                                  "-i",
                                                  meta.string(),
                                                  "-map",
                                                  "0",
                                                  "-map",
                                                  "1",
                                                  "-map_metadata",
                                                  "2",
                                                  "-map_chapters",
                                                  "2",
                                                  "-c:v",
                                                  "mpeg4",
                                                  "-c:a",
                                                  "libvorbis",
                                                  "-metadata:s:a:0",
                                                  "language=fin"});
}

// ffprobe's flat output: "format.tags.title", "stream1.codec_name", "stream1.tags.language",
// "chapter0.start_time", "chapter0.tags.title", "chapters" (their count).
std::map<std::string, std::string> Probe(const path& file) {
  return test::FFProbeFlat(file, {"-show_chapters", "-show_entries",
                                  "format=nb_streams:format_tags:stream=codec_name,codec_type,"
                                  "width,sample_rate:stream_tags=language"});
}

// The zero crossing rate of one second of an audio stream (ffmpeg's astats), from `at` seconds.
double ZeroCrossingRate(const path& file, const std::string& stream, double at) {
  auto r =
      test::RunProcess({"ffmpeg", "-nostdin", "-v", "info", "-ss", std::to_string(at), "-t", "1",
                        "-i", file.string(), "-map", stream, "-af", "astats", "-f", "null", "-"});
  const std::string key = "Zero crossings rate: ";
  const size_t p = r.output.rfind(key);  // the last one is the overall value
  return p == std::string::npos ? -1 : std::atof(r.output.c_str() + p + key.size());
}

double Seconds(const std::string& text) {
  return text.empty() ? -1 : std::atof(text.c_str());
}

class EngineMaps : public testing::Test {
 protected:
  void SetUp() override { test::LoadSystemLibraries(); }

  static void Set(TCustomFFmpeg& engine, const Options& options) {
    for (const auto& [name, value] : options) engine.SetOption(name, value);
  }

  static std::string Failure(TCustomFFmpeg& engine, const std::string& name,
                             const std::string& value) {
    return test::OptionFailure(engine, name, value);
  }

  // Inputs, options before the output, options after it (newaudio...), output name. Runs in this
  // thread; the failure message when the run fails, else empty.
  std::string Run(const std::vector<path>& inputs, const Options& before, const Options& after,
                  const std::string& name) {
    TCustomFFmpeg engine;
    for (const auto& in : inputs) EXPECT_TRUE(engine.OpenInput(in.string())) << engine.LastErrMsg();
    Set(engine, before);
    EXPECT_EQ(engine.OpenOutput((dir_ / name).string()), 0) << engine.LastErrMsg();
    Set(engine, after);
    EXPECT_TRUE(engine.Start(false));
    EXPECT_TRUE(engine.Terminated());
    return engine.Finished() ? "" : engine.FailureMessage();
  }

  test::TempDir dir_;
};

TEST_F(EngineMaps, OptionTextsAreCheckedWhenSet) {
  TCustomFFmpeg engine;
  EXPECT_EQ(Failure(engine, "map_meta_data", "0,x:0"), "Invalid metadata type x.");
  EXPECT_EQ(Failure(engine, "map_meta_data", "0:0,q1"), "Invalid metadata type q.");
  EXPECT_EQ(Failure(engine, "map_meta_data", "zero:0"),
            "Invalid value \"zero:0\" for option \"map_meta_data\"");
  EXPECT_EQ(Failure(engine, "map_meta_data", "0,s1"),
            "Invalid value \"0,s1\" for option \"map_meta_data\"");
  EXPECT_EQ(Failure(engine, "map_chapters", "0"),
            "Invalid value \"0\" for option \"map_chapters\"");
  EXPECT_EQ(Failure(engine, "map_chapters", "0:1x"),
            "Invalid value \"0:1x\" for option \"map_chapters\"");
  for (const char* good : {"0:1", "0,g:1,g", "0,s1:1,s2", "0,c:0,c2", "0,p0:0", "0:-1"})
    EXPECT_EQ(Failure(engine, "map_meta_data", good), "") << good;
  EXPECT_EQ(Failure(engine, "map_chapters", "0:-1"), "");

  for (const char* name : {"newvideo", "newaudio", "newsubtitle"})
    EXPECT_EQ(Failure(engine, name, ""), "At least one output file must be specified") << name;
}

TEST_F(EngineMaps, BadIndexesFailTheRunWithTheirTexts) {
  const path clip = test::StandardClip();
  const std::pair<Options, std::string> cases[] = {
      {{{"map_meta_data", "1:0"}}, "Invalid output file index 1 while processing metadata maps"},
      {{{"map_meta_data", "0:2"}}, "Invalid input file index 2 while processing metadata maps"},
      {{{"map_meta_data", "0,s2:0"}}, "Invalid stream index 2 while processing metadata maps"},
      {{{"map_meta_data", "0:0,s7"}}, "Invalid stream index 7 while processing metadata maps"},
      {{{"map_meta_data", "0:0,c0"}}, "Invalid chapter index 0 while processing metadata maps"},
      {{{"map_meta_data", "0,p0:0"}}, "Invalid program index 0 while processing metadata maps"},
      {{{"map_chapters", "0:1"}}, "Invalid input file index 1 in chapter mapping."},
      {{{"map_chapters", "3:0"}}, "Invalid output file index 3 in chapter mapping."},
  };
  int n = 0;
  for (const auto& [options, text] : cases)
    EXPECT_EQ(Run({clip}, options, {}, "bad" + std::to_string(n++) + ".mkv"), text);
}

TEST_F(EngineMaps, MetadataMapsFillWhatTheOptionsLeaveFree) {
  const path plain = test::StandardClip(), several = test::SeveralStreamsClip();
  // (Matroska keeps tag names other than the title in capitals.)
  // The streams read the first input; the title comes from the second.
  ASSERT_EQ(Run({plain, several}, {{"map_meta_data", "0:1"}, {"metadata", "artist=Own"}}, {},
                "global.mkv"),
            "");
  auto p = Probe(dir_ / "global.mkv");
  EXPECT_EQ(p["format.tags.title"], "Several Streams");
  EXPECT_EQ(p["format.tags.GENRE"], "Test");
  EXPECT_EQ(p["format.tags.ARTIST"], "Own");

  // The second audio stream's language goes to the output's audio stream, in place of what its
  // own source stream would have carried over; the title still carries over.
  ASSERT_EQ(
      Run({several}, {{"vcodec", "mpeg4"}, {"map_meta_data", "0,s1:0,s2"}}, {}, "language.mkv"),
      "");
  p = Probe(dir_ / "language.mkv");
  ASSERT_EQ(p["stream1.codec_type"], "audio");
  EXPECT_EQ(p["stream1.tags.language"], "ger");
  EXPECT_EQ(p["format.tags.title"], "Several Streams");

  // Without a map the title carries over; a map from no file stops that.
  ASSERT_EQ(Run({several}, {{"vcodec", "mpeg4"}}, {}, "carried.mkv"), "");
  EXPECT_EQ(Probe(dir_ / "carried.mkv")["format.tags.title"], "Several Streams");
  ASSERT_EQ(Run({several}, {{"vcodec", "mpeg4"}, {"map_meta_data", "0:-1"}}, {}, "none.mkv"), "");
  p = Probe(dir_ / "none.mkv");
  EXPECT_EQ(p.count("format.tags.title"), 0u);
  EXPECT_EQ(p.count("format.tags.ARTIST"), 0u);
}

TEST_F(EngineMaps, ChaptersFollowTheTimeOptions) {
  const path chaptered = ChaptersClip();
  ASSERT_EQ(Run({chaptered}, {{"vcodec", "mpeg4"}}, {}, "all.mkv"), "");
  auto p = Probe(dir_ / "all.mkv");
  ASSERT_EQ(p["chapters"], "3");
  EXPECT_EQ(p["chapter1.tags.title"], "Two");
  EXPECT_NEAR(Seconds(p["chapter1.start_time"]), 1.0, 0.001);
  EXPECT_NEAR(Seconds(p["chapter2.end_time"]), 3.0, 0.001);

  // ss 1.5 on the output: the first chapter is gone, the second starts at 0.
  ASSERT_EQ(Run({chaptered}, {{"vcodec", "mpeg4"}, {"ss", "1.5"}}, {}, "late.mkv"), "");
  p = Probe(dir_ / "late.mkv");
  ASSERT_EQ(p["chapters"], "2");
  EXPECT_EQ(p["chapter0.tags.title"], "Two");
  EXPECT_NEAR(Seconds(p["chapter0.start_time"]), 0.0, 0.001);
  EXPECT_NEAR(Seconds(p["chapter0.end_time"]), 0.5, 0.001);
  EXPECT_NEAR(Seconds(p["chapter1.end_time"]), 1.5, 0.001);

  // t 1.2: the last chapter is left out and the second ends at the cut.
  ASSERT_EQ(Run({chaptered}, {{"vcodec", "mpeg4"}, {"t", "1.2"}}, {}, "short.mkv"), "");
  p = Probe(dir_ / "short.mkv");
  ASSERT_EQ(p["chapters"], "2");
  EXPECT_NEAR(Seconds(p["chapter1.end_time"]), 1.2, 0.001);
}

TEST_F(EngineMaps, ChapterMapsChooseTheInput) {
  const path plain = test::StandardClip(), chaptered = ChaptersClip();
  // Without a map the first input that has chapters gives them, moved by its itsoffset.
  {
    TCustomFFmpeg engine;
    ASSERT_TRUE(engine.OpenInput(plain.string())) << engine.LastErrMsg();
    engine.SetOption("itsoffset", "0.5");
    ASSERT_TRUE(engine.OpenInput(chaptered.string())) << engine.LastErrMsg();
    ASSERT_EQ(engine.OpenOutput((dir_ / "second.mkv").string()), 0) << engine.LastErrMsg();
    engine.Start(false);
    ASSERT_TRUE(engine.Finished()) << engine.FailureMessage();
    auto p = Probe(dir_ / "second.mkv");
    ASSERT_EQ(p["chapters"], "3");
    EXPECT_NEAR(Seconds(p["chapter0.start_time"]), 0.5, 0.001);
  }
  // A map from no input: no chapters.
  ASSERT_EQ(Run({chaptered}, {{"vcodec", "mpeg4"}, {"map_chapters", "0:-1"}}, {}, "bare.mkv"), "");
  EXPECT_EQ(Probe(dir_ / "bare.mkv")["chapters"], "0");

  // A metadata map into a chapter takes the place of the chapter's own title.
  ASSERT_EQ(Run({plain, chaptered}, {{"map_chapters", "0:1"}, {"map_meta_data", "0,c1:1,c0"}}, {},
                "renamed.mkv"),
            "");
  auto p = Probe(dir_ / "renamed.mkv");
  ASSERT_EQ(p["chapters"], "3");
  EXPECT_EQ(p["chapter0.tags.title"], "One");
  EXPECT_EQ(p["chapter1.tags.title"], "One");
  EXPECT_EQ(p["chapter2.tags.title"], "Three");
}

TEST_F(EngineMaps, NewAudioTakesTheNextTrackWithItsOwnOptions) {
  const path several = test::SeveralStreamsClip();  // audio: 22050 Hz "eng", 32000 Hz "ger"
  ASSERT_EQ(
      Run({several}, {{"vcodec", "mpeg4"}, {"acodec", "libvorbis"}, {"sn", "1"}},
          {{"acodec", "mp2"}, {"alang", "fre"}, {"newaudio", ""}, {"newaudio", ""}}, "tracks.mkv"),
      "");
  auto p = Probe(dir_ / "tracks.mkv");
  ASSERT_EQ(p["format.nb_streams"], "4");
  EXPECT_EQ(p["stream1.codec_name"], "vorbis");
  EXPECT_EQ(p["stream2.codec_name"], "mp2");
  EXPECT_EQ(p["stream2.tags.language"], "fre");
  // Each input track is read once before one is read again.
  EXPECT_NE(p["stream1.sample_rate"], p["stream2.sample_rate"]);
  // The options of the kind were reset after the first newaudio.
  EXPECT_NE(p["stream3.codec_name"], "mp2");
  EXPECT_NE(p["stream3.tags.language"], "fre");

  // With maps, the maps decide; their count must match.
  ASSERT_EQ(Run({several},
                {{"vcodec", "mpeg4"},
                 {"acodec", "libvorbis"},
                 {"sn", "1"},
                 {"map", "0.0"},
                 {"map", "0.2"},
                 {"map", "0.1"}},
                {{"acodec", "libvorbis"}, {"newaudio", ""}}, "mapped.mkv"),
            "");
  p = Probe(dir_ / "mapped.mkv");
  EXPECT_EQ(p["stream1.sample_rate"], "32000");
  EXPECT_EQ(p["stream2.sample_rate"], "22050");
  EXPECT_EQ(Run({several}, {{"sn", "1"}, {"map", "0.0"}, {"map", "0.1"}}, {{"newaudio", ""}},
                "short_maps.mkv"),
            "Number of stream maps must match number of output streams");
}

TEST_F(EngineMaps, MappingLinesNameASyncStreamOtherThanTheSource) {
  const path several = test::SeveralStreamsClip();  // video, then two audio tracks
  LogCapture log;
  ASSERT_EQ(Run({several},
                {{"vcodec", "mpeg4"},
                 {"acodec", "libvorbis"},
                 {"sn", "1"},
                 {"map", "0.0:0.1"},
                 {"map", "0.2:0.2"}},
                {}, "synced.mkv"),
            "");
  EXPECT_EQ(log.Count("  Stream #0.0 -> #0.0 (mpeg4) [sync #0.1 (audio)]"), 1);
  // A sync stream that is the source itself is not named.
  EXPECT_EQ(log.Count("  Stream #0.2 -> #0.1 (libvorbis)"), 1);
}

TEST_F(EngineMaps, AddedStreamsFollowAJoin) {
  const path several = test::SeveralStreamsClip();
  TCustomFFmpeg engine;
  for (int i = 0; i < 2; ++i)
    ASSERT_TRUE(engine.OpenInput(several.string())) << engine.LastErrMsg();
  Set(engine, {{"vcodec", "mpeg4"}, {"acodec", "libvorbis"}, {"sn", "1"}});
  const path out = dir_ / "joined.mkv";
  ASSERT_EQ(engine.OpenOutput(out.string(), true), 0) << engine.LastErrMsg();
  Set(engine, {{"acodec", "libvorbis"}, {"newaudio", ""}});
  ASSERT_TRUE(engine.Start(false));
  ASSERT_TRUE(engine.Finished()) << engine.FailureMessage();
  auto p = Probe(out);
  ASSERT_EQ(p["format.nb_streams"], "3");
  // Each output track keeps to one input track (300 Hz or 600 Hz) through both inputs.
  for (const char* track : {"0:a:0", "0:a:1"}) {
    const double first = ZeroCrossingRate(out, track, 0.5),
                 second = ZeroCrossingRate(out, track, 2.5);
    EXPECT_GT(first, 0) << track;
    EXPECT_NEAR(second / first, 1.0, 0.1) << track;
  }
  EXPECT_GT(ZeroCrossingRate(out, "0:a:1", 0.5) / ZeroCrossingRate(out, "0:a:0", 0.5), 1.2);
}

TEST_F(EngineMaps, NewVideoAndSubtitleStreams) {
  // The one video stream of the input feeds two outputs of different sizes.
  ASSERT_EQ(Run({test::StandardClip()}, {{"vcodec", "mpeg4"}, {"an", "1"}},
                {{"vcodec", "mpeg4"}, {"s", "160x90"}, {"newvideo", ""}}, "two_sizes.mkv"),
            "");
  auto p = Probe(dir_ / "two_sizes.mkv");
  ASSERT_EQ(p["format.nb_streams"], "2");
  EXPECT_EQ(p["stream0.width"], "640");
  EXPECT_EQ(p["stream1.width"], "160");

  ASSERT_EQ(
      Run({test::SeveralStreamsClip()}, {{"vcodec", "mpeg4"}, {"an", "1"}, {"scodec", "copy"}},
          {{"scodec", "copy"}, {"slang", "ger"}, {"newsubtitle", ""}}, "subtitles.mkv"),
      "");
  p = Probe(dir_ / "subtitles.mkv");
  ASSERT_EQ(p["format.nb_streams"], "3");
  EXPECT_EQ(p["stream2.codec_type"], "subtitle");
  EXPECT_EQ(p["stream2.tags.language"], "ger");
}

TEST_F(EngineMaps, AddedStreamsAreRefusedWhenTheyCannotBeMade) {
  TCustomFFmpeg engine;
  ASSERT_EQ(engine.OpenOutput((dir_ / "many.mkv").string()), 0) << engine.LastErrMsg();
  // An unknown codec leaves the file as it was and the option pending.
  engine.SetOption("acodec", "no_such_codec");
  EXPECT_EQ(Failure(engine, "newaudio", ""), "Unknown encoder 'no_such_codec'");
  engine.SetOption("acodec", "mp2");
  // A file holds at most 20 streams; it has video and audio already.
  for (int i = 0; i < 18; ++i) ASSERT_EQ(Failure(engine, "newaudio", ""), "") << i;
  EXPECT_EQ(Failure(engine, "newaudio", ""), "new_audio_stream fail: Could not alloc stream");

  // Once the run has ended its files are closed.
  TCustomFFmpeg done;
  ASSERT_TRUE(done.OpenInput(test::StandardClip().string())) << done.LastErrMsg();
  done.SetOption("vframes", "5");
  ASSERT_EQ(done.OpenOutput((dir_ / "done.mkv").string()), 0) << done.LastErrMsg();
  ASSERT_TRUE(done.Start(false));
  EXPECT_EQ(Failure(done, "newvideo", ""), "Cannot open files while working.");
}

}  // namespace
}  // namespace tallowin::media
