// The conversion run in the main window: starting the encoder on the built jobs, the Step3 page
// while it works (row states, the current job's percentage, the run's times), each job's end,
// and the run's end with the finish sound, the shutdown countdown and the Step4 summary.
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <chrono>
#include <exception>
#include <thread>

#include "common/dispatcher.h"
#include "convert/form_shutdown.h"
#include "convert/job_builder.h"
#include "convert/run_figures.h"
#include "shell/form_log.h"
#include "shell/global_vars.h"
#include "shell/platform_services.h"
#include "shell/util_funcs.h"
#include "ui/dialog_placement.h"
#include "ui/picture_label.h"
#include "ui/report_list.h"
#include "ui/slide_grid.h"
#include "wizard/form_main.h"

namespace tallowin {

namespace {

// Columns of ListViewConverting.
constexpr int kColumnName = 0;
constexpr int kColumnStatus = 2;
constexpr int kColumnProgress = 3;
constexpr int kColumnPath = 4;

constexpr char kNothingAccepted[] = "Cannot do convert, error: No file could be converted.";

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QString PercentText(int percent) {
  return QString::number(percent) + "%";
}

}  // namespace

void TFormMain::WireConversionRun() {
  if (!RunClock) RunClock = convert::NowInDays;
  try {
    FFLogger = std::make_unique<media::TFFLogger>();
    FFLogger->SetLogLevel(media::llError);
    FFLogger->SetOnLog(
        [this](const void* sender, media::ThreadId thread, media::TLogLevel level,
               const std::string& text) { FFLoggerLog(sender, thread, level, text); });
  } catch (const std::exception& error) {
    // Another logger of this process already routes the library's lines.
    LogLine(error.what());
  }
  FFEncoder.SetOnProgress([this](media::TCustomEncoder& sender, media::PProgressInfo info) {
    FFEncoderProgress(sender, info);
  });
  FFEncoder.SetOnTerminate(
      [this](media::TCustomEncoder& sender, const media::TTerminateInfo& info) {
        FFEncoderTerminate(sender, info);
      });
  connect(CheckBoxPreview, &QCheckBox::clicked, this, &TFormMain::CheckBoxPreviewClick);
  connect(CheckBoxPlayASound, &QCheckBox::clicked, this, &TFormMain::CheckBoxPlayASoundClick);
  connect(CheckBoxShutdown, &QCheckBox::clicked, this, &TFormMain::CheckBoxShutdownClick);
  connect(LabelOpenFolder, &ui::TLinkLabel::Clicked, this, &TFormMain::LabelOpenFolderClick);
}

void TFormMain::StartConversionRun() {
  // Lets the Step3 page paint before the jobs are built.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  TGlobalVars& g = GlobalVars();
  merge_run_ = g.MergeEnabled;
  if (merge_run_) {
    BuildMergeJob();
    g.TotalJobs = 1;
    ListViewConverting->SetColumnCaption(kColumnStatus, "Width x Height");
    ListViewConverting->SetColumnCaption(kColumnProgress, "Aspect Ratio");
    LabelCurrentFileTitle->setText("Output file:");
  } else {
    BuildFileJobs();
    g.TotalJobs = ListViewConverting->RowCount();
    ListViewConverting->SetColumnCaption(kColumnStatus, "Status");
    ListViewConverting->SetColumnCaption(kColumnProgress, "Progress");
    LabelCurrentFileTitle->setText("Current file:");
  }
  g.ErrorLines.clear();
  g.SucceededJobs = 0;
  g.RunStartTime = RunClock();
  g.RunDoneDuration = 0;
  terminated_jobs_ = 0;
  LabelCurrentFile->setText("...");
  LabelEstimated->setText(convert::kTimeNotKnown);
  LabelElapsed->setText(Q(convert::FormatRunTime(0)));
  LabelTimeLeft->setText(convert::kTimeNotKnown);
  LabelProgress->setText("0%");
  ProgressBar->setValue(0);

  if (FFEncoder.TaskCount() == 0) {
    // Nothing was accepted: the run ends at once and every input counts as failed.
    if (!merge_run_) g.TotalJobs = NextGrid->RowCount();
    LogLine(kNothingAccepted);
    FinishConversionRun();
    return;
  }
  sleep_lock_ = Platform().InhibitSleep(g.AppTitle, "Converting files");
  FFEncoder.StartTask(1);
}

void TFormMain::FFEncoderProgress(media::TCustomEncoder&, media::PProgressInfo info) {
  const int row = info->TaskIndex;
  if (row < 0 || row >= ListViewConverting->RowCount()) return;
  const TGlobalVars& g = GlobalVars();
  if (merge_run_) {
    LabelCurrentFile->setText(ListViewConverting->Cell(row, kColumnPath));
  } else {
    LabelCurrentFile->setText(
        Q(WithTrailingBackslash(ListViewConverting->Cell(row, kColumnPath).toStdString())) +
        ListViewConverting->Cell(row, kColumnName));
  }
  const int percent = convert::ProgressPercent(info->CurrentDuration, info->TotalDuration);
  if (percent >= 0) {
    ProgressBar->setValue(percent);
    LabelProgress->setText(PercentText(ProgressBar->value()));
    if (!merge_run_) {
      ListViewConverting->SetCell(row, kColumnProgress, LabelProgress->text());
      ListViewConverting->SetCell(row, kColumnStatus, "Converting...");
    }
  } else if (!merge_run_) {
    ListViewConverting->SetCell(row, kColumnProgress, "N/A");
  }
  const double elapsed_s = (RunClock() - g.RunStartTime) * convert::kSecondsPerDay;
  const convert::TRunTimes times =
      convert::RunTimes(g.RunTotalDuration, g.RunDoneDuration + info->CurrentDuration, elapsed_s);
  LabelEstimated->setText(Q(times.estimated));
  LabelElapsed->setText(Q(times.elapsed));
  LabelTimeLeft->setText(Q(times.left));
}

void TFormMain::FFEncoderTerminate(media::TCustomEncoder& sender,
                                   const media::TTerminateInfo& info) {
  Dispatcher& main_thread = MainDispatcher();
  if (info.TaskIndex < 0) {
    // Every job's notice has been handled before this one; the wait only guards the order.
    while (terminated_jobs_ < sender.TaskCount())
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    try {
      sender.ClearTasks();
    } catch (const std::exception& error) {
      main_thread.Send([&] { LogLine(error.what()); });
    }
    main_thread.Send([this] {
      LabelCurrentFile->setText("...");
      LabelProgress->setText("0%");
      ProgressBar->setValue(0);
    });
    SendConvertDone();
    return;
  }

  const int index = info.TaskIndex;
  if (!info.Finished) convert::RemoveUnwrittenOutputs(sender.Task(index));
  // The counters change on the main thread too, so that the progress handler, which reads them,
  // never races with this thread.
  main_thread.Send([&] {
    TGlobalVars& g = GlobalVars();
    const bool has_row = !merge_run_ && index < ListViewConverting->RowCount();
    if (info.Finished) {
      ++g.SucceededJobs;
      if (index < static_cast<int>(job_durations_.size()))
        g.RunDoneDuration += job_durations_[static_cast<size_t>(index)];
      LabelProgress->setText("100%");
      ProgressBar->setValue(100);
      if (has_row) {
        ListViewConverting->SetCell(index, kColumnProgress, "100%");
        ListViewConverting->SetCell(index, kColumnStatus, "Finish.");
      }
    } else if (has_row) {
      ListViewConverting->SetCell(index, kColumnStatus, "Failed.");
    }
    if (info.Exception) g.ErrorLines.push_back(convert::JobErrorLine(index, info.ExceptionMsg));
  });
  ++terminated_jobs_;
}

void TFormMain::FinishConversionRun() {
  sleep_lock_.reset();
  // A run ended by closing the window shows nothing more.
  if (closing_done_) return;
  const TGlobalVars& g = GlobalVars();
  if (g.PlayASoundWhenFinished)
    Platform().PlaySound(convert::FinishSoundPath(program_dir_, g.SucceededJobs, g.TotalJobs));
  if (g.ShutDownWhenFinished) {
    TFormShutdown dialog(g.AppTitle, this);
    ui::CentreOver(dialog, this);
    if (Platform().ExecDialog(dialog) == QDialog::Accepted) Platform().ShutdownComputer(1);
  }
  ShowConversionSummary();
  if (!isActiveWindow()) {
    Platform().NotifyDesktop(LabelFinishTitle1->text().toStdString(),
                             "Total files: " + std::to_string(g.TotalJobs) +
                                 ", Successed: " + std::to_string(g.SucceededJobs) +
                                 ", Failed: " + std::to_string(g.TotalJobs - g.SucceededJobs));
  }
}

void TFormMain::ShowConversionSummary() {
  const TGlobalVars& g = GlobalVars();
  ActivatePage(TWizardPage::Step4);
  if (!g.ErrorLines.empty()) {
    QStringList lines;
    for (const std::string& line : g.ErrorLines) lines << Q(line);
    MemoErrorLog->setPlainText(lines.join('\n'));
    MemoErrorLog->show();
  } else {
    MemoErrorLog->clear();
    MemoErrorLog->hide();
  }
  UpdatePageCaptions();
  LabelFinishTotalFiles->setText(QString::number(g.TotalJobs));
  LabelFinishSuccessed->setText(QString::number(g.SucceededJobs));
  LabelFinishFailed->setText(QString::number(g.TotalJobs - g.SucceededJobs));
}

void TFormMain::FFLoggerLog(const void*, media::ThreadId thread_id, media::TLogLevel level,
                            const std::string& text) {
  LogLine("#" + std::to_string(thread_id) + "." + std::to_string(static_cast<int>(level)) + ": " +
          text);
}

void TFormMain::CheckBoxPreviewClick() {
  FFEncoder.SetPreview(CheckBoxPreview->isChecked());
}

void TFormMain::CheckBoxPlayASoundClick() {
  GlobalVars().PlayASoundWhenFinished = CheckBoxPlayASound->isChecked();
}

void TFormMain::CheckBoxShutdownClick() {
  GlobalVars().ShutDownWhenFinished = CheckBoxShutdown->isChecked();
}

void TFormMain::LabelOpenFolderClick() {
  OpenWithShell(GlobalVars().OutputFileDir);
}

}  // namespace tallowin
