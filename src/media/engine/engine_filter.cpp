// The filter stage: the graph of one output stream (StreamFilter), the chain that ends in the
// encoder's formats, and each decoded frame through the graph to the encoder.
#include "media/engine/engine_filter.h"

#include <cstdio>

#include "media/engine/engine_state.h"
#include "media/options/legacy_formats.h"
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

std::string ChannelLayoutText(const AVChannelLayout& layout) {
  char text[128] = {};
  FF().av_channel_layout_describe(&layout, text, sizeof text);
  return text;
}

template <class T, class F>
std::string JoinList(const T* list, T end, F to_text) {
  std::string text;
  for (; list && *list != end; ++list) text += (text.empty() ? "" : "|") + to_text(*list);
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

std::string TCustomFFmpeg::Impl::FilterChain(const OutputStream& ost,
                                             const FilterSource& source) const {
  const PendingOptions& o = ost.settings;
  std::vector<std::string> parts;
  if (ost.kind == kVideo) {
    if (!o.video_filters.empty()) parts.push_back(o.video_filters);
    if (ost.encoder.cfr)
      parts.push_back("fps=" + std::to_string(ost.encoder.frame_rate.num) + "/" +
                      std::to_string(ost.encoder.frame_rate.den));
    if (ost.encoder.context) {
      parts.push_back("scale=" + std::to_string(ost.encoder.context->width) + ":" +
                      std::to_string(ost.encoder.context->height));
      parts.push_back(std::string("format=") +
                      FF().av_get_pix_fmt_name(ost.encoder.context->pix_fmt));
    } else {
      if (o.width > 0)
        parts.push_back("scale=" + std::to_string(o.width) + ":" + std::to_string(o.height));
      std::string formats = o.pix_fmt;
      if (formats.empty())
        for (const AVPixelFormat f : UsablePixelFormats(ost.codec))
          formats += (formats.empty() ? "" : "|") + std::string(FF().av_get_pix_fmt_name(f));
      if (!formats.empty()) parts.push_back("format=" + formats);
    }
  } else {
    if (o.volume != 256) {
      char text[64];
      std::snprintf(text, sizeof text, "volume=%.6f", o.volume / 256.0);
      parts.push_back(text);
    }
    const int async = parser.global().audio_sync;
    if (async > 0) parts.push_back("aresample=async=" + std::to_string(async) + ":first_pts=0");
    std::string fmts, rates, layouts;
    if (ost.encoder.context) {
      fmts = FF().av_get_sample_fmt_name(ost.encoder.context->sample_fmt);
      rates = std::to_string(ost.encoder.context->sample_rate);
      layouts = ChannelLayoutText(ost.encoder.context->ch_layout);
    } else {
      fmts = !o.sample_fmt.empty()
                 ? o.sample_fmt
                 : JoinList<AVSampleFormat>(ost.codec->sample_fmts, AV_SAMPLE_FMT_NONE,
                                            [](AVSampleFormat f) {
                                              return std::string(FF().av_get_sample_fmt_name(f));
                                            });
      rates = o.sample_rate > 0 ? std::to_string(o.sample_rate)
                                : JoinList<int>(ost.codec->supported_samplerates, 0,
                                                [](int r) { return std::to_string(r); });
      if (o.channels > 0) {
        AVChannelLayout layout{};
        FF().av_channel_layout_default(&layout, o.channels);
        layouts = ChannelLayoutText(layout);
        FF().av_channel_layout_uninit(&layout);
      } else if (ost.codec->ch_layouts) {
        bool has_source = false;
        for (const AVChannelLayout* l = ost.codec->ch_layouts; l->nb_channels; ++l)
          has_source |= l->order == AV_CHANNEL_ORDER_NATIVE && l->u.mask == source.channel_mask;
        if (!has_source)
          for (const AVChannelLayout* l = ost.codec->ch_layouts; l->nb_channels; ++l)
            layouts += (layouts.empty() ? "" : "|") + ChannelLayoutText(*l);
      }
    }
    std::string aformat;
    if (!fmts.empty()) aformat += "sample_fmts=" + fmts;
    if (!rates.empty()) aformat += (aformat.empty() ? "" : ":") + ("sample_rates=" + rates);
    if (!layouts.empty()) aformat += (aformat.empty() ? "" : ":") + ("channel_layouts=" + layouts);
    if (!aformat.empty()) parts.push_back("aformat=" + aformat);
  }
  std::string chain;
  for (const auto& p : parts) chain += (chain.empty() ? "" : ",") + p;
  return chain;
}

void TCustomFFmpeg::Impl::ConfigureFilter(OutputStream& ost, const FilterSource& source,
                                          const std::string& chain) {
  ost.filter.Configure(source, chain, ost.options.ScalerFlags(), &owner);
  SetFilterFrameSize(ost);
}

void TCustomFFmpeg::Impl::SetFilterFrameSize(OutputStream& ost) {
  // An audio encoder without variable frame sizes takes frames of exactly its frame size.
  if (ost.kind == kAudio && ost.encoder.context && ost.encoder.context->frame_size > 0 &&
      !(ost.codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE))
    FF().av_buffersink_set_frame_size(ost.filter.sink(), ost.encoder.context->frame_size);
}

void TCustomFFmpeg::Impl::FilterFrame(OutputStream& ost, AVFrame* frame, const InputStream& ist) {
  // The frame may feed several output streams: its time stamp is restored on every way out.
  struct RestorePts {
    AVFrame* frame;
    int64_t pts;
    ~RestorePts() { frame->pts = pts; }
  } restore{frame, frame->pts};
  const InputFile& ifile = inputs[ost.source_file];
  const PendingOptions& o = outputs[ost.file].settings;
  AVRational tb = ist.st->time_base;
  if (ost.kind == kAudio) {
    // Audio is filtered in samples: its time base is the sample rate.
    const AVRational audio_tb{1, frame->sample_rate};
    if (frame->pts != AV_NOPTS_VALUE) frame->pts = FF().av_rescale_q(frame->pts, tb, audio_tb);
    tb = audio_tb;
  }
  if (frame->pts != AV_NOPTS_VALUE) {
    // An output's ss drops what comes before it and starts the output there.
    const int64_t output_start = o.start_time != AV_NOPTS_VALUE ? o.start_time : 0;
    frame->pts -= FF().av_rescale_q(output_start, AV_TIME_BASE_Q, tb);
    const int64_t pts_us = FF().av_rescale_q(frame->pts, tb, AV_TIME_BASE_Q);
    if ((ifile.start_time != AV_NOPTS_VALUE || output_start > 0) && pts_us < 0) return;
    if (o.recording_time != AV_NOPTS_VALUE && pts_us >= o.recording_time) {
      // What the graph still holds belongs before the end.
      if (ost.filter.configured()) {
        ost.filter.Close(ost.source_end);
        DrainFilter(ost);
      }
      FinishStream(ost);
      return;
    }
  }
  const FilterSource source =
      FilterSource::FromFrame(ost.kind == kVideo ? AVMEDIA_TYPE_VIDEO : AVMEDIA_TYPE_AUDIO, frame,
                              tb, ost.filter.source().frame_rate);
  if (!ost.filter.configured() || !source.SameFormat(ost.filter.source())) {
    // The input changed its format: finish what the old graph holds, then build a new one
    // that still ends in the encoder's format.
    if (ost.filter.configured()) {
      ost.filter.Close(ost.source_end);
      DrainFilter(ost);
    }
    ConfigureFilter(ost, source, ost.filter_chain);
  }
  ++ost.frames_in;
  if (frame->pts != AV_NOPTS_VALUE) {
    const int64_t length = ost.kind == kAudio ? frame->nb_samples : frame->pkt_duration;
    ost.source_end = frame->pts + std::max<int64_t>(length, 0);
  }
  if (ost.filter.Push(frame) < 0) throw FFmpegException("Error while filtering");
  DrainFilter(ost);
}

void TCustomFFmpeg::Impl::DrainFilter(OutputStream& ost) {
  for (;;) {
    const int r = ost.filter.Pull(filtered.get());
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return;
    if (r < 0) throw FFmpegException("Error while filtering");
    ++ost.frames_out;
    if (!ost.finished) {
      filtered->pts = filtered->pts == AV_NOPTS_VALUE
                          ? AV_NOPTS_VALUE
                          : FF().av_rescale_q(filtered->pts,
                                              FF().av_buffersink_get_time_base(ost.filter.sink()),
                                              ost.encoder.context->time_base);
      EncodeFrame(ost, filtered.get());
    }
    FF().av_frame_unref(filtered.get());
  }
}

}  // namespace tallowin::media
