// Building the conversion jobs when a run starts: per input file one encoder task (or one task
// with every input in a merge edition), the rows of ListViewConverting and the run's total
// duration. The tasks themselves are built by convert::TJobBuilder, as tallowin-cli builds them.
#include <QString>
#include <QStringList>
#include <string>

#include "convert/job_builder.h"
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

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// The job target of the stored output selection.
convert::TJobTarget SelectedTarget() {
  const TGlobalVars& g = GlobalVars();
  return convert::TJobTarget{g.OutputFormatClass, convert::SelectedFormat(g),
                             convert::SelectedPreset(g), g.OutputFileDir};
}

}  // namespace

std::string TFormMain::OutputExtension() const {
  const TGlobalVars& g = GlobalVars();
  return convert::OutputExtension(g.OutputFormatClass, convert::SelectedFormat(g));
}

media::TInputOptions TFormMain::FileInputOptions(media::TCustomDecoder& decoder) const {
  return convert::FileInputOptions(decoder);
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
  if (!job_builder_.NewRun()) return;
  for (int row = 0; row < NextGrid->RowCount(); ++row)
    AddFileJob(NextGrid->Cell(row, NxTextColumnFileFullName).toStdString());
}

void TFormMain::AddFileJob(const std::string& path) {
  const std::optional<convert::TFileJob> job = job_builder_.AddFileJob(SelectedTarget(), path);
  if (!job) return;
  // Unknown durations count nothing.
  const int64_t duration = job->Duration >= 0 ? job->Duration : 0;
  GlobalVars().RunTotalDuration += duration;
  job_durations_.push_back(duration);
  ListViewConverting->AddRow({Q(convert::FileNamePart(job->InputPath)),
                              Q(DurationText(job->Duration)), "Waiting...", QString(),
                              Q(convert::FolderPart(job->InputPath))});
}

void TFormMain::BuildMergeJob() {
  TGlobalVars& g = GlobalVars();
  g.RunTotalDuration = 0;
  job_durations_.clear();
  ListViewConverting->ClearRows();
  if (!job_builder_.NewRun()) return;
  std::vector<std::string> paths;
  for (int row = 0; row < NextGrid->RowCount(); ++row)
    paths.push_back(NextGrid->Cell(row, NxTextColumnFileFullName).toStdString());
  const convert::TMergeJob job = job_builder_.BuildMergeJob(SelectedTarget(), paths);
  if (!job.Built) return;
  for (const size_t row : job.Accepted) {
    const int r = static_cast<int>(row);
    const auto cell = [&](int column) { return NextGrid->Cell(r, column).toStdString(); };
    const int64_t duration = convert::DurationFromText(cell(NxTextColumnRealDuration));
    g.RunTotalDuration += duration;
    ListViewConverting->AddRow(
        {Q(convert::FileNamePart(paths[row])), Q(FormatMicroseconds(duration)),
         Q(convert::DimensionText(cell(NxTextColumnWidth), cell(NxTextColumnHeight))),
         Q(convert::AspectRatioText(cell(NxTextColumnAspectRatio))), Q(job.OutputPath)});
  }
  // The one job's duration is that of all its inputs.
  job_durations_.assign(1, g.RunTotalDuration);
}

}  // namespace tallowin
