// Rows of the program's presets written as engine options, one of each format plus every row with
// an unusual value, converting the standard 3 s 640x360 clip; ffprobe reads back the container,
// codecs, frame size, frame rate, sample rate (after the closest-rate rule) and channels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/engine/ffmpeg.h"
#include "media/media_fixtures.h"
#include "media/runtime/ff_exception.h"
#include "support/probe_facts.h"

namespace tallowin::media {
namespace {

using Options = std::vector<std::pair<std::string, std::string>>;

// The extra options of several H.264 rows, one option per line.
const char* const kLevel30 =
    "flags=+loop\r\ncmp=+chroma\r\ndeblockalpha=0\r\ndeblockbeta=0\r\ncrf=24\r\nrefs=1\r\n"
    "coder=0\r\nme_range=16\r\nsubq=5\r\npartitions=+parti4x4+parti8x8+partp8x8\r\ng=250\r\n"
    "keyint_min=25\r\nlevel=30\r\nqmin=10\r\nqmax=51\r\ntrellis=2\r\nsc_threshold=40\r\n"
    "i_qfactor=0.71\r\n";
const char* const kLevel21 =
    "flags=+loop\r\ncmp=+chroma\r\npartitions=+parti4x4+partp8x8+partb8x8\r\nme_method=umh\r\n"
    "subq=5\r\ntrellis=1\r\nrefs=2\r\nbf=1\r\ncoder=1\r\nme_range=16\r\ng=300\r\n"
    "keyint_min=25\r\nsc_threshold=40\r\ni_qfactor=0.71\r\nbt=64k\r\nmaxrate=4M\r\n"
    "bufsize=4M\r\nrc_eq='blurCplx^(1-qComp)'\r\nqcomp=0.6\r\nqmin=10\r\nqmax=51\r\nqdiff=4\r\n"
    "level=21";

// The options of an extra-options text, in order.
Options Lines(const std::string& text) {
  Options out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const size_t eq = line.find('=');
    if (eq != std::string::npos) out.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    start = end + 2;
  }
  return out;
}

Options operator+(Options a, const Options& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Row {
  const char* name;
  const char* file;  // output file name (its extension picks the container)
  Options options;
  // "container|video codec,width,height,rate|audio codec,sample rate,channels"; a kind the
  // output lacks is empty.
  const char* expected;
  const char* level = "";  // H.264 level, when the row sets one
};

std::vector<Row> Rows() {
  const Options level30 = Lines(kLevel30), level21 = Lines(kLevel21);
  const Options faac = {{"acodec", "libfaac"}, {"ac", "2"}};
  return {
      // Audio formats.
      {"wav_44000",
       "a.wav",
       {{"vn", "1"}, {"acodec", "pcm_s16le"}, {"ar", "44000"}, {"ac", "2"}},
       "wav||pcm_s16le,44000,2"},
      {"mp3",
       "a.mp3",
       {{"vn", "1"}, {"acodec", "libmp3lame"}, {"ar", "48000"}, {"ac", "2"}, {"ab", "128000"}},
       "mp3||mp3,48000,2"},
      {"wma",
       "a.wma",
       {{"vn", "1"}, {"acodec", "wmav2"}, {"ar", "48000"}, {"ac", "2"}, {"ab", "192000"}},
       "asf||wmav2,48000,2"},
      {"ogg",
       "a.ogg",
       {{"vn", "1"}, {"acodec", "libvorbis"}, {"ar", "48000"}, {"aq", "8.05"}},
       "ogg||vorbis,48000,2"},
      {"aac_22500",
       "a.aac",
       {{"vn", "1"}, {"acodec", "libfaac"}, {"ar", "22500"}, {"ac", "1"}, {"ab", "112000"}},
       "aac||aac,22050,1"},
      {"m4a_44800",
       "a.m4a",
       {{"vn", "1"}, {"ar", "44800"}, {"ac", "2"}, {"ab", "256000"}},
       "mov,mp4,m4a,3gp,3g2,mj2||aac,44100,2"},
      {"flac",
       "a.flac",
       {{"vn", "1"}, {"acodec", "flac"}, {"compression_level", "8"}},
       "flac||flac,44100,2"},
      {"mp2",
       "a.mp2",
       {{"vn", "1"}, {"acodec", "mp2"}, {"ar", "44100"}, {"ac", "2"}, {"ab", "192000"}},
       "mp3||mp2,44100,2"},
      // Video formats.
      {"avi_xvid",
       "v.avi",
       {{"vcodec", "mpeg4"},
        {"vtag", "XVID"},
        {"b", "1500000"},
        {"acodec", "libmp3lame"},
        {"ab", "192000"},
        {"ar", "44100"},
        {"ac", "2"}},
       "avi|mpeg4,640,360,25/1|mp3,44100,2"},
      {"avi_mjpeg_pcm",
       "mjpeg.avi",
       {{"vcodec", "mjpeg"},
        {"s", "640x480"},
        {"b", "4096000"},
        {"acodec", "pcm_s16le"},
        {"ab", "1411000"},
        {"ar", "44100"},
        {"ac", "2"}},
       "avi|mjpeg,640,480,25/1|pcm_s16le,44100,2"},
      {"avi_rawvideo_pcm",
       "raw.avi",
       {{"vcodec", "rawvideo"},
        {"acodec", "pcm_s16le"},
        {"ab", "1411000"},
        {"ar", "44100"},
        {"ac", "2"}},
       "avi|rawvideo,640,360,25/1|pcm_s16le,44100,2"},
      {"mp4_ipod_level30", "ipod.mp4",
       Options{{"vcodec", "libx264"}} + level30 +
           Options{
               {"s", "320x240"}, {"r", "30"}, {"b", "640000"}, {"ar", "44100"}, {"ab", "128000"}} +
           faac,
       "mov,mp4,m4a,3gp,3g2,mj2|h264,320,240,30/1|aac,44100,2", "30"},
      {"mp4_mpeg4_24000", "epson.mp4",
       Options{{"vcodec", "mpeg4"},
               {"s", "640x480"},
               {"b", "1200000"},
               {"ar", "24000"},
               {"ab", "96000"}} +
           faac,
       "mov,mp4,m4a,3gp,3g2,mj2|mpeg4,640,480,25/1|aac,24000,2"},
      {"mp4_ps3_psp_level21", "ps3.mp4",
       Options{{"f", "psp"}, {"vcodec", "libx264"}} + level21 +
           Options{{"s", "848x480"},
                   {"r", "30000/1001"},
                   {"aspect", "16:9"},
                   {"b", "2600000"},
                   {"ar", "48000"},
                   {"ab", "256000"}} +
           faac,
       "mov,mp4,m4a,3gp,3g2,mj2|h264,848,480,30000/1001|aac,48000,2", "21"},
      {"flv_x264_default",
       "best.flv",
       {{"vcodec", "libx264"},
        {"vpre", "libx264-default"},
        {"b", "1200000"},
        {"ar", "44100"},
        {"ac", "2"},
        {"ab", "160000"}},
       "flv|h264,640,360,25/1|mp3,44100,2"},
      {"flv_276x144",
       "least.flv",
       {{"s", "276x144"},
        {"r", "15"},
        {"b", "480000"},
        {"ar", "11025"},
        {"ac", "1"},
        {"ab", "24000"}},
       "flv|flv1,276,144,15/1|mp3,11025,1"},
      {"swf",
       "low.swf",
       {{"s", "320x240"},
        {"r", "25"},
        {"b", "640000"},
        {"ar", "11025"},
        {"ac", "2"},
        {"ab", "48000"}},
       "swf|flv1,320,240,25/1|mp3,11025,2"},
      {"mpeg_hd",
       "hd.mpg",
       {{"vcodec", "mpeg2video"},
        {"s", "1920x1080"},
        {"r", "30000/1001"},
        {"aspect", "4:3"},
        {"b", "15000000"},
        {"maxrate", "15000000"},
        {"minrate", "15000000"},
        {"bufsize", "6881000"},
        {"acodec", "mp2"},
        {"ar", "48000"},
        {"ac", "2"},
        {"ab", "224000"}},
       "mpeg|mpeg2video,1920,1080,30000/1001|mp2,48000,2"},
      {"mpeg_epson_mpeg1",
       "epson.mpg",
       {{"vcodec", "mpeg1video"},
        {"s", "720x480"},
        {"r", "30"},
        {"b", "2000000"},
        {"maxrate", "2000000"},
        {"minrate", "2000000"},
        {"bufsize", "917000"},
        {"acodec", "mp2"},
        {"ar", "44100"},
        {"ac", "2"},
        {"ab", "192000"}},
       "mpeg|mpeg1video,720,480,30/1|mp2,44100,2"},
      {"mpeg_target_pal_dvd",
       "dvd.mpg",
       {{"target", "pal-dvd"},
        {"acodec", "mp2"},
        {"r", "25"},
        {"aspect", "4:3"},
        {"ar", "48000"},
        {"ac", "2"}},
       "mpeg|mpeg2video,720,576,25/1|mp2,48000,2"},
      {"mpeg_target_ntsc_vcd",
       "vcd.mpg",
       {{"target", "ntsc-vcd"},
        {"acodec", "mp2"},
        {"r", "30000/1001"},
        {"aspect", "4:3"},
        {"ar", "44100"},
        {"ac", "2"}},
       "mpeg|mpeg1video,352,240,30000/1001|mp2,44100,2"},
      {"rm", "v.rm", {{"vcodec", "rv20"}, {"b", "1024000"}}, "rm|rv20,640,360,25/1|ac3,44100,2"},
      {"wmv",
       "v.wmv",
       {{"vcodec", "wmv2"},
        {"acodec", "wmav2"},
        {"s", "320x240"},
        {"r", "25"},
        {"b", "568000"},
        {"ar", "44100"},
        {"ac", "2"},
        {"ab", "128000"}},
       "asf|wmv2,320,240,25/1|wmav2,44100,2"},
      {"mov_svq1_adpcm",
       "svq1.mov",
       {{"vcodec", "svq1"},
        {"b", "921600"},
        {"acodec", "adpcm_ima_qt"},
        {"ar", "44100"},
        {"ac", "2"},
        {"ab", "352000"}},
       "mov,mp4,m4a,3gp,3g2,mj2|svq1,640,360,25/1|adpcm_ima_qt,44100,2"},
      {"mov_mjpeg_mp3",
       "photo.mov",
       {{"vcodec", "mjpeg"},
        {"b", "16384000"},
        {"acodec", "libmp3lame"},
        {"ar", "44100"},
        {"ac", "2"},
        {"ab", "256000"}},
       "mov,mp4,m4a,3gp,3g2,mj2|mjpeg,640,360,25/1|mp3,44100,2"},
      {"3gp_h263_amr",
       "a.3gp",
       {{"vcodec", "h263"},
        {"s", "176x144"},
        {"r", "12"},
        {"b", "240000"},
        {"ar", "8000"},
        {"ac", "1"},
        {"ab", "12200"}},
       "mov,mp4,m4a,3gp,3g2,mj2|h263,176,144,12/1|amr_nb,8000,1"},
      {"3gp_mpeg4_faac",
       "b.3gp",
       {{"vcodec", "mpeg4"},
        {"s", "176x144"},
        {"r", "15"},
        {"b", "104000"},
        {"acodec", "libfaac"},
        {"ar", "32000"},
        {"ac", "1"},
        {"ab", "64000"}},
       "mov,mp4,m4a,3gp,3g2,mj2|mpeg4,176,144,15/1|aac,32000,1"},
      {"3gp_mpeg4_amr",
       "c.3gp",
       {{"vcodec", "mpeg4"},
        {"s", "176x144"},
        {"r", "12"},
        {"b", "64000"},
        {"ar", "8000"},
        {"ac", "1"},
        {"ab", "12200"}},
       "mov,mp4,m4a,3gp,3g2,mj2|mpeg4,176,144,12/1|amr_nb,8000,1"},
      {"3gp_h263_128x96",
       "d.3gp",
       {{"vcodec", "h263"},
        {"s", "128x96"},
        {"r", "10"},
        {"b", "140000"},
        {"ar", "8000"},
        {"ac", "1"},
        {"ab", "10200"}},
       "mov,mp4,m4a,3gp,3g2,mj2|h263,128,96,10/1|amr_nb,8000,1"},
      // Device formats.
      {"ipod", "ipod640.mp4",
       Options{{"vcodec", "libx264"}} + level30 +
           Options{
               {"s", "640x480"}, {"r", "30"}, {"b", "2500000"}, {"ar", "48000"}, {"ab", "160000"}} +
           faac,
       "mov,mp4,m4a,3gp,3g2,mj2|h264,640,480,30/1|aac,48000,2", "30"},
      {"appletv", "appletv.mp4",
       Options{{"vcodec", "libx264"}} + level30 +
           Options{
               {"s", "720x540"}, {"r", "24"}, {"b", "2000000"}, {"ar", "44100"}, {"ab", "128000"}} +
           faac,
       "mov,mp4,m4a,3gp,3g2,mj2|h264,720,540,24/1|aac,44100,2", "30"},
      {"psp", "psp.mp4",
       Options{{"f", "psp"}, {"vcodec", "libx264"}} + level21 +
           Options{
               {"s", "368x208"}, {"r", "24"}, {"b", "1000000"}, {"ar", "44100"}, {"ab", "128000"}} +
           faac,
       "mov,mp4,m4a,3gp,3g2,mj2|h264,368,208,24/1|aac,44100,2", "21"},
      {"blackberry", "bb.mp4",
       Options{{"vcodec", "libx264"},
               {"vpre", "libx264-default"},
               {"s", "480x320"},
               {"r", "30"},
               {"b", "1300000"},
               {"ar", "44100"},
               {"ab", "128000"}} +
           faac,
       "mov,mp4,m4a,3gp,3g2,mj2|h264,480,320,30/1|aac,44100,2"},
      {"mobilephone", "mobile.mp4",
       Options{{"vcodec", "mpeg4"},
               {"s", "128x96"},
               {"r", "10"},
               {"b", "119000"},
               {"ar", "22050"},
               {"ab", "64000"}} +
           faac,
       "mov,mp4,m4a,3gp,3g2,mj2|mpeg4,128,96,10/1|aac,22050,2"},
      {"ipad_android", "ipad.mp4",
       Options{{"vcodec", "libx264"}} + level30 +
           Options{
               {"s", "320x240"}, {"r", "15"}, {"b", "500000"}, {"ar", "44100"}, {"ab", "128000"}} +
           faac,
       "mov,mp4,m4a,3gp,3g2,mj2|h264,320,240,15/1|aac,44100,2", "30"},
  };
}

class EngineRows : public testing::TestWithParam<Row> {};

TEST_P(EngineRows, ConvertsTheStandardClip) {
  test::LoadSystemLibraries();
  const Row& row = GetParam();
  test::TempDir dir;
  TCustomFFmpeg engine;
  ASSERT_TRUE(engine.OpenInput(test::StandardClip().string())) << engine.LastErrMsg();
  for (const auto& [name, value] : row.options) {
    try {
      engine.SetOption(name, value);
    } catch (const FFmpegException& e) {
      FAIL() << name << "=" << value << ": " << e.what();
    }
  }
  const std::string out = (dir / row.file).string();
  ASSERT_EQ(engine.OpenOutput(out), 0) << engine.LastErrMsg();
  ASSERT_TRUE(engine.Start(false));
  ASSERT_TRUE(engine.Finished()) << engine.FailureMessage();
  EXPECT_EQ(test::ProbeFacts(out), row.expected);
  if (*row.level) {
    auto r = test::RunProcess({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                               "stream=level", "-of", "csv=p=0", out});
    EXPECT_EQ(test::JoinProbeLines(r.output), row.level);
  }
}

INSTANTIATE_TEST_SUITE_P(PresetRows, EngineRows, testing::ValuesIn(Rows()),
                         [](const testing::TestParamInfo<Row>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tallowin::media
