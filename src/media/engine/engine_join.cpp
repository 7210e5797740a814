// Join mode: every input of the task is written, one after another, into the one output. The
// output streams read the first input; when an input ends, its decoders and filter graphs are
// drained into the encoders (which stay open), and the streams move on to the next input, whose
// time stamps are shifted to start where the previous input ended. The filter graph is rebuilt
// for each input and always ends in the encoder's size, frame rate, sample rate and channel
// layout, so inputs of any format are converted to the output's.
//
// An input that lacks a kind of stream the output has (say, a silent clip joined to clips with
// sound) is refused when the output is opened: "input file #N has no audio stream to join".
#include <algorithm>
#include <cstring>

#include "media/engine/engine_state.h"
#include "media/runtime/ff_exception.h"

namespace tallowin::media {
namespace {

// The input's stream of this kind that a joined output reads, or -1.
int JoinSourceStream(const InputFile& in, StreamKind kind) {
  const int best = FF().av_find_best_stream(in.ctx.get(), MediaType(kind), -1, -1, nullptr, 0);
  if (best < 0 || in.streams[best].st->discard == AVDISCARD_ALL) return -1;
  return best;
}

}  // namespace

void TCustomFFmpeg::Impl::CheckJoinKind(StreamKind kind) const {
  for (size_t f = 0; f < inputs.size(); ++f)
    if (JoinSourceStream(inputs[f], kind) < 0)
      throw FFmpegException("input file #" + std::to_string(f) + " has no " + KindName(kind) +
                            " stream to join");
}

void TCustomFFmpeg::Impl::PrepareJoin(const OutputFile& file) {
  for (int index : file.streams) CheckJoinKind(ostreams[index].kind);
  int64_t sum = 0;
  for (const auto& in : inputs) {
    int64_t duration = in.ctx->duration > 0 ? in.ctx->duration : 0;
    if (in.start_time != AV_NOPTS_VALUE) duration = std::max<int64_t>(0, duration - in.start_time);
    sum += duration;
  }
  total_duration = sum > 0 ? sum : -1;
}

void TCustomFFmpeg::Impl::DrainJoinedFilter(OutputStream& ost) {
  const int frame_size = ost.kind == kAudio && ost.encoder.context->frame_size > 0 &&
                                 !(ost.codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE)
                             ? ost.encoder.context->frame_size
                             : 0;
  for (;;) {
    const int r = ost.filter.Pull(filtered.get());
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return;
    if (r < 0) throw FFmpegException("Error while filtering");
    ++ost.frames_out;
    AVFrame* out = filtered.get();
    FramePtr padded;
    if (frame_size > 0 && out->nb_samples < frame_size) {
      // Only the last frame of the whole stream may be short: the tail of this input is
      // completed with silence so that the encoder accepts the next input's frames.
      padded.reset(FF().av_frame_alloc());
      if (!padded) throw FFmpegException("Out of memory");
      padded->format = out->format;
      padded->sample_rate = out->sample_rate;
      padded->nb_samples = frame_size;
      if (FF().av_channel_layout_copy(&padded->ch_layout, &out->ch_layout) < 0 ||
          FF().av_frame_get_buffer(padded.get(), 0) < 0)
        throw FFmpegException("Out of memory");
      const auto format = static_cast<AVSampleFormat>(out->format);
      const int channels = out->ch_layout.nb_channels;
      FF().av_samples_set_silence(padded->extended_data, 0, frame_size, channels, format);
      const bool planar = FF().av_sample_fmt_is_planar(format);
      const size_t bytes = static_cast<size_t>(out->nb_samples) *
                           FF().av_get_bytes_per_sample(format) * (planar ? 1 : channels);
      for (int p = 0; p < (planar ? channels : 1); ++p)
        std::memcpy(padded->extended_data[p], out->extended_data[p], bytes);
      padded->pts = out->pts;
      out = padded.get();
    }
    if (!ost.finished) {
      out->pts =
          out->pts == AV_NOPTS_VALUE
              ? AV_NOPTS_VALUE
              : FF().av_rescale_q(out->pts, FF().av_buffersink_get_time_base(ost.filter.sink()),
                                  ost.encoder.context->time_base);
      if (ost.kind == kAudio && out->pts != AV_NOPTS_VALUE)
        ost.join.audio_start =
            FF().av_rescale_q(out->pts, ost.encoder.context->time_base, AV_TIME_BASE_Q);
      EncodeFrame(ost, out);
    }
    FF().av_frame_unref(filtered.get());
  }
}

void TCustomFFmpeg::Impl::AdvanceJoin(int file) {
  if (stop_requested) return;
  const int next = file + 1;
  if (next >= static_cast<int>(inputs.size())) {
    FlushInput(file);  // the last input: the streams end as in a plain conversion
    return;
  }
  InputFile& ifile = inputs[file];
  // What the decoders still hold goes into the graphs.
  for (size_t s = 0; s < ifile.streams.size(); ++s) {
    InputStream& ist = ifile.streams[s];
    if (!ist.decoding || ist.decoder_flushed) continue;
    ist.decoder_flushed = true;
    DecodePacket(file, static_cast<int>(s), nullptr);
  }
  // The end of this input on the joined time line.
  int64_t end_us = AV_NOPTS_VALUE;
  for (const auto& ist : ifile.streams)
    if (ist.used && ist.next_dts != AV_NOPTS_VALUE) end_us = std::max(end_us, ist.next_dts);
  for (size_t k = 0; k < ostreams.size(); ++k) {
    OutputStream& ost = ostreams[k];
    if (ost.source_file != file) continue;
    if (ost.filter.configured() && ost.source_end != AV_NOPTS_VALUE)
      end_us = std::max(
          end_us, FF().av_rescale_q(ost.source_end, ost.filter.source().time_base, AV_TIME_BASE_Q));
    if (!ost.copy && !ost.finished && ost.filter.configured()) {
      ost.filter.Close(ost.source_end);
      DrainJoinedFilter(ost);
    }
    ost.filter = StreamFilter();
    // Audio synchronisation starts the first input at zero; later inputs keep their place.
    if (const size_t p = ost.filter_chain.find(":first_pts=0"); p != std::string::npos)
      ost.filter_chain.erase(p, 12);
    ost.source_end = AV_NOPTS_VALUE;
    // The next input's audio must start after the last frame given to the encoder.
    if (ost.join.audio_start != AV_NOPTS_VALUE) end_us = std::max(end_us, ost.join.audio_start + 1);
    ifile.streams[ost.source_stream].outputs.clear();

    InputFile& nfile = inputs[next];
    // Streams of this file that already moved on count as reading the next input.
    const int stream = ChooseSource(static_cast<int>(k), next, next + 1).second;
    if (stream < 0)
      throw FFmpegException("input file #" + std::to_string(next) + " has no " +
                            KindName(ost.kind) + " stream to join");
    ost.source_file = next;
    ost.source_stream = stream;
    InputStream& nist = nfile.streams[stream];
    nist.used = true;
    nist.outputs.push_back(static_cast<int>(k));
    if (!ost.copy) {
      nist.decoding = true;
      OpenDecoder(next, stream);
    }
  }
  if (end_us != AV_NOPTS_VALUE) inputs[next].ts_offset += end_us;
}

}  // namespace tallowin::media
