// Building the encoder tasks of a conversion run from input paths: per input one task (probed
// with the encoder's decoder, its output options from the selected preset, its output name made
// unique in the folder), or one task that joins every input. The window and tallowin-cli both
// build their jobs here; each shows the accepted jobs in its own way.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "convert/job_rules.h"
#include "media/components/ff_encode.h"

namespace tallowin::convert {

// What the jobs of a run produce: format class, format, that format's preset index and the
// output folder (with a trailing "/").
struct TJobTarget {
  int FormatClass = -1;
  int Format = -1;
  int Preset = -1;
  std::string OutputDir;
};

// A per-file job the encoder accepted.
struct TFileJob {
  int TaskIndex = -1;
  std::string InputPath;   // the file the decoder loaded
  std::string OutputPath;  // folder + unique name
  int64_t Duration = -1;   // of the input, as the decoder reports it; -1 when unknown
};

// The joined job of a merge run.
struct TMergeJob {
  bool Built = false;            // task 0 holds the accepted inputs and the output
  std::string OutputPath;        // "" when no free name was found
  std::vector<size_t> Accepted;  // indexes of the accepted inputs, in input order
};

// The input record of the file that `decoder` has loaded: its name and the format it was loaded
// with (empty for a detected format).
media::TInputOptions FileInputOptions(media::TCustomDecoder& decoder);

// Removes the outputs of a task that did not finish when the engine never wrote a byte into them,
// so that no empty file stays in the user's folder. Outputs holding data were closed by the
// engine with their trailer and stay.
void RemoveUnwrittenOutputs(const media::TFFmpeg* task);

class TJobBuilder {
 public:
  // Receives each line for the message log, in order.
  using LogLine = std::function<void(const std::string&)>;

  TJobBuilder(media::TCustomEncoder& encoder, LogLine log);

  // A new run: forgets the output names given so far and removes tasks left from a run that did
  // not reach its end (so that task indexes stay the indexes of the jobs built now). False
  // (logged) while the encoder still works.
  bool NewRun();
  // Removes the tasks of the last batch but keeps the names given in this run, for a run built
  // and started in several batches. False (logged) while the encoder still works.
  bool NextBatch();

  // Probes `path` with the encoder's decoder and adds its task: the accepted job, or nothing when
  // the file cannot be loaded, no free output name is left or the encoder refuses it (each
  // logged). The decoder's file is closed again in every case.
  std::optional<TFileJob> AddFileJob(const TJobTarget& target, const std::string& path);

  // Adds one task with its input and output; its index, or -1 (logged, and the task is gone).
  int AddConversionTask(media::TInputOptions in, media::TOutputOptions out);

  // One task joining every input into "Output_Merge" + the extension. Refused inputs are logged
  // and skipped; when no input was accepted or the output is refused, no task is left.
  TMergeJob BuildMergeJob(const TJobTarget& target, const std::vector<std::string>& paths);

  // The output paths given in this run.
  const TOutputNames& Names() const { return names_; }

 private:
  bool ClearLeftoverTasks();

  media::TCustomEncoder& encoder_;
  LogLine log_;
  TOutputNames names_;
};

}  // namespace tallowin::convert
