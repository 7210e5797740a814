// The mux stage: opening an output file with the pending options (its format, streams, metadata
// and file), setting up copied streams, writing the headers, every packet and the trailers.
#include <sys/stat.h>

#include <ctime>
#include <numeric>

#include "media/engine/engine_state.h"
#include "media/options/legacy_formats.h"
#include "media/runtime/ff_errors.h"
#include "media/runtime/ff_exception.h"
#include "media/runtime/ff_load.h"
#include "media/runtime/text_format.h"

namespace tallowin::media {
namespace {

constexpr int kMaxOutputStreams = 20;  // streams of one output file

AVCodecID DefaultCodec(const AVOutputFormat* format, StreamKind kind) {
  if (kind == kVideo) {
    // Audio formats such as MP3 and FLAC name PNG for a cover picture, not for a video stream.
    return format->video_codec == AV_CODEC_ID_PNG ? AV_CODEC_ID_NONE : format->video_codec;
  }
  return kind == kAudio ? format->audio_codec : format->subtitle_codec;
}

bool HasNumberPattern(const std::string& name) {
  for (size_t p = name.find('%'); p != std::string::npos; p = name.find('%', p + 1)) {
    size_t q = p + 1;
    while (q < name.size() && name[q] >= '0' && name[q] <= '9') ++q;
    if (q < name.size() && name[q] == 'd') return true;
  }
  return false;
}

// An encoder named by the user, with the old tool's checks and texts.
const AVCodec* NamedEncoder(const std::string& name, StreamKind kind, bool experimental_ok) {
  const AVCodec* codec = FF().avcodec_find_encoder_by_name(name.c_str());
  if (!codec) throw FFmpegException("Unknown encoder '" + name + "'");
  if (codec->type != MediaType(kind)) throw FFmpegException("Invalid encoder type '" + name + "'");
  if ((codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL) && !experimental_ok) {
    std::string text = "encoder '" + name +
                       "' is experimental and might produce bad results.\n"
                       "Add '-strict experimental' if you want to use it.";
    void* it = nullptr;
    while (const AVCodec* other = FF().av_codec_iterate(&it)) {
      if (other->id == codec->id && FF().av_codec_is_encoder(other) &&
          !(other->capabilities & AV_CODEC_CAP_EXPERIMENTAL)) {
        text += " Or use the non experimental encoder '" + std::string(other->name) + "'.";
        break;
      }
    }
    throw FFmpegException(text);
  }
  return codec;
}

}  // namespace

void TCustomFFmpeg::Impl::OpenOutputFile(const std::string& name, bool join) {
  if (joined) throw FFmpegException("Cannot join more than one output file.");
  if (static_cast<int>(outputs.size()) >= max_files)
    throw FFmpegException("max output files " + std::to_string(max_files) + " reached");
  parser.FinishTarget();
  const PendingOptions& o = parser.pending();

  // Writing over a file that is being read would destroy it.
  struct stat out_stat {};
  if (stat(name.c_str(), &out_stat) == 0 && S_ISREG(out_stat.st_mode)) {
    for (size_t i = 0; i < inputs.size(); ++i) {
      struct stat in_stat {};
      if (stat(inputs[i].name.c_str(), &in_stat) == 0 && in_stat.st_dev == out_stat.st_dev &&
          in_stat.st_ino == out_stat.st_ino)
        throw FFmpegException(name + ": output file is the same as input file #" +
                              std::to_string(i));
    }
  }
  const AVOutputFormat* format = nullptr;
  if (!o.format.empty()) {
    format = FF().av_guess_format(o.format.c_str(), nullptr, nullptr);
    if (!format)
      throw FFmpegException("Requested output format '" + o.format +
                            "' is not a suitable output format");
  } else {
    format = FF().av_guess_format(nullptr, name.c_str(), nullptr);
    if (!format)
      throw FFmpegException("Unable to find a suitable output format for '" + name + "'");
  }
  AVFormatContext* raw = nullptr;
  if (FF().avformat_alloc_output_context2(&raw, format, nullptr, name.c_str()) < 0 || !raw)
    throw FFmpegException("avformat_alloc_context failed");
  OutputFile file;
  file.ctx.reset(raw);
  file.name = name;
  file.settings = o;
  file.options = parser.generic();
  const int file_index = static_cast<int>(outputs.size());
  // A failed open leaves no stream of this file behind.
  const size_t first_stream = ostreams.size();
  try {
    OpenOutputStreams(file, file_index, format, name, join);
  } catch (...) {
    ostreams.erase(ostreams.begin() + static_cast<std::ptrdiff_t>(first_stream), ostreams.end());
    throw;
  }
  outputs.push_back(std::move(file));
  joined = join;
}

void TCustomFFmpeg::Impl::OpenOutputStreams(OutputFile& file, int file_index,
                                            const AVOutputFormat* format, const std::string& name,
                                            bool join) {
  const PendingOptions& o = file.settings;
  // Stream kinds: what the format or the named codecs ask for, that the inputs have.
  for (int k = 0; k < kStreamKinds; ++k) {
    const auto kind = static_cast<StreamKind>(k);
    if (o.disabled[k]) continue;
    bool wanted = !o.codec[k].empty() ||
                  (kind != kSubtitle && DefaultCodec(format, kind) != AV_CODEC_ID_NONE);
    if (wanted && !inputs.empty()) {
      bool present = false;
      for (const auto& in : inputs)
        for (const auto& is : in.streams)
          present |=
              is.st->discard != AVDISCARD_ALL && is.st->codecpar->codec_type == MediaType(kind);
      wanted = present;
    }
    if (wanted) AddOutputStream(file, file_index, kind, file.settings, file.options);
  }

  // Refused before the file is created.
  if (join) PrepareJoin(file);

  AVFormatContext* oc = file.ctx.get();
  if (o.recording_timestamp != AV_NOPTS_VALUE) {
    const time_t seconds = static_cast<time_t>(o.recording_timestamp / 1000000);
    struct tm utc {};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S.000000Z", &utc);
    FF().av_dict_set(&oc->metadata, "creation_time", text, 0);
  }
  for (const auto& [key, value] : o.metadata)
    FF().av_dict_set(&oc->metadata, key.c_str(), value.c_str(), 0);

  if ((format->flags & AVFMT_NEEDNUMBER) && !HasNumberPattern(name))
    throw FFmpegException(FileErrorText(name, AVERROR(EDOM)));
  if (o.mux_delay >= 0) oc->max_delay = static_cast<int>(o.mux_delay * AV_TIME_BASE);

  if (!(format->flags & AVFMT_NOFILE)) {
    oc->interrupt_callback = TInterruptCB::IOCallback();
    TScopedInterrupt interrupt(&Impl::TimeoutOrCancel, this);
    PipeEnd pipe = AwaitPipePeer(name, true);
    struct stat before {};
    const bool existed = ::stat(LocalPath(name).c_str(), &before) == 0;
    StartIOTimer();
    const int r =
        FF().avio_open2(&oc->pb, name.c_str(), AVIO_FLAG_WRITE, &oc->interrupt_callback, nullptr);
    StopIOTimer();
    if (r < 0) throw FFmpegException(FileErrorText(name, r));
    file.created = !existed;
  }
}

void TCustomFFmpeg::Impl::AddOutputStream(OutputFile& file, int file_index, StreamKind kind,
                                          const PendingOptions& settings,
                                          const GenericOptionStore& options) {
  const PendingOptions& o = settings;
  AVFormatContext* oc = file.ctx.get();
  if (file.streams.size() >= static_cast<size_t>(kMaxOutputStreams))
    throw FFmpegException(std::string("new_") + KindName(kind) +
                          "_stream fail: Could not alloc stream");
  OutputStream ost;
  ost.file = file_index;
  ost.kind = kind;
  ost.settings = settings;
  ost.options = options;
  ost.max_frames = o.max_frames[kind];
  const std::string& name = o.codec[kind];
  if (name == "copy") {
    ost.copy = true;
  } else if (!name.empty()) {
    bool experimental_ok = false;
    if (AVDictionary* opts = options.CodecOptions(kind, nullptr, true)) {
      const AVDictionaryEntry* e = FF().av_dict_get(opts, "strict", nullptr, 0);
      experimental_ok =
          e && (std::string(e->value) == "experimental" || std::string(e->value) == "-2");
      FF().av_dict_free(&opts);
    }
    ost.codec = NamedEncoder(name, kind, experimental_ok);
  } else {
    const AVCodecID default_id = DefaultCodec(oc->oformat, kind);
    ost.codec = FF().avcodec_find_encoder(default_id);
    if (!ost.codec && default_id != AV_CODEC_ID_NONE) {
      ost.codec = FirstAcceptedEncoder(oc->oformat, kind);
      if (ost.codec)
        Log(llInfo, std::string("Encoder for ") + FF().avcodec_get_name(default_id) +
                        " is not available, using '" + ost.codec->name + "' for the " +
                        KindName(kind) + " of format '" + oc->oformat->name + "'");
    }
  }
  ost.st = FF().avformat_new_stream(oc, nullptr);
  if (!ost.st)
    throw FFmpegException(std::string("new_") + KindName(kind) +
                          "_stream fail: Could not alloc stream");
  if (const auto id = o.stream_ids.find(ost.st->index); id != o.stream_ids.end())
    ost.st->id = id->second;
  ost.st->codecpar->codec_type = MediaType(kind);
  ost.st->codecpar->codec_id = ost.codec  ? ost.codec->id
                               : ost.copy ? AV_CODEC_ID_NONE
                                          : DefaultCodec(oc->oformat, kind);
  ost.st->codecpar->codec_tag = o.tag[kind];
  if (!o.language[kind].empty())
    FF().av_dict_set(&ost.st->metadata, "language", o.language[kind].c_str(), 0);
  file.streams.push_back(static_cast<int>(ostreams.size()));
  ostreams.push_back(std::move(ost));
}

void TCustomFFmpeg::Impl::AddStreamToLastOutput(StreamKind kind) {
  if (outputs.empty()) throw FFmpegException("At least one output file must be specified");
  // Headers are written when the run starts, and the files are closed when it ends.
  if (started || running || terminated) throw FFmpegException("Cannot open files while working.");
  OutputFile& file = outputs.back();
  const int file_index = static_cast<int>(outputs.size()) - 1;
  // The stream follows its file in everything but the options of its kind.
  const PendingOptions& pending = parser.pending();
  PendingOptions settings = file.settings;
  CopyKindOptions(settings, pending, kind);
  for (const auto& [index, id] : pending.stream_ids) settings.stream_ids[index] = id;
  // A stream cannot be taken out of the file again: every check comes first.
  if (joined) CheckJoinKind(kind);
  AddOutputStream(file, file_index, kind, settings, parser.generic());
}

void TCustomFFmpeg::Impl::SetUpStreamCopy(OutputStream& ost, const InputStream& ist) {
  const OutputFile& file = outputs[ost.file];
  AVCodecParameters* par = ost.st->codecpar;
  const uint32_t user_tag = par->codec_tag;
  if (FF().avcodec_parameters_copy(par, ist.st->codecpar) < 0)
    throw FFmpegException(FormatText("Unsupported codec for output stream #%d.%d (%s)", ost.file,
                                     ost.st->index, MediaTypeName(MediaType(ost.kind)).c_str()));
  const AVOutputFormat* of = file.ctx->oformat;
  if (user_tag) {
    par->codec_tag = user_tag;
  } else if (of->codec_tag && par->codec_tag &&
             FF().av_codec_get_id(of->codec_tag, par->codec_tag) != par->codec_id) {
    par->codec_tag = 0;  // the container would reject the input's tag
  }
  // The stream's timing as the container wants it (AVI counts in frames, with the codec's
  // ticks per frame), with copytb the demuxer's time base.
  ost.st->time_base = ist.st->time_base;
  if (FF().avformat_transfer_internal_stream_timing_info(
          of, ost.st, ist.st, parser.global().copy_tb ? AVFMT_TBCF_DEMUXER : AVFMT_TBCF_AUTO) >=
      0) {
    const AVRational tb = FF().av_stream_get_codec_timebase(ost.st);
    if (tb.num > 0 && tb.den > 0) {
      const int common = std::gcd(tb.num, tb.den);
      ost.st->time_base = AVRational{tb.num / common, tb.den / common};
    }
  }
  ost.st->avg_frame_rate = ist.st->avg_frame_rate;
  ost.st->r_frame_rate = ist.st->r_frame_rate;
  ost.st->sample_aspect_ratio = ist.st->sample_aspect_ratio;
}

void TCustomFFmpeg::Impl::WriteHeaders() {
  for (size_t f = 0; f < outputs.size(); ++f) {
    OutputFile& file = outputs[f];
    AVFormatContext* oc = file.ctx.get();
    FF().av_dict_set(&oc->metadata, "encoder", nullptr, 0);
    for (int index : file.streams) OpenBitstreamFilters(ostreams[index]);
    Dictionary opts(file.options.FormatOptions());
    if (file.settings.mux_preload >= 0)
      FF().av_dict_set_int(&opts, "preload",
                           static_cast<int64_t>(file.settings.mux_preload * AV_TIME_BASE), 0);
    if (parser.global().loop_output >= 0)
      FF().av_dict_set_int(&opts, "loop", parser.global().loop_output, 0);
    if (FF().avformat_write_header(oc, &opts) < 0)
      throw FFmpegException("Could not write header for output file #" + std::to_string(f) +
                            " (incorrect codec parameters ?)");
    file.header_written = true;
  }
  Log(llVerbose, "Stream mapping:");
  for (const auto& ost : ostreams) {
    std::string text =
        FormatText("  Stream #%d.%d -> #%d.%d (%s)", ost.source_file, ost.source_stream, ost.file,
                   ost.st->index, ost.copy ? "copy" : ost.codec->name);
    if (ost.sync_file >= 0 &&
        (ost.sync_file != ost.source_file || ost.sync_stream != ost.source_stream)) {
      const AVStream* sync = inputs[ost.sync_file].streams[ost.sync_stream].st;
      text += FormatText(" [sync #%d.%d (%s)]", ost.sync_file, ost.sync_stream,
                         MediaTypeName(sync->codecpar->codec_type).c_str());
    }
    Log(llVerbose, text);
  }
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
    if (ost.muxer.position == AV_NOPTS_VALUE || end_us > ost.muxer.position)
      ost.muxer.position = end_us;
  }
  ost.muxer.bytes += pkt->size;
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
  if (!ost.muxer.copy_seen_key) {
    if (!(pkt->flags & AV_PKT_FLAG_KEY) && !parser.global().copy_initial_nonkeyframes) return;
    ost.muxer.copy_seen_key = true;
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

void TCustomFFmpeg::Impl::WriteTrailers() {
  for (auto& file : outputs) {
    if (!file.header_written || file.trailer_written) continue;
    FlushBitstreamFilters(file);
    file.trailer_written = true;
    const int r = FF().av_write_trailer(file.ctx.get());
    if (r < 0) throw FFmpegException(FileErrorText(file.name, r));
  }
}

}  // namespace tallowin::media
