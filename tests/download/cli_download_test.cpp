// tallowin-cli download: the same queue without a window, against the fake video service.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "download/fake_video_service.h"

namespace tallowin::test {
namespace {

std::string Cli() {
  return (BinDir() / "tallowin-cli").string();
}

bool HasLine(const std::string& output, const std::string& line) {
  const auto lines = SplitLines(output);
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(CliDownload, SavesTheVideosAndReportsTheSummary) {
  FakeVideoService service({
      {"a1", Video("First: one", {{18, {.file = ClipMP4().string()}}})},
      {"b2", Video("Second").WithoutMap()},
      {"c3",
       Video("Third", {{22, {.file = ClipMP4().string()}}, {5, {.file = ClipFLV().string()}}})},
  });
  TempDir dir;
  const std::string out = (dir / "new/videos").string();
  auto r = RunProcess({Cli(), "download", "-o", out, FakeVideoService::Link("a1"),
                       FakeVideoService::Link("b2"), FakeVideoService::Link("c3")});
  EXPECT_EQ(r.exit_code, 1) << r.output;
  EXPECT_TRUE(HasLine(r.output, "Total files: 3")) << r.output;
  EXPECT_TRUE(HasLine(r.output, "Successed: 2")) << r.output;
  EXPECT_TRUE(HasLine(r.output, "Failed: 1")) << r.output;
  EXPECT_TRUE(HasLine(r.output, "[1/3] Finish.")) << r.output;
  EXPECT_TRUE(HasLine(r.output, "[2/3] Failed.")) << r.output;
  EXPECT_TRUE(HasLine(r.output, "[3/3] Quality: [HQ35] failed, try next: [HQ22]")) << r.output;
  EXPECT_EQ(Names(out), (std::vector<std::string>{"First_ one.mp4", "Third.mp4"}));
  EXPECT_EQ(ReadFile(out + "/Third.mp4"), ReadFile(ClipMP4()));

  // Without preferences the default stream is saved as FLV, and every video was saved.
  r = RunProcess({Cli(), "download", "--no-prefer", "-o", out, FakeVideoService::Link("c3")});
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_EQ(ReadFile(out + "/Third.flv"), ReadFile(ClipFLV()));
  // A given order: [HQ22] first.
  r = RunProcess(
      {Cli(), "download", "--order", "3,7,2,1,0,6,4,5", "-o", out, FakeVideoService::Link("c3")});
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_TRUE(HasLine(r.output, "Saved: " + out + "/Third(1).mp4")) << r.output;
  EXPECT_EQ(service.Requests().back(), "/videoplayback?v=c3&itag=22");
}

TEST(CliDownload, AnInterruptCancelsAndLeavesNothingPartial) {
  FakeStream slow{.file = ClipMP4().string(), .delay_ms = 200, .chunk = 4096};
  FakeVideoService service({{"s1", Video("Slow", {{18, slow}})},
                            {"s2", Video("Never", {{18, {.file = ClipMP4().string()}}})}});
  TempDir dir;
  const std::string cli = Cli(), out = dir.dir() + "out", l1 = FakeVideoService::Link("s1"),
                    l2 = FakeVideoService::Link("s2");
  const std::string log = dir.dir() + "cli.log";
  const pid_t pid = fork();
  if (pid == 0) {
    if (!freopen(log.c_str(), "w", stdout)) _exit(127);
    execl(cli.c_str(), cli.c_str(), "download", "-o", out.c_str(), l1.c_str(), l2.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(pid, 0);
  for (int i = 0; i < 200; ++i) {
    const auto requests = service.Requests();
    if (!requests.empty() && requests.back().find("videoplayback") != std::string::npos) break;
    usleep(50000);
  }
  usleep(300000);
  kill(pid, SIGINT);
  int status = 0;
  for (int i = 0; i < 200 && waitpid(pid, &status, WNOHANG) == 0; ++i) usleep(50000);
  if (waitpid(pid, &status, WNOHANG) == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    FAIL() << "the interrupt did not end the download";
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const std::string output = ReadFile(log);
  EXPECT_TRUE(HasLine(output, "Total files: 2")) << output;
  EXPECT_TRUE(HasLine(output, "Failed: 2")) << output;
  EXPECT_TRUE(Names(out).empty());
  EXPECT_EQ(service.Requests().size(), 3u);  // the second video was never asked for
}

TEST(CliDownload, RefusesMalformedArguments) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"download"},
                                             {"download", "--order", "7,3,2,1,0,6,4", "x"},
                                             {"download", "--order", "7,7,2,1,0,6,4,5", "x"},
                                             {"download", "--order", "8,3,2,1,0,6,4,5", "x"},
                                             {"download", "--bogus", "x"}}) {
    std::vector<std::string> argv = {Cli()};
    argv.insert(argv.end(), args.begin(), args.end());
    EXPECT_EQ(RunProcess(argv).exit_code, 2) << args.back();
  }
}

}  // namespace
}  // namespace tallowin::test
