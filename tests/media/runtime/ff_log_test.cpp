// The log router: level scale, line assembly, repeat folding and delivery on the main thread.
#include "media/runtime/ff_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <semaphore>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include "common/dispatcher.h"
#include "media/media_fixtures.h"
#include "media/runtime/ff_load.h"

namespace tallowin::test {
namespace {

using namespace tallowin::media;
using namespace std::chrono_literals;

struct Received {
  const void* sender;
  ThreadId thread_id;
  TLogLevel level;
  std::string text;
  bool on_main_thread;
};

// A library message as FFmpeg hands it to the callback.
void LibraryLog(void* context, int level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  FFLogCallback(context, level, format, args);
  va_end(args);
}

// A logging context as the libraries have them: the class pointer first.
const char* TesterName(void*) {
  return "tester";
}
const char* ParentName(void*) {
  return "parent";
}
AVClass MakeClass(const char* name, const char* (*item_name)(void*), int parent_offset) {
  AVClass cls;
  std::memset(&cls, 0, sizeof cls);
  cls.class_name = name;
  cls.item_name = item_name;
  cls.version = LIBAVUTIL_VERSION_INT;
  cls.parent_log_context_offset = parent_offset;
  return cls;
}
struct FakeContext {
  const AVClass* cls;
  void* parent;
};
const AVClass kParentClass = MakeClass("parent", &ParentName, 0);
const AVClass kTesterClass =
    MakeClass("tester", &TesterName, static_cast<int>(offsetof(FakeContext, parent)));

std::string Address(const void* p) {
  char text[32];
  std::snprintf(text, sizeof text, "%p", p);
  return text;
}

class LoggerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadSystemLibraries();
    logger_ = std::make_unique<TFFLogger>();
    logger_->SetLogLevel(llDebug);
    logger_->SetOnLog(
        [this](const void* sender, ThreadId thread, TLogLevel level, const std::string& text) {
          std::lock_guard lock(mutex_);
          got_.push_back({sender, thread, level, text, MainDispatcher().IsMainThread()});
        });
    // Ends whatever line an earlier test left as the last message.
    LibraryLog(nullptr, AV_LOG_ERROR, "--- %s ---\n",
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    Take();
  }
  void TearDown() override { logger_.reset(); }

  std::vector<Received> Take() {
    std::lock_guard lock(mutex_);
    return std::exchange(got_, {});
  }
  size_t Count() {
    std::lock_guard lock(mutex_);
    return got_.size();
  }

  std::unique_ptr<TFFLogger> logger_;
  std::mutex mutex_;
  std::vector<Received> got_;
};

TEST(LogLevelTest, ScaleConversionsAndKeywords) {
  for (int ordinal = 0; ordinal <= 7; ++ordinal) {
    auto level = static_cast<TLogLevel>(ordinal);
    EXPECT_EQ(LogLevelToLibrary(level), (ordinal - 1) * 8);
    EXPECT_EQ(LibraryToLogLevel(LogLevelToLibrary(level)), level);
  }
  EXPECT_EQ(LogLevelToLibrary(llQuiet), AV_LOG_QUIET);
  EXPECT_EQ(LogLevelToLibrary(llError), AV_LOG_ERROR);
  EXPECT_EQ(LibraryToLogLevel(-1), llPanic);
  EXPECT_EQ(LibraryToLogLevel(-7), llPanic);
  EXPECT_EQ(LibraryToLogLevel(-8), llQuiet);
  EXPECT_EQ(LibraryToLogLevel(-100), llQuiet);
  EXPECT_EQ(LibraryToLogLevel(20), llError);
  EXPECT_EQ(LibraryToLogLevel(47), llVerbose);
  EXPECT_EQ(LibraryToLogLevel(100), llDebug);

  TLogLevel level = llInfo;
  EXPECT_TRUE(ParseLogLevel("Warning", level));
  EXPECT_EQ(level, llWarning);
  level = llInfo;
  EXPECT_TRUE(ParseLogLevel("24", level));
  EXPECT_EQ(level, llWarning);
  EXPECT_TRUE(ParseLogLevel("QUIET", level));
  EXPECT_EQ(level, llQuiet);
  EXPECT_TRUE(ParseLogLevel("-1", level));
  EXPECT_EQ(level, llPanic);
  for (const char* bad : {"", "loud", "24x", "-", "99999999999999"}) {
    level = llInfo;
    EXPECT_FALSE(ParseLogLevel(bad, level)) << bad;
    EXPECT_EQ(level, llInfo);
  }
  EXPECT_STREQ(LogLevelKeyword(llVerbose), "verbose");
}

TEST_F(LoggerTest, OneLoggerAndItsLevel) {
  try {
    TFFLogger second;
    ADD_FAILURE() << "a second logger was created";
  } catch (const std::logic_error& e) {
    EXPECT_STREQ(e.what(), "Allow creating only one instance of TFFLogger.");
  }
  EXPECT_EQ(&FFLogger(), logger_.get());
  EXPECT_FALSE(logger_->EngineOwned());

  EXPECT_TRUE(logger_->SetLogLevelByName("Warning"));
  EXPECT_EQ(logger_->LogLevel(), llWarning);
  EXPECT_EQ(FF().av_log_get_level(), AV_LOG_WARNING);
  EXPECT_TRUE(FFSetLogLevelByName("16"));
  EXPECT_EQ(FFLogLevel(), llError);
  EXPECT_FALSE(logger_->SetLogLevelByName("loudest"));
  EXPECT_EQ(logger_->LogLevel(), llError);

  // Without the program's logger the engine makes its own, which a new logger replaces; a new
  // logger starts at the library's current level.
  logger_.reset();
  TFFLogger& own = FFLogger();
  EXPECT_TRUE(own.EngineOwned());
  FFLog(nullptr, llError, "nobody listens");
  logger_ = std::make_unique<TFFLogger>();
  EXPECT_EQ(&FFLogger(), logger_.get());
  EXPECT_EQ(logger_->LogLevel(), llError);
}

TEST_F(LoggerTest, LinesPrefixesAndRepeatFolding) {
  FakeContext parent_ctx{&kParentClass, nullptr};
  FakeContext ctx{&kTesterClass, &parent_ctx};
  LibraryLog(&ctx, AV_LOG_WARNING, "value %d\n", 42);
  auto got = Take();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].text,
            "[parent @ " + Address(&parent_ctx) + "] [tester @ " + Address(&ctx) + "]value 42");
  EXPECT_EQ(got[0].level, llWarning);
  EXPECT_EQ(got[0].sender, logger_.get());
  EXPECT_EQ(got[0].thread_id, CurrentThreadId());

  // Three identical lines: once, then the count before the next different line.
  for (int i = 0; i < 3; ++i) LibraryLog(nullptr, AV_LOG_ERROR, "same\n");
  EXPECT_EQ(Count(), 1u);
  LibraryLog(nullptr, AV_LOG_INFO, "other\n");
  got = Take();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].text, "same");
  EXPECT_EQ(got[1].text, "    Last message repeated 2 times");
  EXPECT_EQ(got[1].level, llInfo);
  EXPECT_EQ(got[2].text, "other");

  // One line in two calls is prefixed once; several lines in one call come one by one.
  FakeContext lone{&kTesterClass, nullptr};
  LibraryLog(&lone, AV_LOG_ERROR, "first half, ");
  EXPECT_EQ(Count(), 0u);
  LibraryLog(&lone, AV_LOG_ERROR, "second half\n");
  LibraryLog(nullptr, AV_LOG_ERROR, "a\nb\nc");
  LibraryLog(nullptr, AV_LOG_ERROR, "\n");
  got = Take();
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0].text, "[tester @ " + Address(&lone) + "]first half, second half");
  EXPECT_EQ(got[1].text, "a");
  EXPECT_EQ(got[2].text, "b");
  EXPECT_EQ(got[3].text, "c");

  // Long messages are never cut; messages above the level are not formatted at all.
  std::string long_text(5000, 'x');
  LibraryLog(nullptr, AV_LOG_ERROR, "%s|\n", long_text.c_str());
  logger_->SetLogLevel(llError);
  LibraryLog(nullptr, AV_LOG_INFO, "too chatty\n");
  LibraryLog(nullptr, AV_LOG_ERROR | (3 << 8), "tinted error\n");
  got = Take();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].text, long_text + "|");
  EXPECT_EQ(got[1].text, "tinted error");
}

TEST_F(LoggerTest, EngineMessagesFollowTheVerboseRule) {
  int sender_object = 0;
  logger_->SetLogLevel(llError);
  FFLog(&sender_object, llVerbose, "progress");
  FFLog(&sender_object, llInfo, "info is too low");
  FFLogF(&sender_object, llError, "error %s", "kept");
  logger_->SetLogLevel(llQuiet);
  FFLog(&sender_object, llVerbose, "quiet means quiet");
  FFLog(&sender_object, llPanic, "even this");
  auto got = Take();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].text, "progress");
  EXPECT_EQ(got[0].level, llVerbose);
  EXPECT_EQ(got[0].sender, &sender_object);
  EXPECT_EQ(got[1].text, "error kept");
}

// Two threads writing halves of their lines in turn: each gets its own complete line, delivered
// on the main thread.
TEST_F(LoggerTest, InterleavedPartialLinesOfTwoThreads) {
  FakeContext a_ctx{&kTesterClass, nullptr};
  FakeContext b_ctx{&kTesterClass, nullptr};
  std::binary_semaphore a_started(0), b_started(0);
  std::atomic<ThreadId> a_id{0}, b_id{0};
  std::atomic<int> finished{0};
  std::thread a([&] {
    a_id = CurrentThreadId();
    LibraryLog(&a_ctx, AV_LOG_ERROR, "alpha ");
    a_started.release();
    b_started.acquire();
    LibraryLog(&a_ctx, AV_LOG_ERROR, "one\n");
    ++finished;
    MainDispatcher().Notify();
  });
  std::thread b([&] {
    b_id = CurrentThreadId();
    a_started.acquire();
    LibraryLog(&b_ctx, AV_LOG_ERROR, "beta ");
    b_started.release();
    LibraryLog(&b_ctx, AV_LOG_ERROR, "two\n");
    ++finished;
    MainDispatcher().Notify();
  });
  bool done = MainDispatcher().WaitUntil([&] { return finished == 2; }, 20s);
  a.join();
  b.join();
  ASSERT_TRUE(done);
  auto got = Take();
  ASSERT_EQ(got.size(), 2u);
  for (const Received& r : got) {
    EXPECT_TRUE(r.on_main_thread);
    if (r.thread_id == a_id)
      EXPECT_EQ(r.text, "[tester @ " + Address(&a_ctx) + "]alpha one");
    else if (r.thread_id == b_id)
      EXPECT_EQ(r.text, "[tester @ " + Address(&b_ctx) + "]beta two");
    else
      ADD_FAILURE() << "line of an unknown thread: " << r.text;
  }
}

// Workers block until the main thread has handled their line; the main thread may log itself
// meanwhile (no lock is held while a worker waits).
TEST_F(LoggerTest, WorkersWaitForTheMainThread) {
  constexpr int kThreads = 4, kLines = 25;
  std::set<std::string> handled;
  std::atomic<int> nested{0};
  logger_->SetOnLog([&](const void*, ThreadId, TLogLevel, const std::string& text) {
    ASSERT_TRUE(MainDispatcher().IsMainThread());
    if (text == "from the main thread") {
      ++nested;
      return;
    }
    {
      std::lock_guard lock(mutex_);
      handled.insert(text);
    }
    FFLog(nullptr, llError, "from the main thread");
  });
  std::atomic<int> finished{0}, not_waited{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([&, t] {
      for (int i = 0; i < kLines; ++i) {
        std::string text = std::to_string(t) + ":" + std::to_string(i);
        FFLog(nullptr, llError, text);
        std::lock_guard lock(mutex_);
        if (!handled.count(text)) ++not_waited;
      }
      ++finished;
      MainDispatcher().Notify();
    });
  }
  bool done = MainDispatcher().WaitUntil([&] { return finished == kThreads; }, 60s);
  for (auto& w : workers) w.join();
  ASSERT_TRUE(done);
  EXPECT_EQ(handled.size(), size_t(kThreads * kLines));
  EXPECT_EQ(not_waited, 0);
  EXPECT_EQ(nested, kThreads * kLines);

  // Without the main-thread option the handler runs in the logging thread.
  logger_->SetTriggerEventInMainThread(false);
  std::atomic<bool> ran_on_worker{false};
  logger_->SetOnLog([&](const void*, ThreadId, TLogLevel, const std::string&) {
    ran_on_worker = !MainDispatcher().IsMainThread();
  });
  std::thread([] { FFLog(nullptr, llError, "direct"); }).join();
  EXPECT_TRUE(ran_on_worker);
}

}  // namespace
}  // namespace tallowin::test
