// The decode stage: opening an input stream's decoder, decoding its packets into frames that keep
// a continuous time line, handing them to the hooks and the filters, and flushing at the input's
// end.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "media/engine/engine_state.h"
#include "media/runtime/ff_exception.h"
#include "media/runtime/text_format.h"

namespace tallowin::media {

void TCustomFFmpeg::Impl::OpenDecoder(int file, int stream) {
  InputStream& ist = inputs[file].streams[stream];
  if (ist.dec) return;
  const AVCodecParameters* par = ist.st->codecpar;
  const std::string type = MediaTypeName(par->codec_type);
  const AVCodec* codec = FF().avcodec_find_decoder(par->codec_id);
  if (!codec)
    throw FFmpegException(FormatText("Decoder (codec id %d) not found for input stream #%d.%d (%s)",
                                     par->codec_id, file, stream, type.c_str()));
  CodecContextPtr dec(FF().avcodec_alloc_context3(codec));
  if (!dec || FF().avcodec_parameters_to_context(dec.get(), par) < 0)
    throw FFmpegException(FormatText("Error while opening decoder for input stream #%d.%d (%s)",
                                     file, stream, type.c_str()));
  dec->pkt_timebase = ist.st->time_base;
  Dictionary opts(parser.generic().CodecOptions(
      par->codec_type == AVMEDIA_TYPE_VIDEO ? kVideo : kAudio, codec, false));
  if (!FF().av_dict_get(opts.get(), "threads", nullptr, 0)) {
    const int threads = parser.global().threads;
    FF().av_dict_set(&opts, "threads", threads > 0 ? std::to_string(threads).c_str() : "auto", 0);
  }
  if (FF().avcodec_open2(dec.get(), codec, &opts) < 0)
    throw FFmpegException(FormatText("Error while opening decoder for input stream #%d.%d (%s)",
                                     file, stream, type.c_str()));
  ist.dec = std::move(dec);
}

FilterSource TCustomFFmpeg::Impl::DecoderSource(const OutputStream& ost,
                                                const InputStream& ist) const {
  // What the decoder gives: the picture or sample format that the filter graph starts from.
  const AVCodecContext* dec = ist.dec.get();
  FilterSource source;
  source.type = MediaType(ost.kind);
  source.time_base = ist.st->time_base;
  if (ost.kind == kVideo) {
    if (dec->pix_fmt == AV_PIX_FMT_NONE || dec->width <= 0 || dec->height <= 0)
      throw FFmpegException("Video pixel format is unknown, stream cannot be encoded");
    source.width = dec->width;
    source.height = dec->height;
    source.pix_fmt = dec->pix_fmt;
    source.sample_aspect = dec->sample_aspect_ratio;
    source.frame_rate =
        FF().av_guess_frame_rate(inputs[ost.source_file].ctx.get(), ist.st, nullptr);
    return source;
  }
  if (dec->sample_fmt == AV_SAMPLE_FMT_NONE || dec->sample_rate <= 0 ||
      dec->ch_layout.nb_channels <= 0)
    throw FFmpegException("Cannot get resampling context");
  source.sample_rate = dec->sample_rate;
  source.sample_fmt = dec->sample_fmt;
  source.channels = dec->ch_layout.nb_channels;
  source.time_base = AVRational{1, dec->sample_rate};
  AVFrame probe{};
  probe.ch_layout = dec->ch_layout;
  probe.sample_rate = dec->sample_rate;
  probe.format = dec->sample_fmt;
  return FilterSource::FromFrame(AVMEDIA_TYPE_AUDIO, &probe, source.time_base, {0, 1});
}

void TCustomFFmpeg::Impl::DecodePacket(int file, int stream, AVPacket* pkt) {
  InputStream& ist = inputs[file].streams[stream];
  AVCodecContext* dec = ist.dec.get();
  auto decode_error = [&] {
    const std::string text =
        "Error while decoding stream #" + std::to_string(file) + "." + std::to_string(stream) +
        " (" + KindName(ist.st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO ? kVideo : kAudio) + ")";
    if (parser.global().exit_on_error) throw FFmpegException(text);
    Log(llVerbose, text);
  };
  int r = FF().avcodec_send_packet(dec, pkt);
  if (r < 0 && r != AVERROR_EOF && r != AVERROR(EAGAIN)) {
    decode_error();
    return;
  }
  for (;;) {
    r = FF().avcodec_receive_frame(dec, decoded.get());
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) break;
    if (r < 0) {
      decode_error();
      break;
    }
    decoded->pts = decoded->best_effort_timestamp;
    KeepFramesContinuous(ist, decoded.get());
    if (ist.st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
      const int64_t pts_us =
          decoded->pts == AV_NOPTS_VALUE
              ? AV_NOPTS_VALUE
              : FF().av_rescale_q(decoded->pts, ist.st->time_base, AV_TIME_BASE_Q);
      RunVideoHook(input_hook, owner.OnVideoInputHook, decoded.get(),
                   static_cast<int>(++ist.pictures_decoded), pts_us);
    } else if (ist.st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
      RunAudioHook(decoded.get(), ist.st->time_base);
    }
    for (int index : ist.outputs) {
      OutputStream& ost = ostreams[index];
      if (!ost.copy && !ost.finished) FilterFrame(ost, decoded.get(), ist);
    }
    FF().av_frame_unref(decoded.get());
  }
}

void TCustomFFmpeg::Impl::KeepFramesContinuous(InputStream& ist, AVFrame* frame) {
  // Decoded time stamps can jump where the packet rule did not see it (formats that do not flag
  // jumps, damaged streams). A jump past the threshold would make a constant-rate output fill
  // the gap with duplicated pictures, millions of them for a damaged stamp: the stream goes on
  // right after its previous frame instead.
  const GlobalOptions& g = parser.global();
  if (frame->pts == AV_NOPTS_VALUE || g.copy_ts) return;
  const AVRational tb = ist.st->time_base;
  int64_t pts_us = FF().av_rescale_q(frame->pts, tb, AV_TIME_BASE_Q) + ist.frame_shift_us;
  if (ist.last_frame_us != AV_NOPTS_VALUE) {
    const int64_t delta = pts_us - ist.last_frame_us;
    if (std::llabs(delta) > static_cast<int64_t>(g.dts_delta_threshold * AV_TIME_BASE)) {
      int64_t step = 1;
      const AVRational rate = ist.st->avg_frame_rate;
      if (frame->sample_rate > 0 && frame->nb_samples > 0)
        step =
            FF().av_rescale_q(frame->nb_samples, AVRational{1, frame->sample_rate}, AV_TIME_BASE_Q);
      else if (rate.num > 0 && rate.den > 0)
        step = FF().av_rescale_q(1, AVRational{rate.den, rate.num}, AV_TIME_BASE_Q);
      const int64_t target = ist.last_frame_us + std::max<int64_t>(step, 1);
      ist.frame_shift_us += target - pts_us;
      pts_us = target;
      char text[96];
      std::snprintf(text, sizeof text, "timestamp discontinuity %lld, new offset= %lld",
                    static_cast<long long>(delta), static_cast<long long>(ist.frame_shift_us));
      Log(llVerbose, text);
      frame->pts = FF().av_rescale_q(pts_us, AV_TIME_BASE_Q, tb);
    } else if (ist.frame_shift_us != 0) {
      frame->pts = FF().av_rescale_q(pts_us, AV_TIME_BASE_Q, tb);
    }
  }
  ist.last_frame_us = pts_us;
}

void TCustomFFmpeg::Impl::FlushInput(int file) {
  InputFile& ifile = inputs[file];
  if (stop_requested) return;
  for (size_t s = 0; s < ifile.streams.size(); ++s) {
    InputStream& ist = ifile.streams[s];
    if (!ist.decoding || ist.decoder_flushed) continue;
    ist.decoder_flushed = true;
    DecodePacket(file, static_cast<int>(s), nullptr);
    for (int index : ist.outputs) {
      OutputStream& ost = ostreams[index];
      if (ost.copy || ost.finished) continue;
      if (ost.filter.configured()) {
        ost.filter.Close(ost.source_end);
        DrainFilter(ost);
      }
      FinishStream(ost);
    }
  }
  for (auto& ost : ostreams)
    if (ost.source_file == file && ost.copy) ost.finished = true;
}

}  // namespace tallowin::media
