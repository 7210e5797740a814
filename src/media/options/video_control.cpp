#include "media/options/video_control.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "media/options/option_values.h"
#include "media/runtime/ff_api.h"
#include "media/runtime/ff_exception.h"

namespace tallowin::media {

std::vector<int64_t> ParseForcedKeyFrames(const std::string& value) {
  std::vector<int64_t> times;
  size_t start = 0;
  for (;;) {
    const size_t comma = value.find(',', start);
    const std::string item =
        value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    times.push_back(ParseTimeValue("force_key_frames", item, false));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  std::sort(times.begin(), times.end());
  return times;
}

namespace {

// One decimal int at `p`, with blanks before it; advances `p`.
bool ReadInt(const char*& p, int& out) {
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(p, &end, 10);
  if (end == p || errno == ERANGE || n < INT_MIN || n > INT_MAX) return false;
  out = static_cast<int>(n);
  p = end;
  return true;
}

bool Skip(const char*& p, char c) {
  if (*p != c) return false;
  ++p;
  return true;
}

}  // namespace

std::vector<RateOverride> ParseRateOverride(const std::string& value) {
  const FFmpegException error("error parsing rc_override");
  std::vector<RateOverride> ranges;
  const char* p = value.c_str();
  for (;;) {
    int start = 0, end = 0, q = 0;
    if (!ReadInt(p, start) || !Skip(p, ',') || !ReadInt(p, end) || !Skip(p, ',') || !ReadInt(p, q))
      throw error;
    while (*p == ' ') ++p;
    if (*p != '/' && *p != '\0') throw error;
    if (start < 0 || end < start) throw error;
    RateOverride range;
    range.start_frame = start;
    range.end_frame = end;
    if (q > 0) {
      range.qscale = q;
      range.quality_factor = 1.0f;
    } else {
      range.qscale = 0;
      range.quality_factor = static_cast<float>(-q / 100.0);
    }
    ranges.push_back(range);
    if (*p == '\0') break;
    ++p;  // '/'
  }
  return ranges;
}

bool ForcedKeyFrameDue(const std::vector<int64_t>& times_us, size_t& next, int64_t pts,
                       AVRational time_base) {
  if (pts == AV_NOPTS_VALUE || next >= times_us.size()) return false;
  // The times are placed on the encoder's clock as the frames are, rounded to the nearest tick.
  if (pts < FF().av_rescale_q(times_us[next], AV_TIME_BASE_Q, time_base)) return false;
  while (next < times_us.size() &&
         pts >= FF().av_rescale_q(times_us[next], AV_TIME_BASE_Q, time_base))
    ++next;
  return true;
}

bool SetRateOverride(AVCodecContext* enc, const std::vector<RateOverride>& ranges) {
  if (ranges.empty()) return true;
  auto* table = static_cast<RcOverride*>(FF().av_malloc(ranges.size() * sizeof(RcOverride)));
  if (!table) return false;
  for (size_t i = 0; i < ranges.size(); ++i) {
    table[i].start_frame = ranges[i].start_frame;
    table[i].end_frame = ranges[i].end_frame;
    // Rate control compares the override with its own quantisers, which are in lambda units.
    table[i].qscale = static_cast<int>(
        std::min<int64_t>(static_cast<int64_t>(ranges[i].qscale) * FF_QP2LAMBDA, INT_MAX));
    table[i].quality_factor = ranges[i].quality_factor;
  }
  FF().av_freep(&enc->rc_override);
  enc->rc_override = table;
  enc->rc_override_count = static_cast<int>(ranges.size());
  return true;
}

}  // namespace tallowin::media
