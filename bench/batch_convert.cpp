// batch_convert [RUNS] [WORKDIR]: a batch of files through `tallowin-cli convert --jobs auto`,
// through `--jobs 1` and through a shell loop that runs the ffmpeg command-line tool on each
// file with the same settings. Two batches: 24 WAV files of 30 s into the MP3 "Normal Quality"
// preset, and 8 short 720p clips into the MP4 preset "Apple iPod - (H.264, 320x240)". Prints the
// median wall time of each way, its throughput (seconds of media per second) and the ratios to the
// ffmpeg loop.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench_child.h"

namespace {

namespace fs = std::filesystem;

struct Measure {
  double wall = -1;  // seconds; -1 when the child did not exit with the expected status
  double cpu = 0;    // user + system seconds of the child and everything it waited for
};

// Runs argv without a shell, its output thrown away. A shell's own children count in its CPU
// figure: the system reports those it waited for.
Measure Run(const std::vector<std::string>& argv, int expected = 0) {
  const tallowin::bench::ChildRun run = tallowin::bench::RunChild(argv);
  Measure m;
  if (run.status == expected) m.wall = run.seconds;
  m.cpu = run.cpu_seconds;
  return m;
}

void Make(const std::string& path, const std::vector<std::string>& args) {
  if (fs::exists(path) && fs::file_size(path) > 0) return;
  std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-v", "error", "-y"};
  argv.insert(argv.end(), args.begin(), args.end());
  argv.push_back(path);
  std::printf("making %s ...\n", path.c_str());
  std::fflush(stdout);
  if (Run(argv).wall < 0) {
    std::fprintf(stderr, "could not make %s\n", path.c_str());
    std::exit(1);
  }
}

// A fresh, empty folder.
std::string Fresh(const std::string& path) {
  fs::remove_all(path);
  fs::create_directories(path);
  return path;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Single-quoted for sh.
std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

struct Batch {
  const char* name;
  std::vector<std::string> files;
  double media_seconds;                // of all files together
  std::vector<std::string> selection;  // tallowin-cli convert arguments
  std::string ffmpeg_settings;         // the same settings for ffmpeg, in sh words
  std::string extension;
};

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
  const std::string dir = argc > 2 ? argv[2] : "/tmp/tallowin-bench-batch";
  fs::create_directories(dir + "/wav");
  fs::create_directories(dir + "/clips");
  const std::string cli = std::string(TALLOWIN_BIN_DIR) + "/tallowin-cli";

  Batch audio{"24 WAV x 30 s -> MP3 preset 2 (Normal Quality)",
              {},
              24 * 30.0,
              {"--class", "audio", "--format", "MP3", "--preset", "2"},
              "-vn -c:a libmp3lame -ar 48000 -ac 2 -b:a 256000",
              ".mp3"};
  for (int i = 0; i < 24; ++i) {
    const std::string path = dir + "/wav/tone" + std::to_string(i) + ".wav";
    Make(path, {"-f", "lavfi", "-i",
                "sine=frequency=" + std::to_string(220 + 20 * i) + ":sample_rate=44100:duration=30",
                "-ac", "2", "-c:a", "pcm_s16le"});
    audio.files.push_back(path);
  }
  // MP4 preset 0: 320x240, 30 fps, 640 kbps, the level 3.0 x264 list; AAC 44100 Hz 128 kbps.
  Batch video{"8 clips 720p x 10 s -> MP4 preset 0 (iPod)",
              {},
              8 * 10.0,
              {"--class", "video", "--format", "MP4", "--preset", "0"},
              "-c:v libx264 -s 320x240 -r 30 -b:v 640000 -crf 24 -refs 1 -coder 0 -me_range 16 "
              "-subq 5 -g 250 -keyint_min 25 -level 30 -qmin 10 -qmax 51 -trellis 2 "
              "-sc_threshold 40 -i_qfactor 0.71 -partitions i4x4,i8x8,p8x8 "
              "-c:a aac -ar 44100 -ac 2 -b:a 128000",
              ".mp4"};
  for (int i = 0; i < 8; ++i) {
    const std::string path = dir + "/clips/clip" + std::to_string(i) + ".mp4";
    Make(path,
         {"-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=30:duration=10", "-f", "lavfi", "-i",
          "sine=frequency=" + std::to_string(300 + 50 * i) + ":duration=10", "-ac", "2", "-c:v",
          "libx264", "-preset", "veryfast", "-pix_fmt", "yuv420p", "-c:a", "aac", "-shortest"});
    video.files.push_back(path);
  }

  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  std::printf("%u cores; %d run(s) of each way, alternating; median wall time\n\n", cores, runs);
  std::printf("%-46s %-12s %8s %10s %10s %8s\n", "batch", "way", "wall s", "media s/s", "vs ffmpeg",
              "cpu s");
  for (const Batch& batch : {audio, video}) {
    std::vector<double> t_auto, t_one, t_loop, c_auto, c_one, c_loop;
    for (int r = 0; r < runs; ++r) {
      for (const char* jobs : {"auto", "1"}) {
        std::vector<std::string> argv = {cli, "convert"};
        argv.insert(argv.end(), batch.selection.begin(), batch.selection.end());
        argv.insert(argv.end(), {"--jobs", jobs, "-o", Fresh(dir + "/out_cli")});
        argv.insert(argv.end(), batch.files.begin(), batch.files.end());
        const Measure m = Run(argv);
        if (m.wall < 0) {
          std::fprintf(stderr, "%s: tallowin-cli --jobs %s failed\n", batch.name, jobs);
          return 1;
        }
        (jobs[0] == 'a' ? t_auto : t_one).push_back(m.wall);
        (jobs[0] == 'a' ? c_auto : c_one).push_back(m.cpu);
      }
      const std::string out = Fresh(dir + "/out_ffmpeg");
      std::string loop = "set -e; for f in";
      for (const std::string& file : batch.files) loop += " " + Quoted(file);
      loop += "; do b=$(basename \"$f\"); ffmpeg -nostdin -v error -y -i \"$f\" " +
              batch.ffmpeg_settings + " " + Quoted(out) + "/\"${b%.*}" + batch.extension +
              "\"; done";
      const Measure m = Run({"sh", "-c", loop});
      if (m.wall < 0) {
        std::fprintf(stderr, "%s: the ffmpeg loop failed\n", batch.name);
        return 1;
      }
      t_loop.push_back(m.wall);
      c_loop.push_back(m.cpu);
    }
    const double loop = Median(t_loop);
    struct Way {
      const char* name;
      const std::vector<double>& wall;
      const std::vector<double>& cpu;
    };
    for (const Way& way : {Way{"--jobs auto", t_auto, c_auto}, Way{"--jobs 1", t_one, c_one},
                           Way{"ffmpeg loop", t_loop, c_loop}}) {
      const double wall = Median(way.wall);
      std::printf("%-46s %-12s %8.2f %10.1f %9.2fx %8.2f\n", batch.name, way.name, wall,
                  batch.media_seconds / wall, loop / wall, Median(way.cpu));
    }
    std::fflush(stdout);
  }
  return 0;
}
