// The download queue: for each link, one after the other, the video's page, its information
// record and then the video itself at the preferred quality (falling back to the next preference
// when a fetch fails), saved into the download folder. Plain C++ without widgets: the main
// window and tallowin-cli drive it and show what it reports through TDownloadView.
//
// Every step starts from a completion event of one of the three transfer components or from one
// of the two posted messages, so only one transfer runs at a time and no handler blocks. A new
// transfer on the same component starts only through a posted message (the view's PostNext and
// PostError, which must call Next and NextQuality after the current handler has returned).
//
// The video arrives in a temporary file (in a folder of its own inside the download folder) and
// gets its name, made unique there, only when it is complete; a file that appeared under that
// name meanwhile is never replaced. The page and the record stay in memory, each capped at
// kMaxPageBytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "net/win_http.h"
#include "shell/global_vars.h"

namespace tallowin::download {

// The status texts of a row.
inline constexpr char kStatusWaiting[] = "Waiting...";
inline constexpr char kStatusGettingURLs[] = "Getting YouTube URLs, please wait...";
inline constexpr char kStatusAnalyzed[] = "Analyzing finished, ready to download...";
inline constexpr char kStatusDownloading[] = "Downloading...";
inline constexpr char kStatusFinished[] = "Finish.";
inline constexpr char kStatusFailed[] = "Failed.";
// The speed while no whole second has passed, and the time left of a video of unknown length.
inline constexpr char kSpeedNotKnownYet[] = "Measuring...";
inline constexpr char kTimeLeftUnknown[] = "Unknown";

inline constexpr char kAgent[] = "[Tallowin]";
inline constexpr std::int64_t kMaxPageBytes = std::int64_t{4} << 20;
// The video transfer's block: one progress event per block stored.
inline constexpr std::uint32_t kVideoBlockSize = 256 * 1024;

// What changes in the current row and the figures beside the list; an empty field leaves its
// column or label as it was.
struct TRowUpdate {
  std::optional<std::string> status;
  std::optional<std::string> size;       // "12.34MB"
  std::optional<std::string> speed;      // "85.20 KB/s"
  std::optional<int> percent;            // 1 .. 100
  std::optional<std::string> elapsed;    // "00:00:12"
  std::optional<std::string> time_left;  // "00:01:40", or kTimeLeftUnknown
};

struct TDownloadSummary {
  int total = 0;
  int succeeded = 0;
  int failed = 0;
  bool aborted = false;
};

class TDownloadView {
 public:
  virtual ~TDownloadView() = default;
  // The download list: emptied, then one row per link with the initial texts.
  virtual void ClearDownloadRows() = 0;
  virtual void AddDownloadRow(const std::string& link) = 0;
  // The "Name" column of a row; the current-file figure shows the same text.
  virtual void SetRowCaption(int row, const std::string& caption) = 0;
  virtual void SetCurrentFile(const std::string& text) = 0;
  // The "URL" column: the address of the information record.
  virtual void SetRowURL(int row, const std::string& url) = 0;
  virtual void UpdateDownloadRow(int row, const TRowUpdate& update) = 0;
  virtual void SetQuality(const std::string& text) = 0;
  // The progress bar to 0 and its label to "0%".
  virtual void ResetProgress() = 0;
  // Messages to the queue, handled after the current handler has returned.
  virtual void PostNext() = 0;
  virtual void PostError() = 0;
  // The run has ended (after the last row or a cancel).
  virtual void ShowSummary(const TDownloadSummary& summary) = 0;
  // A line for the message log.
  virtual void Log(const std::string& line) = 0;
};

// Texts of the row figures.
std::string FormatSizeMB(std::int64_t bytes);
// BytesRead / 1024 / ElapsedTime with two decimals and " KB/s"; kSpeedNotKnownYet while no whole
// second has passed.
std::string FormatSpeed(std::int64_t bytes_read, std::uint32_t elapsed_seconds);

class TDownloadQueue {
 public:
  TDownloadQueue(TGlobalVars& vars, TDownloadView& view);
  ~TDownloadQueue();
  TDownloadQueue(const TDownloadQueue&) = delete;
  TDownloadQueue& operator=(const TDownloadQueue&) = delete;

  // Builds the download list from the links and starts the run (posts the first Next).
  void Start(const std::vector<std::string>& links);
  // WM_APP_DOWNLOAD_NEXT: the next video's page.
  void Next();
  // WM_APP_DOWNLOAD_ERROR: the next preference position's stream.
  void NextQuality();
  // Cancels the run: the running transfer ends with OnAborted and the summary follows; when no
  // transfer runs (a message is pending) the summary follows at once.
  void Abort();
  // Ends the run: stream addresses cleared, the summary reported.
  void ShowDownloadSummary(bool aborted = false);
  bool Running() const { return running_; }

  // ---- the components' event handlers ----
  void GetInfoFileURLProgress(const net::TWinHTTPProgress& progress);
  void GetInfoFileURLDone(net::TStream* stream);
  void GetInfoFileURLAnyError();
  void GetInfoFileURLAborted();
  void DownloadInfoFileDone(net::TStream* stream);
  void DownloadInfoFileAnyError();
  void DownloadInfoFileAborted();
  void DownloadProgress(const net::TWinHTTPProgress& progress);
  void DownloadDone();
  void DownloadAnyError();
  void DownloadAborted();
  void DownloadOutputFileError();

  // The page, the record and the video. Their events call the handlers above; the main window
  // routes them through its own handlers of the same names.
  net::TWinHTTP WinHTTPGetInfoFileURL;
  net::TWinHTTP WinHTTPDownloadInfoFile;
  net::TWinHTTP WinHTTPDownload;

  // The temporary file of the video being fetched ("" when none); it lies in a folder of its own.
  const std::string& TemporaryFile() const { return temporary_file_; }

 private:
  enum class Stage { kIdle, kPage, kRecord, kVideo };

  void WireComponents();
  void ConfigureComponent(net::TWinHTTP& http);
  bool CurrentRow() const;
  void FailVideo();
  void Advance();
  // Fetches the video from `url` into a new temporary file; false when that file cannot be made.
  bool StartVideo(const std::string& url);
  void RemoveTemporaryFile();
  // Renames the complete temporary file to its unique name; "" when that fails.
  std::string SaveVideo();
  void FinishAfterCancel();

  TGlobalVars& vars_;
  TDownloadView& view_;
  std::vector<std::string> captions_;
  Stage stage_ = Stage::kIdle;
  bool running_ = false;
  bool cancelled_ = false;
  bool error_posted_ = false;
  bool write_failed_ = false;
  std::string temporary_folder_;  // ours alone, holding temporary_file_
  std::string temporary_file_;
};

}  // namespace tallowin::download
