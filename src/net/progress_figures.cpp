#include "net/progress_figures.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace tallowin::net {

std::uint32_t TickCount() {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<std::uint32_t>(ms.count());
}

TWinHTTPProgress ComputeProgress(std::int64_t received, std::int64_t start_offset,
                                 std::int64_t content_length, std::uint32_t start_tick,
                                 std::uint32_t now_tick) {
  TWinHTTPProgress p;
  p.DataSize = content_length + start_offset;
  p.BytesRead = received + start_offset;
  p.ElapsedTime = static_cast<std::uint32_t>(now_tick - start_tick) / 1000u;
  // Halves round to even: the default rounding mode of nearbyint.
  if (p.DataSize > 0) {
    long double percent = static_cast<long double>(p.BytesRead) * 100.0L / p.DataSize;
    percent = std::nearbyint(percent);
    // A server that sends more than it announced must not make the figure wrap or exceed 100.
    p.PercentsDone = static_cast<std::uint8_t>(percent < 0 ? 0 : percent > 100 ? 100 : percent);
  }
  // Without a Content-Length the remaining time is unknown: reported as 0.
  if (content_length > 0 && received > 0) {
    long double total = static_cast<long double>(content_length) / received *
                        static_cast<long double>(p.ElapsedTime);
    // An absurd announced length must not overflow the figure.
    constexpr long double kLimit = static_cast<long double>(std::int64_t{1} << 62);
    p.EstimatedTimeLeft =
        static_cast<std::int64_t>(std::nearbyint(std::min(total, kLimit))) - p.ElapsedTime;
  }
  float kilobytes = static_cast<float>(received) / 1024.0f;
  p.TransferRate = p.ElapsedTime != 0 ? kilobytes / static_cast<float>(p.ElapsedTime) : kilobytes;
  return p;
}

}  // namespace tallowin::net
