// Collects the lines the media log router delivers while it lives (on the logging thread).
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "media/runtime/ff_log.h"

namespace tallowin::media {

class LogCapture {
 public:
  LogCapture() {
    logger_.SetLogLevel(llDebug);
    logger_.SetTriggerEventInMainThread(false);
    logger_.SetOnLog([this](const void*, ThreadId, TLogLevel, const std::string& text) {
      std::lock_guard lock(mutex_);
      lines_.push_back(text);
    });
  }
  ~LogCapture() { logger_.SetOnLog(nullptr); }
  int Count(const std::string& text) const {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& line : lines_) n += line == text;
    return n;
  }

 private:
  TFFLogger logger_;
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

}  // namespace tallowin::media
