// Value forms of the engine's options: Boolean, integer, floating, duration, date, frame rate,
// frame size, aspect ratio and codec tag. Each parser raises FFmpegException with the option's
// own text when the value is malformed.
#pragma once

#include <cstdint>
#include <string>

extern "C" {
#include <libavutil/rational.h>
}

namespace tallowin::media {

// On for any value but "0".
bool ParseBoolValue(const std::string& value);

// A whole decimal integer (optional sign, surrounding blanks allowed); otherwise the conversion
// error "'%s' is not a valid integer value".
int64_t ParseIntValue(const std::string& value);
// A decimal number; otherwise "'%s' is not a valid floating point value".
double ParseFloatValue(const std::string& value);

// A duration ([-][HH:]MM:SS[.m...] or [-]S+[.m...]) in microseconds, or a date when `is_date`;
// otherwise "Invalid duration specification for %s: %s" / "Invalid date ...".
int64_t ParseTimeValue(const std::string& option, const std::string& value, bool is_date);

// Frame rate as number, fraction or abbreviation ("ntsc", "pal", ...): "Incorrect frame rate".
AVRational ParseFrameRate(const std::string& value);
// Frame size WxH or abbreviation ("vga", "cif", ...): "Incorrect frame size".
void ParseFrameSize(const std::string& value, int& width, int& height);
// N:D (a zero denominator gives 0) or a decimal number; 0: "Incorrect aspect ratio specification."
double ParseAspect(const std::string& value);
// Four characters or an integer: "tag parameter must be 4 chars or int value" and
// "Invalid tag parmeter %s".
uint32_t ParseCodecTag(const std::string& value);

}  // namespace tallowin::media
