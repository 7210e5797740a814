// The main window's side of the download queue: Step6's list and figures, Step7's summary, and
// the handlers of the posted messages and of the three transfer components, which delegate to
// TDownloadQueue.
#include <QLabel>
#include <QProgressBar>
#include <memory>

#include "download/download_queue.h"
#include "shell/form_log.h"
#include "shell/global_vars.h"
#include "shell/platform_services.h"
#include "ui/page_control.h"
#include "ui/picture_label.h"
#include "ui/report_list.h"
#include "wizard/form_main.h"
#include "wizard/window_messages.h"

namespace tallowin {

namespace {

enum Column { kName, kStatus, kSize, kSpeed, kProgress, kURL };

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

struct TFormMain::TWinHTTPEventArgs {
  const net::TWinHTTPProgress* progress = nullptr;
  net::TStream* stream = nullptr;
};

struct TFormMain::TDownloadRowUpdate : download::TRowUpdate {};

class TFormMain::TDownloads final : public download::TDownloadView {
 public:
  explicit TDownloads(TFormMain& form) : form_(form), queue(GlobalVars(), *this) {}

  void ClearDownloadRows() override { form_.ListViewURLDownload->ClearRows(); }
  void AddDownloadRow(const std::string& link) override {
    form_.ListViewURLDownload->AddRow(
        {Q(link), download::kStatusWaiting, "0 KB", "0 KB/s", "0%", "..."});
  }
  void SetRowCaption(int row, const std::string& caption) override {
    if (row >= 0 && row < form_.ListViewURLDownload->RowCount())
      form_.ListViewURLDownload->SetCell(row, kName, Q(caption));
  }
  void SetCurrentFile(const std::string& text) override {
    form_.LabelURLCurrentFile->setText(Q(text));
  }
  void SetRowURL(int row, const std::string& url) override {
    if (row >= 0 && row < form_.ListViewURLDownload->RowCount())
      form_.ListViewURLDownload->SetCell(row, kURL, Q(url));
  }
  void UpdateDownloadRow(int, const download::TRowUpdate& update) override {
    TDownloadRowUpdate texts;
    static_cast<download::TRowUpdate&>(texts) = update;
    form_.UpdateDownloadRow(texts);
  }
  void SetQuality(const std::string& text) override { form_.LabelQuality->setText(Q(text)); }
  void ResetProgress() override {
    form_.ProgressBarDownload->setValue(0);
    form_.LabelProgressBarDownload->setText("0%");
  }
  void PostNext() override { form_.PostWindowMessage(WM_APP_DOWNLOAD_NEXT); }
  void PostError() override { form_.PostWindowMessage(WM_APP_DOWNLOAD_ERROR); }
  void ShowSummary(const download::TDownloadSummary& summary) override {
    form_.ListViewInputURL->ClearRows();
    form_.ListViewURLDownload->ClearRows();
    for (QLabel* label : {form_.LabelURLCurrentFile, form_.LabelURLStatus, form_.LabelSpeed,
                          form_.LabelURLElapsedTime, form_.LabelURLTimeLeft, form_.LabelQuality})
      label->setText("...");
    ResetProgress();
    form_.ActivatePage(TWizardPage::Step7);
    form_.UpdatePageCaptions();
    form_.LabelURLTotalFiles->setText(QString::number(summary.total));
    form_.LabelURLSucedded->setText(QString::number(summary.succeeded));
    form_.LabelURLFailed->setText(QString::number(summary.failed));
  }
  void Log(const std::string& line) override { LogLine(line); }

 private:
  TFormMain& form_;

 public:
  download::TDownloadQueue queue;
};

TFormMain::TDownloads& TFormMain::Downloads() const {
  return *downloads_;
}

void TFormMain::WireDownloads() {
  downloads_ = {std::make_unique<TDownloads>(*this).release(),
                [](TDownloads* downloads) { std::default_delete<TDownloads>()(downloads); }};
  using net::TCustomWinHTTP;
  using net::TStream;
  using net::TWinHTTPProgress;
  download::TDownloadQueue& q = downloads_->queue;
  q.WinHTTPGetInfoFileURL.OnProgress = [this](TCustomWinHTTP&, const std::string&,
                                              const TWinHTTPProgress& p, TStream* s) {
    WinHTTPGetInfoFileURLProgress({&p, s});
  };
  q.WinHTTPGetInfoFileURL.OnDone = [this](TCustomWinHTTP&, const std::string&, std::int64_t,
                                          TStream* s) {
    WinHTTPGetInfoFileURLDone({nullptr, s});
  };
  q.WinHTTPGetInfoFileURL.OnAnyError = [this](TCustomWinHTTP&) { WinHTTPGetInfoFileURLAnyError(); };
  q.WinHTTPGetInfoFileURL.OnAborted = [this](TCustomWinHTTP&) { WinHTTPGetInfoFileURLAborted(); };
  q.WinHTTPDownloadInfoFile.OnDone = [this](TCustomWinHTTP&, const std::string&, std::int64_t,
                                            TStream* s) {
    WinHTTPDownloadInfoFileDone({nullptr, s});
  };
  q.WinHTTPDownloadInfoFile.OnAnyError = [this](TCustomWinHTTP&) {
    WinHTTPDownloadInfoFileAnyError();
  };
  q.WinHTTPDownloadInfoFile.OnAborted = [this](TCustomWinHTTP&) {
    WinHTTPDownloadInfoFileAborted();
  };
  q.WinHTTPDownload.OnProgress = [this](TCustomWinHTTP&, const std::string&,
                                        const TWinHTTPProgress& p, TStream* s) {
    WinHTTPDownloadProgress({&p, s});
  };
  q.WinHTTPDownload.OnDone = [this](TCustomWinHTTP&, const std::string&, std::int64_t, TStream*) {
    WinHTTPDownloadDone();
  };
  q.WinHTTPDownload.OnAnyError = [this](TCustomWinHTTP&) { WinHTTPDownloadAnyError(); };
  q.WinHTTPDownload.OnAborted = [this](TCustomWinHTTP&) { WinHTTPDownloadAborted(); };
  connect(LabelURLOpenFolder, &ui::TLinkLabel::Clicked, this, &TFormMain::LabelURLOpenFolderClick);
}

void TFormMain::StartDownloadQueue() {
  std::vector<std::string> links;
  for (int row = 0; row < ListViewInputURL->RowCount(); ++row)
    links.push_back(ListViewInputURL->Cell(row, 0).toStdString());
  Downloads().queue.Start(links);
}

void TFormMain::DownloadNext() {
  Downloads().queue.Next();
}

void TFormMain::DownloadError() {
  Downloads().queue.NextQuality();
}

void TFormMain::ShowDownloadSummary() {
  Downloads().queue.ShowDownloadSummary();
}

void TFormMain::AbortDownloads() {
  Downloads().queue.Abort();
}

void TFormMain::UpdateDownloadRow(const TDownloadRowUpdate& update) {
  const int row = GlobalVars().DownloadIndex;
  if (row < 0 || row >= ListViewURLDownload->RowCount()) return;
  if (update.status) {
    ListViewURLDownload->SetCell(row, kStatus, Q(*update.status));
    LabelURLStatus->setText(Q(*update.status));
  }
  if (update.size) ListViewURLDownload->SetCell(row, kSize, Q(*update.size));
  if (update.speed) {
    ListViewURLDownload->SetCell(row, kSpeed, Q(*update.speed));
    LabelSpeed->setText(Q(*update.speed));
  }
  if (update.percent) {
    const QString text = QString::number(*update.percent) + "%";
    ListViewURLDownload->SetCell(row, kProgress, text);
    ProgressBarDownload->setValue(*update.percent);
    LabelProgressBarDownload->setText(text);
  }
  if (update.elapsed) LabelURLElapsedTime->setText(Q(*update.elapsed));
  if (update.time_left) LabelURLTimeLeft->setText(Q(*update.time_left));
}

void TFormMain::WinHTTPGetInfoFileURLProgress(const TWinHTTPEventArgs& args) {
  if (args.progress) Downloads().queue.GetInfoFileURLProgress(*args.progress);
}

void TFormMain::WinHTTPGetInfoFileURLDone(const TWinHTTPEventArgs& args) {
  Downloads().queue.GetInfoFileURLDone(args.stream);
}

void TFormMain::WinHTTPGetInfoFileURLAnyError() {
  Downloads().queue.GetInfoFileURLAnyError();
}

void TFormMain::WinHTTPGetInfoFileURLAborted() {
  Downloads().queue.GetInfoFileURLAborted();
  UpdatePageCaptions();
}

void TFormMain::WinHTTPDownloadInfoFileDone(const TWinHTTPEventArgs& args) {
  Downloads().queue.DownloadInfoFileDone(args.stream);
}

void TFormMain::WinHTTPDownloadInfoFileAnyError() {
  Downloads().queue.DownloadInfoFileAnyError();
}

void TFormMain::WinHTTPDownloadInfoFileAborted() {
  Downloads().queue.DownloadInfoFileAborted();
  UpdatePageCaptions();
}

void TFormMain::WinHTTPDownloadProgress(const TWinHTTPEventArgs& args) {
  if (args.progress) Downloads().queue.DownloadProgress(*args.progress);
}

void TFormMain::WinHTTPDownloadDone() {
  Downloads().queue.DownloadDone();
}

void TFormMain::WinHTTPDownloadAnyError() {
  Downloads().queue.DownloadAnyError();
}

void TFormMain::WinHTTPDownloadAborted() {
  Downloads().queue.DownloadAborted();
  UpdatePageCaptions();
}

void TFormMain::LabelURLOpenFolderClick() {
  OpenWithShell(GlobalVars().OutputURLDir);
}

}  // namespace tallowin
