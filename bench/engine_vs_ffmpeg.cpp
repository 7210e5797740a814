// engine_vs_ffmpeg [RUNS] [WORKDIR]: the same conversions through `tallowin-cli engine` and
// through the ffmpeg command-line tool, run alternately; prints the median wall time of each, their
// ratio and the peak memory (maximum resident set) of each.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_child.h"

namespace {

using Measure = tallowin::bench::ChildRun;

Measure Run(const std::vector<std::string>& argv) {
  return tallowin::bench::RunChild(argv);
}

bool Exists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && st.st_size > 0;
}

void Make(const std::string& path, const std::vector<std::string>& args) {
  if (Exists(path)) return;
  std::vector<std::string> argv = {"ffmpeg", "-v", "error", "-y"};
  argv.insert(argv.end(), args.begin(), args.end());
  argv.push_back(path);
  std::printf("making %s ...\n", path.c_str());
  std::fflush(stdout);
  if (Run(argv).status != 0) {
    std::fprintf(stderr, "could not make %s\n", path.c_str());
    std::exit(1);
  }
}

template <class T>
T Median(std::vector<T> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Case {
  const char* name;
  std::vector<std::string> ours;    // engine options after "--"
  std::vector<std::string> theirs;  // ffmpeg arguments
};

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const std::string dir = argc > 2 ? argv[2] : "/tmp/tallowin-bench";
  mkdir(dir.c_str(), 0755);
  const std::string cli = std::string(TALLOWIN_BIN_DIR) + "/tallowin-cli";
  const std::string clip = dir + "/clip_1080p_30s.mp4";
  const std::string wav = dir + "/stereo_10min.wav";
  Make(clip, {"-f",       "lavfi", "-i",       "testsrc2=size=1920x1080:rate=30:duration=30",
              "-f",       "lavfi", "-i",       "sine=frequency=440:sample_rate=48000:duration=30",
              "-ac",      "2",     "-c:v",     "libx264",
              "-preset",  "fast",  "-pix_fmt", "yuv420p",
              "-c:a",     "aac",   "-b:a",     "160k",
              "-shortest"});
  Make(wav, {"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=600", "-ac", "2",
             "-c:a", "pcm_s16le"});
  const std::string out = dir + "/out";
  const std::vector<Case> cases = {
      {"1080p to AVI (mpeg4 XVID 1500k, mp3 192k)",
       {"-i", clip, "-vcodec", "mpeg4", "-vtag", "XVID", "-b", "1500000", "-acodec", "libmp3lame",
        "-ab", "192000", out + "_ours.avi"},
       {"-i", clip, "-c:v", "mpeg4", "-vtag", "XVID", "-b:v", "1500000", "-c:a", "libmp3lame",
        "-b:a", "192000", out + "_ffmpeg.avi"}},
      {"1080p to MP4 (libx264 1200k, aac 128k)",
       {"-i", clip, "-vcodec", "libx264", "-b", "1200000", "-acodec", "aac", "-ab", "128000",
        out + "_ours.mp4"},
       {"-i", clip, "-c:v", "libx264", "-b:v", "1200000", "-c:a", "aac", "-b:a", "128000",
        out + "_ffmpeg.mp4"}},
      {"10 min WAV to MP3 (256k, 48000 Hz)",
       {"-i", wav, "-acodec", "libmp3lame", "-ab", "256000", "-ar", "48000", out + "_ours.mp3"},
       {"-i", wav, "-c:a", "libmp3lame", "-b:a", "256000", "-ar", "48000", out + "_ffmpeg.mp3"}},
  };
  std::printf("%d runs each, alternating; median wall time, peak resident memory\n\n", runs);
  std::printf("%-44s %10s %10s %7s %12s %12s %7s\n", "case", "ours s", "ffmpeg s", "ratio",
              "ours MiB", "ffmpeg MiB", "ratio");
  for (const auto& c : cases) {
    std::vector<std::string> ours = {cli, "engine", "--quiet", "--"};
    ours.insert(ours.end(), c.ours.begin(), c.ours.end());
    std::vector<std::string> theirs = {"ffmpeg", "-nostdin", "-v", "error", "-y"};
    theirs.insert(theirs.end(), c.theirs.begin(), c.theirs.end());
    std::vector<double> t_ours, t_theirs;
    std::vector<long> m_ours, m_theirs;
    for (int i = 0; i < runs; ++i) {
      const Measure a = Run(ours);
      const Measure b = Run(theirs);
      if (a.status != 0 || b.status != 0) {
        std::fprintf(stderr, "%s: a run failed (ours %d, ffmpeg %d)\n", c.name, a.status, b.status);
        return 1;
      }
      t_ours.push_back(a.seconds);
      t_theirs.push_back(b.seconds);
      m_ours.push_back(a.peak_kb);
      m_theirs.push_back(b.peak_kb);
    }
    const double to = Median(t_ours), tt = Median(t_theirs);
    const double mo = Median(m_ours) / 1024.0, mt = Median(m_theirs) / 1024.0;
    std::printf("%-44s %10.2f %10.2f %7.3f %12.1f %12.1f %7.3f\n", c.name, to, tt, to / tt, mo, mt,
                mo / mt);
    std::fflush(stdout);
  }
  return 0;
}
