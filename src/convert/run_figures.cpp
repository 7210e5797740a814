#include "convert/run_figures.h"

#include <chrono>
#include <cmath>
#include <cstdio>

#include "shell/util_funcs.h"

namespace tallowin::convert {

const char kTimeNotKnown[] = "--:--:--";

std::string FormatRunTime(double seconds) {
  if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
  // Whole seconds, counted from milliseconds so that 44.9999 s is not shown as 0:00:44.
  const auto total = static_cast<long long>(std::floor(std::round(seconds * 1000.0) / 1000.0));
  char text[48];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
  return text;
}

int ProgressPercent(int64_t current_us, int64_t total_us) {
  if (total_us <= 0) return -1;
  // 128 bits: a damaged file may report a current time near the 64-bit limit.
  const __int128 percent = static_cast<__int128>(current_us) * 100 / total_us;
  if (percent < 0) return 0;
  if (percent > 100) return 100;
  return static_cast<int>(percent);
}

TRunTimes RunTimes(int64_t total_us, int64_t processed_us, double elapsed_s) {
  TRunTimes times;
  times.elapsed = FormatRunTime(elapsed_s);
  if (processed_us <= 0 || total_us <= 0) {
    times.estimated = times.left = kTimeNotKnown;
    return times;
  }
  const double estimated = static_cast<double>(total_us) * elapsed_s / processed_us;
  times.estimated = FormatRunTime(estimated);
  times.left = FormatRunTime(estimated - elapsed_s);
  return times;
}

std::string JobErrorLine(int job_index, const std::string& text) {
  return "File (" + std::to_string(job_index) + "): " + text;
}

std::string FinishSoundPath(const std::string& program_dir, int succeeded_jobs, int total_jobs) {
  return WithTrailingBackslash(program_dir) +
         (succeeded_jobs < total_jobs ? "sounds/fail.wav" : "sounds/done.wav");
}

double NowInDays() {
  using namespace std::chrono;
  return duration<double>(system_clock::now().time_since_epoch()).count() / kSecondsPerDay;
}

}  // namespace tallowin::convert
