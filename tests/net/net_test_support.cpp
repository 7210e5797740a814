#include "net_test_support.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "common/dispatcher.h"
#include "support/test_support.h"

namespace tallowin::test {

TestServer& TestServer::Shared() {
  static TestServer server;
  return server;
}

TestServer::TestServer() {
  const ChildServer server =
      StartChildServer({"python3", (SourceDir() / "tests/net/test_server.py").string()},
                       "the test HTTP server did not start");
  pid_ = server.pid;
  port_ = server.port;
}

TestServer::~TestServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

std::string TestServer::Url(const std::string& path_and_query) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path_and_query;
}

std::string Pattern(std::int64_t offset, std::int64_t size, int seed) {
  std::string out(static_cast<size_t>(size), '\0');
  for (std::int64_t i = 0; i < size; ++i)
    out[static_cast<size_t>(i)] = static_cast<char>(((offset + i) % 251 * 7 + seed) % 251);
  return out;
}

int ClosedPort() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
  close(s);
  return ntohs(addr.sin_port);
}

void EventLog::Attach(net::TCustomWinHTTP& http) {
  using net::TStream;
  auto take = [this](TStream* stream) {
    body_was_null = stream == nullptr;
    body.clear();
    if (!stream) return;
    stream->Seek(0);
    body.resize(static_cast<size_t>(stream->Size()));
    stream->Read(body.data(), stream->Size());
  };
  http.OnDone = [this, take](net::TCustomWinHTTP&, const std::string&, std::int64_t size,
                             TStream* stream) {
    events.push_back("OnDone " + std::to_string(size));
    take(stream);
  };
  http.OnDoneInterrupted = [this](net::TCustomWinHTTP&) { events.push_back("OnDoneInterrupted"); };
  http.OnConnLost = [this, take](net::TCustomWinHTTP&, const std::string&, std::int64_t size,
                                 std::int64_t read, TStream* stream) {
    events.push_back("OnConnLost " + std::to_string(size) + " " + std::to_string(read));
    take(stream);
  };
  http.OnHTTPError = [this, take](net::TCustomWinHTTP&, int code, TStream* stream) {
    events.push_back("OnHTTPError " + std::to_string(code));
    take(stream);
  };
  http.OnHostUnreachable = [this](net::TCustomWinHTTP&) { events.push_back("OnHostUnreachable"); };
  http.OnOutputFileError = [this](net::TCustomWinHTTP&) { events.push_back("OnOutputFileError"); };
  http.OnAnyError = [this](net::TCustomWinHTTP&) { events.push_back("OnAnyError"); };
  http.OnAborted = [this](net::TCustomWinHTTP&) { events.push_back("OnAborted"); };
  http.OnProgress = [this](net::TCustomWinHTTP&, const std::string&, const net::TWinHTTPProgress& p,
                           TStream*) { progress.push_back(p); };
}

bool WaitIdle(net::TCustomWinHTTP& http, std::chrono::milliseconds timeout) {
  bool idle =
      MainDispatcher().WaitUntil([&] { return !http.InProgress() && !http.Running(); }, timeout);
  Pump(std::chrono::milliseconds(50));
  return idle;
}

void Pump(std::chrono::milliseconds duration) {
  MainDispatcher().WaitUntil([] { return false; }, duration);
}

}  // namespace tallowin::test
