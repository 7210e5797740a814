// What tallowin-cli convert prints while it runs. On a terminal: one line per running job,
// redrawn in place, with the lines of ended jobs and messages above them. Otherwise plain lines
// only: a job's start, every tenth of its progress and its end.
#pragma once

#include <cstdio>
#include <map>
#include <string>

#include "convert/batch_run.h"

namespace tallowin::cli {

class TConvertView final : public convert::TBatchObserver {
 public:
  // `total` is the number of inputs (the n of "[k/n]").
  TConvertView(std::FILE* out, bool terminal, int total);

  void InputSkipped(int number, const std::string& input, const std::string& reason) override;
  void JobProgress(const convert::TBatchJob& job, double now) override;
  void JobEnded(const convert::TBatchJob& job, double now) override;
  // A message (a library's error line) above the running jobs.
  void Message(const std::string& line);
  void Summary(const convert::TBatchSummary& summary);

  // The figures of a running job: "45%  speed 3.1x  time left 0:00:12".
  static std::string Figures(const convert::TBatchJob& job, double now);

 private:
  std::string Label(int number, const std::string& input) const;
  // Prints `line` for good: above the running jobs on a terminal.
  void Permanent(const std::string& line);
  void Redraw();

  std::FILE* out_;
  bool terminal_;
  int total_;
  int width_ = 0;  // terminal columns; 0 = unknown
  // The running jobs' lines by job number, and how many are on the screen now.
  std::map<int, std::string> running_;
  int drawn_ = 0;
  // Plain output: the last tenth printed per job.
  std::map<int, int> printed_tenth_;
};

}  // namespace tallowin::cli
