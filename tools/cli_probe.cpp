// tallowin-cli probe [--thumbnails DIR] FILE...
//
// Opens each file with the decoder, the way the program's input list does, and prints what the
// decoder reports: a "file: PATH" line, then "key: value" lines. With --thumbnails the picture at
// half the duration is written as DIR/<file name>.bmp.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_command.h"
#include "media/components/ff_decode.h"
#include "media/picture/bitmap.h"
#include "media/runtime/ff_load.h"

namespace tallowin::cli {
namespace {

using namespace tallowin::media;

void Put(const char* key, long long value) {
  std::printf("%s: %lld\n", key, value);
}
void Put(const char* key, const std::string& value) {
  std::printf("%s: %s\n", key, value.c_str());
}
void PutFloat(const char* key, double value) {
  std::printf("%s: %.6g\n", key, value);
}

void PrintFile(const TFileStreamInfo& f) {
  Put("File.StartTime", f.StartTime);
  Put("File.Duration", f.Duration);
  Put("File.BitRate", f.BitRate);
  Put("File.Timestamp", f.Timestamp);
  Put("File.Year", f.Year);
  Put("File.Track", f.Track);
  Put("File.Title", f.Title);
  Put("File.Author", f.Author);
  Put("File.Copyright", f.Copyright);
  Put("File.Comment", f.Comment);
  Put("File.Album", f.Album);
  Put("File.Genre", f.Genre);
}

template <typename Info>
void PrintCommon(const std::string& kind, const Info& s) {
  Put((kind + ".Language").c_str(), s.Language);
  Put((kind + ".CodecDesc").c_str(), s.CodecDesc);
  Put((kind + ".StartTimeRaw").c_str(), s.StartTimeRaw);
  Put((kind + ".StartTime").c_str(), s.StartTime);
  Put((kind + ".DurationRaw").c_str(), s.DurationRaw);
  Put((kind + ".Duration").c_str(), s.Duration);
  Put((kind + ".BitRate").c_str(), s.BitRate);
}

void PrintVideo(const TVideoStreamInfo& v) {
  PrintCommon("Video", v);
  Put("Video.Height", v.Height);
  Put("Video.Width", v.Width);
  PutFloat("Video.DisplayAspectRatio", v.DisplayAspectRatio);
  Put("Video.PixelFormat", v.PixelFormat);
  std::printf("Video.FrameRate: %d/%d\n", v.FrameRate.num, v.FrameRate.den);
}

void PrintAudio(const TAudioStreamInfo& a) {
  PrintCommon("Audio", a);
  Put("Audio.Channels", a.Channels);
  Put("Audio.SampleRate", a.SampleRate);
  Put("Audio.SampleFormat", a.SampleFormat);
}

// The thumbnail as the input list takes it: the picture at half the duration (at the start when
// the duration is unknown). Returns the written path, or empty.
std::string WriteThumbnail(TFFDecoder& decoder, const std::string& path, const std::string& dir) {
  if (decoder.FirstVideoStream() < 0) return std::string();
  TFileStreamInfo info;
  decoder.GetFileStreamInfo(info);
  decoder.Seek(0, info.Duration > 0 ? info.Duration / 2 : 0);
  TBitmap bitmap;
  if (!decoder.Decode(decoder.FirstVideoStream()) || !decoder.CopyToBitmap(bitmap))
    return std::string();
  std::string name = std::filesystem::path(path).filename().string();
  std::string out = dir + (dir.empty() || dir.back() == '/' ? "" : "/") + name + ".bmp";
  return WriteBmp(bitmap, out) ? out : std::string();
}

bool ProbeOne(TFFDecoder& decoder, const std::string& path, const std::string& thumbnails) {
  std::printf("file: %s\n", path.c_str());
  try {
    if (!decoder.LoadFile(path)) {
      Put("error", decoder.LastErrMsg());
      return false;
    }
    Put("FileSize", decoder.FileSize());
    Put("StreamCount", decoder.StreamCount());
    Put("AudioStreamCount", decoder.AudioStreamCount());
    Put("VideoStreamCount", decoder.VideoStreamCount());
    Put("SubtitleStreamCount", decoder.SubtitleStreamCount());
    Put("FirstAudioStream", decoder.FirstAudioStream());
    Put("FirstVideoStream", decoder.FirstVideoStream());
    Put("FirstSubtitleStream", decoder.FirstSubtitleStream());
    TFileStreamInfo file;
    decoder.GetFileStreamInfo(file);
    PrintFile(file);
    TVideoStreamInfo video;
    if (decoder.FirstVideoStream() >= 0)
      decoder.GetVideoStreamInfo(decoder.FirstVideoStream(), video);
    PrintVideo(video);
    TAudioStreamInfo audio;
    if (decoder.FirstAudioStream() >= 0)
      decoder.GetAudioStreamInfo(decoder.FirstAudioStream(), audio);
    PrintAudio(audio);
    if (!thumbnails.empty()) Put("Thumbnail", WriteThumbnail(decoder, path, thumbnails));
    decoder.CloseFile();
    return true;
  } catch (const std::exception& e) {
    Put("error", e.what());
    return false;
  }
}

int RunProbe(const std::vector<std::string>& args) {
  std::string thumbnails;
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--thumbnails") {
      if (i + 1 >= args.size()) {
        std::fprintf(stderr, "probe: --thumbnails needs a folder\n");
        return 2;
      }
      thumbnails = args[++i];
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.empty()) {
    std::fprintf(stderr, "usage: tallowin-cli probe [--thumbnails DIR] FILE...\n");
    return 2;
  }
  if (!thumbnails.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(thumbnails, ec);
    if (ec) {
      std::fprintf(stderr, "probe: cannot create %s: %s\n", thumbnails.c_str(),
                   ec.message().c_str());
      return 2;
    }
  }
  TFFLoader& loader = FFLoader();
  loader.SetLibraryFolder(ExecutableDir() + "lib");
  if (!loader.Load(kEncoderLibraries)) {
    std::fprintf(stderr, "error: %s\n", loader.LastErrMsg().c_str());
    return 1;
  }
  bool all = true;
  {
    TFFDecoder decoder;
    for (const std::string& file : files) all = ProbeOne(decoder, file, thumbnails) && all;
  }
  std::fflush(stdout);
  return all ? 0 : 1;
}

const Registration kProbe{"probe", "probe [--thumbnails DIR] FILE...", &RunProbe};

}  // namespace
}  // namespace tallowin::cli
