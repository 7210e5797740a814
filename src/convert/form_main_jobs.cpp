// Building the conversion jobs when a run starts: per input file one encoder task (or one task
// with every input in a merge edition), the output names, the rows of ListViewConverting and the
// run's total duration.
#include <QString>
#include <QStringList>
#include <exception>
#include <string>

#include "convert/job_rules.h"
#include "convert/output_selection.h"
#include "convert/preset_catalogue.h"
#include "convert/preset_input.h"
#include "shell/form_log.h"
#include "shell/global_vars.h"
#include "shell/util_funcs.h"
#include "ui/report_list.h"
#include "ui/slide_grid.h"
#include "wizard/form_main.h"
#include "wizard/input_row.h"

namespace tallowin {

namespace {

constexpr char kFileLoadError[] = "File load error: ";
constexpr char kAddingFileError[] = "Adding file error: ";
constexpr char kCannotConvert[] = "Cannot do convert, error: ";
constexpr char kFileAdded[] = "File has been added to convert list.";
constexpr char kMergeName[] = "Output_Merge";

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// Tasks left from a run that did not reach its end would shift the task indexes away from the
// rows; they go before new ones are built. False (logged) while the encoder still works.
bool ClearLeftoverTasks(media::TFFEncoder& encoder) {
  if (encoder.TaskCount() == 0) return true;
  try {
    encoder.ClearTasks();
    return true;
  } catch (const std::exception& error) {
    LogLine(kCannotConvert + std::string(error.what()));
    return false;
  }
}

}  // namespace

std::string TFormMain::OutputExtension() const {
  const TGlobalVars& g = GlobalVars();
  return convert::OutputExtension(g.OutputFormatClass, convert::SelectedFormat(g));
}

media::TInputOptions TFormMain::FileInputOptions(media::TCustomDecoder& decoder) const {
  media::TInputOptions options;
  options.FileName = decoder.FileName();
  options.FileFormat = decoder.FormatName();
  return options;
}

media::TOutputOptions TFormMain::PresetOutputOptions(media::TCustomDecoder& decoder) const {
  const TGlobalVars& g = GlobalVars();
  return convert::PresetOutputOptions(g.OutputFormatClass, convert::SelectedFormat(g),
                                      convert::SelectedPreset(g), convert::TPresetJob::PerFile,
                                      convert::PresetInputFromDecoder(decoder));
}

void TFormMain::BuildFileJobs() {
  GlobalVars().RunTotalDuration = 0;
  job_durations_.clear();
  ListViewConverting->ClearRows();
  output_names_.Clear();
  if (!ClearLeftoverTasks(FFEncoder)) return;
  for (int row = 0; row < NextGrid->RowCount(); ++row)
    AddFileJob(NextGrid->Cell(row, NxTextColumnFileFullName).toStdString());
}

void TFormMain::AddFileJob(const std::string& path) {
  media::TFFDecoder& decoder = FFEncoder.Decoder();
  if (!decoder.LoadFile(path)) {
    LogLine(kFileLoadError + decoder.LastErrMsg());
    return;
  }
  media::TDecoderFileCloser close_file(decoder);
  const TGlobalVars& g = GlobalVars();
  media::TOutputOptions out = PresetOutputOptions(decoder);
  out.FileExt = OutputExtension();
  const std::string name = convert::OutputNameFor(decoder.FileName(), out.FileExt);
  out.FileName = output_names_.Take(name, g.OutputFileDir);
  if (out.FileName.empty()) {
    LogLine(kCannotConvert + std::string("No free output file name for \"") + name + "\" in \"" +
            g.OutputFileDir + "\".");
    return;
  }
  AddConversionTask(FileInputOptions(decoder), std::move(out));
}

void TFormMain::AddConversionTask(media::TInputOptions in, media::TOutputOptions out) {
  const int index = FFEncoder.AddTask(in.FileName, &in);
  if (index < 0) {
    LogLine(kAddingFileError + FFEncoder.LastErrMsg());
    return;
  }
  if (!FFEncoder.SetOutputFile(index, out.FileName, &out)) {
    // Read the reason first: removing the task may change it.
    const std::string reason = FFEncoder.LastErrMsg();
    FFEncoder.RemoveTask(index);
    LogLine(kCannotConvert + reason);
    return;
  }
  media::TFileStreamInfo info;
  FFEncoder.Decoder().GetFileStreamInfo(info);
  // Unknown durations (reported negative) count nothing.
  const int64_t duration = info.Duration >= 0 ? info.Duration : 0;
  GlobalVars().RunTotalDuration += duration;
  job_durations_.push_back(duration);
  ListViewConverting->AddRow({Q(convert::FileNamePart(in.FileName)), Q(DurationText(info.Duration)),
                              "Waiting...", QString(), Q(convert::FolderPart(in.FileName))});
  LogLine(kFileAdded);
}

void TFormMain::BuildMergeJob() {
  TGlobalVars& g = GlobalVars();
  g.RunTotalDuration = 0;
  job_durations_.clear();
  ListViewConverting->ClearRows();
  output_names_.Clear();
  if (!ClearLeftoverTasks(FFEncoder)) return;
  // Nothing is written before the output is set, so the name picked now is the one it gets.
  const std::string extension = OutputExtension();
  const std::string output = output_names_.Take(kMergeName + extension, g.OutputFileDir);
  for (int row = 0; row < NextGrid->RowCount(); ++row) {
    const std::string path = NextGrid->Cell(row, NxTextColumnFileFullName).toStdString();
    media::TInputOptions options;
    const bool accepted = FFEncoder.TaskCount() == 0 ? FFEncoder.AddTask(path, &options) >= 0
                                                     : FFEncoder.AddInputFile(0, path, &options);
    if (!accepted) {
      LogLine(kAddingFileError + FFEncoder.LastErrMsg());
      continue;
    }
    const auto cell = [&](int column) { return NextGrid->Cell(row, column).toStdString(); };
    const int64_t duration = convert::DurationFromText(cell(NxTextColumnRealDuration));
    g.RunTotalDuration += duration;
    ListViewConverting->AddRow(
        {Q(convert::FileNamePart(path)), Q(FormatMicroseconds(duration)),
         Q(convert::DimensionText(cell(NxTextColumnWidth), cell(NxTextColumnHeight))),
         Q(convert::AspectRatioText(cell(NxTextColumnAspectRatio))), Q(output)});
    LogLine(kFileAdded);
  }
  // Without an accepted input there is no task to take the output: nothing is built.
  if (FFEncoder.TaskCount() == 0) {
    LogLine(kCannotConvert + std::string("No input file was added."));
    return;
  }
  std::string refusal;
  if (output.empty()) {
    refusal = std::string("No free output file name for \"") + kMergeName + extension + "\" in \"" +
              g.OutputFileDir + "\".";
  } else {
    media::TOutputOptions record =
        convert::PresetOutputOptions(g.OutputFormatClass, convert::SelectedFormat(g),
                                     convert::SelectedPreset(g), convert::TPresetJob::Merged);
    record.JoinFiles = true;
    if (FFEncoder.SetOutputFile(0, output, &record)) {
      // The one job's duration is that of all its inputs.
      job_durations_.assign(1, g.RunTotalDuration);
      return;
    }
    refusal = FFEncoder.LastErrMsg();
  }
  // No file of the run will be converted: the task goes, and so do its rows and durations.
  FFEncoder.RemoveTask(0);
  ListViewConverting->ClearRows();
  g.RunTotalDuration = 0;
  LogLine(kCannotConvert + refusal);
}

}  // namespace tallowin
