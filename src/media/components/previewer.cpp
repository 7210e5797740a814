#include "media/components/previewer.h"

#include <cstdio>

#include "common/dispatcher.h"
#include "media/components/encoder_records.h"
#include "media/runtime/ff_load.h"
#include "media/runtime/ff_log.h"

namespace tallowin::media {
namespace {

std::mutex& FactoryMutex() {
  static std::mutex mutex;
  return mutex;
}

TPreviewWindowFactory& Factory() {
  static TPreviewWindowFactory factory;
  return factory;
}

}  // namespace

std::mutex& PreviewLock() {
  static std::mutex lock;
  return lock;
}

std::string PreviewCaption(int64_t pts_us) {
  if (pts_us == kNoPtsValue || pts_us < 0) return "N/A";
  const int64_t ms = pts_us / 1000;
  char text[48];
  std::snprintf(text, sizeof text, "%.2lld:%.2d:%.2d.%.3d", static_cast<long long>(ms / 3600000),
                static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
                static_cast<int>(ms % 1000));
  return text;
}

void SetPreviewWindowFactory(TPreviewWindowFactory factory) {
  std::lock_guard lock(FactoryMutex());
  Factory() = std::move(factory);
}

// --- TPreviewer ---------------------------------------------------------------------------------

TPreviewer::~TPreviewer() {
  ReleaseWindow();
}

int TPreviewer::Flags() const {
  std::lock_guard lock(PreviewLock());
  return flags_;
}

void TPreviewer::SetFlags(int flags) {
  {
    std::lock_guard lock(PreviewLock());
    flags_ = flags;
  }
  if (!(flags & pfWindow)) ReleaseWindow();
}

void TPreviewer::ReleaseWindow() {
  std::shared_ptr<IPreviewWindow> window;
  {
    std::lock_guard lock(window_mutex_);
    window.swap(window_);
  }
  if (!window) return;
  Dispatcher& dispatcher = MainDispatcher();
  if (dispatcher.IsMainThread()) return;  // destroyed here, on leaving
  // The window belongs to the main thread; it goes away there, without making us wait.
  dispatcher.Post([window]() mutable { window.reset(); });
}

bool TPreviewer::HasWindow() const {
  std::lock_guard lock(window_mutex_);
  return window_ != nullptr;
}

bool TPreviewer::ShowOnMainThread(int64_t pts_us) {
  {
    std::lock_guard lock(PreviewLock());
    if (!(flags_ & pfWindow)) return true;  // switched off meanwhile: nothing to show
  }
  std::lock_guard lock(window_mutex_);
  if (!window_) {
    TPreviewWindowFactory factory;
    {
      std::lock_guard factory_lock(FactoryMutex());
      factory = Factory();
    }
    if (!factory) return false;
    window_ = factory();
    if (!window_) return false;
  }
  if (window_->ClosedByUser()) return false;
  window_->ShowPicture(bitmap_, PreviewCaption(pts_us));
  return true;
}

void TPreviewer::Offer(int64_t now_us, int frame_number, int64_t pts_us, const Converter& convert,
                       const BitmapRelay& relay, const void* log_sender) {
  int flags;
  {
    std::lock_guard lock(PreviewLock());
    flags = flags_;
  }
  const bool due = last_us_ == INT64_MIN || now_us - last_us_ > kPreviewIntervalUs;
  int clear = 0;
  if ((flags & pfBitmap) && relay) {
    if (due) {
      last_us_ = now_us;
      std::string error;
      if (convert(bitmap_, error)) {
        relay(bitmap_, frame_number, pts_us);
      } else {
        FFLog(log_sender, llError, error);
        clear = pfBitmap;
      }
    }
  } else if (flags & pfWindow) {
    if (due) {
      last_us_ = now_us;
      std::string error;
      if (convert(bitmap_, error)) {
        bool shown = false;
        // No lock is held here: the main thread may be inside SetPreview right now.
        MainDispatcher().Send([&] { shown = ShowOnMainThread(pts_us); });
        if (!shown) clear = pfWindow;
      } else {
        FFLog(log_sender, llError, error);
        clear = pfWindow;
      }
    }
  }
  if (!clear) return;
  {
    // Only the bits this picture cleared: a SetPreview that came meanwhile stays in force.
    std::lock_guard lock(PreviewLock());
    flags_ &= ~clear;
  }
  if (clear & pfWindow) ReleaseWindow();
}

}  // namespace tallowin::media
