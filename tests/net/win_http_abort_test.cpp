// TWinHTTP: aborts at every phase, busy components, waiting reads, throwing handlers and
// destruction during a transfer. Every path ends with exactly one outcome.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/dispatcher.h"
#include "net/win_http.h"
#include "net_test_support.h"
#include "support/test_support.h"

namespace tallowin::net {
namespace {

using namespace std::chrono_literals;
using test::EventLog;
using test::Pattern;
using test::TestServer;
using test::WaitIdle;
using Events = std::vector<std::string>;

std::string Url(const std::string& path) {
  return TestServer::Shared().Url(path);
}
// About 4 s of body in 4096-byte pieces, 20 ms apart.
const std::string kSlowBody = "/data?size=800000&chunk=4096&delay=20";

struct Fixture {
  TWinHTTP http;
  EventLog log;
  Fixture() {
    http.Proxy.AccessType = TWinHTTPAccessType::atDirect;
    log.Attach(http);
  }
};

TEST(WinHTTPAbortTest, CooperativeAbortDuringTheBody) {
  Fixture f;
  f.http.URL = Url(kSlowBody);
  f.http.OnProgress = [&](TCustomWinHTTP& http, const std::string&, const TWinHTTPProgress& p,
                          TStream*) {
    f.log.progress.push_back(p);
    if (f.log.progress.size() == 3) http.Abort(false, false);
  };
  ASSERT_TRUE(f.http.Read());
  ASSERT_TRUE(WaitIdle(f.http));
  EXPECT_EQ(f.log.events, Events{"OnAborted"});
  EXPECT_EQ(f.log.progress.size(), 3u);  // the next checkpoint stopped it
  // Usable again at once.
  f.log.events.clear();
  f.http.OnProgress = nullptr;
  f.http.URL = Url("/data?size=10");
  ASSERT_TRUE(f.http.Read());
  ASSERT_TRUE(WaitIdle(f.http));
  EXPECT_EQ(f.log.events, Events{"OnDone 10"});
}

TEST(WinHTTPAbortTest, ImmediateAbortFromTheMainThread) {
  Fixture f;
  f.http.URL = Url(kSlowBody);
  ASSERT_TRUE(f.http.Read());
  ASSERT_TRUE(MainDispatcher().WaitUntil([&] { return f.log.progress.size() >= 2; }, 10s));
  f.http.Abort(false, true);
  // Released on the spot: OnAborted has been raised and a new transfer can start.
  EXPECT_EQ(f.log.events, Events{"OnAborted"});
  EXPECT_FALSE(f.http.InProgress());
  const size_t progress_at_abort = f.log.progress.size();
  f.http.URL = Url("/data?size=10");
  f.http.OnProgress = nullptr;
  ASSERT_TRUE(f.http.Read());
  ASSERT_TRUE(WaitIdle(f.http));
  test::Pump(200ms);
  EXPECT_EQ(f.log.events, (Events{"OnAborted", "OnDone 10"}));
  EXPECT_EQ(f.log.progress.size(), progress_at_abort);  // the abandoned run said nothing more
}

TEST(WinHTTPAbortTest, AbortInEachPhase) {
  // Before the worker even ran, while connecting to a server that does not answer, inside
  // OnHeaderInfo, and inside the first OnProgress: always OnAborted alone.
  for (bool kill : {false, true}) {
    Fixture at_once;
    at_once.http.URL = Url("/data?size=10");
    ASSERT_TRUE(at_once.http.Read());
    at_once.http.Abort(false, kill);
    ASSERT_TRUE(WaitIdle(at_once.http));
    EXPECT_EQ(at_once.log.events, Events{"OnAborted"}) << "kill " << kill;

    Fixture stalled;
    stalled.http.URL = Url("/stall?secs=3");
    ASSERT_TRUE(stalled.http.Read());
    test::Pump(150ms);
    stalled.http.Abort(false, kill);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitIdle(stalled.http));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(stalled.log.events, Events{"OnAborted"}) << "kill " << kill;

    Fixture headers;
    headers.http.URL = Url("/data?size=100000");
    headers.http.OnHeaderInfo = [kill](TCustomWinHTTP& http, const THeaderInfo&, bool&) {
      http.Abort(false, kill);
    };
    ASSERT_TRUE(headers.http.Read());
    ASSERT_TRUE(WaitIdle(headers.http));
    test::Pump(100ms);
    EXPECT_EQ(headers.log.events, Events{"OnAborted"}) << "kill " << kill;
    EXPECT_TRUE(headers.log.progress.empty());
  }
}

TEST(WinHTTPAbortTest, AbortFromAWorkerThreadEvent) {
  Fixture f;
  f.http.URL = Url("/data?size=100000");
  f.http.OnBeforeSendRequest = [](TCustomWinHTTP& http, void*) { http.Abort(false, true); };
  ASSERT_TRUE(f.http.Read());
  ASSERT_TRUE(WaitIdle(f.http));
  EXPECT_EQ(f.log.events, Events{"OnAborted"});
}

TEST(WinHTTPAbortTest, AbortCanDeleteTheOutputFile) {
  test::TempDir dir;
  for (bool kill : {false, true}) {
    for (bool remove : {false, true}) {
      Fixture f;
      const auto path = dir / ("out" + std::to_string(kill) + std::to_string(remove));
      f.http.OutputFileName = path.string();
      f.http.URL = Url(kSlowBody);
      ASSERT_TRUE(f.http.Read());
      ASSERT_TRUE(MainDispatcher().WaitUntil([&] { return f.log.progress.size() >= 2; }, 10s));
      f.http.Abort(remove, kill);
      ASSERT_TRUE(WaitIdle(f.http));
      test::Pump(100ms);
      EXPECT_EQ(f.log.events, Events{"OnAborted"});
      EXPECT_EQ(std::filesystem::exists(path), !remove) << kill << remove;
      if (!remove) {
        std::string partial = test::ReadFile(path);
        EXPECT_GE(partial.size(), 8192u);
        EXPECT_EQ(partial, Pattern(0, static_cast<std::int64_t>(partial.size())));
      }
    }
  }
}

TEST(WinHTTPAbortTest, IdleAbortDoesNothingAndABusyComponentRefusesASecondRead) {
  Fixture f;
  f.http.Abort(true, true);
  f.http.Abort(false, false);
  EXPECT_TRUE(f.log.events.empty());
  f.http.URL = Url("/data?size=200000&chunk=4096&delay=5");
  ASSERT_TRUE(f.http.Read());
  EXPECT_FALSE(f.http.Read());
  EXPECT_FALSE(f.http.ReadRange(5, 0));
  ASSERT_TRUE(WaitIdle(f.http));
  EXPECT_EQ(f.log.events, Events{"OnDone 200000"});
}

TEST(WinHTTPAbortTest, ReadInsideOutcomeEvents) {
  // During OnDone of a memory body and during the failure events the transfer still counts as
  // in progress; after OnDone of a file it does not.
  Fixture memory;
  std::vector<bool> accepted;
  memory.http.OnDone = [&](TCustomWinHTTP& http, const std::string&, std::int64_t, TStream*) {
    accepted.push_back(http.Read());
  };
  memory.http.OnHTTPError = [&](TCustomWinHTTP& http, int, TStream*) {
    accepted.push_back(http.Read());
  };
  memory.http.URL = Url("/data?size=10");
  ASSERT_TRUE(memory.http.Read());
  ASSERT_TRUE(WaitIdle(memory.http));
  memory.http.URL = Url("/status?code=500");
  ASSERT_TRUE(memory.http.Read());
  ASSERT_TRUE(WaitIdle(memory.http));
  EXPECT_EQ(accepted, (std::vector<bool>{false, false}));

  test::TempDir dir;
  Fixture file;
  int done = 0;
  file.http.OutputFileName = (dir / "f.bin").string();
  file.http.URL = Url("/data?size=10");
  file.http.OnDone = [&](TCustomWinHTTP& http, const std::string&, std::int64_t, TStream*) {
    if (++done == 1) {
      EXPECT_TRUE(http.Read());
    }
  };
  ASSERT_TRUE(file.http.Read());
  ASSERT_TRUE(MainDispatcher().WaitUntil([&] { return done == 2; }, 10s));
  ASSERT_TRUE(WaitIdle(file.http));
  EXPECT_EQ(done, 2);
}

TEST(WinHTTPAbortTest, AThrowingCompletionHandlerDoesNotLeaveTheComponentBusy) {
  Fixture f;
  f.http.OnDone = [&](TCustomWinHTTP&, const std::string&, std::int64_t, TStream*) {
    f.log.events.push_back("OnDone");
    throw std::runtime_error("handler failed");
  };
  f.http.URL = Url("/data?size=10");
  ASSERT_TRUE(f.http.Read());
  ASSERT_TRUE(WaitIdle(f.http));
  EXPECT_EQ(f.log.events, (Events{"OnDone", "OnAnyError"}));
  EXPECT_FALSE(f.http.InProgress());
  f.log.events.clear();
  f.http.URL = Url("/status?code=404");
  f.http.OnHTTPError = [&](TCustomWinHTTP&, int, TStream*) {
    f.log.events.push_back("OnHTTPError");
    throw std::runtime_error("handler failed");
  };
  ASSERT_TRUE(f.http.Read());
  ASSERT_TRUE(WaitIdle(f.http));
  // The exception ends the completion step; OnAnyError reports it once.
  EXPECT_EQ(f.log.events, (Events{"OnHTTPError", "OnAnyError"}));
  ASSERT_TRUE(f.http.Read());
  ASSERT_TRUE(WaitIdle(f.http));
}

TEST(WinHTTPAbortTest, AThrowingJobAddsOneOnAnyError) {
  Fixture f;
  f.http.URL = Url("/data?size=10");
  f.http.OnBeforeSendRequest = [](TCustomWinHTTP&, void*) {
    throw std::runtime_error("worker event failed");
  };
  ASSERT_TRUE(f.http.Read());
  ASSERT_TRUE(WaitIdle(f.http));
  EXPECT_EQ(f.log.events, (Events{"OnAnyError", "OnHostUnreachable", "OnAnyError"}));

  // Thrown after the whole body arrived but before the verdict: not reported as a success.
  Fixture body;
  body.http.URL = Url("/data?size=100000");
  body.http.OnStatus = [&](TCustomWinHTTP&, int code, const std::string&) {
    if (code == 100) throw std::runtime_error("status handler failed");
  };
  ASSERT_TRUE(body.http.Read());
  ASSERT_TRUE(WaitIdle(body.http));
  EXPECT_EQ(body.log.events, (Events{"OnAnyError", "OnConnLost 100000 100000", "OnAnyError"}));
}

TEST(WinHTTPAbortTest, WaitingReadAndItsTimeLimit) {
  Fixture f;
  f.http.URL = Url("/data?size=10000");
  EXPECT_TRUE(f.http.Read(true));
  EXPECT_EQ(f.log.events, Events{"OnDone 10000"});  // delivered during the wait
  EXPECT_FALSE(f.http.WaitThread());                // restored after the forced wait

  Fixture limited;
  limited.http.URL = Url("/stall?secs=3");
  limited.http.SetWaitTimeout(300);
  int expirations = 0;
  limited.http.OnWaitTimeoutExpired = [&](TCustomWinHTTP&, bool&) { ++expirations; };
  EXPECT_FALSE(limited.http.Read(true));
  EXPECT_EQ(expirations, 1);
  EXPECT_FALSE(limited.http.InProgress());
  test::Pump(200ms);
  EXPECT_TRUE(limited.log.events.empty());  // abandoned without events

  Fixture let_run;
  let_run.http.URL = Url("/data?size=2000&chunk=1000&delay=400");
  let_run.http.SetWaitTimeout(100);
  let_run.http.OnProgress = nullptr;
  let_run.http.OnWaitTimeoutExpired = [](TCustomWinHTTP&, bool& terminate) { terminate = false; };
  EXPECT_TRUE(let_run.http.Read(true));
  EXPECT_TRUE(let_run.http.InProgress());
  ASSERT_TRUE(WaitIdle(let_run.http));
  EXPECT_EQ(let_run.log.events, Events{"OnDone 2000"});
}

TEST(WinHTTPAbortTest, DestroyingDuringATransferRaisesNothing) {
  EventLog log;
  const auto start = std::chrono::steady_clock::now();
  {
    TWinHTTP http;
    http.Proxy.AccessType = TWinHTTPAccessType::atDirect;
    log.Attach(http);
    http.URL = Url(kSlowBody);
    ASSERT_TRUE(http.Read());
    ASSERT_TRUE(MainDispatcher().WaitUntil([&] { return log.progress.size() >= 2; }, 10s));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  test::Pump(100ms);
  EXPECT_TRUE(log.events.empty());
}

}  // namespace
}  // namespace tallowin::net
