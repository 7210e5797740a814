// The way of one packet: time stamps, stream copy or decode -> filter -> encode -> mux.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "media/engine/engine_state.h"
#include "media/options/video_control.h"
#include "media/runtime/ff_errors.h"
#include "media/runtime/ff_exception.h"

namespace tallowin::media {
void TCustomFFmpeg::Impl::ProcessPacket(int file, AVPacket* pkt) {
  InputFile& ifile = inputs[file];
  if (pkt->stream_index < 0 || pkt->stream_index >= static_cast<int>(ifile.streams.size())) return;
  InputStream& ist = ifile.streams[pkt->stream_index];
  if (!ist.used) return;
  AVStream* st = ist.st;
  const AVRational tb = st->time_base;
  const GlobalOptions& g = parser.global();

  // The discontinuity rule of formats whose time stamps may jump (MPEG-TS and the like).
  if (pkt->dts != AV_NOPTS_VALUE && ist.next_dts != AV_NOPTS_VALUE &&
      (ifile.ctx->iformat->flags & AVFMT_TS_DISCONT) && !g.copy_ts) {
    const int64_t dts_us = FF().av_rescale_q(pkt->dts, tb, AV_TIME_BASE_Q) + ifile.ts_offset;
    const int64_t delta = dts_us - ist.next_dts;
    if (std::llabs(delta) > static_cast<int64_t>(g.dts_delta_threshold * AV_TIME_BASE)) {
      ifile.ts_offset -= delta;
      char text[96];
      std::snprintf(text, sizeof text, "timestamp discontinuity %lld, new offset= %lld",
                    static_cast<long long>(delta), static_cast<long long>(-ifile.ts_offset));
      Log(llVerbose, text);
    }
  }
  const int64_t offset = FF().av_rescale_q(ifile.ts_offset, AV_TIME_BASE_Q, tb);
  if (pkt->pts != AV_NOPTS_VALUE) pkt->pts += offset;
  if (pkt->dts != AV_NOPTS_VALUE) pkt->dts += offset;
  const auto scale = ifile.ts_scale.find(pkt->stream_index);
  if (scale != ifile.ts_scale.end()) {
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts = static_cast<int64_t>(pkt->pts * scale->second);
    if (pkt->dts != AV_NOPTS_VALUE) pkt->dts = static_cast<int64_t>(pkt->dts * scale->second);
  }
  if (pkt->dts != AV_NOPTS_VALUE)
    ist.next_dts = FF().av_rescale_q(pkt->dts + pkt->duration, tb, AV_TIME_BASE_Q);

  for (int index : ist.outputs)
    if (ostreams[index].copy) CopyPacket(ostreams[index], ifile, pkt);
  if (ist.decoding) DecodePacket(file, pkt->stream_index, pkt);
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
    ost.filter.Configure(source, ost.filter_chain, ost.options.ScalerFlags(), &owner);
    if (ost.kind == kAudio && ost.enc->frame_size > 0 &&
        !(ost.codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE))
      FF().av_buffersink_set_frame_size(ost.filter.sink(), ost.enc->frame_size);
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
                                              ost.enc->time_base);
      EncodeFrame(ost, filtered.get());
    }
    FF().av_frame_unref(filtered.get());
  }
}

void TCustomFFmpeg::Impl::EncodeFrame(OutputStream& ost, AVFrame* frame) {
  AVCodecContext* enc = ost.enc.get();
  if (frame) {
    if (ost.kind == kVideo) {
      if (!ost.cfr && frame->pts != AV_NOPTS_VALUE) {
        // Variable rate: a frame that maps onto the previous time stamp is dropped.
        if (ost.last_pts != AV_NOPTS_VALUE && frame->pts <= ost.last_pts) {
          ++vfr_dropped;
          return;
        }
        ost.last_pts = frame->pts;
      }
      frame->pict_type = ForcedKeyFrameDue(ost.settings.forced_key_frames, ost.next_forced_key,
                                           frame->pts, enc->time_base)
                             ? AV_PICTURE_TYPE_I
                             : AV_PICTURE_TYPE_NONE;
    }
    if (ost.frames_encoded >= ost.max_frames) {
      FinishStream(ost);
      return;
    }
    ++ost.frames_encoded;
    if (ost.kind == kVideo && (owner.OnVideoOutputHook || owner.OnVideoOutputFrame)) {
      const int64_t pts_us = frame->pts == AV_NOPTS_VALUE
                                 ? AV_NOPTS_VALUE
                                 : FF().av_rescale_q(frame->pts, enc->time_base, AV_TIME_BASE_Q);
      const int number = static_cast<int>(ost.frames_encoded);
      RunVideoHook(output_hook, owner.OnVideoOutputHook, frame, number, pts_us);
      if (owner.OnVideoOutputFrame) owner.OnVideoOutputFrame(owner, frame, number, pts_us);
    }
  }
  int r = FF().avcodec_send_frame(enc, frame);
  if (r < 0 && r != AVERROR_EOF)
    throw FFmpegException(ost.kind == kVideo ? "Video encoding failed" : "Audio encoding failed");
  for (;;) {
    r = FF().avcodec_receive_packet(enc, encoded.get());
    if (r == AVERROR_EOF) ost.pass_log.Write(enc, true);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return;
    if (r < 0)
      throw FFmpegException(ost.kind == kVideo ? "Video encoding failed" : "Audio encoding failed");
    if (ost.kind == kVideo) {
      size_t size = 0;
      int picture_type = AV_PICTURE_TYPE_NONE;
      if (const uint8_t* stats =
              FF().av_packet_get_side_data(encoded.get(), AV_PKT_DATA_QUALITY_STATS, &size);
          stats && size >= 4) {
        ost.quality =
            static_cast<float>(stats[0] | (stats[1] << 8) | (stats[2] << 16) | (stats[3] << 24)) /
            FF_QP2LAMBDA;
        if (size >= 5) picture_type = stats[4];
      }
      ost.pass_log.Write(enc, false);
      if (vstats.is_open()) WriteVideoStats(ost, encoded.get(), picture_type);
    }
    WritePacket(ost, encoded.get(), enc->time_base);
  }
}

void TCustomFFmpeg::Impl::WriteVideoStats(OutputStream& ost, const AVPacket* pkt,
                                          int picture_type) {
  const AVCodecContext* enc = ost.enc.get();
  const double tb = av_q2d(enc->time_base);
  ++ost.stats_frames;
  ost.stats_bytes += pkt->size;
  const int64_t pts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : ost.stats_frames - 1;
  const int64_t duration = pkt->duration > 0 ? pkt->duration : 1;
  const double frame_duration = ost.frame_rate.num > 0 ? av_q2d(av_inv_q(ost.frame_rate)) : tb;
  vstats.WriteLine(ost.stats_frames, ost.quality < 0 ? 0 : ost.quality, pkt->size, ost.stats_bytes,
                   (pts + duration) * tb, frame_duration,
                   VideoStatsFile::PictureTypeLetter(picture_type));
}

void TCustomFFmpeg::Impl::MuxPacket(OutputStream& ost, AVPacket* pkt, AVRational source_tb) {
  OutputFile& file = outputs[ost.file];
  FF().av_packet_rescale_ts(pkt, source_tb, ost.st->time_base);
  pkt->stream_index = ost.st->index;
  const int64_t end = pkt->pts != AV_NOPTS_VALUE   ? pkt->pts + pkt->duration
                      : pkt->dts != AV_NOPTS_VALUE ? pkt->dts + pkt->duration
                                                   : AV_NOPTS_VALUE;
  if (end != AV_NOPTS_VALUE) {
    const int64_t end_us = FF().av_rescale_q(end, ost.st->time_base, AV_TIME_BASE_Q);
    if (ost.position == AV_NOPTS_VALUE || end_us > ost.position) ost.position = end_us;
  }
  ost.bytes += pkt->size;
  ++file.packets;
  const int r = FF().av_interleaved_write_frame(file.ctx.get(), pkt);
  if (r < 0) throw FFmpegException(FileErrorText(file.name, r));
  const int64_t limit = file.settings.limit_filesize;
  if (limit > 0 && file.ctx->pb && FF().avio_seek(file.ctx->pb, 0, SEEK_CUR) >= limit) {
    for (int index : file.streams) {
      ostreams[index].finished = true;
      ostreams[index].flushed = true;  // nothing more may be written to this file
    }
  }
}

void TCustomFFmpeg::Impl::CopyPacket(OutputStream& ost, const InputFile& ifile,
                                     const AVPacket* pkt) {
  if (ost.finished) return;
  const PendingOptions& o = outputs[ost.file].settings;
  const AVRational tb = ifile.streams[pkt->stream_index].st->time_base;
  if (!ost.copy_seen_key) {
    if (!(pkt->flags & AV_PKT_FLAG_KEY) && !parser.global().copy_initial_nonkeyframes) return;
    ost.copy_seen_key = true;
  }
  const int64_t output_start = o.start_time != AV_NOPTS_VALUE ? o.start_time : 0;
  const int64_t shift = FF().av_rescale_q(output_start, AV_TIME_BASE_Q, tb);
  const int64_t ts = pkt->dts != AV_NOPTS_VALUE ? pkt->dts : pkt->pts;
  if (ts != AV_NOPTS_VALUE) {
    const int64_t ts_us = FF().av_rescale_q(ts - shift, tb, AV_TIME_BASE_Q);
    if (output_start > 0 && ts_us < 0) return;
    if (o.recording_time != AV_NOPTS_VALUE && ts_us >= o.recording_time) {
      FinishStream(ost);
      return;
    }
    if (ifile.start_time != AV_NOPTS_VALUE && ts_us < 0 && !(pkt->flags & AV_PKT_FLAG_KEY)) return;
  }
  if (ost.frames_encoded >= ost.max_frames) {
    FinishStream(ost);
    return;
  }
  if (FF().av_packet_ref(encoded.get(), pkt) < 0) throw FFmpegException("Could not copy packet");
  if (encoded->pts != AV_NOPTS_VALUE) encoded->pts -= shift;
  if (encoded->dts != AV_NOPTS_VALUE) encoded->dts -= shift;
  ++ost.frames_encoded;
  WritePacket(ost, encoded.get(), tb);
  FF().av_packet_unref(encoded.get());
}

void TCustomFFmpeg::Impl::FinishStream(OutputStream& ost) {
  if (ost.finished) return;
  ost.finished = true;
  if (parser.global().shortest)
    for (int index : outputs[ost.file].streams) ostreams[index].finished = true;
  if (!ost.copy && ost.enc && !ost.flushed && !stop_requested) {
    ost.flushed = true;
    EncodeFrame(ost, nullptr);
  }
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
