// Shared pieces of the transfer component's tests: the scripted HTTP server on 127.0.0.1, the
// server's body pattern, and a recorder of a transfer's events.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "net/win_http.h"

namespace tallowin::test {

// tests/net/test_server.py, started once per test program and stopped at its end.
class TestServer {
 public:
  static TestServer& Shared();
  ~TestServer();
  int Port() const { return port_; }
  // "http://127.0.0.1:PORT" + path_and_query.
  std::string Url(const std::string& path_and_query) const;

 private:
  TestServer();
  pid_t pid_ = -1;
  int port_ = 0;
};

// The bytes the server sends at [offset, offset + size) of a /data body with `seed`.
std::string Pattern(std::int64_t offset, std::int64_t size, int seed = 0);

// A loopback port on which nothing listens.
int ClosedPort();

// Records the outcome events of one component as text lines, e.g. "OnDone 10",
// "OnHTTPError 404", "OnConnLost 1000 600", "OnAnyError", "OnAborted".
struct EventLog {
  std::vector<std::string> events;
  std::vector<net::TWinHTTPProgress> progress;
  std::string body;  // the memory body of OnDone, OnHTTPError or OnConnLost
  bool body_was_null = false;

  void Attach(net::TCustomWinHTTP& http);
};

// Serves hand-overs until the component has no transfer and no running worker, plus a short
// while so that a stray late event would still be recorded. False on time-out.
bool WaitIdle(net::TCustomWinHTTP& http,
              std::chrono::milliseconds timeout = std::chrono::milliseconds(20000));

// Serves hand-overs for `duration`.
void Pump(std::chrono::milliseconds duration);

}  // namespace tallowin::test
