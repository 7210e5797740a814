// Run control of the engine: starting without files, stopping before, during and while opening,
// the I/O timeout, per-thread interrupts, destroying a running engine, and tallowin-cli engine.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/dispatcher.h"
#include "media/engine/ffmpeg.h"
#include "media/media_fixtures.h"
#include "media/runtime/ff_log.h"

namespace tallowin::media {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start).count();
}

// A server on 127.0.0.1 that accepts connections and never answers; it stops with the test.
class SilentServer {
 public:
  SilentServer() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(fd_, 8);
    socklen_t len = sizeof addr;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
  }
  ~SilentServer() { close(fd_); }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/clip.mp4"; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

class LogLines {
 public:
  LogLines() {
    logger_.SetLogLevel(llDebug);
    logger_.SetTriggerEventInMainThread(false);
    logger_.SetOnLog([this](const void*, ThreadId, TLogLevel level, const std::string& text) {
      std::lock_guard lock(mutex_);
      lines_.push_back(std::to_string(level) + ":" + text);
    });
  }
  ~LogLines() { logger_.SetOnLog(nullptr); }
  int Count(const std::string& line) const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& l : lines_) n += l == line;
    return n;
  }

 private:
  TFFLogger logger_;
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

class EngineControl : public testing::Test {
 protected:
  void SetUp() override { test::LoadSystemLibraries(); }
  test::TempDir dir_;
};

TEST_F(EngineControl, StartWithoutFilesFailsThroughTerminate) {
  LogLines log;
  TCustomFFmpeg engine;
  int terminated = 0;
  engine.OnTerminate = [&](TCustomFFmpeg& e) {
    ++terminated;
    EXPECT_FALSE(e.Running());
  };
  EXPECT_FALSE(engine.Start(true));
  EXPECT_EQ(terminated, 1);
  EXPECT_TRUE(engine.Failed());
  EXPECT_FALSE(engine.Finished());
  EXPECT_EQ(engine.FailureMessage(), "At least one output file must be specified");
  EXPECT_EQ(log.Count("0:At least one output file must be specified"), 1);
  EXPECT_FALSE(engine.Start(false));  // a terminated engine cannot start again
  EXPECT_EQ(terminated, 1);

  TCustomFFmpeg no_input;
  ASSERT_EQ(no_input.OpenOutput((dir_ / "out.avi").string()), 0) << no_input.LastErrMsg();
  EXPECT_FALSE(no_input.Start(false));
  EXPECT_EQ(no_input.FailureMessage(), "At least one input file must be specified");
}

TEST_F(EngineControl, StopBeforeStartEndsWithoutFailure) {
  TCustomFFmpeg engine;
  ASSERT_TRUE(engine.OpenInput(test::StandardClip().string()));
  ASSERT_EQ(engine.OpenOutput((dir_ / "never.avi").string()), 0);
  std::atomic<int> terminated{0};
  engine.OnTerminate = [&](TCustomFFmpeg&) { ++terminated; };
  engine.Stop(true);
  EXPECT_EQ(terminated, 1);
  EXPECT_TRUE(engine.Terminated());
  EXPECT_FALSE(engine.Finished());
  EXPECT_FALSE(engine.Failed());
  EXPECT_EQ(engine.FailureMessage(), "");
  engine.Stop(true);  // nothing more happens
  EXPECT_FALSE(engine.Start(true));
  EXPECT_EQ(terminated, 1);
}

TEST_F(EngineControl, StopDuringRunEndsWithinASecondWithFilesClosed) {
  const std::string input = test::SlowClip().string();
  for (bool wait : {true, false}) {
    const test::fs::path out = dir_ / (wait ? "stopped_wait.mp4" : "stopped.mp4");
    TCustomFFmpeg engine;
    std::atomic<int> reports{0};
    std::atomic<int> terminated{0};
    engine.OnProgress = [&](TCustomFFmpeg&, const TProgressInfo&) { ++reports; };
    engine.OnTerminate = [&](TCustomFFmpeg&) { ++terminated; };
    engine.SetReportInterval(100000);
    ASSERT_TRUE(engine.OpenInput(input));
    engine.SetOption("vcodec", "libx264");
    engine.SetOption("preset", "medium");
    ASSERT_EQ(engine.OpenOutput(out.string()), 0) << engine.LastErrMsg();
    ASSERT_TRUE(engine.Start(true));
    const auto started = Clock::now();
    while (reports < 3 && MsSince(started) < 60000) std::this_thread::sleep_for(milliseconds(10));
    ASSERT_TRUE(engine.Running());
    const auto stop = Clock::now();
    engine.Stop(wait);
    if (!wait) {
      EXPECT_TRUE(engine.WaitFinished(milliseconds(5000)));
    }
    EXPECT_LT(MsSince(stop), 1000);
    EXPECT_FALSE(engine.Running());
    EXPECT_FALSE(engine.Finished());
    EXPECT_FALSE(engine.Failed()) << engine.FailureMessage();
    EXPECT_EQ(terminated, 1);
    // Every file is closed: no descriptor of this process points at the output any more.
    for (const auto& fd : test::fs::directory_iterator("/proc/self/fd")) {
      std::error_code ec;
      EXPECT_NE(test::fs::read_symlink(fd.path(), ec), out);
    }
    // What was written is a complete file with part of the clip.
    auto r = test::RunProcess({"ffprobe", "-v", "error", "-show_entries", "format=duration", "-of",
                               "csv=p=0", out.string()});
    EXPECT_EQ(r.exit_code, 0) << r.output;
    EXPECT_LT(std::atof(r.output.c_str()), 19.0);
  }
}

TEST_F(EngineControl, BlockingOpenTimesOutOrIsCancelled) {
  SilentServer server;
  {
    LogLines log;
    TCustomFFmpeg engine;
    engine.SetIOTimeout(300);
    const auto start = Clock::now();
    EXPECT_FALSE(engine.OpenInput(server.Url()));
    EXPECT_LT(MsSince(start), 5000);
    EXPECT_GE(MsSince(start), 250);
    EXPECT_FALSE(engine.LastErrMsg().empty());
    EXPECT_EQ(log.Count("5:connecting/reading/writing timeout"), 1);
  }
  {
    LogLines log;
    TCustomFFmpeg engine;
    std::atomic<int> terminated{0};
    engine.OnTerminate = [&](TCustomFFmpeg&) { ++terminated; };
    const auto start = Clock::now();
    std::thread stopper([&] {
      std::this_thread::sleep_for(milliseconds(300));
      engine.Stop(false);
    });
    EXPECT_FALSE(engine.OpenInput(server.Url()));
    stopper.join();
    EXPECT_LT(MsSince(start), 3000);
    EXPECT_EQ(log.Count("5:connecting/reading/writing canceled"), 1);
    EXPECT_TRUE(engine.WaitFinished(milliseconds(1000)));
    for (int i = 0; i < 100 && terminated == 0; ++i) std::this_thread::sleep_for(milliseconds(10));
    EXPECT_EQ(terminated, 1);
  }
}

TEST_F(EngineControl, NamedPipesWithoutAnOtherEndTimeOut) {
  const std::string in = (dir_ / "in.wav").string();
  const std::string out = (dir_ / "out.wav").string();
  ASSERT_EQ(mkfifo(in.c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(out.c_str(), 0600), 0);
  {
    LogLines log;
    TCustomFFmpeg engine;
    engine.SetIOTimeout(300);
    const auto start = Clock::now();
    EXPECT_FALSE(engine.OpenInput(in));
    EXPECT_GE(MsSince(start), 250);
    EXPECT_LT(MsSince(start), 3000);
    EXPECT_EQ(log.Count("5:connecting/reading/writing timeout"), 1);
  }
  {
    LogLines log;
    TCustomFFmpeg engine;
    engine.SetIOTimeout(300);
    ASSERT_TRUE(engine.OpenInput(test::StandardClip().string())) << engine.LastErrMsg();
    const auto start = Clock::now();
    EXPECT_EQ(engine.OpenOutput(out), -1);
    EXPECT_GE(MsSince(start), 250);
    EXPECT_LT(MsSince(start), 3000);
    EXPECT_EQ(log.Count("5:connecting/reading/writing timeout"), 1);
  }
  {
    // A pipe whose writer comes within the time limit is read like a file.
    TCustomFFmpeg engine;
    engine.SetIOTimeout(5000);
    // A small WAV that fits in the pipe's buffer: the writer never waits for the reader.
    std::string clip = "RIFF....WAVEfmt ";
    auto put32 = [&clip](std::uint32_t v) {
      for (int i = 0; i < 4; ++i) clip += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto put16 = [&clip](std::uint16_t v) {
      clip += static_cast<char>(v & 0xFF);
      clip += static_cast<char>(v >> 8);
    };
    put32(16);
    put16(1);  // PCM
    put16(1);  // mono
    put32(8000);
    put32(16000);
    put16(2);
    put16(16);
    clip += "data";
    put32(16000);
    clip.append(16000, '\0');
    std::thread writer([&] {
      std::this_thread::sleep_for(milliseconds(200));
      FILE* f = std::fopen(in.c_str(), "wb");
      if (!f) return;
      std::fwrite(clip.data(), 1, clip.size(), f);
      std::fclose(f);
    });
    const bool opened = engine.OpenInput("file:" + in);
    writer.join();
    EXPECT_TRUE(opened) << engine.LastErrMsg();
  }
}

TEST_F(EngineControl, CancellingOneTaskLeavesAnotherAlone) {
  SilentServer server;
  TCustomFFmpeg blocked;
  std::atomic<bool> open_result{true};
  std::thread opener([&] { open_result = blocked.OpenInput(server.Url()); });
  std::this_thread::sleep_for(milliseconds(200));

  TCustomFFmpeg working;
  ASSERT_TRUE(working.OpenInput(test::StandardClip().string()));
  ASSERT_EQ(working.OpenOutput((dir_ / "alone.mp4").string()), 0);
  ASSERT_TRUE(working.Start(true));
  blocked.Stop(false);
  opener.join();
  EXPECT_FALSE(open_result);
  EXPECT_TRUE(working.WaitFinished(milliseconds(60000)));
  EXPECT_TRUE(working.Finished()) << working.FailureMessage();
}

TEST_F(EngineControl, DestroyingARunningEngineStopsIt) {
  const auto start = Clock::now();
  {
    TCustomFFmpeg engine;
    ASSERT_TRUE(engine.OpenInput(test::SlowClip().string()));
    ASSERT_EQ(engine.OpenOutput((dir_ / "destroyed.mp4").string()), 0);
    ASSERT_TRUE(engine.Start(true, TThreadPriority::tpLower));
    std::this_thread::sleep_for(milliseconds(300));
  }
  EXPECT_LT(MsSince(start), 3000);
}

TEST_F(EngineControl, CommandLineTool) {
  const std::string cli = (test::BinDir() / "tallowin-cli").string();
  const std::string clip = test::StandardClip().string();
  const std::string out = (dir_ / "cli.avi").string();
  auto r =
      test::RunProcess({cli,      "engine", "--",    "-i",      clip,      "-vcodec",    "mpeg4",
                        "-vtag",  "XVID",   "-b",    "1500000", "-acodec", "libmp3lame", "-ab",
                        "192000", "-ar",    "44100", "-ac",     "2",       "-y",         out});
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_NE(r.output.find("Do nothing: option - y"), std::string::npos);
  EXPECT_NE(r.output.find("progress: frame="), std::string::npos);
  auto p = test::RunProcess({"ffprobe", "-v", "error", "-show_entries",
                             "stream=codec_name,codec_tag_string", "-of", "csv=p=0", out});
  EXPECT_EQ(p.output, "mpeg4,XVID\nmp3,U[0][0][0]\n");

  r = test::RunProcess({cli, "engine", "--quiet", "--", "-i", clip, "-metadata", "title", out});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.output, "Missing =\n");
  r = test::RunProcess({cli, "engine", "--quiet", "--", "-i", clip, "-nosuch", "1", out});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.output, "Unrecognized option \"nosuch\"\n");
  const std::string missing = (dir_ / "missing.mp4").string();
  r = test::RunProcess({cli, "engine", "--quiet", "--", "-i", missing, out});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.output, missing + ": No such file or directory\n");
}

}  // namespace
}  // namespace tallowin::media
