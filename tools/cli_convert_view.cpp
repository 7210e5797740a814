#include "cli_convert_view.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cinttypes>

#include "convert/job_rules.h"
#include "convert/run_figures.h"

namespace tallowin::cli {

namespace {

using convert::TBatchJob;
using convert::TBatchJobState;

// Cuts a line to the terminal's width, so that no line wraps and the redraw keeps its count.
std::string Fit(const std::string& line, int width) {
  if (width <= 1 || static_cast<int>(line.size()) < width) return line;
  // Never in the middle of a UTF-8 sequence.
  size_t cut = static_cast<size_t>(width - 1);
  while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
  return line.substr(0, cut);
}

}  // namespace

TConvertView::TConvertView(std::FILE* out, bool terminal, int total)
    : out_(out), terminal_(terminal), total_(total) {
  winsize size{};
  if (terminal_ && ioctl(fileno(out_), TIOCGWINSZ, &size) == 0) width_ = size.ws_col;
}

std::string TConvertView::Label(int number, const std::string& input) const {
  return "[" + std::to_string(number) + "/" + std::to_string(total_) + "] " +
         convert::FileNamePart(input);
}

std::string TConvertView::Figures(const TBatchJob& job, double now) {
  const double elapsed = now - job.StartedAt;
  const int percent = convert::ProgressPercent(job.Done, job.Duration);
  std::string text = percent < 0 ? std::string("--%") : std::to_string(percent) + "%";
  char speed[32] = "--";
  if (job.Done > 0 && elapsed > 0)
    std::snprintf(speed, sizeof speed, "%.1fx", static_cast<double>(job.Done) / 1e6 / elapsed);
  text += std::string("  speed ") + speed;
  const convert::TRunTimes times =
      convert::RunTimes(job.Duration > 0 ? job.Duration : 0, job.Done, elapsed);
  text += "  time left " + (job.Duration > 0 ? times.left : std::string(convert::kTimeNotKnown));
  return text;
}

void TConvertView::InputSkipped(int number, const std::string& input, const std::string& reason) {
  Permanent(Label(number, input) + ": skipped: " + reason);
}

void TConvertView::JobProgress(const TBatchJob& job, double now) {
  std::string label = Label(job.Number, job.Input);
  if (job.InputCount > 1) label += " and " + std::to_string(job.InputCount - 1) + " more";
  if (terminal_) {
    running_[job.Number] = label + "  " + Figures(job, now);
    Redraw();
    return;
  }
  const int percent = convert::ProgressPercent(job.Done, job.Duration);
  const auto printed = printed_tenth_.find(job.Number);
  if (printed == printed_tenth_.end()) {
    printed_tenth_[job.Number] = 0;
    std::fprintf(out_, "%s: converting to %s\n", label.c_str(), job.Output.c_str());
  } else if (percent >= 0 && percent / 10 > printed->second && percent < 100) {
    printed->second = percent / 10;
    std::fprintf(out_, "%s: %s\n", label.c_str(), Figures(job, now).c_str());
  }
  std::fflush(out_);
}

void TConvertView::JobEnded(const TBatchJob& job, double now) {
  running_.erase(job.Number);
  printed_tenth_.erase(job.Number);
  std::string line = Label(job.Number, job.Input);
  if (job.InputCount > 1) line += " and " + std::to_string(job.InputCount - 1) + " more";
  switch (job.State) {
    case TBatchJobState::Finished:
      line += ": done in " + convert::FormatRunTime(now - job.StartedAt) + ": " + job.Output;
      break;
    case TBatchJobState::Stopped:
      line += ": stopped";
      break;
    default:
      line += ": failed: " + job.Error;
      break;
  }
  Permanent(line);
}

void TConvertView::Message(const std::string& line) {
  Permanent(line);
}

void TConvertView::Summary(const convert::TBatchSummary& summary) {
  if (summary.Stopped) Permanent("Stopped: the jobs that were running have been closed.");
  Permanent("Total files: " + std::to_string(summary.Total));
  Permanent("Successed: " + std::to_string(summary.Succeeded));
  Permanent("Failed: " + std::to_string(summary.Failed));
}

void TConvertView::Permanent(const std::string& line) {
  if (!terminal_) {
    std::fprintf(out_, "%s\n", line.c_str());
    std::fflush(out_);
    return;
  }
  // Up over the running jobs' lines, clear them and everything below, print, then redraw them.
  if (drawn_ > 0) std::fprintf(out_, "\x1b[%dA", drawn_);
  std::fprintf(out_, "\r\x1b[J%s\n", Fit(line, width_).c_str());
  drawn_ = 0;
  Redraw();
}

void TConvertView::Redraw() {
  if (drawn_ > 0) std::fprintf(out_, "\x1b[%dA", drawn_);
  std::fprintf(out_, "\r\x1b[J");
  for (const auto& [number, line] : running_) std::fprintf(out_, "%s\n", Fit(line, width_).c_str());
  drawn_ = static_cast<int>(running_.size());
  std::fflush(out_);
}

}  // namespace tallowin::cli
