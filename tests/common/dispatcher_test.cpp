#include "common/dispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tallowin {
namespace {

TEST(Dispatcher, SendRunsOnTheMainThreadAndWaits) {
  auto& d = MainDispatcher();
  std::atomic<bool> ran_on_main{false};
  std::atomic<bool> worker_done{false};
  std::thread worker([&] {
    d.Send([&] { ran_on_main = d.IsMainThread(); });
    worker_done = true;
    d.Notify();
  });
  EXPECT_TRUE(d.WaitUntil([&] { return worker_done.load(); }, std::chrono::seconds(10)));
  worker.join();
  EXPECT_TRUE(ran_on_main);
}

TEST(Dispatcher, SendOnTheMainThreadRunsInline) {
  int value = 0;
  MainDispatcher().Send([&] { value = 1; });
  EXPECT_EQ(value, 1);
}

TEST(Dispatcher, PostedCallsRunInOrderOnlyWhenServed) {
  auto& d = MainDispatcher();
  std::vector<int> order;
  d.Post([&] { order.push_back(1); });
  d.Post([&] { order.push_back(2); });
  EXPECT_TRUE(order.empty());
  EXPECT_EQ(d.ProcessPending(), 2u);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(Dispatcher, ExceptionOfASentCallReachesTheWorker) {
  auto& d = MainDispatcher();
  std::atomic<bool> caught{false}, done{false};
  std::thread worker([&] {
    try {
      d.Send([] { throw std::runtime_error("boom"); });
    } catch (const std::runtime_error&) {
      caught = true;
    }
    done = true;
  });
  d.WaitUntil([&] { return done.load(); }, std::chrono::seconds(10));
  worker.join();
  EXPECT_TRUE(caught);
}

TEST(Dispatcher, WaitUntilTimesOut) {
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(MainDispatcher().WaitUntil([] { return false; }, std::chrono::milliseconds(30)));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

TEST(Dispatcher, ManyWorkersSendConcurrently) {
  auto& d = MainDispatcher();
  int counter = 0;  // touched only on the main thread
  std::atomic<int> finished{0};
  std::vector<std::thread> workers;
  for (int w = 0; w < 4; ++w)
    workers.emplace_back([&] {
      for (int i = 0; i < 100; ++i) d.Send([&] { ++counter; });
      ++finished;
      d.Notify();
    });
  EXPECT_TRUE(d.WaitUntil([&] { return finished.load() == 4; }, std::chrono::seconds(20)));
  for (auto& t : workers) t.join();
  EXPECT_EQ(counter, 400);
}

}  // namespace
}  // namespace tallowin
