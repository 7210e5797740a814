// Opening an output file with the pending options: its format, its streams, metadata and file.
#include <sys/stat.h>

#include <ctime>

#include "media/engine/engine_state.h"
#include "media/options/legacy_formats.h"
#include "media/runtime/ff_errors.h"
#include "media/runtime/ff_exception.h"
#include "media/runtime/ff_load.h"

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

}  // namespace tallowin::media
