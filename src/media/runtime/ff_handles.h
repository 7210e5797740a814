// Owning handles for the FFmpeg objects that the engine and the components hold.
#pragma once

#include <memory>

#include "media/runtime/ff_api.h"

namespace tallowin::media {

// Each deleter does nothing for a null handle or when the libraries are no longer loaded (the
// process may outlive them); otherwise it frees the object through the loaded table.
struct InputContextFree {
  void operator()(AVFormatContext* c) const {
    if (c && FF().avformat_close_input) FF().avformat_close_input(&c);
  }
};
// An output context owns its file: closing it closes the file first.
struct OutputContextFree {
  void operator()(AVFormatContext* c) const {
    if (!c || !FF().avformat_free_context) return;
    if (c->pb && !(c->oformat->flags & AVFMT_NOFILE)) FF().avio_closep(&c->pb);
    FF().avformat_free_context(c);
  }
};
struct CodecContextFree {
  void operator()(AVCodecContext* c) const {
    if (c && FF().avcodec_free_context) FF().avcodec_free_context(&c);
  }
};
struct FrameFree {
  void operator()(AVFrame* f) const {
    if (f && FF().av_frame_free) FF().av_frame_free(&f);
  }
};
struct PacketFree {
  void operator()(AVPacket* p) const {
    if (p && FF().av_packet_free) FF().av_packet_free(&p);
  }
};
struct FilterGraphFree {
  void operator()(AVFilterGraph* g) const {
    if (g && FF().avfilter_graph_free) FF().avfilter_graph_free(&g);
  }
};
struct SwsFree {
  void operator()(SwsContext* c) const {
    if (c && FF().sws_freeContext) FF().sws_freeContext(c);
  }
};

using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextFree>;
using OutputContextPtr = std::unique_ptr<AVFormatContext, OutputContextFree>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphFree>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsFree>;

// A dictionary handed to a library call that takes AVDictionary** and leaves unused entries.
class Dictionary {
 public:
  Dictionary() = default;
  explicit Dictionary(AVDictionary* d) : dict_(d) {}
  ~Dictionary() {
    if (dict_ && FF().av_dict_free) FF().av_dict_free(&dict_);
  }
  Dictionary(const Dictionary&) = delete;
  Dictionary& operator=(const Dictionary&) = delete;
  AVDictionary** operator&() { return &dict_; }
  AVDictionary* get() const { return dict_; }

 private:
  AVDictionary* dict_ = nullptr;
};

}  // namespace tallowin::media
