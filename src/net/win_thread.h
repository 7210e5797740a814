// The worker thread component: runs one job per run on a fresh thread and carries calls from that
// thread to the main thread through the main-thread dispatcher.
//
// No thread is ever killed. "Killing" a run abandons it: its thread object is marked, every call
// it would still marshal is skipped, its job sees the stop request at its next poll, and a fresh
// thread object with the same settings takes its place at once. Abandoned threads are joined when
// they have ended (at the latest by the component's destructor, which keeps serving hand-overs
// while it waits).
#pragma once

#include <sys/types.h>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace tallowin::net {

enum class TThreadPriority {
  tpIdle,
  tpLowest,
  tpLower,
  tpNormal,
  tpHigher,
  tpHighest,
  tpTimeCritical
};

// The design's priority levels (-15, -2, -1, 0, 1, 2, 15) and back; an unknown level reads as
// tpNormal.
int ThreadPriorityToLevel(TThreadPriority priority);
TThreadPriority ThreadPriorityFromLevel(int level);
// The Linux nice value that realises a level (lower values need privileges and may be refused).
int ThreadPriorityLevelToNice(int level);

class TCustomWinThread;

using TWinThreadExecute = std::function<void(TCustomWinThread& sender)>;
using TWinThreadNotify = std::function<void(TCustomWinThread& sender)>;
using TWinThreadException = std::function<void(std::exception_ptr error)>;
using TWinThreadWaitTimeoutExpired =
    std::function<void(TCustomWinThread& sender, bool& terminate_thread)>;

// One run's thread. Created "suspended" (no thread yet); Start creates the thread. Never
// restarted: the component replaces it for every run.
class TEventWinThread {
 public:
  explicit TEventWinThread(TCustomWinThread* owner);
  // Requests a stop and joins the thread if it was started. The component only destroys objects
  // whose thread has ended or has been abandoned and waited for.
  ~TEventWinThread();
  TEventWinThread(const TEventWinThread&) = delete;
  TEventWinThread& operator=(const TEventWinThread&) = delete;

  bool Terminated() const { return state_->terminated.load(); }
  bool Suspended() const { return !state_->started.load(); }
  bool Running() const { return state_->running.load(); }
  bool Finished() const { return state_->finished.load(); }
  int ReturnValue() const { return 0; }
  std::thread::id ThreadID() const { return thread_.get_id(); }
  TCustomWinThread* Owner() const { return state_->owner; }

  TThreadPriority Priority() const { return ThreadPriorityFromLevel(state_->level.load()); }
  void SetPriority(TThreadPriority priority);

  // Handlers; read and written on the main thread only (the job is copied when the run starts).
  TWinThreadExecute OnExecute;
  TWinThreadNotify OnTerminate;
  TWinThreadException OnException;

 private:
  friend class TCustomWinThread;

  // What the worker shares with the main thread; kept alive by both.
  struct State {
    TCustomWinThread* owner = nullptr;
    std::atomic<bool> terminated{false};  // cooperative stop request
    std::atomic<bool> abandoned{false};   // killed: deliver nothing more
    std::atomic<bool> started{false};
    std::atomic<bool> running{false};
    std::atomic<bool> finished{false};
    std::atomic<int> level{0};
    std::atomic<pid_t> tid{0};
  };

  void Start();
  static void Body(TEventWinThread* self, std::shared_ptr<State> state, TWinThreadExecute job);

  std::shared_ptr<State> state_;
  std::thread thread_;
};

class TCustomWinThread {
 public:
  TCustomWinThread();
  // Abandons a running run and waits for every thread of this component to end.
  ~TCustomWinThread();
  TCustomWinThread(const TCustomWinThread&) = delete;
  TCustomWinThread& operator=(const TCustomWinThread&) = delete;

  // Main thread. Replaces the thread object (abandoning a run still active) and starts a run.
  // Without WaitThread it returns True at once. With it, it serves hand-overs until the run ends
  // (True) or until WaitTimeout ms pass without any hand-over; then OnWaitTimeoutExpired decides
  // (TerminateThread True abandons the run) and the result is the inverse of its answer.
  bool Execute();

  // Kill = False: cooperative stop request. Kill = True: abandon the run and put a fresh thread
  // object in place. On a worker thread both only mark that worker's own run (it ends at its next
  // poll and delivers nothing more); the replacement happens at the next Execute.
  void Terminate(bool kill);

  // Worker: runs `method` on the main thread and returns when it has run. Skipped when the owner
  // is being destroyed or the calling run was abandoned. An exception thrown by `method` is
  // dropped. Called on the main thread it runs `method` inline.
  void Synchronize(const std::function<void()>& method);

  bool Running() const { return thread_->Running(); }
  // On a worker: its own run's stop request; elsewhere the current thread object's.
  bool Terminated() const;
  bool NotStarted() const { return thread_->Suspended(); }

  TThreadPriority Priority() const { return thread_->Priority(); }
  void SetPriority(TThreadPriority priority) { thread_->SetPriority(priority); }

  // The handlers of the next runs: each thread object gets a copy when it replaces the previous
  // one, so that a run never sees its handlers replaced (or destroyed) while it uses them.
  void SetOnExecute(TWinThreadExecute handler) { on_execute_ = std::move(handler); }
  void SetOnTerminate(TWinThreadNotify handler) { on_terminate_ = std::move(handler); }
  void SetOnException(TWinThreadException handler) { on_exception_ = std::move(handler); }

  TEventWinThread& Thread() { return *thread_; }

  bool WaitThread = false;
  unsigned WaitTimeout = 0;  // ms; 0 = no limit
  TWinThreadWaitTimeoutExpired OnWaitTimeoutExpired;

  // The owner is being destroyed: no job starts and nothing is marshalled from now on.
  void BeginDestroy() { destroying_.store(true); }
  bool Destroying() const { return destroying_.load(); }

  // Abandons the current run and waits (serving hand-overs on the main thread) until every
  // thread this component started has ended. Called by the destructor; owners call it first
  // from their own destructor so that no job outlives the state it uses.
  void Shutdown();

  // Abandoned threads that have not been joined yet (for tests).
  size_t PendingThreads() const { return abandoned_.size(); }

 private:
  friend class TEventWinThread;

  void KillAndReplace();
  void ReapFinished();
  // Runs `method` on the main thread for the calling run; returns what it threw.
  std::exception_ptr Marshal(const std::function<void()>& method);

  TWinThreadExecute on_execute_;
  TWinThreadNotify on_terminate_;
  TWinThreadException on_exception_;
  std::unique_ptr<TEventWinThread> thread_;
  std::vector<std::unique_ptr<TEventWinThread>> abandoned_;
  std::atomic<bool> destroying_{false};
};

}  // namespace tallowin::net
