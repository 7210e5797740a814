// The bitstream filter chain and its place in the engine: built before the output header is
// written (the stream takes the parameters the filters give out), fed with every packet on its way
// to the muxer, and drained at the end so that packets the filters hold back are not lost.
#include "media/engine/engine_bsf.h"

#include "media/engine/engine_state.h"
#include "media/runtime/ff_errors.h"
#include "media/runtime/ff_exception.h"

namespace tallowin::media {
namespace {

std::string JoinFilters(const std::vector<std::string>& filters) {
  std::string text;
  for (const auto& f : filters) text += (text.empty() ? "" : ",") + f;
  return text;
}

}  // namespace

int BitstreamFilterChain::Init(const std::vector<std::string>& filters,
                               const AVCodecParameters* par, AVRational time_base) {
  ctx_.reset();
  ended_ = false;
  if (filters.empty()) return 0;
  AVBSFContext* raw = nullptr;
  int r = FF().av_bsf_list_parse_str(JoinFilters(filters).c_str(), &raw);
  if (r < 0) return r;
  std::unique_ptr<AVBSFContext, Free> ctx(raw);
  r = FF().avcodec_parameters_copy(ctx->par_in, par);
  if (r < 0) return r;
  ctx->time_base_in = time_base;
  r = FF().av_bsf_init(ctx.get());
  if (r < 0) return r;
  ctx_ = std::move(ctx);
  return 0;
}

int BitstreamFilterChain::Send(AVPacket* pkt) {
  if (!pkt) {
    if (ended_) return 0;
    ended_ = true;
  }
  return FF().av_bsf_send_packet(ctx_.get(), pkt);
}

int BitstreamFilterChain::Receive(AVPacket* pkt) {
  return FF().av_bsf_receive_packet(ctx_.get(), pkt);
}

void TCustomFFmpeg::Impl::OpenBitstreamFilters(OutputStream& ost) {
  const std::vector<std::string>& filters = ost.settings.bitstream_filters[ost.kind];
  if (filters.empty()) return;
  const int r = ost.muxer.bsf.Init(filters, ost.st->codecpar, ost.st->time_base);
  if (r < 0)
    throw FFmpegException("Error initializing bitstream filter " + JoinFilters(filters) +
                          " for output stream #" + std::to_string(ost.file) + "." +
                          std::to_string(ost.st->index) + ": " + ErrorCodeText(r));
  // The muxer must see what the filters give out (say, the AudioSpecificConfig that
  // aac_adtstoasc builds, or the Annex B start codes of h264_mp4toannexb).
  if (FF().avcodec_parameters_copy(ost.st->codecpar, ost.muxer.bsf.output_parameters()) < 0)
    throw FFmpegException("Out of memory");
  ost.st->time_base = ost.muxer.bsf.output_time_base();
}

void TCustomFFmpeg::Impl::WritePacket(OutputStream& ost, AVPacket* pkt, AVRational source_tb) {
  if (!ost.muxer.bsf.active()) {
    MuxPacket(ost, pkt, source_tb);
    return;
  }
  FF().av_packet_rescale_ts(pkt, source_tb, ost.muxer.bsf.input_time_base());
  FilterPackets(ost, pkt);
}

void TCustomFFmpeg::Impl::FilterPackets(OutputStream& ost, AVPacket* pkt) {
  auto failed = [&](int code) {
    const std::string text = JoinFilters(ost.settings.bitstream_filters[ost.kind]) +
                             " failed for stream " + std::to_string(ost.st->index) + ", codec " +
                             (ost.copy ? "copy" : ost.codec->name) + ": " + ErrorCodeText(code);
    if (parser.global().exit_on_error) throw FFmpegException(text);
    Log(llWarning, text);
  };
  int r = ost.muxer.bsf.Send(pkt);
  if (r < 0) {
    // The packet is dropped; what the chain already holds still comes out.
    failed(r);
    if (pkt) FF().av_packet_unref(pkt);
  }
  PacketPtr out(FF().av_packet_alloc());
  if (!out) throw FFmpegException("Out of memory");
  while ((r = ost.muxer.bsf.Receive(out.get())) >= 0) {
    MuxPacket(ost, out.get(), ost.muxer.bsf.output_time_base());
    FF().av_packet_unref(out.get());
  }
  if (r != AVERROR(EAGAIN) && r != AVERROR_EOF) failed(r);
}

void TCustomFFmpeg::Impl::FlushBitstreamFilters(OutputFile& file) {
  // A file that reached its size limit takes nothing more.
  const int64_t limit = file.settings.limit_filesize;
  if (limit > 0 && file.ctx->pb && FF().avio_seek(file.ctx->pb, 0, SEEK_CUR) >= limit) return;
  for (int index : file.streams) {
    OutputStream& ost = ostreams[index];
    if (ost.muxer.bsf.active() && !ost.muxer.bsf.ended()) FilterPackets(ost, nullptr);
  }
}

}  // namespace tallowin::media
