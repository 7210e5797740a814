// The figures of a conversion run as the Step3 and Step4 pages show them: the current job's
// percentage, the run's elapsed, estimated and remaining times, the error line of a job and the
// finish sound. Plain functions, so that every front end of a run reads the same figures.
#pragma once

#include <cstdint>
#include <string>

namespace tallowin::convert {

// What the estimate and the time left read while nothing has been processed yet.
extern const char kTimeNotKnown[];

// Seconds as "h:nn:ss": hours without a leading zero and never folded into days ("25:00:00"),
// minutes and seconds with two digits. Negative or non-finite values read "0:00:00".
std::string FormatRunTime(double seconds);

// current x 100 / total in 64-bit integers, truncated and limited to 0 .. 100; -1 when the total
// is not known (0 or less).
int ProgressPercent(int64_t current_us, int64_t total_us);

struct TRunTimes {
  std::string estimated;
  std::string elapsed;
  std::string left;
};

// The run's times after `elapsed_s` seconds, when `processed_us` of `total_us` microseconds of
// input have been converted (the finished jobs plus the running one's progress). Before anything
// has been processed the estimate and the time left are kTimeNotKnown.
TRunTimes RunTimes(int64_t total_us, int64_t processed_us, double elapsed_s);

// "File (" + index + "): " + text.
std::string JobErrorLine(int job_index, const std::string& text);

// The finish sound beside the program: "sounds/fail.wav" when a job did not succeed, else
// "sounds/done.wav".
std::string FinishSoundPath(const std::string& program_dir, int succeeded_jobs, int total_jobs);

// Days since the epoch (the run's start time is kept in days, as date-times are).
double NowInDays();
constexpr double kSecondsPerDay = 86400.0;

}  // namespace tallowin::convert
