#include "media/options/option_values.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "common/ascii_text.h"
#include "media/runtime/ff_api.h"
#include "media/runtime/ff_exception.h"

namespace tallowin::media {
bool ParseBoolValue(const std::string& value) {
  return value != "0";
}

int64_t ParseIntValue(const std::string& value) {
  const std::string text(TrimAscii(value));
  char* end = nullptr;
  errno = 0;
  const long long result = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno == ERANGE)
    throw FFmpegException("'" + value + "' is not a valid integer value");
  return result;
}

double ParseFloatValue(const std::string& value) {
  const std::string text(TrimAscii(value));
  char* end = nullptr;
  errno = 0;
  const double result = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(result))
    throw FFmpegException("'" + value + "' is not a valid floating point value");
  return result;
}

int64_t ParseTimeValue(const std::string& option, const std::string& value, bool is_date) {
  int64_t result = 0;
  if (FF().av_parse_time(&result, value.c_str(), is_date ? 0 : 1) < 0)
    throw FFmpegException(std::string("Invalid ") + (is_date ? "date" : "duration") +
                          " specification for " + option + ": " + value);
  return result;
}

AVRational ParseFrameRate(const std::string& value) {
  AVRational rate{0, 1};
  if (FF().av_parse_video_rate(&rate, value.c_str()) < 0 || rate.num <= 0 || rate.den <= 0)
    throw FFmpegException("Incorrect frame rate");
  return rate;
}

void ParseFrameSize(const std::string& value, int& width, int& height) {
  int w = 0, h = 0;
  if (FF().av_parse_video_size(&w, &h, value.c_str()) < 0 || w <= 0 || h <= 0)
    throw FFmpegException("Incorrect frame size");
  width = w;
  height = h;
}

double ParseAspect(const std::string& value) {
  double aspect = 0;
  const auto colon = value.find(':');
  if (colon != std::string::npos) {
    const double num = std::strtod(value.substr(0, colon).c_str(), nullptr);
    const double den = std::strtod(value.substr(colon + 1).c_str(), nullptr);
    if (den != 0) aspect = num / den;
  } else {
    aspect = std::strtod(value.c_str(), nullptr);
  }
  if (!std::isfinite(aspect) || aspect <= 0)
    throw FFmpegException("Incorrect aspect ratio specification.");
  return aspect;
}

uint32_t ParseCodecTag(const std::string& value) {
  if (value.empty()) throw FFmpegException("Invalid tag parmeter " + value);
  char* end = nullptr;
  errno = 0;
  const long long number = std::strtoll(value.c_str(), &end, 0);
  if (*end == '\0') {
    if (errno == ERANGE || number < 0 || number > 0xFFFFFFFFLL)
      throw FFmpegException("Invalid tag parmeter " + value);
    return static_cast<uint32_t>(number);
  }
  if (value.size() != 4) throw FFmpegException("tag parameter must be 4 chars or int value");
  const auto* b = reinterpret_cast<const unsigned char*>(value.data());
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

}  // namespace tallowin::media
