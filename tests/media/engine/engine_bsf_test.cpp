// Bitstream filters on output streams (vbsf, absf, sbsf): names, chains, the parameters the
// filters give the muxer, packets held back until the end, and filters that do not fit the codec.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "media/engine/ffmpeg.h"
#include "media/media_fixtures.h"
#include "media/packet_probe.h"
#include "media/runtime/ff_exception.h"

namespace tallowin::media {
namespace {

using test::fs::path;
using Options = std::vector<std::pair<std::string, std::string>>;

// ADTS AAC as an .aac file: every frame starts with its own header.
path AdtsAacClip() {
  return test::GeneratedMedia(
      "adts_2s.aac",
      {"-f", "lavfi", "-i", "sine=frequency=500:sample_rate=44100:duration=2", "-c:a", "aac"});
}

// MPEG-4 video in MP4: the stream headers are in the extradata, not in the key frames.
path Mpeg4GlobalHeaderClip() {
  return test::GeneratedMedia("mpeg4_global_header.mp4",
                              {"-f", "lavfi", "-i", "testsrc=size=176x144:rate=25:duration=2",
                               "-c:v", "mpeg4", "-g", "10"});
}

// One second of 16-bit PCM: 44100 samples, not a multiple of 1024.
path PcmClip() {
  return test::GeneratedMedia(
      "pcm_44100_1s.wav",
      {"-f", "lavfi", "-i", "sine=sample_rate=44100:duration=1", "-c:a", "pcm_s16le"});
}

// What ffmpeg says while decoding the whole file; empty when it decodes cleanly.
std::string DecodeErrors(const path& file) {
  return test::RunProcess({"ffmpeg", "-v", "error", "-i", file.string(), "-f", "null", "-"}).output;
}

std::string StreamEntry(const path& file, const std::string& stream, const std::string& entry) {
  auto r = test::RunProcess({"ffprobe", "-v", "error", "-select_streams", stream, "-show_entries",
                             "stream=" + entry, "-of", "default=nw=1:nk=1", file.string()});
  while (!r.output.empty() && (r.output.back() == '\n' || r.output.back() == '\r'))
    r.output.pop_back();
  return r.output;
}

class EngineBsf : public testing::Test {
 protected:
  void SetUp() override { test::LoadSystemLibraries(); }

  // Runs input -> options -> output in this thread; returns the failure message ("" when the run
  // finished).
  std::string Run(const path& input, const Options& options, const path& out) {
    TCustomFFmpeg engine;
    EXPECT_TRUE(engine.OpenInput(input.string())) << engine.LastErrMsg();
    for (const auto& [name, value] : options) engine.SetOption(name, value);
    EXPECT_EQ(engine.OpenOutput(out.string()), 0) << engine.LastErrMsg();
    EXPECT_TRUE(engine.Start(false));
    EXPECT_TRUE(engine.Terminated());
    return engine.Finished() ? "" : engine.FailureMessage();
  }

  std::string Failure(const std::string& name, const std::string& value) {
    TCustomFFmpeg engine;
    return test::OptionFailure(engine, name, value);
  }

  test::TempDir dir_;
};

TEST_F(EngineBsf, NamesAreCheckedForEveryKind) {
  for (const char* option : {"absf", "vbsf", "sbsf"}) {
    EXPECT_EQ(Failure(option, "nosuchfilter"), "Unknown bitstream filter nosuchfilter") << option;
    EXPECT_EQ(Failure(option, ""), "Unknown bitstream filter ") << option;
    // Options of the current list syntax are not part of the old names.
    EXPECT_EQ(Failure(option, "noise=amount=5"), "Unknown bitstream filter noise=amount=5");
    EXPECT_EQ(Failure(option, "dump_extra"), "") << option;
  }
  // The old MP3 header compressor has no counterpart; it is accepted without effect.
  EXPECT_EQ(Failure("absf", "mp3comp"), "");
  EXPECT_EQ(Failure("absf", "mp3decomp"), "");
}

TEST_F(EngineBsf, H264CopyBecomesAnnexB) {
  const path clip = test::StandardClip();
  const auto source = test::ProbePackets(clip, "v:0");
  ASSERT_EQ(source.size(), 75u);

  // A transport stream reads back whole.
  const path ts = dir_ / "annexb.ts";
  EXPECT_EQ(Run(clip, {{"vcodec", "copy"}, {"acodec", "copy"}, {"vbsf", "h264_mp4toannexb"}}, ts),
            "");
  EXPECT_EQ(test::ProbePackets(ts, "v:0").size(), 75u);
  EXPECT_EQ(DecodeErrors(ts), "");

  // AVI stores the packets as they come: the start codes are the filter's work, and the key
  // frames carry the parameter sets.
  const path avi = dir_ / "annexb.avi";
  EXPECT_EQ(Run(clip, {{"vcodec", "copy"}, {"an", "1"}, {"vbsf", "h264_mp4toannexb"}}, avi), "");
  const auto out = test::ProbePackets(avi, "v:0");
  ASSERT_EQ(out.size(), source.size());
  EXPECT_GT(out[0].size, source[0].size);
  const auto r =
      test::RunProcess({"ffprobe", "-v", "error", "-select_streams", "v:0", "-read_intervals",
                        "%+#1", "-show_packets", "-show_data", avi.string()});
  EXPECT_NE(r.output.find("00000000: 0000 0001"), std::string::npos) << r.output;
  // The container got the filter's parameter sets (start codes, not the MP4 configuration).
  const std::string extradata = StreamEntry(avi, "v:0", "extradata_size");
  EXPECT_GT(std::atoi(extradata.c_str()), 0);
  EXPECT_NE(extradata, StreamEntry(clip, "v:0", "extradata_size"));

  // Without the filter the AVI keeps the length prefixes.
  const path plain = dir_ / "plain.avi";
  EXPECT_EQ(Run(clip, {{"vcodec", "copy"}, {"an", "1"}}, plain), "");
  EXPECT_EQ(test::ProbePackets(plain, "v:0")[0].size, source[0].size);
}

TEST_F(EngineBsf, AdtsAacCopiedIntoM4a) {
  const path clip = AdtsAacClip();
  const size_t frames = test::ProbePackets(clip, "a:0").size();
  ASSERT_GT(frames, 80u);
  const path m4a = dir_ / "audio.m4a";
  EXPECT_EQ(Run(clip, {{"acodec", "copy"}, {"absf", "aac_adtstoasc"}}, m4a), "");
  EXPECT_EQ(test::ProbePackets(m4a, "a:0").size(), frames);
  EXPECT_EQ(StreamEntry(m4a, "a:0", "codec_name"), "aac");
  // The AudioSpecificConfig built by the filter reached the container.
  EXPECT_EQ(StreamEntry(m4a, "a:0", "extradata_size"), "2");
  EXPECT_EQ(DecodeErrors(m4a), "");
}

TEST_F(EngineBsf, FiltersChainInOrder) {
  const path clip = Mpeg4GlobalHeaderClip();
  const auto source = test::ProbePackets(clip, "v:0");
  ASSERT_EQ(source.size(), 50u);
  const int extradata = std::atoi(StreamEntry(clip, "v:0", "extradata_size").c_str());
  ASSERT_GT(extradata, 0);

  // dump_extra puts the stream headers in front of every key frame.
  const path dumped = dir_ / "dumped.avi";
  EXPECT_EQ(Run(clip, {{"vcodec", "copy"}, {"vbsf", "dump_extra"}}, dumped), "");
  const auto with_headers = test::ProbePackets(dumped, "v:0");
  ASSERT_EQ(with_headers.size(), source.size());
  int keys = 0;
  for (size_t i = 0; i < source.size(); ++i) {
    EXPECT_EQ(with_headers[i].size, source[i].size + (source[i].key ? extradata : 0)) << i;
    keys += source[i].key;
  }
  EXPECT_EQ(keys, 5);

  // Then noise damages bytes without changing sizes.
  const path noisy = dir_ / "noisy.avi";
  EXPECT_EQ(Run(clip, {{"vcodec", "copy"}, {"vbsf", "dump_extra"}, {"vbsf", "noise"}}, noisy), "");
  const auto damaged = test::ProbePackets(noisy, "v:0");
  ASSERT_EQ(damaged.size(), source.size());
  int changed = 0;
  for (size_t i = 0; i < source.size(); ++i) {
    EXPECT_EQ(damaged[i].size, with_headers[i].size) << i;
    changed += damaged[i].hash != with_headers[i].hash;
  }
  EXPECT_GT(changed, 0);

  // The filters belong to the file they were given for.
  TCustomFFmpeg engine;
  ASSERT_TRUE(engine.OpenInput(clip.string()));
  engine.SetOption("vcodec", "copy");
  engine.SetOption("vbsf", "dump_extra");
  ASSERT_EQ(engine.OpenOutput((dir_ / "first.avi").string()), 0);
  engine.SetOption("vcodec", "copy");
  ASSERT_EQ(engine.OpenOutput((dir_ / "second.avi").string()), 1);
  EXPECT_TRUE(engine.Start(false));
  EXPECT_TRUE(engine.Finished()) << engine.FailureMessage();
  EXPECT_EQ(test::ProbePackets(dir_ / "first.avi", "v:0")[0].size, with_headers[0].size);
  EXPECT_EQ(test::ProbePackets(dir_ / "second.avi", "v:0")[0].size, source[0].size);
}

TEST_F(EngineBsf, EncodedPacketsAreFilteredToo) {
  const path out = dir_ / "encoded.avi";
  EXPECT_EQ(Run(Mpeg4GlobalHeaderClip(),
                {{"vcodec", "mpeg4"}, {"flags", "+global_header"}, {"vbsf", "dump_extra"}}, out),
            "");
  const int extradata = std::atoi(StreamEntry(out, "v:0", "extradata_size").c_str());
  ASSERT_GT(extradata, 0);
  const auto dumped = test::ProbePackets(out, "v:0");
  ASSERT_EQ(dumped.size(), 50u);

  const path plain = dir_ / "encoded_plain.avi";
  EXPECT_EQ(Run(Mpeg4GlobalHeaderClip(), {{"vcodec", "mpeg4"}, {"flags", "+global_header"}}, plain),
            "");
  const auto without = test::ProbePackets(plain, "v:0");
  ASSERT_EQ(without.size(), dumped.size());
  EXPECT_EQ(dumped[0].size, without[0].size + extradata);
  EXPECT_EQ(dumped[1].size, without[1].size);
}

TEST_F(EngineBsf, PacketsHeldBackComeOutAtTheEnd) {
  // pcm_rechunk makes packets of 1024 samples; the last 68 samples only leave it (padded) when
  // the stream ends. Matroska keeps the packets as they were written.
  const path out = dir_ / "rechunked.mkv";
  EXPECT_EQ(Run(PcmClip(), {{"acodec", "copy"}, {"absf", "pcm_rechunk"}}, out), "");
  const auto packets = test::ProbePackets(out, "a:0");
  ASSERT_EQ(packets.size(), 44u);
  for (const auto& p : packets) EXPECT_EQ(p.size, 1024 * 2);
}

TEST_F(EngineBsf, FilterThatDoesNotFitTheCodecFailsTheRun) {
  const path out = dir_ / "wrong.avi";
  const std::string failure =
      Run(Mpeg4GlobalHeaderClip(), {{"vcodec", "copy"}, {"vbsf", "h264_mp4toannexb"}}, out);
  EXPECT_EQ(failure.rfind("Error initializing bitstream filter h264_mp4toannexb for output "
                          "stream #0.0: ",
                          0),
            0u)
      << failure;
}

}  // namespace
}  // namespace tallowin::media
