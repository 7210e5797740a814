#include "test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace tallowin::test {

TempDir::TempDir() {
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = fs::temp_directory_path() / ("tallowin-test-" + std::to_string(rd()));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ec;
  // Restore write permission first so that tests of read-only folders clean up too.
  for (auto it = fs::recursive_directory_iterator(path_, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path.string());
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, int timeout_s) {
  ProcessResult result;
  int pipe_fds[2];
  if (pipe(pipe_fds) != 0) return result;
  pid_t pid = fork();
  if (pid < 0) {
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    return result;
  }
  if (pid == 0) {
    dup2(pipe_fds[1], 1);
    dup2(pipe_fds[1], 2);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    int devnull = open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, 0);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(pipe_fds[1]);
  fcntl(pipe_fds[0], F_SETFL, O_NONBLOCK);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_s);
  int status = 0;
  bool exited = false;
  char buffer[65536];
  for (;;) {
    ssize_t n;
    while ((n = read(pipe_fds[0], buffer, sizeof buffer)) > 0) result.output.append(buffer, n);
    if (!exited && waitpid(pid, &status, WNOHANG) == pid) exited = true;
    if (exited && n == 0) break;  // exited and the pipe is drained
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      if (!exited) waitpid(pid, &status, 0);
      close(pipe_fds[0]);
      result.exit_code = -1;
      return result;
    }
    if (n < 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  close(pipe_fds[0]);
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

fs::path BinDir() {
  return TALLOWIN_BIN_DIR;
}
fs::path SourceDir() {
  return TALLOWIN_SOURCE_DIR;
}
fs::path TestDataDir() {
  fs::path dir = TALLOWIN_TEST_DATA_DIR;
  fs::create_directories(dir);
  return dir;
}

ChildServer StartChildServer(const std::vector<std::string>& argv, const std::string& failure) {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  ChildServer server;
  server.pid = fork();
  if (server.pid < 0) throw std::runtime_error("fork failed");
  if (server.pid == 0) {
    dup2(fds[1], 1);
    close(fds[0]);
    close(fds[1]);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(fds[1]);
  std::string line;
  pollfd p{fds[0], POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    if (poll(&p, 1, 200) <= 0) continue;
    char buffer[64];
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    line.append(buffer, static_cast<size_t>(n));
  }
  close(fds[0]);
  server.port = std::atoi(line.c_str());
  if (server.port <= 0) {
    kill(server.pid, SIGTERM);
    waitpid(server.pid, nullptr, 0);
    throw std::runtime_error(failure);
  }
  return server;
}

fs::path GeneratedMedia(const std::string& name, const std::vector<std::string>& args) {
  static std::mutex mutex;
  std::lock_guard lock(mutex);
  fs::path out = TestDataDir() / name;
  if (fs::exists(out) && fs::file_size(out) > 0) return out;
  // Several test programs may run at once: write under a private name, then rename.
  fs::path part = out;
  part += ".part" + std::to_string(getpid()) + out.extension().string();
  std::vector<std::string> argv = {"ffmpeg", "-hide_banner", "-loglevel", "error", "-y"};
  argv.insert(argv.end(), args.begin(), args.end());
  argv.push_back(part.string());
  auto r = RunProcess(argv, 300);
  if (r.exit_code != 0) {
    std::error_code ec;
    fs::remove(part, ec);
    throw std::runtime_error("ffmpeg could not make " + name + ": " + r.output);
  }
  fs::rename(part, out);
  return out;
}

fs::path StandardClip() {
  return GeneratedMedia(
      "clip_640x360_3s.mp4",
      {"-f",       "lavfi",    "-i",       "testsrc2=size=640x360:rate=25:duration=3",
       "-f",       "lavfi",    "-i",       "sine=frequency=440:sample_rate=44100:duration=3",
       "-ac",      "2",        "-c:v",     "libx264",
       "-preset",  "veryfast", "-pix_fmt", "yuv420p",
       "-c:a",     "aac",      "-b:a",     "128k",
       "-shortest"});
}

}  // namespace tallowin::test
