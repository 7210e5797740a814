#include "common/dispatcher.h"

#include <atomic>
#include <stdexcept>

namespace tallowin {

namespace {

// How long each side of a hand-over waits awake before it blocks. A handler on the main thread
// usually returns, and a worker usually hands over its next call, within microseconds; waiting
// awake for that spares the two thread wake-ups (tens of microseconds each) of blocking waits.
constexpr auto kSpin = std::chrono::microseconds(50);

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__)
  asm volatile("yield");
#endif
}

// Spins until `ready()` holds or kSpin has passed; returns ready().
template <typename Ready>
bool SpinFor(Ready ready) {
  const auto until = std::chrono::steady_clock::now() + kSpin;
  for (int i = 0;; ++i) {
    if (ready()) return true;
    // Reading the clock costs more than a pause: look at it every few rounds only.
    if ((i & 15) == 15 && std::chrono::steady_clock::now() >= until) return ready();
    CpuRelax();
  }
}

}  // namespace

struct Dispatcher::Item {
  Call call;
  bool synchronous = false;
  // Set (release) once the call has run and `error` holds its outcome; written under the mutex.
  std::atomic<bool> done{false};
  std::exception_ptr error;
};

Dispatcher::Dispatcher() : main_thread_(std::this_thread::get_id()) {}

Dispatcher::~Dispatcher() {
  // Release any worker still blocked in Send: its call will never run now.
  std::lock_guard lock(mutex_);
  for (auto& item : queue_) {
    if (item->synchronous) {
      item->error = std::make_exception_ptr(std::runtime_error("main thread has ended"));
      item->done.store(true, std::memory_order_release);
    }
  }
  queue_.clear();
  changed_.notify_all();
}

void Dispatcher::Post(Call call) {
  auto item = std::make_shared<Item>();
  item->call = std::move(call);
  std::function<void()> wake_up;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(item);
    queued_.fetch_add(1, std::memory_order_release);
    wake_up = wake_up_;
  }
  changed_.notify_all();
  if (wake_up) wake_up();
}

void Dispatcher::Send(Call call) {
  if (IsMainThread()) {
    call();
    return;
  }
  auto item = std::make_shared<Item>();
  item->call = std::move(call);
  item->synchronous = true;
  std::function<void()> wake_up;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(item);
    queued_.fetch_add(1, std::memory_order_release);
    wake_up = wake_up_;
  }
  changed_.notify_all();
  if (wake_up) wake_up();
  auto done = [&] { return item->done.load(std::memory_order_acquire); };
  if (!SpinFor(done)) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, done);
  }
  if (item->error) std::rethrow_exception(item->error);
}

std::shared_ptr<Dispatcher::Item> Dispatcher::Pop() {
  std::lock_guard lock(mutex_);
  if (queue_.empty()) return nullptr;
  auto item = queue_.front();
  queue_.pop_front();
  queued_.fetch_sub(1, std::memory_order_relaxed);
  return item;
}

std::size_t Dispatcher::ProcessPending(std::chrono::milliseconds timeout) {
  std::size_t count = 0;
  if (timeout.count() > 0 &&
      !SpinFor([this] { return queued_.load(std::memory_order_acquire) != 0; })) {
    std::unique_lock lock(mutex_);
    const auto seen = notify_count_;
    changed_.wait_for(lock, timeout, [&] { return !queue_.empty() || notify_count_ != seen; });
  }
  while (auto item = Pop()) {
    std::exception_ptr error;
    try {
      item->call();
    } catch (...) {
      error = std::current_exception();
    }
    ++count;
    if (item->synchronous) {
      std::lock_guard lock(mutex_);
      item->error = error;
      item->done.store(true, std::memory_order_release);
      changed_.notify_all();
    } else if (error) {
      // A posted call has nobody to report to; it must not take the main loop down.
    }
  }
  return count;
}

bool Dispatcher::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  // The poll step bounds the wait when a worker changes `done` without calling Notify.
  constexpr auto kStep = std::chrono::milliseconds(5);
  for (;;) {
    ProcessPending();
    if (done()) return true;
    auto step = kStep;
    if (timeout.count() >= 0) {
      const auto now = std::chrono::steady_clock::now();
      if (now >= deadline) return done();
      step = std::min<std::chrono::milliseconds>(
          kStep, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now) +
                     std::chrono::milliseconds(1));
    }
    ProcessPending(step);
    if (done()) return true;
  }
}

void Dispatcher::Notify() {
  {
    std::lock_guard lock(mutex_);
    ++notify_count_;
  }
  changed_.notify_all();
}

void Dispatcher::SetWakeUp(std::function<void()> wake_up) {
  std::lock_guard lock(mutex_);
  wake_up_ = std::move(wake_up);
}

namespace {
std::atomic<Dispatcher*> g_dispatcher{nullptr};
}

Dispatcher& MainDispatcher() {
  Dispatcher* d = g_dispatcher.load(std::memory_order_acquire);
  if (!d) throw std::logic_error("no main-thread dispatcher installed");
  return *d;
}

void SetMainDispatcher(Dispatcher* dispatcher) {
  g_dispatcher.store(dispatcher, std::memory_order_release);
}

}  // namespace tallowin
