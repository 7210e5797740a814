// How the encoder turns its option records into engine options: the names and values, in the
// order in which they are handed to the engine before a file is opened, and the extra output
// streams that are added after an output has been opened.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "media/components/encoder_records.h"

namespace tallowin::media {

// One engine option (name and value as the option parser takes them).
struct TEngineOption {
  std::string Name;
  std::string Value;
  bool operator==(const TEngineOption&) const = default;
};

// The options of an output: everything applied before the file is opened, and what builds its
// extra streams afterwards.
struct TOutputOptionPlan {
  // The target ("vcd", "svcd", "dvd", with a "pal-" or "ntsc-" prefix when the norm is fixed);
  // empty without a target. It is the first entry of Before when set.
  std::string Target;
  // The norm a target falls back to when it is detected and none is found: "pal" or "ntsc".
  std::string TargetFallbackNorm;
  std::vector<TEngineOption> Before;
  std::vector<TEngineOption> ExtraStreams;
};

// One line of an ExtOptions text.
struct TExtOption {
  std::string Name;  // lower-case
  std::string Value;
};

// Reads an ExtOptions text: trimmed, line breaks (CR LF, CR, LF and the text "<CRLF>") separate
// the lines; each line is a name (before the first "=", lower-cased) and a value (the rest,
// possibly empty). Empty lines give nothing; a line without "=" is a name with an empty value.
std::vector<TExtOption> ParseExtOptions(std::string_view text);

// The ExtOptions lines of an input (input = true) or an output that go to the option parser:
// stream creation, presets and filters are never passed on this way; codec and frame size lines
// only for inputs.
std::vector<TEngineOption> ExtOptionsFor(const std::string& ext_options, bool input);

// An input's options: its ExtOptions, then f, ss and programid when set.
std::vector<TEngineOption> InputOptionList(const TInputOptions& options);

// An output's options: codec and preset options (from the record and the ExtOptions), the
// ExtOptions, the record's fields in table order, then s and vf; and the extra streams.
// Raises std::invalid_argument("Invalid BitsPixel %d") for a VideoHookBitsPixel that is not 8,
// 15, 16, 24 or 32.
TOutputOptionPlan BuildOutputOptions(const TOutputOptions& options);

// "S.ffffff": microseconds as the seconds that the engine's time options read.
std::string MicrosecondsText(int64_t us);

// A TStreamInfo::Timestamp (local days since 1899-12-30, > 0) as seconds since 1970 UTC.
int64_t TimestampToUnixSeconds(double days);

}  // namespace tallowin::media
