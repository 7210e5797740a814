// The filter graph of one output stream: buffer source -> filter chain -> buffer sink. Video
// chains do the user's filters, frame-rate conversion, scaling and pixel-format conversion; audio
// chains do volume, resampling with synchronisation (swresample) and sample-format conversion.
#pragma once

#include <string>

#include "media/runtime/ff_handles.h"

namespace tallowin::media {

// What the frames entering the graph look like.
struct FilterSource {
  AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
  AVRational time_base{1, 1};
  // video
  int width = 0, height = 0, pix_fmt = -1;
  AVRational sample_aspect{0, 1}, frame_rate{0, 1};
  // audio
  int sample_rate = 0, sample_fmt = -1;
  uint64_t channel_mask = 0;
  int channels = 0;

  static FilterSource FromFrame(AVMediaType type, const AVFrame* frame, AVRational time_base,
                                AVRational frame_rate);
  bool SameFormat(const FilterSource& other) const;
};

class StreamFilter {
 public:
  // Builds and configures the graph; raises FFmpegException("Error opening filters!") with the
  // library's reason logged when the chain cannot be built.
  void Configure(const FilterSource& source, const std::string& chain, const std::string& sws_flags,
                 const void* log_sender);

  // Hands a frame to the graph (null: end of stream). Negative on error.
  int Push(AVFrame* frame);
  // Ends the stream at `pts` (source time base), so that the last frame keeps its duration.
  int Close(int64_t pts);
  // Takes the next frame out of the graph: 0, AVERROR(EAGAIN) or AVERROR_EOF.
  int Pull(AVFrame* frame);

  bool configured() const { return graph_ != nullptr; }
  const FilterSource& source() const { return source_; }
  AVFilterContext* sink() const { return sink_; }

 private:
  FilterSource source_;
  FilterGraphPtr graph_;
  AVFilterContext* src_ = nullptr;
  AVFilterContext* sink_ = nullptr;
};

}  // namespace tallowin::media
