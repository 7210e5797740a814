// The numeric id of the calling thread, as the log lines and the interrupt registry use it.
#pragma once

#include <sys/syscall.h>
#include <unistd.h>

namespace tallowin::media {

using ThreadId = unsigned long;

// The kernel's id of the calling thread (what `ps -L` and debuggers show).
inline ThreadId CurrentThreadId() {
  thread_local const ThreadId id = static_cast<ThreadId>(::syscall(SYS_gettid));
  return id;
}

}  // namespace tallowin::media
