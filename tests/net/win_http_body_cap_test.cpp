// Bodies kept in memory stop at MaxMemoryBody: one error outcome, never unbounded growth.
#include <gtest/gtest.h>

#include "net/win_http.h"
#include "net_test_support.h"

namespace tallowin::test {
namespace {

TEST(WinHTTPBodyCap, BodiesPastTheLimitEndWithOneErrorOutcome) {
  TestServer& server = TestServer::Shared();
  struct Case {
    std::string path;
    std::vector<std::string> events;
  };
  const std::int64_t cap = 1 << 20;
  for (const Case& c : {
           // No length and far more than the limit (as an answer that never ends).
           Case{"/data?size=67108864&nolen=1&chunk=65536",
                {"OnConnLost 0 " + std::to_string(cap), "OnAnyError"}},
           // An announced length past the limit.
           Case{"/data?size=8388608", {"OnConnLost 8388608 " + std::to_string(cap), "OnAnyError"}},
           // An error body past the limit is handed over up to it.
           Case{"/status?code=404&size=8388608", {"OnHTTPError 404", "OnAnyError"}},
       }) {
    net::TWinHTTP http;
    http.SetTransferBufferSize(65536);
    http.MaxMemoryBody = cap;
    EventLog log;
    log.Attach(http);
    http.URL = server.Url(c.path);
    ASSERT_TRUE(http.Read());
    ASSERT_TRUE(WaitIdle(http)) << c.path;
    EXPECT_EQ(log.events, c.events) << c.path;
    EXPECT_LE(static_cast<std::int64_t>(log.body.size()), cap) << c.path;
  }
  // At the limit exactly, the body is complete.
  net::TWinHTTP http;
  http.MaxMemoryBody = 4096;
  EventLog log;
  log.Attach(http);
  http.URL = server.Url("/data?size=4096");
  ASSERT_TRUE(http.Read());
  ASSERT_TRUE(WaitIdle(http));
  EXPECT_EQ(log.events, std::vector<std::string>{"OnDone 4096"});
  EXPECT_EQ(log.body, Pattern(0, 4096));
}

}  // namespace
}  // namespace tallowin::test
