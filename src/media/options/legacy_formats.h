// The old tool's fallbacks when an encoder or a container lacks what was asked for: the closest
// supported sample rate, sample format and pixel format, and the first encoder a container
// accepts when its default encoder is missing.
#pragma once

#include <string>
#include <vector>

extern "C" {
#include <libavutil/pixfmt.h>
}

#include "media/options/pending_options.h"

struct AVCodec;
struct AVOutputFormat;

namespace tallowin::media {

// The supported rate nearest to `rate` (`rate` itself when the encoder takes any rate).
int ClosestSampleRate(const AVCodec* codec, int rate);
// `name` when the encoder takes it, else its planar or packed twin, else the encoder's first.
std::string ClosestSampleFormat(const AVCodec* codec, const std::string& name);
// `name` when the encoder takes it, else the supported format that loses the least.
std::string ClosestPixelFormat(const AVCodec* codec, const std::string& name);

// The pixel formats the encoder takes without a lowered compliance level: MJPEG's limited-range
// formats need "-strict unofficial", so only its full-range ones count.
std::vector<AVPixelFormat> UsablePixelFormats(const AVCodec* codec);

// The first available encoder of `kind` that `format` accepts, or null.
const AVCodec* FirstAcceptedEncoder(const AVOutputFormat* format, StreamKind kind);

}  // namespace tallowin::media
