#include "convert/job_builder.h"

#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>

#include "convert/preset_catalogue.h"
#include "convert/preset_input.h"

namespace tallowin::convert {

namespace {

constexpr char kFileLoadError[] = "File load error: ";
constexpr char kAddingFileError[] = "Adding file error: ";
constexpr char kCannotConvert[] = "Cannot do convert, error: ";
constexpr char kFileAdded[] = "File has been added to convert list.";
constexpr char kMergeName[] = "Output_Merge";

std::string NoFreeName(const std::string& name, const std::string& folder) {
  return std::string("No free output file name for \"") + name + "\" in \"" + folder + "\".";
}

}  // namespace

media::TInputOptions FileInputOptions(media::TCustomDecoder& decoder) {
  media::TInputOptions options;
  options.FileName = decoder.FileName();
  options.FileFormat = decoder.FormatName();
  return options;
}

void RemoveUnwrittenOutputs(const media::TFFmpeg* task) {
  if (task == nullptr) return;
  for (const media::TOutputOptions& output : task->OutputOptions) {
    std::error_code error;
    const std::filesystem::path path(output.FileName);
    if (output.FileName.empty() || !std::filesystem::is_regular_file(path, error)) continue;
    if (std::filesystem::file_size(path, error) == 0 && !error)
      std::filesystem::remove(path, error);
  }
}

TJobBuilder::TJobBuilder(media::TCustomEncoder& encoder, LogLine log)
    : encoder_(encoder), log_(std::move(log)) {}

bool TJobBuilder::ClearLeftoverTasks() {
  if (encoder_.TaskCount() == 0) return true;
  try {
    encoder_.ClearTasks();
    return true;
  } catch (const std::exception& error) {
    log_(kCannotConvert + std::string(error.what()));
    return false;
  }
}

bool TJobBuilder::NewRun() {
  names_.Clear();
  return ClearLeftoverTasks();
}

bool TJobBuilder::NextBatch() {
  return ClearLeftoverTasks();
}

std::optional<TFileJob> TJobBuilder::AddFileJob(const TJobTarget& target, const std::string& path) {
  media::TFFDecoder& decoder = encoder_.Decoder();
  if (!decoder.LoadFile(path)) {
    log_(kFileLoadError + decoder.LastErrMsg());
    return std::nullopt;
  }
  media::TDecoderFileCloser close_file(decoder);
  media::TOutputOptions out =
      PresetOutputOptions(target.FormatClass, target.Format, target.Preset, TPresetJob::PerFile,
                          PresetInputFromDecoder(decoder));
  out.FileExt = OutputExtension(target.FormatClass, target.Format);
  const std::string name = OutputNameFor(decoder.FileName(), out.FileExt);
  out.FileName = names_.Take(name, target.OutputDir);
  if (out.FileName.empty()) {
    log_(kCannotConvert + NoFreeName(name, target.OutputDir));
    return std::nullopt;
  }
  TFileJob job;
  job.InputPath = decoder.FileName();
  job.OutputPath = out.FileName;
  job.TaskIndex = AddConversionTask(FileInputOptions(decoder), std::move(out));
  if (job.TaskIndex < 0) return std::nullopt;
  media::TFileStreamInfo info;
  decoder.GetFileStreamInfo(info);
  job.Duration = info.Duration >= 0 ? info.Duration : -1;
  return job;
}

int TJobBuilder::AddConversionTask(media::TInputOptions in, media::TOutputOptions out) {
  const int index = encoder_.AddTask(in.FileName, &in);
  if (index < 0) {
    log_(kAddingFileError + encoder_.LastErrMsg());
    return -1;
  }
  if (!encoder_.SetOutputFile(index, out.FileName, &out)) {
    // Read the reason first: removing the task may change it.
    const std::string reason = encoder_.LastErrMsg();
    encoder_.RemoveTask(index);
    log_(kCannotConvert + reason);
    return -1;
  }
  log_(kFileAdded);
  return index;
}

TMergeJob TJobBuilder::BuildMergeJob(const TJobTarget& target,
                                     const std::vector<std::string>& paths) {
  TMergeJob job;
  if (!ClearLeftoverTasks()) return job;
  // Nothing is written before the output is set, so the name picked now is the one it gets.
  const std::string name = kMergeName + OutputExtension(target.FormatClass, target.Format);
  job.OutputPath = names_.Take(name, target.OutputDir);
  for (size_t i = 0; i < paths.size(); ++i) {
    media::TInputOptions options;
    const bool accepted = encoder_.TaskCount() == 0 ? encoder_.AddTask(paths[i], &options) >= 0
                                                    : encoder_.AddInputFile(0, paths[i], &options);
    if (!accepted) {
      log_(kAddingFileError + encoder_.LastErrMsg());
      continue;
    }
    job.Accepted.push_back(i);
    log_(kFileAdded);
  }
  // Without an accepted input there is no task to take the output: nothing is built.
  if (encoder_.TaskCount() == 0) {
    log_(kCannotConvert + std::string("No input file was added."));
    job.Accepted.clear();
    return job;
  }
  std::string refusal;
  if (job.OutputPath.empty()) {
    refusal = NoFreeName(name, target.OutputDir);
  } else {
    media::TOutputOptions record =
        PresetOutputOptions(target.FormatClass, target.Format, target.Preset, TPresetJob::Merged);
    record.JoinFiles = true;
    if (encoder_.SetOutputFile(0, job.OutputPath, &record)) {
      job.Built = true;
      return job;
    }
    refusal = encoder_.LastErrMsg();
  }
  // No file of the run will be converted: the task goes.
  encoder_.RemoveTask(0);
  job.Accepted.clear();
  log_(kCannotConvert + refusal);
  return job;
}

}  // namespace tallowin::convert
