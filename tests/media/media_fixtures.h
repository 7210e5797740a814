// Media files made with the ffmpeg tool for the loader, decoder and probe tests, and ffprobe as
// the oracle of their facts.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "media/engine/ffmpeg.h"
#include "media/runtime/ff_exception.h"
#include "media/runtime/ff_load.h"
#include "support/test_support.h"

namespace tallowin::test {

// The text `call` fails with (an engine error); empty when it succeeds.
inline std::string EngineError(const std::function<void()>& call) {
  try {
    call();
  } catch (const media::FFmpegException& e) {
    return e.what();
  }
  return "";
}

// The text an option fails with on `engine`; empty when it is accepted.
inline std::string OptionFailure(media::TCustomFFmpeg& engine, const std::string& name,
                                 const std::string& value) {
  return EngineError([&] { engine.SetOption(name, value); });
}

// Loads the encoder's library set from the system (an empty folder); fails the test otherwise.
inline void LoadSystemLibraries() {
  media::TFFLoader& loader = media::FFLoader();
  loader.SetLibraryFolder("");
  ASSERT_TRUE(loader.Load(media::kEncoderLibraries)) << loader.LastErrMsg();
}

// 3 s of the test pattern with a key frame every 10 pictures, so that half the duration is in
// the middle of a group of pictures.
inline fs::path ShortGopClip() {
  return GeneratedMedia("gop10_320x240.mkv",
                        {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=3", "-c:v",
                         "libx264", "-g", "10", "-bf", "2", "-pix_fmt", "yuv420p"});
}

// 20 s of 1280x720 with stereo sound: takes a few seconds to convert, long enough to stop or
// watch a run while it works.
inline fs::path SlowClip() {
  return GeneratedMedia(
      "clip_1280x720_20s.mp4",
      {"-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=25:duration=20", "-f", "lavfi", "-i",
       "sine=frequency=440:sample_rate=44100:duration=20", "-ac", "2", "-c:v", "libx264", "-preset",
       "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "aac", "-shortest"});
}

inline fs::path AudioOnlyClip() {
  return GeneratedMedia("audio_only.m4a",
                        {"-f", "lavfi", "-i", "sine=frequency=1000:sample_rate=48000:duration=2",
                         "-ac", "1", "-c:a", "aac"});
}

inline fs::path VideoOnlyClip() {
  return GeneratedMedia(
      "video_only.avi",
      {"-f", "lavfi", "-i", "testsrc=size=176x144:rate=15:duration=2", "-c:v", "mpeg4"});
}

inline fs::path StillImage() {
  return GeneratedMedia("still.png",
                        {"-f", "lavfi", "-i", "testsrc=size=200x100:rate=1", "-frames:v", "1"});
}

// A raw H.264 stream: the container knows no duration.
inline fs::path UnknownDurationClip() {
  return GeneratedMedia("raw_stream.h264",
                        {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=1", "-c:v",
                         "libx264", "-f", "h264"});
}

// Video, two audio streams and a subtitle stream, with metadata.
inline fs::path SeveralStreamsClip() {
  fs::path srt = TestDataDir() / "subtitles.srt";
  if (!fs::exists(srt))
    WriteFile(srt,
              "1\n00:00:00,000 --> 00:00:01,000\nHello\n\n2\n00:00:01,000 --> "
              "00:00:02,000\nWorld\n");
  return GeneratedMedia("several_streams.mkv", {"-f",
                                                "lavfi",
                                                "-i",
                                                "testsrc=size=320x180:rate=30:duration=2",
                                                "-f",
                                                "lavfi",
                                                "-i",
                                                "sine=frequency=300:sample_rate=22050:duration=2",
                                                "-f",
                                                "lavfi",
                                                "-i",
                                                "sine=frequency=600:sample_rate=32000:duration=2",
                                                "-i",
                                                srt.string(),
                                                "-map",
                                                "0",
                                                "-map",
                                                "1",
                                                "-map",
                                                "2",
                                                "-map",
                                                "3",
                                                "-c:v",
                                                "mpeg4",
                                                "-c:a",
                                                "libvorbis",
                                                "-ac",
                                                "2",
                                                "-c:s",
                                                "srt",
                                                "-metadata",
                                                "title=Several Streams",
                                                "-metadata",
                                                "artist=Tallowin Tests",
                                                "-metadata",
                                                "genre=Test",
                                                "-metadata",
                                                "date=2009",
                                                "-metadata:s:a:0",
                                                "language=eng",
                                                "-metadata:s:a:1",
                                                "language=ger"});
}

// A name with spaces and characters outside ASCII.
inline fs::path UnusualNameClip() {
  return GeneratedMedia(
      "clip with spaces é 日本.mp4",
      {"-f", "lavfi", "-i", "testsrc=size=128x96:rate=10:duration=1", "-f", "lavfi", "-i",
       "sine=duration=1", "-c:v", "libx264", "-c:a", "aac", "-shortest"});
}

// ffprobe's flat output for one file with the given arguments, as "section.key" -> value:
// "format.duration", "stream0.width" (from "streams.stream.0.width"), "chapter1.start_time"; with
// "chapters" the number of chapters listed.
inline std::map<std::string, std::string> FFProbeFlat(const fs::path& file,
                                                      std::vector<std::string> args) {
  args.insert(args.begin(), {"ffprobe", "-v", "error"});
  args.insert(args.end(), {"-of", "flat=s=.", file.string()});
  const ProcessResult r = RunProcess(args);
  std::map<std::string, std::string> out;
  int chapters = 0;
  for (const std::string& line : SplitLines(r.output)) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (value.size() >= 2 && value.front() == '"') value = value.substr(1, value.size() - 2);
    for (const std::string prefix : {"streams.stream.", "chapters.chapter."}) {
      if (key.rfind(prefix, 0) != 0) continue;
      const size_t dot = key.find('.', prefix.size());
      const std::string number = key.substr(prefix.size(), dot - prefix.size());
      const bool chapter = prefix[0] == 'c';
      if (chapter) chapters = std::max(chapters, std::stoi(number) + 1);
      key = (chapter ? "chapter" : "stream") + number + key.substr(dot);
    }
    out[key] = value;
  }
  out["chapters"] = std::to_string(chapters);
  return out;
}

// The usual facts of a file: duration, start, streams with their kinds, sizes and rates.
inline std::map<std::string, std::string> FFProbe(const fs::path& file) {
  return FFProbeFlat(file, {"-show_entries",
                            "format=duration,start_time,nb_streams:stream=index,codec_type,width,"
                            "height,sample_rate,channels"});
}

// ffprobe's "3.000000" (seconds) in microseconds; -1 for "N/A".
inline std::int64_t ProbeMicroseconds(const std::string& seconds) {
  if (seconds.empty() || seconds == "N/A") return -1;
  size_t dot = seconds.find('.');
  std::int64_t whole = std::stoll(seconds.substr(0, dot));
  std::string frac = dot == std::string::npos ? "" : seconds.substr(dot + 1);
  frac.resize(6, '0');
  return whole * 1000000 + (whole < 0 ? -1 : 1) * std::stoll(frac);
}

// The picture that `ffmpeg -ss <seconds> -i file -frames:v 1` gives, as top-down BGR rows.
inline std::string FFmpegFrameAt(const fs::path& file, double seconds, const fs::path& out) {
  char ss[32];
  std::snprintf(ss, sizeof ss, "%.6f", seconds);
  auto r = RunProcess({"ffmpeg", "-v", "error", "-y", "-ss", ss, "-i", file.string(), "-frames:v",
                       "1", "-f", "rawvideo", "-pix_fmt", "bgr24", out.string()});
  EXPECT_EQ(r.exit_code, 0) << r.output;
  return ReadFile(out);
}

}  // namespace tallowin::test
