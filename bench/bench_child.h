// The benchmarks' way of timing a command: run it as a child process without a shell, its output
// thrown away, and read its wall time, CPU time and peak memory.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace tallowin::bench {

struct ChildRun {
  double seconds = 0;      // wall time
  double cpu_seconds = 0;  // user + system time of the child and the children it waited for
  long peak_kb = 0;        // maximum resident set
  int status = -1;         // exit status; -1 when the child did not exit normally
};

inline ChildRun RunChild(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    if (FILE* null = std::fopen("/dev/null", "w")) {
      dup2(fileno(null), 1);
      dup2(fileno(null), 2);
    }
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  ChildRun run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.cpu_seconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  run.peak_kb = usage.ru_maxrss;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

}  // namespace tallowin::bench
