// Video encoder control by the options force_key_frames and rc_override: their value forms and how
// they reach the encoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "media/options/pending_options.h"

struct AVCodecContext;

namespace tallowin::media {

// Comma-separated durations (the forms of t and ss) -> µs, ascending. A malformed time fails with
// "Invalid duration specification for force_key_frames: %s" naming that time.
std::vector<int64_t> ParseForcedKeyFrames(const std::string& value);

// "start,end,q/start,end,q/...": q > 0 is a fixed quantiser, q <= 0 the quality factor -q/100.
// Anything else, a negative frame number or an end before its start fails with
// "error parsing rc_override".
std::vector<RateOverride> ParseRateOverride(const std::string& value);

// Whether the frame at `pts` (in `time_base`) must be a key frame: true for the first frame at or
// after the next forced time, which `next` then passes (with every other time it covers).
bool ForcedKeyFrameDue(const std::vector<int64_t>& times_us, size_t& next, int64_t pts,
                       AVRational time_base);

// Gives the encoder its override ranges, the quantisers on the rate control's lambda scale (a
// quantiser taken as it stands would mean a far finer one); the context owns and frees them.
// False when memory fails.
bool SetRateOverride(AVCodecContext* enc, const std::vector<RateOverride>& ranges);

}  // namespace tallowin::media
