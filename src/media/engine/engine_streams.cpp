// Setting up the run: stream mapping, decoders, filter graphs, encoders and headers.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <numeric>

#include "media/engine/engine_state.h"
#include "media/options/legacy_formats.h"
#include "media/options/video_control.h"
#include "media/runtime/ff_errors.h"
#include "media/runtime/ff_exception.h"
#include "media/runtime/text_format.h"

namespace tallowin::media {
namespace {

std::string TypeName(AVMediaType type) {
  const char* name = FF().av_get_media_type_string(type);
  return name ? name : "unknown";
}

std::string ChannelLayoutText(const AVChannelLayout& layout) {
  char text[128] = {};
  FF().av_channel_layout_describe(&layout, text, sizeof text);
  return text;
}

template <class T, class F>
std::string JoinList(const T* list, T end, F to_text) {
  std::string text;
  for (; list && *list != end; ++list) text += (text.empty() ? "" : "|") + to_text(*list);
  return text;
}

}  // namespace

void TCustomFFmpeg::Impl::MapStreams() {
  for (size_t f = 0; f < outputs.size(); ++f)
    if (outputs[f].streams.empty())
      throw FFmpegException("Output file #" + std::to_string(f) + " does not contain any stream");
  const auto& maps = parser.global().stream_maps;
  if (!maps.empty()) {
    if (maps.size() != ostreams.size())
      throw FFmpegException("Number of stream maps must match number of output streams");
    for (size_t k = 0; k < maps.size(); ++k) {
      const auto& m = maps[k];
      OutputStream& ost = ostreams[k];
      if (m.file < 0 || m.file >= static_cast<int>(inputs.size()) || m.stream < 0 ||
          m.stream >= static_cast<int>(inputs[m.file].streams.size()))
        throw FFmpegException("Could not find input stream #" + std::to_string(m.file) + "." +
                              std::to_string(m.stream));
      if (m.sync_file < 0 || m.sync_file >= static_cast<int>(inputs.size()) || m.sync_stream < 0 ||
          m.sync_stream >= static_cast<int>(inputs[m.sync_file].streams.size()))
        throw FFmpegException("Could not find sync stream #" + std::to_string(m.sync_file) + "." +
                              std::to_string(m.sync_stream));
      const AVMediaType in_type = inputs[m.file].streams[m.stream].st->codecpar->codec_type;
      if (in_type != MediaType(ost.kind)) {
        char text[256];
        std::snprintf(text, sizeof text,
                      "Codec type mismatch for mapping #%d.%d (%s) -> #%d.%d (%s)", m.file,
                      m.stream, TypeName(in_type).c_str(), ost.file, ost.st->index,
                      TypeName(MediaType(ost.kind)).c_str());
        throw FFmpegException(text);
      }
      ost.source_file = m.file;
      ost.source_stream = m.stream;
    }
    return;
  }
  for (size_t k = 0; k < ostreams.size(); ++k) {
    OutputStream& ost = ostreams[k];
    const auto [file, stream] =
        ChooseSource(static_cast<int>(k), 0, static_cast<int>(inputs.size()));
    if (file < 0)
      throw FFmpegException(
          FormatText("Could not find input stream matching output stream #%d.%d (%s)", ost.file,
                     ost.st->index, TypeName(MediaType(ost.kind)).c_str()));
    ost.source_file = file;
    ost.source_stream = stream;
  }
}

std::pair<int, int> TCustomFFmpeg::Impl::ChooseSource(int k, int first, int end) const {
  // The first stream of a kind in an output file reads the inputs' best stream of that kind; a
  // further one (newaudio...) reads the next stream of the kind that its file does not read yet,
  // and the best one again when none is left.
  const OutputStream& ost = ostreams[k];
  const AVMediaType type = MediaType(ost.kind);
  auto read_by_file = [&](int f, int s) {
    for (int j = 0; j < k; ++j)
      if (ostreams[j].file == ost.file && ostreams[j].source_file == f &&
          ostreams[j].source_stream == s)
        return true;
    return false;
  };
  std::pair<int, int> reuse{-1, -1};
  for (int f = first; f < end; ++f) {
    const InputFile& in = inputs[f];
    const int best = FF().av_find_best_stream(in.ctx.get(), type, -1, -1, nullptr, 0);
    if (best < 0 || in.streams[best].st->discard == AVDISCARD_ALL) continue;
    if (reuse.first < 0) reuse = {f, best};
    if (!read_by_file(f, best)) return {f, best};
    for (int s = 0; s < static_cast<int>(in.streams.size()); ++s) {
      const AVStream* st = in.streams[s].st;
      if (st->codecpar->codec_type == type && st->discard != AVDISCARD_ALL && !read_by_file(f, s))
        return {f, s};
    }
  }
  return reuse;
}

void TCustomFFmpeg::Impl::OpenDecoder(int file, int stream) {
  InputStream& ist = inputs[file].streams[stream];
  if (ist.dec) return;
  const AVCodecParameters* par = ist.st->codecpar;
  const std::string type = TypeName(par->codec_type);
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

std::string TCustomFFmpeg::Impl::FilterChain(const OutputStream& ost,
                                             const FilterSource& source) const {
  const PendingOptions& o = ost.settings;
  std::vector<std::string> parts;
  if (ost.kind == kVideo) {
    if (!o.video_filters.empty()) parts.push_back(o.video_filters);
    if (ost.cfr)
      parts.push_back("fps=" + std::to_string(ost.frame_rate.num) + "/" +
                      std::to_string(ost.frame_rate.den));
    if (ost.enc) {
      parts.push_back("scale=" + std::to_string(ost.enc->width) + ":" +
                      std::to_string(ost.enc->height));
      parts.push_back(std::string("format=") + FF().av_get_pix_fmt_name(ost.enc->pix_fmt));
    } else {
      if (o.width > 0)
        parts.push_back("scale=" + std::to_string(o.width) + ":" + std::to_string(o.height));
      std::string formats = o.pix_fmt;
      if (formats.empty())
        for (const AVPixelFormat f : UsablePixelFormats(ost.codec))
          formats += (formats.empty() ? "" : "|") + std::string(FF().av_get_pix_fmt_name(f));
      if (!formats.empty()) parts.push_back("format=" + formats);
    }
  } else {
    if (o.volume != 256) {
      char text[64];
      std::snprintf(text, sizeof text, "volume=%.6f", o.volume / 256.0);
      parts.push_back(text);
    }
    const int async = parser.global().audio_sync;
    if (async > 0) parts.push_back("aresample=async=" + std::to_string(async) + ":first_pts=0");
    std::string fmts, rates, layouts;
    if (ost.enc) {
      fmts = FF().av_get_sample_fmt_name(ost.enc->sample_fmt);
      rates = std::to_string(ost.enc->sample_rate);
      layouts = ChannelLayoutText(ost.enc->ch_layout);
    } else {
      fmts = !o.sample_fmt.empty()
                 ? o.sample_fmt
                 : JoinList<AVSampleFormat>(ost.codec->sample_fmts, AV_SAMPLE_FMT_NONE,
                                            [](AVSampleFormat f) {
                                              return std::string(FF().av_get_sample_fmt_name(f));
                                            });
      rates = o.sample_rate > 0 ? std::to_string(o.sample_rate)
                                : JoinList<int>(ost.codec->supported_samplerates, 0,
                                                [](int r) { return std::to_string(r); });
      if (o.channels > 0) {
        AVChannelLayout layout{};
        FF().av_channel_layout_default(&layout, o.channels);
        layouts = ChannelLayoutText(layout);
        FF().av_channel_layout_uninit(&layout);
      } else if (ost.codec->ch_layouts) {
        bool has_source = false;
        for (const AVChannelLayout* l = ost.codec->ch_layouts; l->nb_channels; ++l)
          has_source |= l->order == AV_CHANNEL_ORDER_NATIVE && l->u.mask == source.channel_mask;
        if (!has_source)
          for (const AVChannelLayout* l = ost.codec->ch_layouts; l->nb_channels; ++l)
            layouts += (layouts.empty() ? "" : "|") + ChannelLayoutText(*l);
      }
    }
    std::string aformat;
    if (!fmts.empty()) aformat += "sample_fmts=" + fmts;
    if (!rates.empty()) aformat += (aformat.empty() ? "" : ":") + ("sample_rates=" + rates);
    if (!layouts.empty()) aformat += (aformat.empty() ? "" : ":") + ("channel_layouts=" + layouts);
    if (!aformat.empty()) parts.push_back("aformat=" + aformat);
  }
  std::string chain;
  for (const auto& p : parts) chain += (chain.empty() ? "" : ",") + p;
  return chain;
}

void TCustomFFmpeg::Impl::OpenEncoder(OutputStream& ost, const FilterSource& source) {
  OutputFile& file = outputs[ost.file];
  const PendingOptions& o = ost.settings;
  const std::string type = TypeName(MediaType(ost.kind));
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
    enc->framerate = ost.frame_rate;
    enc->time_base = av_inv_q(ost.frame_rate);
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
    ost.pass_log.Prepare(o.pass, global.pass_log_file, static_cast<int>(&ost - ostreams.data()),
                         enc.get(), &opts);
    if (global.vstats || !global.vstats_file.empty())
      vstats.Open(global.vstats_file.empty() ? VideoStatsFile::DefaultName() : global.vstats_file);
  }
  if (FF().avcodec_open2(enc.get(), ost.codec, &opts) < 0) throw FFmpegException(open_error);
  if (FF().avcodec_parameters_from_context(ost.st->codecpar, enc.get()) < 0)
    throw FFmpegException(open_error);
  ost.st->time_base = enc->time_base;
  if (ost.kind == kVideo) {
    ost.st->avg_frame_rate = ost.frame_rate;
    ost.st->sample_aspect_ratio = enc->sample_aspect_ratio;
  }
  ost.enc = std::move(enc);
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

void TCustomFFmpeg::Impl::PrepareStreams() {
  for (auto& ost : ostreams) {
    InputFile& ifile = inputs[ost.source_file];
    InputStream& ist = ifile.streams[ost.source_stream];
    OutputFile& file = outputs[ost.file];
    const PendingOptions& o = ost.settings;
    const std::string type = TypeName(MediaType(ost.kind));
    ist.used = true;
    ist.outputs.push_back(static_cast<int>(&ost - ostreams.data()));
    if (ost.kind == kSubtitle && !ost.copy)
      throw FFmpegException(FormatText("Unsupported codec for output stream #%d.%d (%s)", ost.file,
                                       ost.st->index, type.c_str()));
    if (ost.copy) {
      if (ost.kind == kAudio && o.volume != 256)
        throw FFmpegException("-acodec copy and -vol are incompatible (frames are not decoded)");
      if (ost.kind == kAudio && owner.OnAudioHook)
        throw FFmpegException(
            "-acodec copy and AudioHook are incompatible (frames are not decoded)");
      if (ost.kind == kVideo && (owner.OnVideoInputHook || owner.OnVideoOutputHook))
        throw FFmpegException(
            "-vcodec copy and VideoHook are incompatible (frames are not decoded)");
      AVCodecParameters* par = ost.st->codecpar;
      const uint32_t user_tag = par->codec_tag;
      if (FF().avcodec_parameters_copy(par, ist.st->codecpar) < 0)
        throw FFmpegException(FormatText("Unsupported codec for output stream #%d.%d (%s)",
                                         ost.file, ost.st->index, type.c_str()));
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
      continue;
    }
    if (!ost.codec)
      throw FFmpegException(
          FormatText("Encoder (codec id %d) not found for output stream #%d.%d (%s)",
                     ost.st->codecpar->codec_id, ost.file, ost.st->index, type.c_str()));
    ist.decoding = true;
    OpenDecoder(ost.source_file, ost.source_stream);
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
      AVRational rate = o.frame_rate;
      if (rate.num <= 0) rate = FF().av_guess_frame_rate(ifile.ctx.get(), ist.st, nullptr);
      if (rate.num <= 0 || rate.den <= 0) rate = AVRational{25, 1};
      if (const AVRational* supported = ost.codec->supported_framerates)
        rate = supported[FF().av_find_nearest_q_idx(rate, supported)];
      if (ost.codec->id == AV_CODEC_ID_MPEG4 && rate.den > 65535)
        FF().av_reduce(&rate.num, &rate.den, rate.num, rate.den, 65535);
      ost.frame_rate = rate;
      source.frame_rate = FF().av_guess_frame_rate(ifile.ctx.get(), ist.st, nullptr);
      const int vsync = parser.global().video_sync;
      const bool variable_ok = file.ctx->oformat->flags & AVFMT_VARIABLE_FPS;
      ost.cfr = vsync == 1 || (vsync < 0 && (!variable_ok || o.frame_rate.num > 0));
    } else {
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
      source = FilterSource::FromFrame(AVMEDIA_TYPE_AUDIO, &probe, source.time_base, {0, 1});
    }
    ChooseSupportedFormats(ost);
    const std::string sws = ost.options.ScalerFlags();
    ost.filter.Configure(source, FilterChain(ost, source), sws, &owner);
    OpenEncoder(ost, source);
    ost.filter_chain = FilterChain(ost, source);
    if (ost.kind == kAudio && ost.enc->frame_size > 0 &&
        !(ost.codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE))
      FF().av_buffersink_set_frame_size(ost.filter.sink(), ost.enc->frame_size);
  }
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
    char text[128];
    std::snprintf(text, sizeof text, "  Stream #%d.%d -> #%d.%d (%s)", ost.source_file,
                  ost.source_stream, ost.file, ost.st->index, ost.copy ? "copy" : ost.codec->name);
    Log(llVerbose, text);
  }
}

}  // namespace tallowin::media
