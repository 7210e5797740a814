// download_queue: five videos of 100 MiB each from the fake video service on loopback through
// `tallowin-cli download`, against `curl` writing the same five files into a folder one after
// another. Prints both throughputs and the download's peak memory above the idle size of the
// same command (one video that fails at once). Goal: at least 80% of curl's throughput, and at
// most 64 MiB above the idle size.
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
constexpr int kVideos = 5;
constexpr std::int64_t kVideoBytes = std::int64_t{100} << 20;
constexpr double kMiB = 1024.0 * 1024.0;

struct Run {
  bool ok = false;
  double seconds = 0;
  long peak_kib = 0;
};

// Runs argv without a shell, its output thrown away; its wall time and peak memory.
Run RunProcess(const std::vector<std::string>& argv, const std::string& proxy) {
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    if (!proxy.empty()) setenv("http_proxy", proxy.c_str(), 1);
    unsetenv("no_proxy");
    unsetenv("NO_PROXY");
    if (!freopen("/dev/null", "w", stdout)) _exit(127);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Run run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peak_kib = usage.ru_maxrss;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

class Service {
 public:
  Service(const fs::path& script, const fs::path& config) {
    int fds[2];
    if (pipe(fds) != 0) std::exit(1);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], 1);
      close(fds[0]);
      close(fds[1]);
      execlp("python3", "python3", script.c_str(), config.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    char buffer[32] = {};
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, 20000) > 0 && read(fds[0], buffer, sizeof buffer - 1) > 0)
      port_ = std::atoi(buffer);
    close(fds[0]);
    if (port_ <= 0) {
      std::fprintf(stderr, "the fake video service did not start\n");
      std::exit(1);
    }
  }
  ~Service() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  std::string Proxy() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
};

}  // namespace

int main() {
  const fs::path source = fs::path(__FILE__).parent_path().parent_path();
  const fs::path cli = fs::path(TALLOWIN_BIN_DIR) / "tallowin-cli";
  char pattern[] = "/tmp/download_queue_bench.XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path dir = pattern;
  fs::create_directories(dir / "streams");

  std::string videos;
  for (int i = 0; i < kVideos; ++i) {
    const fs::path file = dir / "streams" / ("v" + std::to_string(i) + ".bin");
    std::ofstream out(file, std::ios::binary);
    std::vector<char> block(1 << 20);
    for (std::int64_t written = 0; written < kVideoBytes; written += block.size()) {
      for (size_t k = 0; k < block.size(); ++k)
        block[k] = static_cast<char>((k * 7 + written + i) % 251);
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    if (i) videos += ", ";
    videos += "\"v" + std::to_string(i) + "\": {\"title\": \"Video " + std::to_string(i) +
              "\", \"streams\": {\"18\": {\"file\": \"" + file.string() +
              "\", \"chunk\": 1048576}}}";
  }
  std::ofstream(dir / "config.json") << "{\"videos\": {" << videos << "}}";
  Service service(source / "tests/download/fake_video_service.py", dir / "config.json");

  // Idle: the same command with one link that fails at once.
  const Run idle = RunProcess({cli.string(), "download", "-o", (dir / "idle").string(),
                               "http://www.youtube.com/watch?v=missing"},
                              service.Proxy());
  std::vector<std::string> argv = {cli.string(), "download", "-o", (dir / "cli").string()};
  for (int i = 0; i < kVideos; ++i)
    argv.push_back("http://www.youtube.com/watch?v=v" + std::to_string(i));
  const Run queue = RunProcess(argv, service.Proxy());

  fs::create_directories(dir / "curl");
  Run curl{true, 0, 0};
  for (int i = 0; i < kVideos && curl.ok; ++i) {
    const std::string url =
        "http://www.youtube.com/videoplayback?v=v" + std::to_string(i) + "&itag=18";
    const Run one =
        RunProcess({"curl", "-s", "-f", "-x", service.Proxy(), "-o",
                    (dir / "curl" / ("Video " + std::to_string(i) + ".mp4")).string(), url},
                   "");
    curl.ok = one.ok;
    curl.seconds += one.seconds;
    curl.peak_kib = std::max(curl.peak_kib, one.peak_kib);
  }

  bool same = queue.ok;
  for (int i = 0; i < kVideos && same; ++i) {
    const std::string name = "Video " + std::to_string(i) + ".mp4";
    same = fs::exists(dir / "cli" / name) &&
           fs::file_size(dir / "cli" / name) == static_cast<std::uintmax_t>(kVideoBytes);
  }
  const double total = static_cast<double>(kVideoBytes) * kVideos / kMiB;
  const double queue_rate = total / queue.seconds;
  const double curl_rate = total / curl.seconds;
  std::printf("tallowin-cli download: %d x %lld MiB in %.2f s = %.1f MiB/s (%s)\n", kVideos,
              static_cast<long long>(kVideoBytes >> 20), queue.seconds, queue_rate,
              same ? "all saved" : "FAILED");
  std::printf("curl, one after another: %.2f s = %.1f MiB/s (%s)\n", curl.seconds, curl_rate,
              curl.ok ? "all saved" : "FAILED");
  std::printf("throughput: %.0f%% of curl (goal: at least 80%%)\n", 100.0 * queue_rate / curl_rate);
  std::printf("peak memory: %.1f MiB, idle %.1f MiB, %.1f MiB above idle (goal: under 64 MiB)\n",
              queue.peak_kib / 1024.0, idle.peak_kib / 1024.0,
              (queue.peak_kib - idle.peak_kib) / 1024.0);
  std::error_code ignored;
  fs::remove_all(dir, ignored);
  return 0;
}
