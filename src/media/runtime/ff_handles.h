// Owning handles for the FFmpeg objects that the engine holds.
#pragma once

#include <memory>

#include "media/runtime/ff_api.h"

namespace tallowin::media {

struct InputContextFree {
  void operator()(AVFormatContext* c) const { FF().avformat_close_input(&c); }
};
// An output context owns its file: closing it closes the file first.
struct OutputContextFree {
  void operator()(AVFormatContext* c) const {
    if (c->pb && !(c->oformat->flags & AVFMT_NOFILE)) FF().avio_closep(&c->pb);
    FF().avformat_free_context(c);
  }
};
struct CodecContextFree {
  void operator()(AVCodecContext* c) const { FF().avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { FF().av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { FF().av_packet_free(&p); }
};
struct FilterGraphFree {
  void operator()(AVFilterGraph* g) const { FF().avfilter_graph_free(&g); }
};
struct DictionaryFree {
  void operator()(AVDictionary* d) const { FF().av_dict_free(&d); }
};

using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextFree>;
using OutputContextPtr = std::unique_ptr<AVFormatContext, OutputContextFree>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphFree>;

// A dictionary handed to a library call that takes AVDictionary** and leaves unused entries.
class Dictionary {
 public:
  Dictionary() = default;
  explicit Dictionary(AVDictionary* d) : dict_(d) {}
  ~Dictionary() { FF().av_dict_free(&dict_); }
  Dictionary(const Dictionary&) = delete;
  Dictionary& operator=(const Dictionary&) = delete;
  AVDictionary** operator&() { return &dict_; }
  AVDictionary* get() const { return dict_; }

 private:
  AVDictionary* dict_ = nullptr;
};

}  // namespace tallowin::media
