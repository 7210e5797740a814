// tallowin-cli download: the download queue without a window. Each row's status changes and
// figures are printed as lines, the summary at the end; the exit status is 0 when every video
// was saved.
#include <signal.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cli_command.h"
#include "common/dispatcher.h"
#include "download/download_queue.h"
#include "download/quality.h"
#include "shell/global_vars.h"
#include "shell/util_funcs.h"

namespace tallowin::cli {
namespace {

constexpr char kUsage[] = "download [-o DIR] [--no-prefer] [--order 7,3,2,1,0,6,4,5] LINK...";

int Usage() {
  std::fprintf(stderr, "usage: tallowin-cli %s\n", kUsage);
  return 2;
}

// Eight quality types, each of 0 to 7 once.
bool ParseOrder(const std::string& text, download::TPreferenceOrder& order) {
  const std::vector<std::string> fields = SplitBySeparator(text, ",");
  if (fields.size() != order.size()) return false;
  std::set<int> seen;
  for (size_t i = 0; i < fields.size(); ++i) {
    int type = -1;
    if (fields[i].size() != 1 || !TryStrToInt(fields[i], type) || !download::IsQualityType(type) ||
        !seen.insert(type).second)
      return false;
    order[i] = type;
  }
  return true;
}

// Prints one line per change of a row's status, percentage or quality.
class TConsoleView final : public download::TDownloadView {
 public:
  explicit TConsoleView(const TGlobalVars& vars) : vars_(vars) {}

  void ClearDownloadRows() override { rows_.clear(); }
  void AddDownloadRow(const std::string& link) override { rows_.push_back({link, "", 0}); }
  void SetRowCaption(int row, const std::string& caption) override {
    if (Valid(row)) rows_[static_cast<size_t>(row)].caption = caption;
    Print(row, "Title: \"" + caption + "\"");
  }
  void SetCurrentFile(const std::string&) override {}
  void SetRowURL(int row, const std::string& url) override { Print(row, "Record: " + url); }
  void UpdateDownloadRow(int row, const download::TRowUpdate& update) override {
    if (!Valid(row)) return;
    Row& r = rows_[static_cast<size_t>(row)];
    if (update.size) size_ = *update.size;
    if (update.speed) speed_ = *update.speed;
    if (update.time_left) time_left_ = *update.time_left;
    const bool status_changed = update.status && *update.status != r.status;
    const bool percent_changed = update.percent && *update.percent != r.percent;
    if (update.status) r.status = *update.status;
    if (update.percent) r.percent = *update.percent;
    if (!status_changed && !percent_changed) return;
    std::string line = r.status;
    if (r.status == download::kStatusDownloading)
      line += " " + std::to_string(r.percent) + "% size " + size_ + " speed " + speed_ +
              " time left " + time_left_;
    Print(row, line);
  }
  void SetQuality(const std::string& text) override {
    if (text == quality_) return;
    quality_ = text;
    Print(vars_.DownloadIndex, "Quality: " + text);
  }
  void ResetProgress() override {
    size_ = "0.00MB";
    speed_ = "0 KB/s";
    time_left_ = "...";
  }
  void PostNext() override { posted_.push_back(false); }
  void PostError() override { posted_.push_back(true); }
  void ShowSummary(const download::TDownloadSummary& summary) override {
    std::printf("Total files: %d\nSuccessed: %d\nFailed: %d\n", summary.total, summary.succeeded,
                summary.failed);
    summary_ = summary;
    finished_ = true;
  }
  void Log(const std::string& line) override { std::fprintf(stderr, "%s\n", line.c_str()); }

  // Takes the posted messages in order (each after the handler that posted it has returned).
  std::vector<bool> TakePosted() { return std::exchange(posted_, {}); }
  bool Finished() const { return finished_; }
  const download::TDownloadSummary& Summary() const { return summary_; }

 private:
  struct Row {
    std::string caption;
    std::string status;
    int percent = 0;
  };
  bool Valid(int row) const { return row >= 0 && row < static_cast<int>(rows_.size()); }
  void Print(int row, const std::string& text) {
    std::printf("[%d/%zu] %s\n", row + 1, rows_.size(), text.c_str());
    std::fflush(stdout);
  }

  const TGlobalVars& vars_;
  std::vector<Row> rows_;
  std::vector<bool> posted_;
  std::string size_ = "0.00MB", speed_ = "0 KB/s", time_left_ = "...", quality_;
  bool finished_ = false;
  download::TDownloadSummary summary_;
};

volatile std::sig_atomic_t g_interrupted = 0;

void Interrupted(int) {
  g_interrupted = 1;
}

int RunDownload(const std::vector<std::string>& args) {
  std::string folder = ".";
  bool prefer = true;
  download::TPreferenceOrder order = download::kDefaultOrder;
  std::vector<std::string> links;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "-o" && has_value) {
      folder = args[++i];
    } else if (a == "--no-prefer") {
      prefer = false;
    } else if (a == "--order" && has_value) {
      if (!ParseOrder(args[++i], order)) return Usage();
    } else if (!a.empty() && a[0] != '-') {
      links.push_back(a);
    } else {
      return Usage();
    }
  }
  if (links.empty() || folder.empty()) return Usage();
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (!std::filesystem::is_directory(folder)) {
    std::fprintf(stderr, "Cannot create the folder \"%s\"\n", folder.c_str());
    return 1;
  }

  TGlobalVars& vars = GlobalVars();
  vars.OutputURLDir = WithTrailingBackslash(std::filesystem::absolute(folder).string());
  vars.PreferYouTubeQuality = prefer;
  download::StorePreferenceOrder(vars, order);
  vars.DownloadedFiles.clear();

  TConsoleView view(vars);
  download::TDownloadQueue queue(vars, view);
  // Ctrl+C cancels like the window's Exit: the running transfer ends and nothing partial stays.
  struct sigaction action {};
  action.sa_handler = &Interrupted;
  struct sigaction old_int {
  }, old_term{};
  sigaction(SIGINT, &action, &old_int);
  sigaction(SIGTERM, &action, &old_term);
  queue.Start(links);
  Dispatcher& dispatcher = MainDispatcher();
  bool cancel_sent = false;
  while (!view.Finished()) {
    if (g_interrupted && !cancel_sent) {
      cancel_sent = true;
      queue.Abort();
      continue;
    }
    const std::vector<bool> posted = view.TakePosted();
    if (posted.empty()) {
      dispatcher.ProcessPending(std::chrono::milliseconds(50));
      continue;
    }
    for (bool error : posted) {
      if (error)
        queue.NextQuality();
      else
        queue.Next();
    }
  }
  sigaction(SIGINT, &old_int, nullptr);
  sigaction(SIGTERM, &old_term, nullptr);
  for (const std::string& path : vars.DownloadedFiles) std::printf("Saved: %s\n", path.c_str());
  std::fflush(stdout);
  const auto& summary = view.Summary();
  return summary.total > 0 && summary.succeeded == summary.total ? 0 : 1;
}

const Registration kDownload{"download", kUsage, &RunDownload};

}  // namespace
}  // namespace tallowin::cli
