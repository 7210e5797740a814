// The encode stage: choosing what the encoder gets (frame rate, closest supported formats),
// opening the encoder, encoding filtered frames (frame drops, forced key frames, the output hooks,
// two-pass logs, vstats) and finishing a stream.
#include <algorithm>
#include <utility>

#include "media/engine/engine_state.h"
#include "media/options/legacy_formats.h"
#include "media/options/video_control.h"
#include "media/runtime/ff_exception.h"
#include "media/runtime/text_format.h"

namespace tallowin::media {

void TCustomFFmpeg::Impl::ChooseFrameRate(OutputStream& ost, const InputStream& ist) {
  // The output's frame rate (r, the input's, else 25, then the closest the encoder supports) and
  // whether frames are duplicated or dropped to keep it constant.
  const PendingOptions& o = ost.settings;
  AVFormatContext* input = inputs[ost.source_file].ctx.get();
  AVRational rate = o.frame_rate;
  if (rate.num <= 0) rate = FF().av_guess_frame_rate(input, ist.st, nullptr);
  if (rate.num <= 0 || rate.den <= 0) rate = AVRational{25, 1};
  if (const AVRational* supported = ost.codec->supported_framerates)
    rate = supported[FF().av_find_nearest_q_idx(rate, supported)];
  if (ost.codec->id == AV_CODEC_ID_MPEG4 && rate.den > 65535)
    FF().av_reduce(&rate.num, &rate.den, rate.num, rate.den, 65535);
  ost.encoder.frame_rate = rate;
  const int vsync = parser.global().video_sync;
  const bool variable_ok = outputs[ost.file].ctx->oformat->flags & AVFMT_VARIABLE_FPS;
  ost.encoder.cfr = vsync == 1 || (vsync < 0 && (!variable_ok || o.frame_rate.num > 0));
}

void TCustomFFmpeg::Impl::ChooseSupportedFormats(OutputStream& ost) {
  PendingOptions& o = ost.settings;
  const char* codec = ost.codec->name;
  if (ost.kind == kVideo) {
    const std::string pix_fmt = ClosestPixelFormat(ost.codec, o.pix_fmt);
    if (pix_fmt != o.pix_fmt)
      Log(llWarning,
          FormatText("Incompatible pixel format '%s' for codec '%s', auto-selecting format "
                     "'%s'",
                     o.pix_fmt.c_str(), codec, pix_fmt.c_str()));
    o.pix_fmt = pix_fmt;
    return;
  }
  const int rate = ClosestSampleRate(ost.codec, o.sample_rate);
  if (rate != o.sample_rate)
    Log(llWarning, FormatText("Incompatible sample rate %d for codec '%s', auto-selecting rate %d",
                              o.sample_rate, codec, rate));
  o.sample_rate = rate;
  const std::string sample_fmt = ClosestSampleFormat(ost.codec, o.sample_fmt);
  if (sample_fmt != o.sample_fmt)
    Log(llWarning,
        FormatText("Incompatible sample format '%s' for codec '%s', auto-selecting format "
                   "'%s'",
                   o.sample_fmt.c_str(), codec, sample_fmt.c_str()));
  o.sample_fmt = sample_fmt;
}

void TCustomFFmpeg::Impl::OpenEncoder(OutputStream& ost, const FilterSource& source) {
  OutputFile& file = outputs[ost.file];
  const PendingOptions& o = ost.settings;
  const std::string type = MediaTypeName(MediaType(ost.kind));
  const std::string open_error = FormatText(
      "Error while opening encoder for output stream #%d.%d (%s) - maybe incorrect parameters "
      "such as bit_rate, rate, width or height. Please check error log message to find out more "
      "detail information.",
      ost.file, ost.st->index, type.c_str());
  CodecContextPtr enc(FF().avcodec_alloc_context3(ost.codec));
  if (!enc) throw FFmpegException(open_error);
  AVFilterContext* sink = ost.filter.sink();
  if (ost.kind == kVideo) {
    enc->width = FF().av_buffersink_get_w(sink);
    enc->height = FF().av_buffersink_get_h(sink);
    enc->pix_fmt = static_cast<AVPixelFormat>(FF().av_buffersink_get_format(sink));
    if (o.aspect > 0)
      enc->sample_aspect_ratio = FF().av_d2q(o.aspect * enc->height / enc->width, 255);
    else
      enc->sample_aspect_ratio = FF().av_buffersink_get_sample_aspect_ratio(sink);
    enc->framerate = ost.encoder.frame_rate;
    enc->time_base = av_inv_q(ost.encoder.frame_rate);
    if (o.intra_only) enc->gop_size = 0;
    // The codec context frees the matrices it was given.
    for (auto [matrix, field] : {std::pair(&o.intra_matrix, &enc->intra_matrix),
                                 std::pair(&o.inter_matrix, &enc->inter_matrix)}) {
      if (matrix->size() != 64) continue;
      *field = static_cast<uint16_t*>(FF().av_malloc(64 * sizeof(uint16_t)));
      if (!*field) throw FFmpegException(open_error);
      std::copy(matrix->begin(), matrix->end(), *field);
    }
    if (o.qscale > 0) {
      enc->flags |= AV_CODEC_FLAG_QSCALE;
      enc->global_quality = static_cast<int>(FF_QP2LAMBDA * o.qscale);
    }
    if (!SetRateOverride(enc.get(), o.rc_override)) throw FFmpegException(open_error);
  } else {
    enc->sample_fmt = static_cast<AVSampleFormat>(FF().av_buffersink_get_format(sink));
    enc->sample_rate = FF().av_buffersink_get_sample_rate(sink);
    FF().av_buffersink_get_ch_layout(sink, &enc->ch_layout);
    enc->time_base = AVRational{1, enc->sample_rate};
  }
  (void)source;
  enc->codec_tag = o.tag[ost.kind];
  if (file.ctx->oformat->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  Dictionary opts(ost.options.CodecOptions(ost.kind, ost.codec, true));
  if (!FF().av_dict_get(opts.get(), "threads", nullptr, 0)) {
    const int threads = parser.global().threads;
    FF().av_dict_set(&opts, "threads", threads > 0 ? std::to_string(threads).c_str() : "auto", 0);
  }
  if (ost.kind == kVideo) {
    const GlobalOptions& global = parser.global();
    ost.encoder.pass_log.Prepare(o.pass, global.pass_log_file,
                                 static_cast<int>(&ost - ostreams.data()), enc.get(), &opts);
    if (global.vstats || !global.vstats_file.empty())
      vstats.Open(global.vstats_file.empty() ? VideoStatsFile::DefaultName() : global.vstats_file);
  }
  if (FF().avcodec_open2(enc.get(), ost.codec, &opts) < 0) throw FFmpegException(open_error);
  // The encoder is open, but its parameters do not reach the stream.
  if (FF().avcodec_parameters_from_context(ost.st->codecpar, enc.get()) < 0)
    throw FFmpegException(FormatText(
        "Error while opening codec for output stream #%d.%d (%s) - maybe incorrect parameters "
        "such as bit_rate, rate, width or height",
        ost.file, ost.st->index, MediaTypeName(MediaType(ost.kind)).c_str()));
  ost.st->time_base = enc->time_base;
  if (ost.kind == kVideo) {
    ost.st->avg_frame_rate = ost.encoder.frame_rate;
    ost.st->sample_aspect_ratio = enc->sample_aspect_ratio;
  }
  ost.encoder.context = std::move(enc);
}

void TCustomFFmpeg::Impl::EncodeFrame(OutputStream& ost, AVFrame* frame) {
  AVCodecContext* enc = ost.encoder.context.get();
  if (frame) {
    if (ost.kind == kVideo) {
      if (!ost.encoder.cfr && frame->pts != AV_NOPTS_VALUE) {
        // Variable rate: a frame that maps onto the previous time stamp is dropped.
        if (ost.encoder.last_pts != AV_NOPTS_VALUE && frame->pts <= ost.encoder.last_pts) {
          ++vfr_dropped;
          return;
        }
        ost.encoder.last_pts = frame->pts;
      }
      frame->pict_type = ForcedKeyFrameDue(ost.settings.forced_key_frames,
                                           ost.encoder.next_forced_key, frame->pts, enc->time_base)
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
    if (r == AVERROR_EOF) ost.encoder.pass_log.Write(enc, true);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return;
    if (r < 0)
      throw FFmpegException(ost.kind == kVideo ? "Video encoding failed" : "Audio encoding failed");
    if (ost.kind == kVideo) {
      size_t size = 0;
      int picture_type = AV_PICTURE_TYPE_NONE;
      if (const uint8_t* stats =
              FF().av_packet_get_side_data(encoded.get(), AV_PKT_DATA_QUALITY_STATS, &size);
          stats && size >= 4) {
        ost.encoder.quality =
            static_cast<float>(stats[0] | (stats[1] << 8) | (stats[2] << 16) | (stats[3] << 24)) /
            FF_QP2LAMBDA;
        if (size >= 5) picture_type = stats[4];
      }
      ost.encoder.pass_log.Write(enc, false);
      if (vstats.is_open()) WriteVideoStats(ost, encoded.get(), picture_type);
    }
    WritePacket(ost, encoded.get(), enc->time_base);
  }
}

void TCustomFFmpeg::Impl::WriteVideoStats(OutputStream& ost, const AVPacket* pkt,
                                          int picture_type) {
  const AVCodecContext* enc = ost.encoder.context.get();
  const double tb = av_q2d(enc->time_base);
  ++ost.encoder.stats_frames;
  ost.encoder.stats_bytes += pkt->size;
  const int64_t pts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : ost.encoder.stats_frames - 1;
  const int64_t duration = pkt->duration > 0 ? pkt->duration : 1;
  const double frame_duration =
      ost.encoder.frame_rate.num > 0 ? av_q2d(av_inv_q(ost.encoder.frame_rate)) : tb;
  vstats.WriteLine(ost.encoder.stats_frames, ost.encoder.quality < 0 ? 0 : ost.encoder.quality,
                   pkt->size, ost.encoder.stats_bytes, (pts + duration) * tb, frame_duration,
                   VideoStatsFile::PictureTypeLetter(picture_type));
}

void TCustomFFmpeg::Impl::FinishStream(OutputStream& ost) {
  if (ost.finished) return;
  ost.finished = true;
  if (parser.global().shortest)
    for (int index : outputs[ost.file].streams) ostreams[index].finished = true;
  if (!stop_requested) FlushEncoder(ost);
}

void TCustomFFmpeg::Impl::FlushEncoder(OutputStream& ost) {
  if (ost.copy || !ost.encoder.context || ost.flushed) return;
  ost.flushed = true;
  EncodeFrame(ost, nullptr);
}

}  // namespace tallowin::media
