#include "download/download_queue.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "download/quality.h"
#include "download/stream_map.h"
#include "shell/util_funcs.h"

namespace tallowin::download {
namespace {

std::string StreamText(net::TStream* stream) {
  std::string text;
  if (!stream) return text;
  const std::int64_t size = stream->Size();
  if (size <= 0 || !stream->Seek(0)) return text;
  text.resize(static_cast<size_t>(size));
  const std::int64_t n = stream->Read(text.data(), size);
  text.resize(static_cast<size_t>(n > 0 ? n : 0));
  return text;
}

// Moves `from` to `to` unless `to` exists; errno tells why not.
bool MoveWithoutReplacing(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without the no-replace rename: a hard link fails when the name is taken.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

// A new folder of our own in `folder` for the video being fetched; "" with errno set when none
// can be made there. The video's file inside it is made by the transfer itself: a file that
// exists already would have to be truncated, and on some file systems closing a truncated file
// waits until its data is on disk.
std::string CreateTemporaryFolder(const std::string& folder) {
  std::string path = folder + ".tallowin-XXXXXX";
  if (!::mkdtemp(path.data())) return {};
  return path + "/";
}

}  // namespace

std::string FormatSizeMB(std::int64_t bytes) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2fMB", static_cast<double>(bytes) / 1048576.0);
  return text;
}

std::string FormatSpeed(std::int64_t bytes_read, std::uint32_t elapsed_seconds) {
  if (elapsed_seconds == 0) return kSpeedNotKnownYet;
  char text[64];
  std::snprintf(text, sizeof text, "%.2f KB/s",
                static_cast<double>(bytes_read) / 1024.0 / elapsed_seconds);
  return text;
}

TDownloadQueue::TDownloadQueue(TGlobalVars& vars, TDownloadView& view) : vars_(vars), view_(view) {
  ConfigureComponent(WinHTTPGetInfoFileURL);
  ConfigureComponent(WinHTTPDownloadInfoFile);
  ConfigureComponent(WinHTTPDownload);
  WinHTTPDownload.SetTransferBufferSize(kVideoBlockSize);
  // The temporary file is ours to remove: no attributes to restore on it.
  WinHTTPDownload.OutputFileAttributes.Incomplete = WinHTTPDownload.OutputFileAttributes.Complete;
  WireComponents();
}

TDownloadQueue::~TDownloadQueue() {
  // The video's worker must neither create nor write the temporary file once it is removed.
  for (net::TWinHTTP* http : {&WinHTTPGetInfoFileURL, &WinHTTPDownloadInfoFile, &WinHTTPDownload}) {
    http->OnAborted = nullptr;
    http->Abort(false, true);
  }
  RemoveTemporaryFile();
}

void TDownloadQueue::ConfigureComponent(net::TWinHTTP& http) {
  http.AcceptTypes = "*/*";
  http.Agent = kAgent;
  http.InternetOptions = {net::TInternetOption::ioIgnoreCertificateInvalid,
                          net::TInternetOption::ioKeepConnection};
  http.ShowGoOnlineMessage = true;
  http.MaxMemoryBody = kMaxPageBytes;
  // A server that stops answering fails the video instead of holding the queue.
  http.Timeouts.ConnectTimeout = 30000;
  http.Timeouts.ReceiveTimeout = 60000;
}

void TDownloadQueue::WireComponents() {
  using net::TCustomWinHTTP;
  using net::TStream;
  using net::TWinHTTPProgress;
  WinHTTPGetInfoFileURL.OnProgress = [this](TCustomWinHTTP&, const std::string&,
                                            const TWinHTTPProgress& p,
                                            TStream*) { GetInfoFileURLProgress(p); };
  WinHTTPGetInfoFileURL.OnDone = [this](TCustomWinHTTP&, const std::string&, std::int64_t,
                                        TStream* s) { GetInfoFileURLDone(s); };
  WinHTTPGetInfoFileURL.OnAnyError = [this](TCustomWinHTTP&) { GetInfoFileURLAnyError(); };
  WinHTTPGetInfoFileURL.OnAborted = [this](TCustomWinHTTP&) { GetInfoFileURLAborted(); };
  WinHTTPDownloadInfoFile.OnDone = [this](TCustomWinHTTP&, const std::string&, std::int64_t,
                                          TStream* s) { DownloadInfoFileDone(s); };
  WinHTTPDownloadInfoFile.OnAnyError = [this](TCustomWinHTTP&) { DownloadInfoFileAnyError(); };
  WinHTTPDownloadInfoFile.OnAborted = [this](TCustomWinHTTP&) { DownloadInfoFileAborted(); };
  WinHTTPDownload.OnProgress = [this](TCustomWinHTTP&, const std::string&,
                                      const TWinHTTPProgress& p, TStream*) { DownloadProgress(p); };
  WinHTTPDownload.OnDone = [this](TCustomWinHTTP&, const std::string&, std::int64_t, TStream*) {
    DownloadDone();
  };
  WinHTTPDownload.OnAnyError = [this](TCustomWinHTTP&) { DownloadAnyError(); };
  WinHTTPDownload.OnAborted = [this](TCustomWinHTTP&) { DownloadAborted(); };
  WinHTTPDownload.OnOutputFileError = [this](TCustomWinHTTP&) { DownloadOutputFileError(); };
}

bool TDownloadQueue::CurrentRow() const {
  return vars_.DownloadIndex >= 0 && vars_.DownloadIndex < static_cast<int>(captions_.size());
}

void TDownloadQueue::Start(const std::vector<std::string>& links) {
  RemoveTemporaryFile();
  view_.ClearDownloadRows();
  captions_ = links;
  for (const std::string& link : links) view_.AddDownloadRow(link);
  vars_.DownloadTotal = static_cast<int>(links.size());
  vars_.DownloadIndex = 0;
  vars_.DownloadSucceeded = 0;
  vars_.QualityAttempt = 0;
  stage_ = Stage::kIdle;
  running_ = true;
  cancelled_ = false;
  view_.PostNext();
}

void TDownloadQueue::Next() {
  ClearStreamURLs(vars_);
  if (!running_) return;
  if (cancelled_) return FinishAfterCancel();
  if (vars_.DownloadIndex > vars_.DownloadTotal - 1 || !CurrentRow()) {
    ShowDownloadSummary();
    return;
  }
  const std::string& link = captions_[static_cast<size_t>(vars_.DownloadIndex)];
  view_.SetCurrentFile(link);
  WinHTTPGetInfoFileURL.URL = link;
  stage_ = Stage::kPage;
  if (!WinHTTPGetInfoFileURL.Read(false)) FailVideo();
}

void TDownloadQueue::GetInfoFileURLProgress(const net::TWinHTTPProgress& p) {
  if (stage_ != Stage::kPage) return;
  TRowUpdate update;
  update.status = kStatusGettingURLs;
  if (p.DataSize != 0) update.size = FormatSizeMB(p.DataSize);
  update.speed = FormatSpeed(p.BytesRead, p.ElapsedTime);
  view_.UpdateDownloadRow(vars_.DownloadIndex, update);
}

void TDownloadQueue::GetInfoFileURLDone(net::TStream* stream) {
  if (stage_ != Stage::kPage) return;
  if (cancelled_) return FinishAfterCancel();
  const std::string page = StreamText(stream);
  const std::string title = DecodeHtmlEntities(ExtractVideoTitle(page));
  const int row = vars_.DownloadIndex;
  captions_[static_cast<size_t>(row)] = title;
  view_.SetRowCaption(row, title);
  view_.SetCurrentFile(title);
  const std::string record = MakeInfoRecordURL(page);
  view_.SetRowURL(row, record);
  WinHTTPDownloadInfoFile.URL = record;
  stage_ = Stage::kRecord;
  if (!WinHTTPDownloadInfoFile.Read(false)) FailVideo();
}

void TDownloadQueue::GetInfoFileURLAnyError() {
  if (stage_ == Stage::kPage) FailVideo();
}

void TDownloadQueue::GetInfoFileURLAborted() {
  ShowDownloadSummary(true);
}

void TDownloadQueue::DownloadInfoFileDone(net::TStream* stream) {
  if (stage_ != Stage::kRecord) return;
  if (cancelled_) return FinishAfterCancel();
  ParseStreamMap(StreamText(stream), vars_);
  TRowUpdate update;
  update.status = kStatusAnalyzed;
  view_.UpdateDownloadRow(vars_.DownloadIndex, update);
  view_.ResetProgress();
  std::string url;
  if (vars_.PreferYouTubeQuality) {
    vars_.QualityAttempt = 1;
    view_.SetQuality(QualityDescription(PreferenceName(vars_, 1)));
    url = StreamURLForType(vars_, TypeAtPosition(vars_, 1));
  } else {
    vars_.QualityAttempt = 0;
    view_.SetQuality(QualityDescription(PreferenceName(vars_, 0)));
    url = vars_.DefaultStreamURL;
  }
  if (!StartVideo(url)) FailVideo();
}

void TDownloadQueue::DownloadInfoFileAnyError() {
  if (stage_ == Stage::kRecord) FailVideo();
}

void TDownloadQueue::DownloadInfoFileAborted() {
  ShowDownloadSummary(true);
}

bool TDownloadQueue::StartVideo(const std::string& url) {
  stage_ = Stage::kVideo;
  error_posted_ = false;
  write_failed_ = false;
  RemoveTemporaryFile();
  const std::string temporary_folder =
      CreateTemporaryFolder(WithTrailingBackslash(vars_.OutputURLDir));
  if (temporary_folder.empty()) {
    view_.Log("Cannot write into the download folder \"" + vars_.OutputURLDir +
              "\": " + std::strerror(errno));
    write_failed_ = true;
    return false;
  }
  temporary_folder_ = temporary_folder;
  temporary_file_ = temporary_folder + "video.part";
  WinHTTPDownload.URL = url;
  WinHTTPDownload.OutputFileName = temporary_file_;
  if (WinHTTPDownload.Read(false)) return true;
  RemoveTemporaryFile();
  return false;
}

void TDownloadQueue::DownloadProgress(const net::TWinHTTPProgress& p) {
  if (stage_ != Stage::kVideo) return;
  view_.SetQuality(QualityDescription(PreferenceName(vars_, vars_.QualityAttempt)));
  TRowUpdate update;
  update.status = kStatusDownloading;
  if (p.DataSize != 0) update.size = FormatSizeMB(p.DataSize);
  if (p.DataSize <= 0)
    update.time_left = kTimeLeftUnknown;
  else if (p.EstimatedTimeLeft > 0)
    update.time_left = FormatSeconds(static_cast<std::int32_t>(
        std::min<std::int64_t>(p.EstimatedTimeLeft, std::int64_t{0x7FFFFFFF})));
  if (p.ElapsedTime != 0)
    update.elapsed = FormatSeconds(static_cast<std::int32_t>(
        std::min<std::uint32_t>(p.ElapsedTime, std::uint32_t{0x7FFFFFFF})));
  if (p.PercentsDone != 0) update.percent = p.PercentsDone;
  update.speed = FormatSpeed(p.BytesRead, p.ElapsedTime);
  view_.UpdateDownloadRow(vars_.DownloadIndex, update);
}

std::string TDownloadQueue::SaveVideo() {
  const std::string& caption = captions_[static_cast<size_t>(vars_.DownloadIndex)];
  const std::string extension = ExtensionForPosition(vars_, vars_.QualityAttempt);
  // A file that takes the chosen name meanwhile is kept: the next free name is taken instead.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string path = VideoFileName(caption, extension, vars_.OutputURLDir);
    if (MoveWithoutReplacing(temporary_file_, path)) {
      temporary_file_.clear();
      RemoveTemporaryFile();
      return path;
    }
    if (errno != EEXIST) {
      view_.Log("Cannot save the video as \"" + path + "\": " + std::strerror(errno));
      return {};
    }
  }
  return {};
}

void TDownloadQueue::DownloadDone() {
  if (stage_ != Stage::kVideo || !CurrentRow()) return;
  const std::string path = SaveVideo();
  if (path.empty()) return FailVideo();
  vars_.DownloadedFiles.push_back(path);
  TRowUpdate update;
  update.status = kStatusFinished;
  view_.UpdateDownloadRow(vars_.DownloadIndex, update);
  vars_.DownloadSucceeded += 1;
  stage_ = Stage::kIdle;
  Advance();
}

void TDownloadQueue::DownloadAnyError() {
  if (stage_ != Stage::kVideo || error_posted_) return;
  if (vars_.PreferYouTubeQuality) {
    error_posted_ = true;
    view_.PostError();
  } else {
    FailVideo();
  }
}

void TDownloadQueue::DownloadOutputFileError() {
  write_failed_ = true;
  view_.Log("Cannot write the video into \"" + temporary_file_ + "\"");
  RemoveTemporaryFile();
}

void TDownloadQueue::DownloadAborted() {
  RemoveTemporaryFile();
  ShowDownloadSummary(true);
}

void TDownloadQueue::NextQuality() {
  if (!running_ || stage_ != Stage::kVideo) return;
  RemoveTemporaryFile();
  if (cancelled_) return FinishAfterCancel();
  // A video that cannot be written fails at once: another quality would fail the same way.
  if (write_failed_) return FailVideo();
  const int old = vars_.QualityAttempt;
  vars_.QualityAttempt = old + 1;
  if (old + 1 >= 9) return FailVideo();
  view_.SetQuality(PreferenceName(vars_, old) +
                   " failed, try next: " + PreferenceName(vars_, old + 1));
  view_.ResetProgress();
  if (!StartVideo(StreamURLForType(vars_, TypeAtPosition(vars_, old + 1)))) FailVideo();
}

void TDownloadQueue::FailVideo() {
  RemoveTemporaryFile();
  if (CurrentRow())
    view_.Log("Download failed: " + captions_[static_cast<size_t>(vars_.DownloadIndex)]);
  TRowUpdate update;
  update.status = kStatusFailed;
  view_.UpdateDownloadRow(vars_.DownloadIndex, update);
  stage_ = Stage::kIdle;
  Advance();
}

void TDownloadQueue::Advance() {
  vars_.DownloadIndex += 1;
  if (vars_.DownloadIndex >= vars_.DownloadTotal)
    ShowDownloadSummary();
  else if (cancelled_)
    FinishAfterCancel();
  else
    view_.PostNext();
}

void TDownloadQueue::Abort() {
  if (!running_) return;
  cancelled_ = true;
  bool any_in_progress = false;
  for (net::TWinHTTP* http : {&WinHTTPGetInfoFileURL, &WinHTTPDownloadInfoFile, &WinHTTPDownload}) {
    any_in_progress = any_in_progress || http->InProgress();
    http->Abort(false, false);
  }
  // Between two transfers (a message is pending) nothing would report the cancel.
  if (!any_in_progress) FinishAfterCancel();
}

void TDownloadQueue::FinishAfterCancel() {
  RemoveTemporaryFile();
  ShowDownloadSummary(true);
}

void TDownloadQueue::ShowDownloadSummary(bool aborted) {
  if (!running_) return;
  running_ = false;
  stage_ = Stage::kIdle;
  ClearStreamURLs(vars_);
  RemoveTemporaryFile();
  TDownloadSummary summary;
  summary.total = vars_.DownloadTotal;
  summary.succeeded = vars_.DownloadSucceeded;
  summary.failed = vars_.DownloadTotal - vars_.DownloadSucceeded;
  summary.aborted = aborted;
  view_.ShowSummary(summary);
}

void TDownloadQueue::RemoveTemporaryFile() {
  if (!temporary_file_.empty()) ::unlink(temporary_file_.c_str());
  if (!temporary_folder_.empty()) ::rmdir(temporary_folder_.c_str());
  temporary_file_.clear();
  temporary_folder_.clear();
}

}  // namespace tallowin::download
