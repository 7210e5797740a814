// The decoder against files made by ffmpeg, with ffprobe and ffmpeg's own frames as oracles.
#include "media/components/ff_decode.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <stdexcept>

#include "media/media_fixtures.h"
#include "media/runtime/ff_load.h"

namespace tallowin::test {
namespace {

using namespace tallowin::media;

class DecoderTest : public ::testing::Test {
 protected:
  void SetUp() override { LoadSystemLibraries(); }
  TFFDecoder decoder;
};

// The decoder's facts and records against ffprobe, for every kind of fixture.
TEST_F(DecoderTest, FactsMatchFFProbe) {
  for (const fs::path& file : {StandardClip(), AudioOnlyClip(), VideoOnlyClip(), StillImage(),
                               SeveralStreamsClip(), UnusualNameClip(), ShortGopClip()}) {
    SCOPED_TRACE(file.string());
    auto probe = FFProbe(file);
    ASSERT_TRUE(decoder.LoadFile(file.string())) << decoder.LastErrMsg();
    EXPECT_EQ(decoder.FileName(), file.string());
    EXPECT_EQ(decoder.FileSize(), static_cast<std::int64_t>(fs::file_size(file)));
    int streams = std::stoi(probe["format.nb_streams"]);
    ASSERT_EQ(decoder.StreamCount(), streams);
    int audio = 0, video = 0, subtitles = 0, first_audio = -1, first_video = -1;
    for (int i = 0; i < streams; ++i) {
      std::string kind = probe["stream" + std::to_string(i) + ".codec_type"];
      if (kind == "audio" && audio++ == 0) first_audio = i;
      if (kind == "video" && video++ == 0) first_video = i;
      if (kind == "subtitle") ++subtitles;
    }
    EXPECT_EQ(decoder.AudioStreamCount(), audio);
    EXPECT_EQ(decoder.VideoStreamCount(), video);
    EXPECT_EQ(decoder.SubtitleStreamCount(), subtitles);
    EXPECT_EQ(decoder.FirstAudioStream(), first_audio);
    EXPECT_EQ(decoder.FirstVideoStream(), first_video);

    TFileStreamInfo info;
    ASSERT_TRUE(decoder.GetFileStreamInfo(info));
    EXPECT_EQ(info.Duration, ProbeMicroseconds(probe["format.duration"]));
    EXPECT_EQ(info.StartTime, ProbeMicroseconds(probe["format.start_time"]));

    TVideoStreamInfo v;
    EXPECT_EQ(decoder.GetVideoStreamInfo(-1, v), first_video >= 0);
    if (first_video >= 0) {
      std::string s = "stream" + std::to_string(first_video);
      EXPECT_EQ(v.Width, std::stoi(probe[s + ".width"]));
      EXPECT_EQ(v.Height, std::stoi(probe[s + ".height"]));
      EXPECT_NEAR(v.DisplayAspectRatio, double(v.Width) / v.Height, 1e-4);
      EXPECT_GT(v.FrameRate.num, 0);
      EXPECT_GT(v.FrameRate.den, 0);
      EXPECT_FALSE(v.CodecDesc.empty());
    }
    TAudioStreamInfo a;
    EXPECT_EQ(decoder.GetAudioStreamInfo(-1, a), first_audio >= 0);
    if (first_audio >= 0) {
      std::string s = "stream" + std::to_string(first_audio);
      EXPECT_EQ(a.SampleRate, std::stoi(probe[s + ".sample_rate"]));
      EXPECT_EQ(a.Channels, std::stoi(probe[s + ".channels"]));
      EXPECT_GE(a.SampleFormat, 0);
    }
    decoder.CloseFile();
  }
}

TEST_F(DecoderTest, RecordsOfSeveralStreamsAndMetadata) {
  ASSERT_TRUE(decoder.LoadFile(SeveralStreamsClip().string())) << decoder.LastErrMsg();
  EXPECT_EQ(decoder.FirstSubtitleStream(), 3);
  TFileStreamInfo info;
  decoder.GetFileStreamInfo(info);
  EXPECT_EQ(info.Title, "Several Streams");
  EXPECT_EQ(info.Author, "Tallowin Tests");
  EXPECT_EQ(info.Genre, "Test");
  EXPECT_EQ(info.Year, 2009);
  EXPECT_EQ(info.Track, 0);

  TAudioStreamInfo second;
  ASSERT_TRUE(decoder.GetAudioStreamInfo(2, second));
  EXPECT_EQ(second.SampleRate, 32000);
  EXPECT_EQ(second.Language, "ger");
  EXPECT_NE(second.CodecDesc.find("vorbis("), std::string::npos) << second.CodecDesc;

  TVideoStreamInfo video;
  ASSERT_TRUE(decoder.GetVideoStreamInfo(0, video));
  EXPECT_EQ(video.CodecDesc.rfind("mpeg4(", 0), 0u) << video.CodecDesc;
  EXPECT_EQ(video.FrameRate.num, 30);
  EXPECT_EQ(video.FrameRate.den, 1);
  EXPECT_EQ(video.Duration, -1);  // Matroska keeps only the container's duration

  // Wrong kinds and indexes leave the records unknown, with the reason.
  TAudioStreamInfo audio;
  EXPECT_FALSE(decoder.GetAudioStreamInfo(0, audio));
  EXPECT_EQ(decoder.LastErrMsg(), "stream #0 is not audio stream.");
  EXPECT_EQ(audio.SampleRate, -1);
  EXPECT_EQ(audio.Duration, -1);
  EXPECT_FALSE(decoder.GetVideoStreamInfo(9, video));
  EXPECT_EQ(decoder.LastErrMsg(), "stream index #9 is invalid.");
  EXPECT_EQ(video.Width, -1);
  EXPECT_FLOAT_EQ(video.DisplayAspectRatio, -1.0f);
  EXPECT_FALSE(decoder.Decode(1));
  EXPECT_EQ(decoder.LastErrMsg(), "stream #1 is not video stream.");
}

TEST_F(DecoderTest, UnknownValuesWithoutFileOrStream) {
  TFileStreamInfo info;
  info.Duration = 5;
  info.Title = "x";
  EXPECT_FALSE(decoder.GetFileStreamInfo(info));
  EXPECT_EQ(decoder.LastErrMsg(), "file not loaded.");
  EXPECT_EQ(info.StartTime, -1);
  EXPECT_EQ(info.Duration, -1);
  EXPECT_EQ(info.BitRate, -1);
  EXPECT_EQ(info.Year, -1);
  EXPECT_EQ(info.Title, "");
  EXPECT_EQ(decoder.StreamCount(), -1);
  EXPECT_EQ(decoder.FileSize(), -1);
  EXPECT_EQ(decoder.FileName(), "");
  EXPECT_FALSE(decoder.Seek(0, 0));
  EXPECT_FALSE(decoder.Decode());

  ASSERT_TRUE(decoder.LoadFile(VideoOnlyClip().string()));
  TAudioStreamInfo audio;
  EXPECT_FALSE(decoder.GetAudioStreamInfo(-1, audio));
  EXPECT_EQ(decoder.LastErrMsg(), "no audio stream.");
  EXPECT_EQ(audio.Channels, -1);
  EXPECT_EQ(decoder.AudioStreamCount(), 0);
  EXPECT_EQ(decoder.FirstAudioStream(), -1);

  ASSERT_TRUE(decoder.LoadFile(AudioOnlyClip().string()));
  EXPECT_FALSE(decoder.Decode());
  EXPECT_EQ(decoder.LastErrMsg(), "no video stream.");

  ASSERT_TRUE(decoder.LoadFile(UnknownDurationClip().string()));
  decoder.GetFileStreamInfo(info);
  EXPECT_EQ(info.Duration, -1);
  EXPECT_TRUE(decoder.Decode());
  // A raw stream cannot seek; a refused seek leaves it readable from where it was.
  ASSERT_TRUE(decoder.LoadFile(UnknownDurationClip().string()));
  decoder.Seek(0, 0);
  EXPECT_TRUE(decoder.Decode()) << decoder.LastErrMsg();
  EXPECT_FALSE(decoder.EndOfStream());

  decoder.CloseFile();
  EXPECT_EQ(decoder.StreamCount(), -1);
  EXPECT_EQ(decoder.FirstVideoStream(), -1);
  EXPECT_FALSE(decoder.LoadFile(VideoOnlyClip().string(), "no_such_format"));
  EXPECT_EQ(decoder.LastErrMsg(), "Unknown input format: no_such_format");
}

// Reading a whole stream picture by picture: every picture once, in order, the last ones too.
TEST_F(DecoderTest, DecodesEveryPictureThenReportsEnd) {
  ASSERT_TRUE(decoder.LoadFile(ShortGopClip().string()));
  int count = 0;
  std::int64_t last = -1;
  while (decoder.Decode()) {
    EXPECT_GT(decoder.PicturePTS(), last);
    last = decoder.PicturePTS();
    ++count;
    ASSERT_LT(count, 1000);
  }
  EXPECT_EQ(count, 75);
  EXPECT_EQ(last, 74 * 40000);
  EXPECT_TRUE(decoder.EndOfStream());
  EXPECT_EQ(decoder.LastErrMsg(), "stream eof reached.");
  EXPECT_FALSE(decoder.Decode());

  // A seek starts over; by time it gives the picture at the position, not the key frame.
  ASSERT_TRUE(decoder.Seek(0, 0));
  EXPECT_FALSE(decoder.EndOfStream());
  ASSERT_TRUE(decoder.Decode());
  EXPECT_EQ(decoder.PicturePTS(), 0);
  EXPECT_TRUE(decoder.PictureKeyFrame());
  ASSERT_TRUE(decoder.Seek(0, 1'010'000));
  ASSERT_TRUE(decoder.Decode());
  EXPECT_EQ(decoder.PicturePTS(), 1'040'000);
  ASSERT_TRUE(decoder.Decode());
  EXPECT_EQ(decoder.PicturePTS(), 1'080'000);
  // Past the end: the last picture.
  ASSERT_TRUE(decoder.Seek(0, 60'000'000));
  ASSERT_TRUE(decoder.Decode());
  EXPECT_EQ(decoder.PicturePTS(), 74 * 40000);
}

// The thumbnail the input list takes (half the duration) is the frame ffmpeg extracts there.
TEST_F(DecoderTest, PictureAtHalfDurationMatchesFFmpeg) {
  TempDir tmp;
  for (const fs::path& file : {StandardClip(), ShortGopClip(), VideoOnlyClip()}) {
    SCOPED_TRACE(file.string());
    ASSERT_TRUE(decoder.LoadFile(file.string()));
    TFileStreamInfo info;
    decoder.GetFileStreamInfo(info);
    ASSERT_GT(info.Duration, 0);
    const std::int64_t half = info.Duration / 2;
    decoder.Seek(0, half);
    ASSERT_TRUE(decoder.Decode(decoder.FirstVideoStream())) << decoder.LastErrMsg();
    TBitmap bitmap;
    ASSERT_TRUE(decoder.CopyToBitmap(bitmap));
    std::string ours;
    for (int y = 0; y < bitmap.Height; ++y)
      ours.append(reinterpret_cast<const char*>(bitmap.TopRow(y)), bitmap.Width * 3);

    std::string theirs = FFmpegFrameAt(file, half / 1e6, tmp / "frame.raw");
    ASSERT_EQ(ours.size(), theirs.size());
    EXPECT_TRUE(ours == theirs) << "picture differs from ffmpeg's at " << half;
    // The neighbouring pictures differ: the comparison can tell them apart.
    std::string before = FFmpegFrameAt(file, (half - 80000) / 1e6, tmp / "before.raw");
    EXPECT_FALSE(ours == before);
  }
}

TEST_F(DecoderTest, BitmapLayoutAndStillImages) {
  TBitmap bitmap;
  bitmap.Resize(3, 2);
  bitmap.TopRow(0)[0] = 7;
  ASSERT_TRUE(decoder.LoadFile(StillImage().string()));
  EXPECT_FALSE(decoder.CopyToBitmap(bitmap));
  EXPECT_EQ(decoder.LastErrMsg(), "picture not ready, please decode first");
  EXPECT_EQ(bitmap.Width, 3);  // untouched
  EXPECT_EQ(bitmap.TopRow(0)[0], 7);

  EXPECT_FALSE(decoder.Seek(0, 0));
  EXPECT_EQ(decoder.LastErrMsg(), "\"image2\" format cannot to be seeked.");
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(decoder.Decode()) << i << decoder.LastErrMsg();
  ASSERT_TRUE(decoder.CopyToBitmap(bitmap));
  EXPECT_EQ(bitmap.Width, 200);
  EXPECT_EQ(bitmap.Height, 100);
  EXPECT_EQ(bitmap.Stride, 600);
  EXPECT_EQ(bitmap.Pixels.size(), 600u * 100);

  // An odd width pads every row to four bytes; the BMP holds the rows as they are.
  TempDir tmp;
  TBitmap odd;
  odd.Resize(5, 3);
  odd.TopRow(0)[0] = 0x11;   // top-left blue
  odd.TopRow(2)[14] = 0x22;  // bottom-right red
  ASSERT_TRUE(WriteBmp(odd, (tmp / "odd.bmp").string()));
  std::string bmp = ReadFile(tmp / "odd.bmp");
  ASSERT_EQ(bmp.size(), 54u + 16 * 3);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(static_cast<unsigned char>(bmp[54 + 14]), 0x22);      // bottom row first
  EXPECT_EQ(static_cast<unsigned char>(bmp[54 + 2 * 16]), 0x11);  // top row last
  EXPECT_FALSE(WriteBmp(TBitmap(), (tmp / "empty.bmp").string()));
  EXPECT_FALSE(WriteBmp(odd, (tmp / "no" / "such" / "folder.bmp").string()));
}

TEST_F(DecoderTest, DeinterlaceBlendsLinesOrSwitchesItselfOff) {
  ASSERT_TRUE(decoder.LoadFile(StandardClip().string()));
  ASSERT_TRUE(decoder.Decode());
  TBitmap plain;
  ASSERT_TRUE(decoder.CopyToBitmap(plain));
  decoder.Seek(0, 0);
  decoder.Deinterlace = true;
  ASSERT_TRUE(decoder.Decode());
  TBitmap blended;
  ASSERT_TRUE(decoder.CopyToBitmap(blended));
  EXPECT_TRUE(decoder.Deinterlace);
  EXPECT_NE(plain.Pixels, blended.Pixels);
  ASSERT_EQ(plain.Pixels.size(), blended.Pixels.size());
  long diff = 0;
  for (size_t i = 0; i < plain.Pixels.size(); ++i)
    diff += std::abs(plain.Pixels[i] - blended.Pixels[i]);
  EXPECT_LT(diff / double(plain.Pixels.size()), 8.0) << "a blend, not another picture";

  // An RGB picture cannot be blended: the picture is used as decoded and the option goes off.
  fs::path rgb = GeneratedMedia(
      "rgb_picture.png",
      {"-f", "lavfi", "-i", "testsrc=size=64x48:rate=1", "-frames:v", "1", "-pix_fmt", "rgb24"});
  ASSERT_TRUE(decoder.LoadFile(rgb.string()));
  decoder.Deinterlace = true;
  ASSERT_TRUE(decoder.Decode());
  EXPECT_FALSE(decoder.Deinterlace);
  EXPECT_EQ(decoder.LastErrMsg(), "deinterlacing failed.");
  TBitmap picture;
  EXPECT_TRUE(decoder.CopyToBitmap(picture));
}

TEST_F(DecoderTest, AttachedInputCannotBeSeeked) {
  AVFormatContext* context = nullptr;
  ASSERT_EQ(FF().avformat_open_input(&context, StandardClip().c_str(), nullptr, nullptr), 0);
  ASSERT_GE(FF().avformat_find_stream_info(context, nullptr), 0);
  {
    TFFDecoder attached;
    attached.AttachInput(context);
    EXPECT_EQ(attached.StreamCount(), 2);
    EXPECT_EQ(attached.FileName(), StandardClip().string());
    try {
      attached.Seek(0, 0);
      ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "file cannot be seeked, handle is readonly.");
    }
    attached.CloseFile();  // forgets the context; the engine still owns it
  }
  EXPECT_EQ(context->nb_streams, 2u);
  FF().avformat_close_input(&context);
}

// Damaged and hostile files: false with the file's name in the reason, never a crash or hang.
TEST_F(DecoderTest, DamagedFilesFailWithReasonNamingThem) {
  TempDir tmp;
  std::string clip = ReadFile(StandardClip());
  std::mt19937 random(7);
  std::string noise(200000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  auto u32le = [](std::uint32_t v) {
    return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
  };
  auto u32be = [](std::uint32_t v) {
    return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
  };
  // A WAV header with 65535 channels, a huge rate and a data chunk of almost 4 GB.
  std::string wav = "RIFF" + u32le(0xFFFFFFFF) + "WAVEfmt " + u32le(16) +
                    std::string("\x01\x00\xff\xff", 4) + u32le(0xFFFFFFFF) + u32le(0xFFFFFFFF) +
                    std::string("\xff\xff\x10\x00", 4) + "data" + u32le(0xFFFFFFF0) +
                    std::string(100, '\0');
  // A PNG whose header claims 2147483647 x 2147483647 pixels.
  std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + u32be(13) + "IHDR" + u32be(0x7fffffff) +
                    u32be(0x7fffffff) + std::string("\x08\x02\0\0\0", 5) + u32be(0) + u32be(0) +
                    "IEND" + u32be(0xAE426082);
  // An MP4 whose movie box claims 2^63 bytes.
  std::string mp4 = u32be(24) + "ftypisom" + u32be(512) + "isomiso2" + u32be(1) + "moov" +
                    std::string("\x7f\xff\xff\xff\xff\xff\xff\xf0", 8) + std::string(64, '\0');
  const std::vector<std::pair<std::string, std::string>> files = {
      {"empty.mp4", ""},
      {"noise.mp4", noise},
      {"cut in half.mp4", clip.substr(0, clip.size() / 2)},
      {"absurd.wav", wav},
      {"absurd.png", png},
      {"absurd.mp4", mp4},
  };
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    fs::path path = tmp / name;
    WriteFile(path, bytes);
    EXPECT_FALSE(decoder.LoadFile(path.string()));
    EXPECT_EQ(decoder.LastErrMsg().rfind(path.string() + ": ", 0), 0u) << decoder.LastErrMsg();
    EXPECT_FALSE(decoder.Loaded());
    EXPECT_EQ(ReadFile(path), bytes) << "the file is left as it was";
  }
  EXPECT_FALSE(decoder.LoadFile((tmp / "missing.mp4").string()));
  EXPECT_EQ(decoder.LastErrMsg(), (tmp / "missing.mp4").string() + ": No such file or directory");
  EXPECT_FALSE(decoder.LoadFile(tmp.path().string()));
  EXPECT_EQ(decoder.LastErrMsg().rfind(tmp.path().string() + ": ", 0), 0u);

  // A file cut after its index loads; reading stops at the cut without harm.
  fs::path fast = GeneratedMedia(
      "faststart.mp4", {"-i", StandardClip().string(), "-c", "copy", "-movflags", "+faststart"});
  std::string whole = ReadFile(fast);
  WriteFile(tmp / "cut_after_index.mp4", whole.substr(0, whole.size() / 2));
  ASSERT_TRUE(decoder.LoadFile((tmp / "cut_after_index.mp4").string()));
  int pictures = 0;
  while (decoder.Decode() && pictures < 1000) ++pictures;
  EXPECT_GT(pictures, 0);
  EXPECT_LT(pictures, 75);
  decoder.Seek(0, 2'500'000);
  decoder.Decode();
  TBitmap bitmap;
  decoder.CopyToBitmap(bitmap);
}

TEST_F(DecoderTest, ProbingALargeFileOfZerosEndsInBoundedTime) {
  TempDir tmp;
  // 512 MiB of zeros (sparse on disk): nothing to find, and far too much to read through. As
  // MP3 the demuxer would skip zeros for seconds looking for a frame.
  for (const char* name : {"zeros.wav", "zeros.mp3", "zeros.ac3"}) {
    const std::string zeros = (tmp.path() / name).string();
    std::FILE* f = std::fopen(zeros.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(::ftruncate(::fileno(f), std::int64_t{512} << 20), 0);
    std::fclose(f);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(decoder.LoadFile(zeros)) << name;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3500)) << name;
    EXPECT_EQ(decoder.LastErrMsg().rfind(zeros + ": ", 0), 0u) << decoder.LastErrMsg();
    fs::remove(zeros);
  }
  // The bounds leave ordinary files alone.
  EXPECT_TRUE(decoder.LoadFile(StandardClip().string())) << decoder.LastErrMsg();
}

TEST_F(DecoderTest, RefusesToWorkWithoutItsLibraries) {
  FFLoader().Unload(LibraryBit(libSwScale));
  try {
    decoder.LoadFile(StandardClip().string());
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "LibSwScale not loaded.");
  }
  FFLoader().Unload(kAllLibraries);
  try {
    TFileStreamInfo info;
    decoder.GetFileStreamInfo(info);
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "LibAVCodec not loaded.");
  }
  LoadSystemLibraries();
  EXPECT_TRUE(decoder.LoadFile(StandardClip().string()));
}

}  // namespace
}  // namespace tallowin::test
