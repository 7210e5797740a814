// TWinHTTP against servers that stall, trickle, lie about lengths or never stop: every case ends
// with exactly one outcome, in bounded time and bounded memory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "net/progress_figures.h"
#include "net/win_http.h"
#include "net_test_support.h"

namespace tallowin::net {
namespace {

using test::EventLog;
using test::Pattern;
using test::TestServer;
using test::WaitIdle;
using Events = std::vector<std::string>;
using Clock = std::chrono::steady_clock;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TALLOWIN_SANITIZED_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TALLOWIN_SANITIZED_HEAP 1
#endif
#endif
#ifdef TALLOWIN_SANITIZED_HEAP
// Every sanitizer runtime exports it (not every compiler ships the header).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

// The memory the process holds in bytes: its resident set, or under a sanitizer (whose
// allocator keeps freed blocks resident for a while) the heap bytes still allocated.
std::int64_t ResidentBytes() {
#ifdef TALLOWIN_SANITIZED_HEAP
  return static_cast<std::int64_t>(__sanitizer_get_current_allocated_bytes());
#else
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return static_cast<std::int64_t>(resident) * ::sysconf(_SC_PAGESIZE);
#endif
}

struct Outcome {
  Events events;
  std::string body;
  double seconds = 0;
  std::int64_t memory_growth = 0;  // resident bytes gained while the transfer ran
};

// One transfer with short time limits; `setup` adjusts the component first.
template <typename Setup>
Outcome Fetch(const std::string& path, Setup setup) {
  TWinHTTP http;
  http.Proxy.AccessType = TWinHTTPAccessType::atDirect;
  http.Timeouts.ReceiveTimeout = 1500;
  http.Timeouts.LowSpeedTime = 2000;
  setup(http);
  EventLog log;
  log.Attach(http);
  http.URL = TestServer::Shared().Url(path);
  const std::int64_t before = ResidentBytes();
  const auto start = Clock::now();
  Outcome out;
  EXPECT_TRUE(http.Read());
  EXPECT_TRUE(WaitIdle(http, std::chrono::seconds(30))) << path;
  out.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  out.memory_growth = ResidentBytes() - before;
  out.events = log.events;
  out.body = log.body;
  return out;
}

Outcome Fetch(const std::string& path) {
  return Fetch(path, [](TWinHTTP&) {});
}

constexpr std::int64_t kMiB = 1 << 20;

TEST(WinHTTPHostile, SilentServersEndWithOneOutcomeInTime) {
  // The headers, then nothing: the body is incomplete.
  Outcome headers_only = Fetch("/stallbody?size=100000&after=0&secs=20");
  EXPECT_EQ(headers_only.events, (Events{"OnConnLost 100000 0", "OnAnyError"}));
  EXPECT_LT(headers_only.seconds, 5);

  // The same without a Content-Length is no empty success either.
  Outcome no_length = Fetch("/stallbody?nolen=1&after=0&secs=20",
                            [](TWinHTTP& http) { http.Timeouts.LowSpeedLimit = 0; });
  EXPECT_EQ(no_length.events, (Events{"OnConnLost 0 0", "OnAnyError"}));

  // Stalled before the status line: nothing answered.
  Outcome no_status = Fetch("/stall?secs=20");
  EXPECT_EQ(no_status.events, (Events{"OnHostUnreachable", "OnAnyError"}));
  EXPECT_LT(no_status.seconds, 5);
}

TEST(WinHTTPHostile, TricklingServersEndAtTheLowSpeedLimit) {
  // A byte a second keeps the receive time-out from ever firing; the speed check ends it.
  Outcome body = Fetch("/trickle?secs=30");
  ASSERT_EQ(body.events.size(), 2u);
  EXPECT_EQ(body.events[0].rfind("OnConnLost 1000 ", 0), 0u) << body.events[0];
  EXPECT_EQ(body.events[1], "OnAnyError");
  EXPECT_EQ(body.body, Pattern(0, static_cast<std::int64_t>(body.body.size())));
  EXPECT_GT(body.seconds, 1.5);
  EXPECT_LT(body.seconds, 7);

  // A status line trickled a byte at a time is nothing received at all.
  Outcome status = Fetch("/trickle?where=status&secs=30");
  EXPECT_EQ(status.events, (Events{"OnHostUnreachable", "OnAnyError"}));
  EXPECT_LT(status.seconds, 7);

  // With the check off, the receive time-out alone lets the trickle go on to the server's end.
  Outcome unchecked =
      Fetch("/trickle?secs=4", [](TWinHTTP& http) { http.Timeouts.LowSpeedLimit = 0; });
  ASSERT_EQ(unchecked.events.size(), 2u);
  EXPECT_EQ(unchecked.events[0].rfind("OnConnLost 1000 ", 0), 0u) << unchecked.events[0];
  EXPECT_GT(unchecked.seconds, 3.5);
}

TEST(WinHTTPHostile, AbortTakesEffectWithinASecondWhileBytesTrickle) {
  TWinHTTP http;
  http.Proxy.AccessType = TWinHTTPAccessType::atDirect;
  EventLog log;
  log.Attach(http);
  http.URL = TestServer::Shared().Url("/trickle?secs=30");
  ASSERT_TRUE(http.Read());
  test::Pump(std::chrono::milliseconds(2500));  // a few bytes in, far from a block boundary
  ASSERT_TRUE(log.events.empty());
  const auto start = Clock::now();
  http.Abort(false, false);
  ASSERT_TRUE(WaitIdle(http, std::chrono::seconds(10)));
  EXPECT_EQ(log.events, Events{"OnAborted"});
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
}

TEST(WinHTTPHostile, UnreadableLengthsGetTheirDefinedOutcome) {
  // A length that is no number counts as 0: the body up to the end of the connection is done.
  for (const char* kind : {"badlength", "neglength", "overlength"}) {
    Outcome out = Fetch(std::string("/hostile?kind=") + kind);
    EXPECT_EQ(out.events, Events{"OnDone 5"}) << kind;
    EXPECT_EQ(out.body, "hello") << kind;
  }
  // The largest 64-bit length is a number: the short body is incomplete, with the figures of
  // what was announced and what arrived.
  Outcome max = Fetch("/hostile?kind=maxlength");
  EXPECT_EQ(max.events, (Events{"OnConnLost 9223372036854775807 10000", "OnAnyError"}));
  EXPECT_EQ(max.body, Pattern(0, 10000));
  EXPECT_LT(max.memory_growth, 64 * kMiB);
  // A chunk size past 64 bits breaks the body: no empty success.
  Outcome chunk = Fetch("/hostile?kind=hugechunk");
  EXPECT_EQ(chunk.events, (Events{"OnConnLost 0 0", "OnAnyError"}));
}

TEST(WinHTTPHostile, EndlessBodiesStopAtTheirLimitsAndGiveTheMemoryBack) {
  // An error body is read only as far as it is looked at.
  Outcome error = Fetch("/endless?code=404");
  EXPECT_EQ(error.events, (Events{"OnHTTPError 404", "OnAnyError"}));
  EXPECT_LE(static_cast<std::int64_t>(error.body.size()), kDefaultMaxErrorBody);
  EXPECT_GT(error.body.size(), 0u);
  EXPECT_LT(error.seconds, 5);
  EXPECT_LT(error.memory_growth, 16 * kMiB);

  for (const char* path : {"/endless?code=200", "/endless?code=200&nolen=1"}) {
    Outcome ok = Fetch(path, [](TWinHTTP& http) {
      http.MaxMemoryBody = 8 * kMiB;
      http.SetTransferBufferSize(65536);
    });
    EXPECT_EQ(ok.events, (Events{"OnConnLost 0 " + std::to_string(8 * kMiB), "OnAnyError"}))
        << path;
    EXPECT_LT(ok.seconds, 10) << path;
    EXPECT_LT(ok.memory_growth, 32 * kMiB) << path;  // the body was released after the events
  }
}

TEST(WinHTTPHostile, ProgressFiguresOfAnAbsurdLengthStayInRange) {
  const std::int64_t max = std::numeric_limits<std::int64_t>::max();
  TWinHTTPProgress p = ComputeProgress(4096, 0, max, 0, 4000000000u);
  EXPECT_EQ(p.PercentsDone, 0);
  EXPECT_GT(p.EstimatedTimeLeft, 0);
  EXPECT_EQ(p.DataSize, max);
}

}  // namespace
}  // namespace tallowin::net
