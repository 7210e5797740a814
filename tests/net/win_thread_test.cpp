// The worker thread component: runs, hand-overs, waiting Execute, stops and priorities.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "common/dispatcher.h"
#include "net/win_thread.h"
#include "net_test_support.h"

namespace tallowin::net {
namespace {

using namespace std::chrono_literals;
using test::Pump;

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 5000ms) {
  return MainDispatcher().WaitUntil(done, timeout);
}

TEST(WinThreadTest, EachExecuteRunsTheJobOnceOnAFreshThread) {
  TCustomWinThread thread;
  std::mutex m;
  std::vector<int> runs_on_thread;
  std::atomic<int> ends{0};
  thread.SetOnExecute([&](TCustomWinThread&) {
    // A fresh thread starts with fresh thread-local storage.
    static thread_local int runs_here = 0;
    std::lock_guard lock(m);
    runs_on_thread.push_back(++runs_here);
    EXPECT_FALSE(MainDispatcher().IsMainThread());
  });
  thread.SetOnTerminate([&](TCustomWinThread&) {
    EXPECT_TRUE(MainDispatcher().IsMainThread());
    ++ends;
  });
  EXPECT_TRUE(thread.NotStarted());
  ASSERT_TRUE(thread.Execute());
  ASSERT_TRUE(WaitFor([&] { return ends == 1 && !thread.Running(); }));
  ASSERT_TRUE(thread.Execute());
  ASSERT_TRUE(WaitFor([&] { return ends == 2 && !thread.Running(); }));
  std::lock_guard lock(m);
  EXPECT_EQ(runs_on_thread, (std::vector<int>{1, 1}));
}

TEST(WinThreadTest, SynchronizeRunsOnTheMainThreadAndBlocksTheWorker) {
  TCustomWinThread thread;
  std::atomic<int> step{0};
  std::atomic<bool> worker_saw_main_result{false};
  thread.SetOnExecute([&](TCustomWinThread& t) {
    int value = 0;  // written on the main thread, read here after the call returns
    t.Synchronize([&] {
      EXPECT_TRUE(MainDispatcher().IsMainThread());
      value = 42;
    });
    worker_saw_main_result = value == 42;
    // A throwing marshalled call does not end the run.
    t.Synchronize([] { throw std::runtime_error("dropped"); });
    step = 1;
  });
  std::atomic<int> ends{0};
  thread.SetOnTerminate([&](TCustomWinThread&) { ++ends; });
  thread.Execute();
  ASSERT_TRUE(WaitFor([&] { return ends == 1; }));
  EXPECT_TRUE(worker_saw_main_result);
  EXPECT_EQ(step, 1);
}

TEST(WinThreadTest, ExecuteWhileActiveAbandonsTheRunWithoutItsEndNotification) {
  TCustomWinThread thread;
  std::atomic<int> runs{0};
  std::atomic<int> stopped{0};
  std::vector<int> ends;  // main thread only
  thread.SetOnExecute([&](TCustomWinThread& t) {
    int run = ++runs;
    while (!t.Terminated()) std::this_thread::sleep_for(2ms);
    ++stopped;
    // An abandoned run delivers nothing, not even a hand-over of its own.
    t.Synchronize([&ends, run] { ends.push_back(-run); });
  });
  thread.SetOnTerminate([&](TCustomWinThread&) { ends.push_back(runs.load()); });
  thread.Execute();
  ASSERT_TRUE(WaitFor([&] { return runs == 1; }));
  thread.Execute();  // abandons run 1
  ASSERT_TRUE(WaitFor([&] { return runs == 2 && stopped == 1; }));
  thread.Terminate(false);
  ASSERT_TRUE(WaitFor([&] { return stopped == 2 && !thread.Running(); }));
  Pump(50ms);
  // Run 2 stopped cooperatively: its hand-over and end notification arrive; run 1's never do.
  EXPECT_EQ(ends, (std::vector<int>{-2, 2}));
}

TEST(WinThreadTest, WaitingExecuteReturnsAfterTheEndNotification) {
  TCustomWinThread thread;
  thread.WaitThread = true;
  bool ended = false;
  int handed_over = 0;
  thread.SetOnExecute([&](TCustomWinThread& t) {
    for (int i = 0; i < 5; ++i) t.Synchronize([&] { ++handed_over; });
  });
  thread.SetOnTerminate([&](TCustomWinThread&) { ended = true; });
  EXPECT_TRUE(thread.Execute());
  EXPECT_TRUE(ended);
  EXPECT_EQ(handed_over, 5);
}

TEST(WinThreadTest, WaitTimeoutAnsweredFalseLeavesTheRunGoing) {
  TCustomWinThread thread;
  thread.WaitThread = true;
  thread.WaitTimeout = 300;
  std::atomic<bool> release{false};
  int expirations = 0, ends = 0;
  thread.SetOnExecute([&](TCustomWinThread&) {
    while (!release) std::this_thread::sleep_for(2ms);
  });
  thread.SetOnTerminate([&](TCustomWinThread&) { ++ends; });
  thread.OnWaitTimeoutExpired = [&](TCustomWinThread&, bool& terminate) {
    ++expirations;
    terminate = false;
  };
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(thread.Execute());
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(expirations, 1);
  EXPECT_GE(waited, 290ms);
  EXPECT_TRUE(thread.Running());
  release = true;
  ASSERT_TRUE(WaitFor([&] { return ends == 1; }));
}

TEST(WinThreadTest, WaitTimeoutAnsweredTrueAbandonsTheRun) {
  TCustomWinThread thread;
  thread.WaitThread = true;
  thread.WaitTimeout = 200;
  int ends = 0;
  std::atomic<bool> job_stopped{false};
  thread.SetOnExecute([&](TCustomWinThread& t) {
    while (!t.Terminated()) std::this_thread::sleep_for(2ms);
    job_stopped = true;
  });
  thread.SetOnTerminate([&](TCustomWinThread&) { ++ends; });
  EXPECT_FALSE(thread.Execute());
  EXPECT_FALSE(thread.Running());
  EXPECT_TRUE(thread.NotStarted());  // a fresh thread object is in place
  ASSERT_TRUE(WaitFor([&] { return job_stopped.load(); }));
  Pump(50ms);
  EXPECT_EQ(ends, 0);
}

TEST(WinThreadTest, HandOversRestartTheWaitLimit) {
  TCustomWinThread thread;
  thread.WaitThread = true;
  thread.WaitTimeout = 150;
  int expirations = 0;
  thread.SetOnExecute([&](TCustomWinThread& t) {
    // 600 ms in all, but never 150 ms without a hand-over.
    for (int i = 0; i < 12; ++i) {
      std::this_thread::sleep_for(50ms);
      t.Synchronize([] {});
    }
  });
  thread.OnWaitTimeoutExpired = [&](TCustomWinThread&, bool&) { ++expirations; };
  EXPECT_TRUE(thread.Execute());
  EXPECT_EQ(expirations, 0);
}

TEST(WinThreadTest, AThrowingJobGivesOneExceptionThenTheEndNotification) {
  TCustomWinThread thread;
  std::vector<std::string> order;
  thread.SetOnExecute([](TCustomWinThread&) { throw std::runtime_error("job failed"); });
  thread.SetOnException([&](std::exception_ptr e) {
    try {
      std::rethrow_exception(e);
    } catch (const std::exception& x) {
      order.push_back(std::string("exception: ") + x.what());
    }
  });
  thread.SetOnTerminate([&](TCustomWinThread&) {
    order.push_back("terminate");
    throw std::logic_error("end failed");  // routed to OnException as well
  });
  thread.WaitThread = true;
  EXPECT_TRUE(thread.Execute());
  EXPECT_EQ(order, (std::vector<std::string>{"exception: job failed", "terminate",
                                             "exception: end failed"}));
}

TEST(WinThreadTest, KillFromTheMainThreadIsImmediateAndTheComponentIsReusable) {
  TCustomWinThread thread;
  std::atomic<int> runs{0};
  int ends = 0;
  thread.SetOnExecute([&](TCustomWinThread& t) {
    ++runs;
    while (!t.Terminated()) std::this_thread::sleep_for(1ms);
  });
  thread.SetOnTerminate([&](TCustomWinThread&) { ++ends; });
  thread.Execute();
  ASSERT_TRUE(WaitFor([&] { return thread.Running(); }));
  thread.Terminate(true);
  EXPECT_FALSE(thread.Running());
  EXPECT_TRUE(thread.NotStarted());
  // Usable at once, with the same handlers.
  thread.Execute();
  ASSERT_TRUE(WaitFor([&] { return runs == 2; }));
  thread.Terminate(false);
  ASSERT_TRUE(WaitFor([&] { return ends == 1 && !thread.Running(); }));
  Pump(30ms);
  EXPECT_EQ(ends, 1);
}

TEST(WinThreadTest, DestroyingWaitsForAbandonedRunsAndDeliversNothing) {
  std::atomic<bool> finished{false};
  int delivered = 0;
  {
    TCustomWinThread thread;
    thread.SetOnExecute([&](TCustomWinThread& t) {
      while (!t.Terminated()) t.Synchronize([&] { ++delivered; });
      std::this_thread::sleep_for(20ms);
      finished = true;
    });
    thread.SetOnTerminate([&](TCustomWinThread&) { delivered += 1000; });
    thread.Execute();
    ASSERT_TRUE(WaitFor([&] { return delivered > 3; }));
  }
  EXPECT_TRUE(finished);  // the destructor joined the worker
  EXPECT_LT(delivered, 1000);
}

TEST(WinThreadTest, ThePriorityReachesTheWorkerAndSurvivesReplacement) {
  TCustomWinThread thread;
  // The lowest priority: lowering is always allowed, whatever the test runner's own nice value.
  thread.SetPriority(TThreadPriority::tpIdle);
  std::atomic<int> nice_seen{-100};
  thread.SetOnExecute([&](TCustomWinThread&) {
    errno = 0;
    nice_seen = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
  });
  thread.WaitThread = true;
  thread.Execute();
  EXPECT_EQ(nice_seen, ThreadPriorityLevelToNice(-15));
  // Kept across the replacement of the thread object.
  EXPECT_EQ(thread.Priority(), TThreadPriority::tpIdle);
}

}  // namespace
}  // namespace tallowin::net
