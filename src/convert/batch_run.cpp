#include "convert/batch_run.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <utility>

#include "common/dispatcher.h"

namespace tallowin::convert {

namespace {

// The engine's position while no output stream has one yet.
constexpr int64_t kNoPosition = INT64_C(10000000000000000);

constexpr char kFileAdded[] = "File has been added to convert list.";

double SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

TBatchRun::TBatchRun(media::TCustomEncoder& encoder, TBatchObserver& observer,
                     std::function<double()> clock)
    : encoder_(encoder),
      observer_(observer),
      clock_(clock ? std::move(clock) : std::function<double()>(SteadySeconds)),
      builder_(encoder, [this](const std::string& line) { lines_.push_back(line); }) {}

TBatchRun::~TBatchRun() {
  encoder_.DetachEvents();
}

TBatchSummary TBatchRun::Run(const TBatchSettings& settings, const std::vector<std::string>& inputs,
                             const std::function<bool()>& stop_requested) {
  TBatchSummary summary;
  summary.Total = static_cast<int>(inputs.size());
  stopped_ = false;
  lines_.clear();
  encoder_.TriggerEventInMainThread = true;
  encoder_.SetOnProgress(
      [this](media::TCustomEncoder&, media::PProgressInfo info) { OnProgress(info); });
  encoder_.SetOnTerminate(
      [this](media::TCustomEncoder&, const media::TTerminateInfo& info) { OnTerminate(info); });
  if (builder_.NewRun()) {
    summary.Succeeded = settings.Merge ? RunMerged(settings, inputs, stop_requested)
                                       : RunPerFile(settings, inputs, stop_requested);
  } else {
    const std::string reason = lines_.empty() ? std::string() : lines_.back();
    for (size_t i = 0; i < inputs.size(); ++i)
      observer_.InputSkipped(static_cast<int>(i) + 1, inputs[i], reason);
  }
  encoder_.DetachEvents();
  summary.Failed = summary.Total - summary.Succeeded;
  summary.Stopped = stopped_;
  return summary;
}

int TBatchRun::RunPerFile(const TBatchSettings& settings, const std::vector<std::string>& inputs,
                          const std::function<bool()>& stop_requested) {
  int succeeded = 0;
  const size_t batch = static_cast<size_t>(std::max(1, settings.BatchSize));
  for (size_t first = 0; first < inputs.size() && !stopped_; first += batch) {
    if (!builder_.NextBatch()) break;
    jobs_.clear();
    const size_t end = std::min(inputs.size(), first + batch);
    for (size_t i = first; i < end; ++i) {
      if (stop_requested()) {
        stopped_ = true;
        break;
      }
      lines_.clear();
      const std::optional<TFileJob> built = builder_.AddFileJob(settings.Target, inputs[i]);
      if (!built) {
        observer_.InputSkipped(static_cast<int>(i) + 1, inputs[i],
                               lines_.empty() ? std::string() : lines_.back());
        continue;
      }
      TBatchJob job;
      job.Number = static_cast<int>(i) + 1;
      job.Input = built->InputPath;
      job.Output = built->OutputPath;
      job.Duration = built->Duration;
      jobs_.push_back(std::move(job));
    }
    RunTasks(settings.Jobs, stop_requested);
    succeeded += static_cast<int>(std::count_if(jobs_.begin(), jobs_.end(), [](const auto& job) {
      return job.State == TBatchJobState::Finished;
    }));
  }
  builder_.NextBatch();
  return succeeded;
}

int TBatchRun::RunMerged(const TBatchSettings& settings, const std::vector<std::string>& inputs,
                         const std::function<bool()>& stop_requested) {
  lines_.clear();
  const TMergeJob merged = builder_.BuildMergeJob(settings.Target, inputs);
  // Each input left one line, accepted or not; a refused output adds one more at the end.
  std::vector<bool> accepted(inputs.size(), false);
  for (size_t i : merged.Accepted) accepted[i] = true;
  const std::string refusal = merged.Built || lines_.empty() ? std::string() : lines_.back();
  for (size_t i = 0; i < inputs.size(); ++i) {
    if (merged.Built && accepted[i]) continue;
    std::string reason = i < lines_.size() && lines_[i] != kFileAdded ? lines_[i] : refusal;
    observer_.InputSkipped(static_cast<int>(i) + 1, inputs[i], reason);
  }
  if (!merged.Built) return 0;
  jobs_.clear();
  TBatchJob job;
  job.Number = static_cast<int>(merged.Accepted.front()) + 1;
  job.Input = inputs[merged.Accepted.front()];
  job.InputCount = static_cast<int>(merged.Accepted.size());
  job.Output = merged.OutputPath;
  jobs_.push_back(std::move(job));
  RunTasks(1, stop_requested);
  builder_.NextBatch();
  return jobs_.front().State == TBatchJobState::Finished ? jobs_.front().InputCount : 0;
}

void TBatchRun::StartJob(size_t index, double now) {
  TBatchJob& job = jobs_[index];
  job.State = TBatchJobState::Running;
  job.StartedAt = now;
  observer_.JobProgress(job, now);
}

void TBatchRun::RunTasks(int jobs, const std::function<bool()>& stop_requested) {
  if (encoder_.TaskCount() == 0) return;
  if (stopped_ || stop_requested()) {
    // Stopped while the jobs were built: none starts, and the files they opened go.
    stopped_ = true;
    const double now = clock_();
    for (int k = 0; k < encoder_.TaskCount(); ++k) {
      RemoveUnwrittenOutputs(encoder_.Task(k));
      jobs_[static_cast<size_t>(k)].State = TBatchJobState::Stopped;
      observer_.JobEnded(jobs_[static_cast<size_t>(k)], now);
    }
    builder_.NextBatch();
    return;
  }
  all_done_ = false;
  const int threads = std::max(1, jobs);
  next_to_start_ = std::min(jobs_.size(), static_cast<size_t>(threads));
  const double now = clock_();
  for (size_t k = 0; k < next_to_start_; ++k) StartJob(k, now);
  encoder_.StartTask(threads);
  Dispatcher& dispatcher = MainDispatcher();
  while (!dispatcher.WaitUntil([this] { return all_done_; }, std::chrono::milliseconds(100))) {
    if (!stopped_ && stop_requested()) {
      stopped_ = true;
      // Serves the jobs' hand-overs while it waits for each of them.
      encoder_.Stop(true);
    }
  }
  builder_.NextBatch();
}

void TBatchRun::OnProgress(media::PProgressInfo info) {
  const int index = info->TaskIndex;
  if (index < 0 || index >= static_cast<int>(jobs_.size())) return;
  TBatchJob& job = jobs_[static_cast<size_t>(index)];
  if (job.State != TBatchJobState::Running) return;
  if (info->TotalDuration > 0) job.Duration = info->TotalDuration;
  if (info->CurrentDuration > 0 && info->CurrentDuration < kNoPosition)
    job.Done = info->CurrentDuration;
  observer_.JobProgress(job, clock_());
}

void TBatchRun::OnTerminate(const media::TTerminateInfo& info) {
  // On a delivery thread of the encoder; the jobs change on the main thread only.
  Dispatcher& main_thread = MainDispatcher();
  if (info.TaskIndex < 0) {
    main_thread.Send([this] { all_done_ = true; });
    return;
  }
  if (!info.Finished) RemoveUnwrittenOutputs(encoder_.Task(info.TaskIndex));
  main_thread.Send([this, &info] {
    const size_t index = static_cast<size_t>(info.TaskIndex);
    if (index >= jobs_.size()) return;
    TBatchJob& job = jobs_[index];
    const double now = clock_();
    if (info.Finished) {
      job.State = TBatchJobState::Finished;
      if (job.Duration > 0) job.Done = job.Duration;
    } else if (info.Exception) {
      job.State = TBatchJobState::Failed;
      job.Error = info.ExceptionMsg;
    } else if (stopped_) {
      job.State = TBatchJobState::Stopped;
    } else {
      job.State = TBatchJobState::Failed;
      job.Error = "The conversion did not reach its end.";
    }
    observer_.JobEnded(job, now);
    // The encoder starts the next task in list order as this one ends.
    if (!stopped_ && next_to_start_ < jobs_.size()) StartJob(next_to_start_++, now);
  });
}

}  // namespace tallowin::convert
