#include "net/win_thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <utility>

#include "common/dispatcher.h"

namespace tallowin::net {
namespace {

struct LevelEntry {
  TThreadPriority priority;
  int level;
  int nice;
};
constexpr LevelEntry kLevels[] = {
    {TThreadPriority::tpIdle, -15, 19},        {TThreadPriority::tpLowest, -2, 10},
    {TThreadPriority::tpLower, -1, 5},         {TThreadPriority::tpNormal, 0, 0},
    {TThreadPriority::tpHigher, 1, -5},        {TThreadPriority::tpHighest, 2, -10},
    {TThreadPriority::tpTimeCritical, 15, -20}};

pid_t CurrentTid() {
  return static_cast<pid_t>(syscall(SYS_gettid));
}

void ApplyNice(pid_t tid, int level) {
  if (tid == 0) return;
  // Raising the priority needs privileges; a refusal leaves the thread at its current level.
  setpriority(PRIO_PROCESS, static_cast<id_t>(tid), ThreadPriorityLevelToNice(level));
}

void NotifyMain() {
  try {
    MainDispatcher().Notify();
  } catch (...) {
    // No dispatcher installed: nobody waits.
  }
}

}  // namespace

int ThreadPriorityToLevel(TThreadPriority priority) {
  for (const auto& e : kLevels)
    if (e.priority == priority) return e.level;
  return 0;
}

TThreadPriority ThreadPriorityFromLevel(int level) {
  for (const auto& e : kLevels)
    if (e.level == level) return e.priority;
  return TThreadPriority::tpNormal;
}

int ThreadPriorityLevelToNice(int level) {
  for (const auto& e : kLevels)
    if (e.level == level) return e.nice;
  return 0;
}

// The thread object of the run executing on this thread (null on other threads).
namespace {
thread_local TEventWinThread* t_current_thread = nullptr;
}

// ---- TEventWinThread ----

TEventWinThread::TEventWinThread(TCustomWinThread* owner) : state_(std::make_shared<State>()) {
  state_->owner = owner;
}

TEventWinThread::~TEventWinThread() {
  state_->terminated.store(true);
  state_->abandoned.store(true);
  if (thread_.joinable()) thread_.join();
}

void TEventWinThread::SetPriority(TThreadPriority priority) {
  int level = ThreadPriorityToLevel(priority);
  state_->level.store(level);
  if (state_->running.load()) ApplyNice(state_->tid.load(), level);
}

void TEventWinThread::Start() {
  state_->started.store(true);
  thread_ = std::thread(&TEventWinThread::Body, this, state_, OnExecute);
}

void TEventWinThread::Body(TEventWinThread* self, std::shared_ptr<State> state,
                           TWinThreadExecute job) {
  t_current_thread = self;
  state->tid.store(CurrentTid());
  if (state->level.load() != 0) ApplyNice(state->tid.load(), state->level.load());
  TCustomWinThread* owner = state->owner;
  // A run abandoned before it began does nothing. A mere stop request still runs the job, which
  // sees it at its first poll (so that the job can report how it ended).
  if (!state->abandoned.load()) {
    state->running.store(true);
    if (job && !owner->Destroying()) {
      try {
        job(*owner);
      } catch (...) {
        auto error = std::current_exception();
        owner->Marshal([self, error] {
          if (self->OnException) self->OnException(error);
        });
      }
    }
    // The end notification; what it throws goes to the failure notification.
    auto error = owner->Marshal([self] {
      if (self->OnTerminate) self->OnTerminate(*self->state_->owner);
    });
    if (error) {
      owner->Marshal([self, error] {
        if (self->OnException) self->OnException(error);
      });
    }
    state->running.store(false);
  }
  t_current_thread = nullptr;
  state->finished.store(true);
  NotifyMain();
}

// ---- TCustomWinThread ----

TCustomWinThread::TCustomWinThread() : thread_(std::make_unique<TEventWinThread>(this)) {}

TCustomWinThread::~TCustomWinThread() {
  Shutdown();
}

void TCustomWinThread::ReapFinished() {
  abandoned_.erase(std::remove_if(abandoned_.begin(), abandoned_.end(),
                                  [](const std::unique_ptr<TEventWinThread>& t) {
                                    return t->Finished();  // joined by its destructor
                                  }),
                   abandoned_.end());
}

void TCustomWinThread::KillAndReplace() {
  auto fresh = std::make_unique<TEventWinThread>(this);
  fresh->state_->level.store(thread_->state_->level.load());
  fresh->OnExecute = on_execute_;
  fresh->OnTerminate = on_terminate_;
  fresh->OnException = on_exception_;
  auto old = std::move(thread_);
  thread_ = std::move(fresh);
  old->state_->terminated.store(true);
  old->state_->abandoned.store(true);
  if (old->state_->started.load() && !old->state_->finished.load())
    abandoned_.push_back(std::move(old));
  // else: never started, or already ended; destroying it joins at once.
  ReapFinished();
}

bool TCustomWinThread::Execute() {
  KillAndReplace();
  if (Destroying()) return true;
  auto state = thread_->state_;
  thread_->Start();
  if (!WaitThread) return true;

  Dispatcher& dispatcher = MainDispatcher();
  using Clock = std::chrono::steady_clock;
  const auto limit = std::chrono::milliseconds(WaitTimeout);
  auto deadline = Clock::now() + limit;
  auto ended = [&] { return state->finished.load() || state->abandoned.load() || Destroying(); };
  // While hand-overs come in quick succession (a fast transfer raises one per block) the wait
  // polls instead of sleeping, so that each one is served without a wake-up of this thread.
  constexpr auto kBusyPoll = std::chrono::microseconds(300);
  auto last_hand_over = Clock::now();
  for (;;) {
    if (ended()) {
      dispatcher.ProcessPending();
      return true;
    }
    if (dispatcher.ProcessPending() > 0) {
      last_hand_over = Clock::now();
      deadline = last_hand_over + limit;
      continue;
    }
    if (Clock::now() - last_hand_over < kBusyPoll) {
      std::this_thread::yield();
      continue;
    }
    auto slice = std::chrono::milliseconds(20);
    if (WaitTimeout > 0) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      slice = std::clamp(left, std::chrono::milliseconds(1), slice);
    }
    // Every hand-over that arrives starts the full limit again.
    if (dispatcher.ProcessPending(slice) > 0) deadline = Clock::now() + limit;
    if (ended()) {
      dispatcher.ProcessPending();
      return true;
    }
    if (WaitTimeout > 0 && Clock::now() >= deadline) {
      bool terminate_thread = true;
      if (OnWaitTimeoutExpired) OnWaitTimeoutExpired(*this, terminate_thread);
      if (terminate_thread && thread_->state_ == state) KillAndReplace();
      return !terminate_thread;
    }
  }
}

void TCustomWinThread::Terminate(bool kill) {
  if (TEventWinThread* own = t_current_thread; own && own->state_->owner == this) {
    own->state_->terminated.store(true);
    if (kill) own->state_->abandoned.store(true);
    return;
  }
  if (!kill) {
    thread_->state_->terminated.store(true);
    return;
  }
  KillAndReplace();
}

bool TCustomWinThread::Terminated() const {
  if (TEventWinThread* own = t_current_thread; own && own->state_->owner == this)
    return own->state_->terminated.load();
  return thread_->Terminated();
}

std::exception_ptr TCustomWinThread::Marshal(const std::function<void()>& method) {
  TEventWinThread* own = t_current_thread;
  if (own && own->state_->owner != this) own = nullptr;
  auto skip = [this, own] { return Destroying() || (own && own->state_->abandoned.load()); };
  if (skip()) return nullptr;
  std::exception_ptr error;
  try {
    MainDispatcher().Send([&] {
      // Checked again on the main thread: a run abandoned meanwhile delivers nothing.
      if (skip()) return;
      try {
        method();
      } catch (...) {
        error = std::current_exception();
      }
    });
  } catch (...) {
    // The dispatcher is gone (the program is ending): the call cannot run.
  }
  return error;
}

void TCustomWinThread::Synchronize(const std::function<void()>& method) {
  (void)Marshal(method);
}

void TCustomWinThread::Shutdown() {
  BeginDestroy();
  thread_->state_->terminated.store(true);
  thread_->state_->abandoned.store(true);
  if (thread_->state_->started.load() && !thread_->state_->finished.load())
    abandoned_.push_back(std::exchange(thread_, std::make_unique<TEventWinThread>(this)));
  auto all_ended = [this] {
    return std::all_of(abandoned_.begin(), abandoned_.end(),
                       [](const std::unique_ptr<TEventWinThread>& t) { return t->Finished(); });
  };
  Dispatcher* dispatcher = nullptr;
  try {
    dispatcher = &MainDispatcher();
  } catch (...) {
  }
  // On the main thread the waiting keeps serving hand-overs: a worker blocked in a marshalled
  // call is released (the call is skipped) and can end.
  if (dispatcher && dispatcher->IsMainThread() && !all_ended()) dispatcher->WaitUntil(all_ended);
  abandoned_.clear();
}

}  // namespace tallowin::net
