// tallowin-cli fetch against the scripted server.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "net_test_support.h"
#include "support/test_support.h"

namespace tallowin::test {
namespace {

std::string Url(const std::string& path) {
  return TestServer::Shared().Url(path);
}

ProcessResult Fetch(std::vector<std::string> args) {
  args.insert(args.begin(), {(BinDir() / "tallowin-cli").string(), "fetch"});
  return RunProcess(args, 60);
}

// The lines of the output that are not progress lines.
std::vector<std::string> Outcome(const std::string& output) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < output.size()) {
    size_t end = output.find('\n', pos);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(pos, end - pos);
    if (!line.empty() && line.rfind("OnProgress ", 0) != 0) lines.push_back(line);
    pos = end + 1;
  }
  return lines;
}

TEST(CliFetchTest, SavesTenMebibytesIdentically) {
  TempDir dir;
  const auto out = dir / "ten.bin";
  auto r = Fetch({Url("/data?size=10485760"), "-o", out.string()});
  EXPECT_EQ(r.exit_code, 0) << r.output.substr(r.output.size() > 500 ? r.output.size() - 500 : 0);
  EXPECT_EQ(Outcome(r.output), std::vector<std::string>{"OnDone FileSize=10485760"});
  EXPECT_NE(r.output.find("OnProgress BytesRead=4096 DataSize=10485760 PercentsDone=0 "),
            std::string::npos);
  EXPECT_EQ(ReadFile(out), Pattern(0, 10485760));
}

TEST(CliFetchTest, FailuresAndTheirExitStatus) {
  auto missing = Fetch({Url("/status?code=404&size=120")});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(Outcome(missing.output), (std::vector<std::string>{"OnHTTPError 404", "OnAnyError"}));

  auto closed = Fetch({"http://127.0.0.1:" + std::to_string(ClosedPort()) + "/"});
  EXPECT_EQ(closed.exit_code, 1);
  EXPECT_EQ(Outcome(closed.output), (std::vector<std::string>{"OnHostUnreachable", "OnAnyError"}));

  auto usage = Fetch({});
  EXPECT_EQ(usage.exit_code, 2);
  EXPECT_EQ(Fetch({Url("/"), "--range", "x"}).exit_code, 2);
}

TEST(CliFetchTest, AbortAndResume) {
  TempDir dir;
  const auto out = dir / "part.bin";
  auto aborted = Fetch({Url("/data?size=1000000&chunk=65536&delay=10"), "-o", out.string(),
                        "--abort-after", "100000"});
  EXPECT_EQ(aborted.exit_code, 1);
  EXPECT_EQ(Outcome(aborted.output), std::vector<std::string>{"OnAborted"});
  const std::string partial = ReadFile(out);
  ASSERT_GE(partial.size(), 100000u);
  ASSERT_LT(partial.size(), 1000000u);

  const std::string start = std::to_string(partial.size() - 4096);
  auto resumed = Fetch({Url("/data?size=1000000"), "-o", out.string(), "--range", start});
  EXPECT_EQ(resumed.exit_code, 0);
  EXPECT_EQ(Outcome(resumed.output), std::vector<std::string>{"OnDone FileSize=1000000"});
  EXPECT_EQ(ReadFile(out), Pattern(0, 1000000));

  auto posted = Fetch({Url("/echo"), "--post", "k=v"});
  EXPECT_EQ(posted.exit_code, 0);
}

TEST(CliFetchTest, AbortAfterAFewBytesOfATrickle) {
  // A byte a second never fills a block: the abort must not wait for one.
  const auto start = std::chrono::steady_clock::now();
  auto r = Fetch({Url("/trickle?secs=40"), "--abort-after", "3"});
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(Outcome(r.output), std::vector<std::string>{"OnAborted"});
  EXPECT_GT(took, std::chrono::milliseconds(1500));
  EXPECT_LT(took, std::chrono::seconds(6));
}

}  // namespace
}  // namespace tallowin::test
