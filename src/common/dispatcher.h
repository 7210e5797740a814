// The main-thread dispatcher: the one place where worker threads hand calls to the main thread.
//
// The media engine and the HTTP component run their work on worker threads but deliver their
// events on the main thread. They do it through this queue: `Post` queues a call, `Send` queues a
// call and blocks the worker until the main thread has run it. The main thread runs queued calls
// whenever its event loop wakes (the desktop program installs a wake-up that posts to the Qt
// event loop) and whenever it waits for a worker (`ProcessPending`, `WaitUntil`), so a waiting
// main thread never blocks the hand-overs.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace tallowin {

class Dispatcher {
 public:
  using Call = std::function<void()>;

  // The thread that constructs the dispatcher is its main thread.
  Dispatcher();
  ~Dispatcher();
  Dispatcher(const Dispatcher&) = delete;
  Dispatcher& operator=(const Dispatcher&) = delete;

  bool IsMainThread() const { return std::this_thread::get_id() == main_thread_; }

  // Queues a call for the main thread; never runs it inline.
  void Post(Call call);

  // Runs the call on the main thread and returns when it has run. Runs it inline when called on
  // the main thread. An exception thrown by the call is rethrown in the caller.
  void Send(Call call);

  // Main thread only: runs every queued call. When none is queued, waits up to `timeout` for one
  // (or for `Notify`). Returns the number of calls run.
  std::size_t ProcessPending(std::chrono::milliseconds timeout = std::chrono::milliseconds(0));

  // Main thread only: serves queued calls until `done()` holds or `timeout` has passed (a negative
  // timeout waits without limit). Returns done(). Workers call `Notify` when `done` may change.
  bool WaitUntil(const std::function<bool()>& done,
                 std::chrono::milliseconds timeout = std::chrono::milliseconds(-1));

  // Wakes a main thread that waits in ProcessPending or WaitUntil.
  void Notify();

  // Called (from any thread) after a call was queued; the desktop program uses it to make the Qt
  // event loop run ProcessPending soon. Set it before any worker starts.
  void SetWakeUp(std::function<void()> wake_up);

 private:
  struct Item;
  std::shared_ptr<Item> Pop();

  std::thread::id main_thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::shared_ptr<Item>> queue_;
  std::atomic<std::size_t> queued_{0};  // queue_.size(), readable without the mutex
  std::function<void()> wake_up_;
  unsigned long notify_count_ = 0;
};

// The process's dispatcher. The program and the test runners install one at start-up, on the
// main thread; components use it for every hand-over.
Dispatcher& MainDispatcher();
void SetMainDispatcher(Dispatcher* dispatcher);

}  // namespace tallowin
