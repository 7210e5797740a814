#include "media/engine/engine_filter.h"

#include <cstdio>

#include "media/runtime/ff_errors.h"
#include "media/runtime/ff_exception.h"
#include "media/runtime/ff_log.h"

namespace tallowin::media {
namespace {

struct InOutFree {
  void operator()(AVFilterInOut* p) const { FF().avfilter_inout_free(&p); }
};

std::string SourceArgs(const FilterSource& s) {
  char args[512];
  if (s.type == AVMEDIA_TYPE_VIDEO) {
    std::snprintf(args, sizeof args,
                  "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", s.width,
                  s.height, s.pix_fmt, s.time_base.num, s.time_base.den,
                  s.sample_aspect.num > 0 ? s.sample_aspect.num : 0,
                  s.sample_aspect.den > 0 ? s.sample_aspect.den : 1);
    std::string text = args;
    if (s.frame_rate.num > 0 && s.frame_rate.den > 0)
      text += ":frame_rate=" + std::to_string(s.frame_rate.num) + "/" +
              std::to_string(s.frame_rate.den);
    return text;
  }
  std::snprintf(args, sizeof args, "time_base=%d/%d:sample_rate=%d:sample_fmt=%s", s.time_base.num,
                s.time_base.den, s.sample_rate,
                FF().av_get_sample_fmt_name(static_cast<AVSampleFormat>(s.sample_fmt)));
  std::string text = args;
  if (s.channel_mask) {
    std::snprintf(args, sizeof args, ":channel_layout=0x%llx",
                  static_cast<unsigned long long>(s.channel_mask));
    text += args;
  } else {
    text += ":channels=" + std::to_string(s.channels);
  }
  return text;
}

}  // namespace

FilterSource FilterSource::FromFrame(AVMediaType type, const AVFrame* f, AVRational time_base,
                                     AVRational frame_rate) {
  FilterSource s;
  s.type = type;
  s.time_base = time_base;
  if (type == AVMEDIA_TYPE_VIDEO) {
    s.width = f->width;
    s.height = f->height;
    s.pix_fmt = f->format;
    s.sample_aspect = f->sample_aspect_ratio;
    s.frame_rate = frame_rate;
  } else {
    s.sample_rate = f->sample_rate;
    s.sample_fmt = f->format;
    s.channels = f->ch_layout.nb_channels;
    if (f->ch_layout.order == AV_CHANNEL_ORDER_NATIVE) {
      s.channel_mask = f->ch_layout.u.mask;
    } else {
      AVChannelLayout layout{};
      FF().av_channel_layout_default(&layout, s.channels);
      s.channel_mask = layout.order == AV_CHANNEL_ORDER_NATIVE ? layout.u.mask : 0;
      FF().av_channel_layout_uninit(&layout);
    }
  }
  return s;
}

bool FilterSource::SameFormat(const FilterSource& o) const {
  if (type == AVMEDIA_TYPE_VIDEO)
    return width == o.width && height == o.height && pix_fmt == o.pix_fmt;
  return sample_rate == o.sample_rate && sample_fmt == o.sample_fmt &&
         channel_mask == o.channel_mask && channels == o.channels;
}

void StreamFilter::Configure(const FilterSource& source, const std::string& chain,
                             const std::string& sws_flags, const void* log_sender) {
  graph_.reset();
  src_ = sink_ = nullptr;
  source_ = source;
  const bool video = source.type == AVMEDIA_TYPE_VIDEO;
  auto fail = [&](const std::string& what, int code) {
    FFLog(log_sender, llError, what + ": " + ErrorCodeText(code));
    graph_.reset();
    src_ = sink_ = nullptr;
    throw FFmpegException("Error opening filters!");
  };
  FilterGraphPtr graph(FF().avfilter_graph_alloc());
  if (!graph) fail("filter graph", AVERROR(ENOMEM));
  if (video && !sws_flags.empty())
    graph->scale_sws_opts = FF().av_strdup(("flags=" + sws_flags).c_str());
  AVFilterContext* src = nullptr;
  AVFilterContext* sink = nullptr;
  const std::string args = SourceArgs(source);
  int r = FF().avfilter_graph_create_filter(&src,
                                            FF().avfilter_get_by_name(video ? "buffer" : "abuffer"),
                                            "in", args.c_str(), nullptr, graph.get());
  if (r < 0) fail("filter source " + args, r);
  r = FF().avfilter_graph_create_filter(
      &sink, FF().avfilter_get_by_name(video ? "buffersink" : "abuffersink"), "out", nullptr,
      nullptr, graph.get());
  if (r < 0) fail("filter sink", r);
  const std::string text = chain.empty() ? (video ? "null" : "anull") : chain;
  std::unique_ptr<AVFilterInOut, InOutFree> outputs(FF().avfilter_inout_alloc());
  std::unique_ptr<AVFilterInOut, InOutFree> inputs(FF().avfilter_inout_alloc());
  if (!outputs || !inputs) fail("filter graph", AVERROR(ENOMEM));
  outputs->name = FF().av_strdup("in");
  outputs->filter_ctx = src;
  inputs->name = FF().av_strdup("out");
  inputs->filter_ctx = sink;
  AVFilterInOut* in_raw = inputs.release();
  AVFilterInOut* out_raw = outputs.release();
  r = FF().avfilter_graph_parse_ptr(graph.get(), text.c_str(), &in_raw, &out_raw, nullptr);
  FF().avfilter_inout_free(&in_raw);
  FF().avfilter_inout_free(&out_raw);
  if (r < 0) fail("filter chain \"" + text + "\"", r);
  r = FF().avfilter_graph_config(graph.get(), nullptr);
  if (r < 0) fail("filter chain \"" + text + "\"", r);
  graph_ = std::move(graph);
  src_ = src;
  sink_ = sink;
}

int StreamFilter::Push(AVFrame* frame) {
  if (!src_) return AVERROR(EINVAL);
  return FF().av_buffersrc_add_frame_flags(src_, frame,
                                           AV_BUFFERSRC_FLAG_KEEP_REF | AV_BUFFERSRC_FLAG_PUSH);
}

int StreamFilter::Close(int64_t pts) {
  if (!src_) return AVERROR(EINVAL);
  if (pts == AV_NOPTS_VALUE) return Push(nullptr);
  return FF().av_buffersrc_close(src_, pts, AV_BUFFERSRC_FLAG_PUSH);
}

int StreamFilter::Pull(AVFrame* frame) {
  if (!sink_) return AVERROR_EOF;
  return FF().av_buffersink_get_frame_flags(sink_, frame, 0);
}

}  // namespace tallowin::media
