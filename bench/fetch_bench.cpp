// fetch_bench: a 256 MiB body from a loopback server into memory through TWinHTTP (4096-byte
// blocks, an OnProgress handler attached), and the same body with `curl -o /dev/null`. Prints
// both throughputs and the peak memory. Goal: at least 200 MiB/s for TWinHTTP, peak memory at
// most the body plus 32 MiB.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "common/dispatcher.h"
#include "net/win_http.h"

namespace {

constexpr std::int64_t kBody = std::int64_t{256} << 20;
constexpr double kMiB = 1024.0 * 1024.0;

// Answers every connection with the body, until stopped.
class LoopbackServer {
 public:
  LoopbackServer() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listener_, 8) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
      std::perror("loopback server");
      std::exit(1);
    }
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LoopbackServer() {
    stop_ = true;
    shutdown(listener_, SHUT_RDWR);
    close(listener_);
    thread_.join();
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/body"; }

 private:
  void Serve() {
    std::vector<char> block(1 << 20);
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7);
    while (!stop_) {
      int c = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (c < 0) continue;
      std::string request;
      char buffer[4096];
      while (request.find("\r\n\r\n") == std::string::npos) {
        ssize_t n = recv(c, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<size_t>(n));
      }
      std::string head =
          "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
          "Content-Length: " +
          std::to_string(kBody) + "\r\nConnection: close\r\n\r\n";
      bool ok =
          send(c, head.data(), head.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(head.size());
      for (std::int64_t sent = 0; ok && sent < kBody;) {
        size_t n = static_cast<size_t>(std::min<std::int64_t>(kBody - sent, block.size()));
        ssize_t w = send(c, block.data(), n, MSG_NOSIGNAL);
        if (w <= 0) break;
        sent += w;
      }
      close(c);
    }
  }

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

long PeakKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// `curl -o /dev/null`: its speed in bytes per second and its peak memory in KiB.
bool RunCurl(const std::string& url, double& speed, long& peak_kib) {
  int fds[2];
  if (pipe(fds) != 0) return false;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], 1);
    close(fds[0]);
    close(fds[1]);
    execlp("curl", "curl", "-s", "-o", "/dev/null", "-w", "%{speed_download}", url.c_str(),
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string out;
  char buffer[256];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0) out.append(buffer, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  speed = std::atof(out.c_str());
  peak_kib = usage.ru_maxrss;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main() {
  double with_progress_s = 0;
  tallowin::Dispatcher dispatcher;
  tallowin::SetMainDispatcher(&dispatcher);
  LoopbackServer server;
  const long baseline = PeakKiB();
  {
    tallowin::net::TWinHTTP http;
    http.Proxy.AccessType = tallowin::net::TWinHTTPAccessType::atDirect;
    std::int64_t events = 0, bytes = 0, done = -1;
    http.OnProgress = [&](tallowin::net::TCustomWinHTTP&, const std::string&,
                          const tallowin::net::TWinHTTPProgress& p, tallowin::net::TStream*) {
      ++events;
      bytes = p.BytesRead;
    };
    http.OnDone = [&](tallowin::net::TCustomWinHTTP&, const std::string&, std::int64_t size,
                      tallowin::net::TStream* stream) {
      done = stream ? stream->Size() : -1;
      (void)size;
    };
    http.URL = server.Url();
    const auto start = std::chrono::steady_clock::now();
    http.Read(true);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long peak = PeakKiB();
    with_progress_s = seconds;
    std::printf(
        "TWinHTTP: %.1f MiB in %.3f s = %.1f MiB/s, %lld progress events (last at %lld "
        "bytes), body %s\n",
        kBody / kMiB, seconds, kBody / kMiB / seconds, static_cast<long long>(events),
        static_cast<long long>(bytes), done == kBody ? "complete" : "INCOMPLETE");
    std::printf(
        "TWinHTTP peak memory: %.1f MiB (process before the transfer: %.1f MiB; body "
        "%.1f MiB; goal at most body + 32 MiB = %.1f MiB over that)\n",
        peak / 1024.0, baseline / 1024.0, kBody / kMiB, kBody / kMiB + 32);
  }
  {
    // For comparison: no progress handler, so no hand-over per block.
    tallowin::net::TWinHTTP http;
    http.Proxy.AccessType = tallowin::net::TWinHTTPAccessType::atDirect;
    http.URL = server.Url();
    const auto start = std::chrono::steady_clock::now();
    http.Read(true);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "TWinHTTP without OnProgress: %.1f MiB/s (so one hand-over of OnProgress costs "
        "about %.1f us)\n",
        kBody / kMiB / seconds, (with_progress_s - seconds) / (kBody / 4096) * 1e6);
  }
  double speed = 0;
  long curl_peak = 0;
  if (RunCurl(server.Url(), speed, curl_peak))
    std::printf("curl -o /dev/null: %.1f MiB/s, peak memory %.1f MiB\n", speed / kMiB,
                curl_peak / 1024.0);
  else
    std::printf("curl -o /dev/null: failed\n");
  tallowin::SetMainDispatcher(nullptr);
  return 0;
}
