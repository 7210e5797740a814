// A conversion run without a window: the jobs of a list of input paths built by TJobBuilder (per
// file, or one joined job), run by the encoder up to N at once, each job's figures handed to an
// observer as they change, and a stop request honoured by stopping and waiting for every running
// job. tallowin-cli convert drives it; its caller's thread must be the dispatcher's main thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "convert/job_builder.h"
#include "media/components/ff_encode.h"

namespace tallowin::convert {

enum class TBatchJobState { Waiting, Running, Finished, Failed, Stopped };

// One job of the run as the observer sees it.
struct TBatchJob {
  int Number = 0;         // 1-based position of its (first) input in the input list
  std::string Input;      // the input path; a joined job: its first accepted input
  int InputCount = 1;     // inputs of the job
  std::string Output;     // the output path
  int64_t Duration = -1;  // expected, in microseconds; -1 when not known
  int64_t Done = 0;       // encoded so far, in microseconds
  double StartedAt = 0;   // on the run's clock, in seconds
  TBatchJobState State = TBatchJobState::Waiting;
  std::string Error;  // why it failed
};

class TBatchObserver {
 public:
  virtual ~TBatchObserver() = default;
  // An input that gets no job (or is left out of the joined job), with the reason.
  virtual void InputSkipped(int number, const std::string& input, const std::string& reason) = 0;
  // A job started or has new figures.
  virtual void JobProgress(const TBatchJob& job, double now) = 0;
  // A job ended (finished, failed or stopped).
  virtual void JobEnded(const TBatchJob& job, double now) = 0;
};

struct TBatchSettings {
  TJobTarget Target;
  bool Merge = false;
  int Jobs = 1;  // conversions at once
  // Tasks built at a time: every built task holds its input and output files open, so a long list
  // is built and run in batches of this many.
  int BatchSize = 48;
};

struct TBatchSummary {
  int Total = 0;      // input files
  int Succeeded = 0;  // input files that reached a finished output
  int Failed = 0;
  bool Stopped = false;
};

class TBatchRun {
 public:
  // `clock` gives seconds (steady); tests replace it.
  TBatchRun(media::TCustomEncoder& encoder, TBatchObserver& observer,
            std::function<double()> clock = {});
  ~TBatchRun();
  TBatchRun(const TBatchRun&) = delete;
  TBatchRun& operator=(const TBatchRun&) = delete;

  // Converts every input and returns when every job has ended. `stop_requested` is polled about
  // ten times a second; once it returns true no further job starts, every running job is stopped
  // (each output closed with its trailer) and waited for, and the run ends.
  TBatchSummary Run(const TBatchSettings& settings, const std::vector<std::string>& inputs,
                    const std::function<bool()>& stop_requested);

 private:
  int RunPerFile(const TBatchSettings& settings, const std::vector<std::string>& inputs,
                 const std::function<bool()>& stop_requested);
  int RunMerged(const TBatchSettings& settings, const std::vector<std::string>& inputs,
                const std::function<bool()>& stop_requested);
  // Starts the built tasks and serves their events until the last has ended; the tasks are
  // cleared after.
  void RunTasks(int jobs, const std::function<bool()>& stop_requested);
  void StartJob(size_t index, double now);
  void OnProgress(media::PProgressInfo info);
  void OnTerminate(const media::TTerminateInfo& info);

  media::TCustomEncoder& encoder_;
  TBatchObserver& observer_;
  std::function<double()> clock_;
  // The builder's log lines since the last look (each refusal leaves one).
  std::vector<std::string> lines_;
  TJobBuilder builder_;
  // The jobs of the batch that runs: task k is job k.
  std::vector<TBatchJob> jobs_;
  size_t next_to_start_ = 0;
  bool all_done_ = false;
  bool stopped_ = false;
};

}  // namespace tallowin::convert
