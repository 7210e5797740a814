// Probing with thumbnails in one process against the ffprobe + ffmpeg pair of processes per file.
//
// Generates (once) 100 short clips with the ffmpeg tool, then for every clip:
//   in process: LoadFile, the three records, Seek to half the duration, Decode, CopyToBitmap;
//   processes:  ffprobe -show_format -show_streams, then ffmpeg -ss <half> -i clip -frames:v 1.
// Prints the time per file of both and their ratio. Usage: probe_bench [COUNT]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "media/components/ff_decode.h"
#include "media/picture/bitmap.h"
#include "media/runtime/ff_load.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace tallowin::media;

// Runs a program with its output discarded; returns its exit status (-1 when it did not run).
int Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
  const fs::path data = fs::path(TALLOWIN_BIN_DIR).parent_path() / "bench" / "probe_clips";
  fs::create_directories(data);
  std::vector<fs::path> clips;
  const char* patterns[] = {"testsrc", "testsrc2", "smptebars", "rgbtestsrc"};
  for (int i = 0; i < count; ++i) {
    fs::path clip = data / ("clip" + std::to_string(i) + ".mp4");
    if (!fs::exists(clip)) {
      char video[128], audio[96];
      std::snprintf(video, sizeof video, "%s=size=320x240:rate=25:duration=%d", patterns[i % 4],
                    2 + i % 3);
      std::snprintf(audio, sizeof audio, "sine=frequency=%d:sample_rate=44100:duration=%d",
                    200 + 10 * i, 2 + i % 3);
      fs::path part = data / ("part" + std::to_string(i) + ".mp4");
      if (Run({"ffmpeg",   "-y",      "-f",   "lavfi", "-i",        video,        "-f",
               "lavfi",    "-i",      audio,  "-c:v",  "libx264",   "-preset",    "veryfast",
               "-pix_fmt", "yuv420p", "-c:a", "aac",   "-shortest", part.string()}) != 0) {
        std::fprintf(stderr, "ffmpeg could not make %s\n", clip.c_str());
        return 1;
      }
      fs::rename(part, clip);
    }
    clips.push_back(clip);
  }

  TFFLoader& loader = FFLoader();
  loader.SetLibraryFolder(std::string(TALLOWIN_BIN_DIR) + "/lib");
  if (!loader.Load(kEncoderLibraries)) {
    std::fprintf(stderr, "%s\n", loader.LastErrMsg().c_str());
    return 1;
  }

  // In process, as the input list probes a file.
  std::vector<std::int64_t> halves;
  int thumbnails = 0;
  TFFDecoder decoder;
  auto start = Clock::now();
  for (const fs::path& clip : clips) {
    if (!decoder.LoadFile(clip.string())) {
      std::fprintf(stderr, "%s\n", decoder.LastErrMsg().c_str());
      return 1;
    }
    TFileStreamInfo info;
    decoder.GetFileStreamInfo(info);
    std::int64_t half = info.Duration > 0 ? info.Duration / 2 : 0;
    halves.push_back(half);
    decoder.Seek(0, half);
    TBitmap bitmap;
    if (decoder.Decode(decoder.FirstVideoStream()) && decoder.CopyToBitmap(bitmap)) ++thumbnails;
    TVideoStreamInfo video;
    decoder.GetVideoStreamInfo(decoder.FirstVideoStream(), video);
    TAudioStreamInfo audio;
    decoder.GetAudioStreamInfo(decoder.FirstAudioStream(), audio);
    decoder.CloseFile();
  }
  const double ours = Ms(Clock::now() - start) / clips.size();

  // The pair of processes per file.
  const std::string frame = (data / "frame.bmp").string();
  start = Clock::now();
  for (size_t i = 0; i < clips.size(); ++i) {
    char ss[32];
    std::snprintf(ss, sizeof ss, "%.6f", halves[i] / 1e6);
    Run({"ffprobe", "-v", "error", "-show_format", "-show_streams", clips[i].string()});
    Run({"ffmpeg", "-v", "error", "-y", "-ss", ss, "-i", clips[i].string(), "-frames:v", "1",
         frame});
  }
  const double theirs = Ms(Clock::now() - start) / clips.size();

  std::printf("clips: %zu (320x240, 2-4 s, H.264 + AAC), thumbnails: %d\n", clips.size(),
              thumbnails);
  std::printf("in process:           %8.2f ms per file\n", ours);
  std::printf("ffprobe + ffmpeg -ss: %8.2f ms per file\n", theirs);
  std::printf("ratio:                %8.1fx\n", theirs / ours);
  return 0;
}
