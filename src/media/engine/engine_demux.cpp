// The demux stage: opening an input file with the pending options, and each packet read from it
// on its way in (time stamp offsets, the discontinuity rule, ts scales) to stream copy or decoding.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "media/engine/engine_state.h"
#include "media/runtime/ff_errors.h"
#include "media/runtime/ff_exception.h"
#include "media/runtime/ff_load.h"

namespace tallowin::media {
namespace {

// The I/O timer runs while the guard lives and is stopped on every way out.
struct IOTimerGuard {
  explicit IOTimerGuard(TCustomFFmpeg::Impl& impl) : impl(impl) { impl.StartIOTimer(); }
  ~IOTimerGuard() { impl.StopIOTimer(); }
  TCustomFFmpeg::Impl& impl;
};

}  // namespace

void TCustomFFmpeg::Impl::OpenInputFile(const std::string& name) {
  if (static_cast<int>(inputs.size()) >= max_files)
    throw FFmpegException("max input files " + std::to_string(max_files) + " reached");
  const PendingOptions& o = parser.pending();
  const GlobalOptions& g = parser.global();

  const AVInputFormat* format = nullptr;
  if (!o.format.empty()) {
    format = FF().av_find_input_format(o.format.c_str());
    if (!format) throw FFmpegException("Unknown input format: \"" + o.format + "\"");
  }
  Dictionary params(parser.generic().FormatOptions());
  if (o.sample_rate > 0) FF().av_dict_set_int(&params, "sample_rate", o.sample_rate, 0);
  if (o.channels > 0) FF().av_dict_set_int(&params, "channels", o.channels, 0);
  if (o.frame_rate.num > 0) {
    const std::string rate =
        std::to_string(o.frame_rate.num) + "/" + std::to_string(o.frame_rate.den);
    FF().av_dict_set(&params, "framerate", rate.c_str(), 0);
  }
  if (o.width > 0) {
    const std::string size = std::to_string(o.width) + "x" + std::to_string(o.height);
    FF().av_dict_set(&params, "video_size", size.c_str(), 0);
  }
  if (!o.pix_fmt.empty()) FF().av_dict_set(&params, "pixel_format", o.pix_fmt.c_str(), 0);
  if (!o.video_channel.empty()) FF().av_dict_set(&params, "channel", o.video_channel.c_str(), 0);
  if (!o.video_standard.empty()) FF().av_dict_set(&params, "standard", o.video_standard.c_str(), 0);

  InputFile file;
  file.name = name;
  {
    TScopedInterrupt interrupt(&Impl::TimeoutOrCancel, this);
    file.pipe = AwaitPipePeer(name, false);
    const std::string url = file.pipe.fd >= 0 ? "pipe:" + std::to_string(file.pipe.fd) : name;
    // Allocated only now that nothing can throw before the library takes it over.
    AVFormatContext* raw = FF().avformat_alloc_context();
    if (!raw) throw FFmpegException("avformat_alloc_context failed");
    raw->interrupt_callback = TInterruptCB::IOCallback();
    IOTimerGuard timer(*this);
    // On failure the library frees the context.
    const int r = FF().avformat_open_input(&raw, url.c_str(), format, &params);
    if (r < 0) throw FFmpegException(FileErrorText(name, r));
    file.ctx.reset(raw);
    if (owner.OnBeforeFindStreamInfo) owner.OnBeforeFindStreamInfo(owner, raw);
    StartIOTimer();
    if (FF().avformat_find_stream_info(raw, nullptr) < 0) {
      const std::string text = name + ": could not find codec parameters";
      Log(llVerbose, text);
      throw FFmpegException(text);
    }
  }
  AVFormatContext* ic = file.ctx.get();

  if (o.program_id >= 0) {
    AVProgram* program = nullptr;
    for (unsigned i = 0; i < ic->nb_programs; ++i)
      if (ic->programs[i]->id == o.program_id) program = ic->programs[i];
    if (!program) throw FFmpegException("Specified program id not found");
    for (unsigned i = 0; i < ic->nb_streams; ++i) {
      bool in_program = false;
      for (unsigned k = 0; k < program->nb_stream_indexes; ++k)
        in_program |= program->stream_index[k] == i;
      if (!in_program) ic->streams[i]->discard = AVDISCARD_ALL;
    }
  }

  const int64_t file_start = ic->start_time != AV_NOPTS_VALUE ? ic->start_time : 0;
  if (o.start_time != AV_NOPTS_VALUE) {
    const int64_t target = o.start_time + file_start;
    if (FF().avformat_seek_file(ic, -1, INT64_MIN, target, target, 0) < 0) {
      char text[64];
      std::snprintf(text, sizeof text, "%0.3f", o.start_time / 1e6);
      Log(llVerbose, name + ": could not seek to position " + text);
    }
    file.start_time = o.start_time;
  }
  // Output time stamps start at zero (unless copyts), moved by itsoffset.
  file.ts_offset = o.input_ts_offset - (g.copy_ts ? 0 : file_start) -
                   (g.copy_ts || o.start_time == AV_NOPTS_VALUE ? 0 : o.start_time);
  file.ts_scale = o.ts_scale;

  file.streams.resize(ic->nb_streams);
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    AVStream* st = ic->streams[i];
    file.streams[i].st = st;
    const AVCodecParameters* par = st->codecpar;
    bool disabled = false;
    switch (par->codec_type) {
      case AVMEDIA_TYPE_VIDEO: {
        disabled = o.disabled[kVideo];
        const AVRational r = st->r_frame_rate, a = st->avg_frame_rate;
        if (r.num > 0 && r.den > 0 && a.num > 0 && a.den > 0 && av_cmp_q(r, a) != 0 &&
            g.verbosity >= 0) {
          char text[160];
          std::snprintf(text, sizeof text,
                        "Seems stream %u codec frame rate differs from container frame rate: "
                        "%2.2f (%d/%d) -> %2.2f (%d/%d)",
                        i, av_q2d(a), a.num, a.den, av_q2d(r), r.num, r.den);
          Log(llInfo, text);
        }
        break;
      }
      case AVMEDIA_TYPE_AUDIO:
        disabled = o.disabled[kAudio];
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        disabled = o.disabled[kSubtitle];
        break;
      default:
        disabled = true;
        break;  // data and attachments are never converted
    }
    if (disabled) st->discard = AVDISCARD_ALL;
  }

  if (ic->duration > 0) {
    int64_t duration = ic->duration;
    if (o.start_time != AV_NOPTS_VALUE) duration = std::max<int64_t>(0, duration - o.start_time);
    if (duration > total_duration) total_duration = duration;
  }
  inputs.push_back(std::move(file));
}

void TCustomFFmpeg::Impl::DemuxPacket(int file, AVPacket* pkt) {
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

}  // namespace tallowin::media
