// The preview of a running task: its two flags (a window, or pictures handed to the encoder's
// OnPreviewBitmap), the 0.1 s interval between preview pictures, and the window the program
// shows them in.
//
// media/ knows the window only through IPreviewWindow: the program registers a factory at
// start-up (SetPreviewWindowFactory); without one the window flag has no effect. Windows are
// created, drawn and destroyed on the main thread; a worker hands its picture over with
// MainDispatcher().Send and waits, without holding the engine-wide preview lock.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "media/picture/bitmap.h"

namespace tallowin::media {

enum TPreviewFlag : int {
  pfWindow = 1,  // pictures go to a preview window
  pfBitmap = 2,  // pictures go to the encoder's preview-bitmap relay
};

// Least time between two preview pictures of a task, µs.
inline constexpr int64_t kPreviewIntervalUs = 100000;

// The engine-wide preview lock: every task's flags are read and changed under it.
std::mutex& PreviewLock();

// The window caption of a picture: its time stamp as "hh:mm:ss.zzz", or "N/A" without one
// (kNoPtsValue or negative).
std::string PreviewCaption(int64_t pts_us);

// A preview window as the program implements it. Every call comes on the main thread.
class IPreviewWindow {
 public:
  virtual ~IPreviewWindow() = default;
  // Shows the window (the first time) sized to the picture, sets the caption and draws it.
  virtual void ShowPicture(const TBitmap& bitmap, const std::string& caption) = 0;
  // The user has closed the window.
  virtual bool ClosedByUser() const = 0;
};

using TPreviewWindowFactory = std::function<std::unique_ptr<IPreviewWindow>()>;
// Registers the program's window (main thread, before any task runs); an empty function removes
// it.
void SetPreviewWindowFactory(TPreviewWindowFactory factory);

// The preview state of one task.
class TPreviewer {
 public:
  // Hands a picture to the encoder's preview-bitmap relay (worker thread).
  using BitmapRelay = std::function<void(const TBitmap& bitmap, int frame_number, int64_t pts)>;
  // Fills the bitmap from the current picture; false with a reason when it cannot.
  using Converter = std::function<bool(TBitmap& bitmap, std::string& error)>;

  TPreviewer() = default;
  ~TPreviewer();
  TPreviewer(const TPreviewer&) = delete;
  TPreviewer& operator=(const TPreviewer&) = delete;

  int Flags() const;
  // Sets both flags; turning the window off destroys the task's window.
  void SetFlags(int flags);

  // A picture about to be encoded (worker thread). `now_us` is a monotonic clock.
  void Offer(int64_t now_us, int frame_number, int64_t pts_us, const Converter& convert,
             const BitmapRelay& relay, const void* log_sender);

  // Destroys the window (any thread; the window itself goes away on the main thread).
  void ReleaseWindow();

  // Whether a window exists now (main thread; for tests).
  bool HasWindow() const;

 private:
  // Shows the bitmap on the main thread; false when the user closed the window or there is none.
  bool ShowOnMainThread(int64_t pts_us);

  int flags_ = 0;  // under PreviewLock()
  int64_t last_us_ = INT64_MIN;
  TBitmap bitmap_;
  mutable std::mutex window_mutex_;
  std::shared_ptr<IPreviewWindow> window_;
};

}  // namespace tallowin::media
