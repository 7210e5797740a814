// The bitstream filters of one output stream (vbsf, absf, sbsf): the filters given for the stream's
// kind, chained in the order given, between the stream's packets (copied or encoded) and the
// muxer.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "media/runtime/ff_api.h"

namespace tallowin::media {

class BitstreamFilterChain {
 public:
  BitstreamFilterChain() = default;

  // Builds the chain over the stream's parameters and time base. `filters` are descriptions in
  // the library's list syntax ("name" or "name=option=value"), applied in order. An empty list
  // leaves the chain inactive. Returns the library's error code (0 on success).
  int Init(const std::vector<std::string>& filters, const AVCodecParameters* par,
           AVRational time_base);

  bool active() const { return ctx_ != nullptr; }
  // What the last filter gives out; valid once Init succeeded.
  const AVCodecParameters* output_parameters() const { return ctx_->par_out; }
  AVRational input_time_base() const { return ctx_->time_base_in; }
  AVRational output_time_base() const { return ctx_->time_base_out; }

  // Hands one packet to the chain (its reference moves into the chain on success), or the end of
  // the stream when `pkt` is null; the end is given once, later calls do nothing.
  int Send(AVPacket* pkt);
  // The next packet out of the chain: 0, AVERROR(EAGAIN) when the chain wants more input,
  // AVERROR_EOF once everything after the end has come out.
  int Receive(AVPacket* pkt);
  bool ended() const { return ended_; }

 private:
  struct Free {
    void operator()(AVBSFContext* c) const { FF().av_bsf_free(&c); }
  };
  std::unique_ptr<AVBSFContext, Free> ctx_;
  bool ended_ = false;
};

}  // namespace tallowin::media
