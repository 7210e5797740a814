#include "media/components/ff_decode.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstring>
#include <stdexcept>

#include "media/picture/deinterlace.h"
#include "media/runtime/ff_errors.h"
#include "media/runtime/ff_load.h"
#include "media/runtime/ff_log.h"
#include "media/runtime/text_format.h"

namespace tallowin::media {
namespace {

// How long one call may wait for the libraries' I/O before it is abandoned.
constexpr std::chrono::seconds kIoTimeout{30};
// Probing a file (opening it and finding its streams) reads this much at most and gives up after
// this long: a damaged file fails in bounded time, and the input list never waits longer.
constexpr int64_t kProbeBytes = 5'000'000;
constexpr int64_t kProbeFormatBytes = 1 << 20;
constexpr int64_t kAnalyzeMicroseconds = 5'000'000;
constexpr std::chrono::milliseconds kProbeTimeout{2000};

std::string DictValue(const AVDictionary* dict, const char* key) {
  const AVDictionaryEntry* entry = FF().av_dict_get(dict, key, nullptr, 0);
  return entry && entry->value ? entry->value : std::string();
}

// The leading decimal number of a text ("2009-05-01" -> 2009, "3/12" -> 3); 0 when none.
int LeadingNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  long long value = 0;
  bool any = false;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    value = value * 10 + (text[i] - '0');
    any = true;
    if (value > INT_MAX) return 0;
  }
  return any ? static_cast<int>(value) : 0;
}

int ClampToInt(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

// A time base fit for conversions: a zero denominator becomes the numerator, then 1.
AVRational UsableTimeBase(AVRational tb) {
  if (tb.den == 0) tb.den = tb.num != 0 ? tb.num : 1;
  if (tb.num == 0) tb.num = 1;
  return tb;
}

// Still pictures: the image file demuxers ("image2" and the "*_pipe" image demuxers).
bool IsStillImage(const AVFormatContext* context) {
  if (!context || !context->iformat || !context->iformat->name) return false;
  std::string name = context->iformat->name;
  return name == "image2" || (name.size() > 5 && name.compare(name.size() - 5, 5, "_pipe") == 0);
}

bool IsPrintable(unsigned c) {
  return c >= 0x20 && c < 0x7f;
}

// Whether probing found what every audio and video stream needs to be decoded: a codec, and the
// picture size or the sample rate and channels.
bool HasCodecParameters(const AVFormatContext* context) {
  if (context->nb_streams == 0) return false;
  for (unsigned i = 0; i < context->nb_streams; ++i) {
    const AVCodecParameters* par = context->streams[i]->codecpar;
    if (par->codec_type == AVMEDIA_TYPE_VIDEO &&
        (par->codec_id == AV_CODEC_ID_NONE || par->width <= 0 || par->height <= 0))
      return false;
    if (par->codec_type == AVMEDIA_TYPE_AUDIO &&
        (par->codec_id == AV_CODEC_ID_NONE || par->sample_rate <= 0 ||
         par->ch_layout.nb_channels <= 0))
      return false;
  }
  return true;
}

}  // namespace

std::string CodecDesc(const AVStream* stream) {
  const AVCodecParameters* par = stream->codecpar;
  if (const AVCodec* decoder = FF().avcodec_find_decoder(par->codec_id)) {
    std::string text = decoder->name ? decoder->name : "";
    if (decoder->long_name) text += std::string("(") + decoder->long_name + ")";
    return text;
  }
  if (par->codec_id == AV_CODEC_ID_MPEG2TS) return "mpeg2ts";
  if (par->codec_id != AV_CODEC_ID_NONE && FF().avcodec_descriptor_get(par->codec_id))
    return FF().avcodec_get_name(par->codec_id);
  unsigned tag = par->codec_tag;
  unsigned c[4] = {tag & 0xff, (tag >> 8) & 0xff, (tag >> 16) & 0xff, (tag >> 24) & 0xff};
  if (IsPrintable(c[0]) && IsPrintable(c[1]) && IsPrintable(c[2]) && IsPrintable(c[3]))
    return FormatText("%c%c%c%c / 0x%04X", c[0], c[1], c[2], c[3], tag);
  return FormatText("0x%04x", tag);
}

// ---- TCustomDecoder

TCustomDecoder::TCustomDecoder() = default;

TCustomDecoder::~TCustomDecoder() {
  if (owner_ && context_ && FF().avformat_close_input) FF().avformat_close_input(&context_);
  context_ = nullptr;
}

void TCustomDecoder::CheckLibraries() const {
  const TFFLoader& loader = FFLoader();
  if (!loader.LibraryLoaded(libAVCodec)) throw std::runtime_error("LibAVCodec not loaded.");
  if (!loader.LibraryLoaded(libAVFormat)) throw std::runtime_error("LibAVFormat not loaded.");
  if (!loader.LibraryLoaded(libAVUtil)) throw std::runtime_error("LibAVUtil not loaded.");
  if (!loader.LibraryLoaded(libSwScale)) throw std::runtime_error("LibSwScale not loaded.");
}

void TCustomDecoder::Fail(int level, const std::string& text) {
  last_error_ = text;
  FFLog(this, static_cast<TLogLevel>(level), text);
}

int TCustomDecoder::InterruptThunk(void* self) {
  auto* decoder = static_cast<TCustomDecoder*>(self);
  if (InterruptRegistry().Check(CurrentThreadId())) return 1;
  return decoder->deadline_set_ && std::chrono::steady_clock::now() > decoder->deadline_ ? 1 : 0;
}

bool TCustomDecoder::LoadFile(const std::string& file_name, const std::string& format_name) {
  CheckLibraries();
  CloseFile();
  last_error_.clear();

  const AVInputFormat* input_format = nullptr;
  if (!format_name.empty()) {
    input_format = FF().av_find_input_format(format_name.c_str());
    if (!input_format) {
      Fail(llError, "Unknown input format: " + format_name);
      return false;
    }
  }
  // Opening a FIFO or a socket would wait for a writer that may never come.
  struct stat st;
  if (::stat(file_name.c_str(), &st) == 0 &&
      (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) || S_ISDIR(st.st_mode))) {
    Fail(llError,
         file_name + ": " + (S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "not a regular file"));
    return false;
  }

  AVFormatContext* context = FF().avformat_alloc_context();
  if (!context) {
    Fail(llError, FileErrorText(file_name, AVERROR(ENOMEM)));
    return false;
  }
  context->flags |= AVFMT_FLAG_NONBLOCK;
  context->interrupt_callback = AVIOInterruptCB{&TCustomDecoder::InterruptThunk, this};
  context->probesize = kProbeBytes;
  context->format_probesize = kProbeFormatBytes;
  context->max_analyze_duration = kAnalyzeMicroseconds;
  deadline_ = std::chrono::steady_clock::now() + kProbeTimeout;
  deadline_set_ = true;
  // On failure the library frees the context.
  int error = FF().avformat_open_input(&context, file_name.c_str(), input_format, nullptr);
  if (error < 0) {
    deadline_set_ = false;
    Fail(llError, FileErrorText(file_name, error));
    return false;
  }
  context_ = context;
  owner_ = true;
  file_name_ = file_name;
  error = FF().avformat_find_stream_info(context_, nullptr);
  deadline_set_ = false;
  if (error < 0 || !HasCodecParameters(context_)) {
    std::string text = file_name + ": could not find codec parameters";
    CloseFile();
    Fail(llError, text);
    return false;
  }
  CollectFacts();
  format_name_ = format_name;
  return true;
}

void TCustomDecoder::AttachInput(AVFormatContext* context) {
  if (context && context == context_) return;
  CheckLibraries();
  CloseFile();
  owner_ = false;
  context_ = context;
  file_name_ = context && context->url ? context->url : "";
  CollectFacts();
}

void TCustomDecoder::CloseFile() {
  ReleaseFile();
  format_name_.clear();
  if (owner_ && context_) {
    if (FF().avformat_close_input) FF().avformat_close_input(&context_);
  }
  context_ = nullptr;
  owner_ = false;
  file_name_.clear();
  CollectFacts();
}

std::string TCustomDecoder::FileName() {
  if (!context_) {
    Fail(llWarning, "file not loaded.");
    return std::string();
  }
  return file_name_;
}

void TCustomDecoder::CollectFacts() {
  file_size_ = -1;
  stream_count_ = audio_count_ = video_count_ = subtitle_count_ = -1;
  first_audio_ = first_video_ = first_subtitle_ = -1;
  if (!context_) return;
  stream_count_ = static_cast<int>(context_->nb_streams);
  audio_count_ = video_count_ = subtitle_count_ = 0;
  for (int i = 0; i < stream_count_; ++i) {
    switch (context_->streams[i]->codecpar->codec_type) {
      case AVMEDIA_TYPE_VIDEO:
        if (video_count_++ == 0) first_video_ = i;
        break;
      case AVMEDIA_TYPE_AUDIO:
        if (audio_count_++ == 0) first_audio_ = i;
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        if (subtitle_count_++ == 0) first_subtitle_ = i;
        break;
      default:
        break;
    }
  }
  std::int64_t container_size = context_->pb ? FF().avio_size(context_->pb) : -1;
  if (container_size > 0) {
    file_size_ = container_size;
    return;
  }
  struct stat st;
  if (!file_name_.empty() && ::stat(file_name_.c_str(), &st) == 0 && S_ISREG(st.st_mode))
    file_size_ = st.st_size;
  else
    file_size_ = container_size < 0 ? -1 : container_size;
}

bool TCustomDecoder::GetFileStreamInfo(TFileStreamInfo& info) {
  info = TFileStreamInfo();
  CheckLibraries();
  if (!context_) {
    Fail(llWarning, "file not loaded.");
    return false;
  }
  const AVFormatContext* c = context_;
  info.StartTime = c->start_time == AV_NOPTS_VALUE ? -1 : c->start_time;
  info.Duration = c->duration == AV_NOPTS_VALUE || c->duration < 0 ? -1 : c->duration;
  info.BitRate = ClampToInt(std::max<std::int64_t>(c->bit_rate, 0));
  info.Title = DictValue(c->metadata, "title");
  info.Author = DictValue(c->metadata, "author");
  if (info.Author.empty()) info.Author = DictValue(c->metadata, "artist");
  info.Copyright = DictValue(c->metadata, "copyright");
  info.Comment = DictValue(c->metadata, "comment");
  info.Album = DictValue(c->metadata, "album");
  info.Genre = DictValue(c->metadata, "genre");
  std::string date = DictValue(c->metadata, "date");
  if (date.empty()) date = DictValue(c->metadata, "year");
  info.Year = LeadingNumber(date);
  info.Track = LeadingNumber(DictValue(c->metadata, "track"));
  info.Timestamp = 0;
  std::string created = DictValue(c->metadata, "creation_time");
  std::int64_t when = 0;
  if (!created.empty() && FF().av_parse_time(&when, created.c_str(), 0) >= 0) info.Timestamp = when;
  return true;
}

AVStream* TCustomDecoder::StreamOfKind(int index, int kind, const char* none_text,
                                       const char* kind_text) {
  if (!context_) {
    Fail(llWarning, "file not loaded.");
    return nullptr;
  }
  if (index < 0) {
    index = kind == AVMEDIA_TYPE_AUDIO ? first_audio_ : first_video_;
    if (index < 0) {
      Fail(llError, none_text);
      return nullptr;
    }
  }
  if (index >= stream_count_) {
    Fail(llError, FormatText("stream index #%d is invalid.", index));
    return nullptr;
  }
  AVStream* stream = context_->streams[index];
  if (stream->codecpar->codec_type != kind) {
    Fail(llError, FormatText(kind_text, index));
    return nullptr;
  }
  return stream;
}

namespace {

template <typename Info>
void FillCommon(const AVStream* stream, Info& info) {
  info.Language = DictValue(stream->metadata, "language");
  info.CodecDesc = CodecDesc(stream);
  const AVRational tb = UsableTimeBase(stream->time_base);
  if (stream->start_time != AV_NOPTS_VALUE) {
    info.StartTimeRaw = stream->start_time;
    info.StartTime = FF().av_rescale_q(stream->start_time, tb, AV_TIME_BASE_Q);
  }
  if (stream->duration != AV_NOPTS_VALUE && stream->duration >= 0) {
    info.DurationRaw = stream->duration;
    info.Duration = FF().av_rescale_q(stream->duration, tb, AV_TIME_BASE_Q);
  }
  info.BitRate = ClampToInt(stream->codecpar->bit_rate);
}

}  // namespace

bool TCustomDecoder::GetAudioStreamInfo(int stream_index, TAudioStreamInfo& info) {
  info = TAudioStreamInfo();
  CheckLibraries();
  const AVStream* stream = StreamOfKind(stream_index, AVMEDIA_TYPE_AUDIO, "no audio stream.",
                                        "stream #%d is not audio stream.");
  if (!stream) return false;
  FillCommon(stream, info);
  const AVCodecParameters* par = stream->codecpar;
  info.Channels = par->ch_layout.nb_channels;
  info.SampleRate = par->sample_rate;
  info.SampleFormat = par->format;
  return true;
}

bool TCustomDecoder::GetVideoStreamInfo(int stream_index, TVideoStreamInfo& info) {
  info = TVideoStreamInfo();
  CheckLibraries();
  AVStream* stream = StreamOfKind(stream_index, AVMEDIA_TYPE_VIDEO, "no video stream.",
                                  "stream #%d is not video stream.");
  if (!stream) return false;
  FillCommon(stream, info);
  const AVCodecParameters* par = stream->codecpar;
  info.Width = par->width;
  info.Height = par->height;
  AVRational sar = FF().av_guess_sample_aspect_ratio(context_, stream, nullptr);
  if (sar.num <= 0 || sar.den <= 0) sar = AVRational{1, 1};  // unknown: square pixels
  if (par->height > 0)
    info.DisplayAspectRatio =
        static_cast<float>(av_q2d(sar) * par->width / static_cast<double>(par->height));
  info.PixelFormat = par->format;
  AVRational rate = stream->avg_frame_rate.num != 0 && stream->avg_frame_rate.den != 0
                        ? stream->avg_frame_rate
                        : stream->r_frame_rate;
  info.FrameRate = TRational{rate.num, rate.den};
  return true;
}

// ---- TFFDecoder

struct TFFDecoder::Codec {
  CodecContextPtr context;
  int stream = -1;
};

TFFDecoder::TFFDecoder() = default;

TFFDecoder::~TFFDecoder() {
  // Close here, while this class's part of the file state still exists.
  if (context_ || codec_) {
    ReleaseFile();
    if (owner_ && context_ && FF().avformat_close_input) FF().avformat_close_input(&context_);
    context_ = nullptr;
  }
}

void TFFDecoder::CollectFacts() {
  TCustomDecoder::CollectFacts();
  reference_stream_ = FirstVideoStream() >= 0 ? FirstVideoStream() : FirstAudioStream();
  reference_start_ = 0;
  if (!context_) return;
  if (reference_stream_ >= 0) {
    std::int64_t start = context_->streams[reference_stream_]->start_time;
    reference_start_ = start == AV_NOPTS_VALUE ? 0 : start;
  } else if (context_->start_time != AV_NOPTS_VALUE) {
    reference_start_ = context_->start_time;
  }
}

void TFFDecoder::ReleaseFile() {
  codec_.reset();
  ResetPicture();
  stream_ = -1;
  seek_target_ = INT64_MIN;
}

void TFFDecoder::ResetPicture() {
  picture_.reset();
  picture_ready_ = false;
  eof_ = false;
  draining_ = false;
  key_frame_ = false;
  picture_type_ = 0;
  picture_pts_ = -1;
}

int TFFDecoder::PictureWidth() const {
  return picture_ready_ ? picture_->width : -1;
}
int TFFDecoder::PictureHeight() const {
  return picture_ready_ ? picture_->height : -1;
}

bool TFFDecoder::Seek(int flags, std::int64_t position) {
  CheckLibraries();
  if (!context_) {
    Fail(llWarning, "file not loaded.");
    return false;
  }
  if (!owner_) {
    const char* text = "file cannot be seeked, handle is readonly.";
    Fail(llError, text);
    throw std::runtime_error(text);
  }
  if (IsStillImage(context_)) {
    Fail(llInfo, "\"image2\" format cannot to be seeked.");
    return false;
  }
  flags &= sfBackward | sfByte | sfAny | sfFrame;
  AVIOContext* pb = context_->pb;
  const std::int64_t before = pb ? FF().avio_seek(pb, 0, SEEK_CUR) : -1;
  if (pb) FFLogF(this, llDebug, "current position %lld bytes", static_cast<long long>(before));
  const std::int64_t requested = position;
  if (position < 0) position = 0;
  const bool by_time = !(flags & (sfByte | sfFrame));
  AVRational tb = AV_TIME_BASE_Q;
  if (!(flags & sfByte)) {
    if (reference_stream_ >= 0) {
      tb = UsableTimeBase(context_->streams[reference_stream_]->time_base);
      position = FF().av_rescale_q(position, AV_TIME_BASE_Q, tb);
    }
    if (reference_start_ > 0) position += reference_start_;
  }

  if (codec_) FF().avcodec_flush_buffers(codec_->context.get());
  ResetPicture();
  seek_target_ = INT64_MIN;

  // By time, land on the key frame at or before the position (Decode then skips to the picture
  // at the position); when the file refuses that, try the other direction.
  int error;
  if (position > 0 && !by_time) {
    error = FF().av_seek_frame(context_, reference_stream_, position, flags);
  } else {
    error = FF().av_seek_frame(context_, reference_stream_, position, flags | sfBackward);
    if (error < 0 && !(position > 0 && (flags & sfBackward)))
      error = FF().av_seek_frame(context_, reference_stream_, position, flags & ~sfBackward);
  }
  // A format that cannot seek by time (a raw stream) may read on to its end while trying: a seek
  // to the start then starts reading again from the first byte.
  auto rewind_to_start = [&] {
    if (!by_time || requested > 0 || !pb) return false;
    if (FF().avformat_seek_file(context_, -1, INT64_MIN, 0, INT64_MAX, AVSEEK_FLAG_BYTE) < 0)
      return false;
    FF().avformat_flush(context_);
    eof_ = false;
    return true;
  };
  if (error < 0 && rewind_to_start()) return true;
  if (error < 0) {
    if (flags & sfByte)
      Fail(llError,
           FormatText("could not seek to position %lld bytes", static_cast<long long>(requested)));
    else
      Fail(llError, FormatText("could not seek to position %0.3f seconds", requested / 1000000.0));
    return false;
  }
  if (by_time) seek_target_ = FF().av_rescale_q(position, tb, AV_TIME_BASE_Q);
  if (pb) {
    FFLogF(this, llDebug, "seek to position %lld bytes",
           static_cast<long long>(FF().avio_seek(pb, 0, SEEK_CUR)));
    if (pb->eof_reached) {
      seek_target_ = INT64_MIN;
      if (rewind_to_start()) return true;
      EndOfStreamReached();
      return false;
    }
  }
  return true;
}

void TFFDecoder::EndOfStreamReached() {
  eof_ = true;
  Fail(llInfo, "stream eof reached.");
}

bool TFFDecoder::OpenCodec(int stream_index) {
  if (codec_ && codec_->stream == stream_index) return true;
  codec_.reset();
  const AVStream* stream = context_->streams[stream_index];
  const AVCodecParameters* par = stream->codecpar;
  if (par->width <= 0 || par->height <= 0) {
    Fail(llError, "frame size of codec is invalid.");
    return false;
  }
  const AVCodec* decoder = FF().avcodec_find_decoder(par->codec_id);
  if (!decoder) {
    Fail(llError, FormatText("Unsupported codec (id=%d) for input file stream #%d",
                             static_cast<int>(par->codec_id), stream_index));
    return false;
  }
  auto codec = std::make_unique<Codec>();
  codec->context.reset(FF().avcodec_alloc_context3(decoder));
  codec->stream = stream_index;
  if (!codec->context || FF().avcodec_parameters_to_context(codec->context.get(), par) < 0) {
    Fail(llError, FormatText("Error while opening codec for input file stream #%d", stream_index));
    return false;
  }
  codec->context->pkt_timebase = stream->time_base;
  // One thread: a probe decodes a few pictures, for which starting frame threads costs more
  // than it gains, and single pictures come out without the threads' delay.
  codec->context->thread_count = 1;
  if (FF().avcodec_open2(codec->context.get(), decoder, nullptr) < 0) {
    Fail(llError, FormatText("Error while opening codec for input file stream #%d", stream_index));
    return false;
  }
  codec_ = std::move(codec);
  return true;
}

bool TFFDecoder::AcceptFrame(const AVFrame* frame) const {
  if (seek_target_ == INT64_MIN || frame->best_effort_timestamp == AV_NOPTS_VALUE) return true;
  const AVRational tb = UsableTimeBase(context_->streams[stream_]->time_base);
  return frame->best_effort_timestamp >= FF().av_rescale_q(seek_target_, AV_TIME_BASE_Q, tb);
}

bool TFFDecoder::TakePicture(AVFrame* frame) {
  const AVStream* stream = context_->streams[stream_];
  FFLogF(this, llDebug, "pkt.st_idx=%d, dts=%lld, pts=%lld, flags=%d, pict_type=%d", stream_,
         static_cast<long long>(frame->pkt_dts), static_cast<long long>(frame->pts),
         frame->key_frame, static_cast<int>(frame->pict_type));
  FramePtr picture(FF().av_frame_alloc());
  if (!picture || FF().av_frame_ref(picture.get(), frame) < 0) {
    Fail(llError, "decoded picture could not be kept.");
    return false;
  }
  if (Deinterlace) {
    const AVPixFmtDescriptor* desc =
        FF().av_pix_fmt_desc_get(static_cast<AVPixelFormat>(picture->format));
    bool planar8 = desc && (desc->flags & AV_PIX_FMT_FLAG_PLANAR) &&
                   !(desc->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL |
                                    AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BITSTREAM)) &&
                   desc->comp[0].depth == 8;
    // A picture shared with the decoder is blended in a buffer of its own.
    const bool no_buffer = planar8 && FF().av_frame_make_writable(picture.get()) < 0;
    if (no_buffer) Fail(llError, "deinterlace buffer malloc error.");
    bool ok = planar8 && !no_buffer;
    for (int p = 0; ok && p < 4 && picture->data[p]; ++p) {
      int w =
          p == 1 || p == 2 ? AV_CEIL_RSHIFT(picture->width, desc->log2_chroma_w) : picture->width;
      int h =
          p == 1 || p == 2 ? AV_CEIL_RSHIFT(picture->height, desc->log2_chroma_h) : picture->height;
      ok = BlendInterlacedLines(picture->data[p], picture->linesize[p], w, h);
    }
    if (!ok) {
      if (!no_buffer) Fail(llError, "deinterlacing failed.");
      Deinterlace = false;
      // The picture is used as decoded.
      FF().av_frame_unref(picture.get());
      if (FF().av_frame_ref(picture.get(), frame) < 0) return false;
    }
  }
  key_frame_ = frame->key_frame != 0;
  int type = static_cast<int>(frame->pict_type);
  picture_type_ = type >= 0 && type <= 7 ? type : 0;
  picture_pts_ = -1;
  if (frame->best_effort_timestamp != AV_NOPTS_VALUE) {
    std::int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    picture_pts_ = FF().av_rescale_q(frame->best_effort_timestamp - start,
                                     UsableTimeBase(stream->time_base), AV_TIME_BASE_Q);
    FFLogF(this, llDebug, "decode PTS: %0.3f", picture_pts_ / 1000000.0);
  }
  picture_ = std::move(picture);
  picture_ready_ = true;
  seek_target_ = INT64_MIN;
  return true;
}

bool TFFDecoder::Decode(int stream_index) {
  CheckLibraries();
  if (!context_) {
    Fail(llWarning, "file not loaded.");
    return false;
  }
  int index = stream_index >= 0 ? stream_index : (stream_ >= 0 ? stream_ : FirstVideoStream());
  if (index < 0) {
    Fail(llError, "no video stream.");
    return false;
  }
  if (index >= StreamCount()) {
    Fail(llError, FormatText("stream index #%d is invalid.", index));
    return false;
  }
  if (context_->streams[index]->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) {
    Fail(llError, FormatText("stream #%d is not video stream.", index));
    return false;
  }
  if (index != stream_) {
    ResetPicture();
    stream_ = index;
  }
  if (picture_ready_ && IsStillImage(context_)) return true;
  if (eof_) {
    Fail(llInfo, "stream eof reached.");
    return false;
  }
  if (!OpenCodec(index)) return false;

  FramePtr frame(FF().av_frame_alloc());
  FramePtr passed;  // the last picture skipped on the way to a seek
  PacketPtr packet(FF().av_packet_alloc());
  if (!frame || !packet) {
    Fail(llError, ErrorCodeText(AVERROR(ENOMEM)));
    return false;
  }
  AVCodecContext* codec = codec_->context.get();
  deadline_ = std::chrono::steady_clock::now() + kIoTimeout;
  deadline_set_ = true;
  struct DeadlineOff {
    bool& flag;
    ~DeadlineOff() { flag = false; }
  } deadline_off{deadline_set_};

  for (;;) {
    int error = FF().avcodec_receive_frame(codec, frame.get());
    if (error == 0) {
      if (AcceptFrame(frame.get())) return TakePicture(frame.get());
      passed.swap(frame);
      if (!frame)
        frame.reset(FF().av_frame_alloc());
      else
        FF().av_frame_unref(frame.get());
      if (!frame) return false;
      continue;
    }
    if (error == AVERROR_EOF || (draining_ && error != AVERROR(EAGAIN))) {
      // Everything was decoded. A seek past the last picture shows the last one.
      if (passed) return TakePicture(passed.get());
      EndOfStreamReached();
      return false;
    }
    if (draining_) {  // cannot happen after the flush packet; do not spin
      EndOfStreamReached();
      return false;
    }
    // EAGAIN, or a damaged packet: feed the next packet.
    error = FF().av_read_frame(context_, packet.get());
    if (error == AVERROR(EAGAIN)) {
      Fail(llInfo, "no data, please try again.");
      return false;
    }
    if (error < 0) {
      if (error == AVERROR(EPIPE) || error == AVERROR_EOF ||
          (context_->pb && context_->pb->eof_reached)) {
        // Drain the pictures the decoder still holds.
        draining_ = true;
        FF().avcodec_send_packet(codec, nullptr);
        continue;
      }
      Fail(llInfo, FormatText("unknown error #%d.", error));
      return false;
    }
    if (packet->stream_index == index) FF().avcodec_send_packet(codec, packet.get());
    FF().av_packet_unref(packet.get());
  }
}

bool TFFDecoder::CopyToBitmap(TBitmap& bitmap) {
  CheckLibraries();
  if (!picture_ready_ || !picture_) {
    Fail(llError, "picture not ready, please decode first");
    return false;
  }
  const int width = picture_->width;
  const int height = picture_->height;
  SwsContext* sws = FF().sws_getCachedContext(
      sws_.release(), width, height, static_cast<AVPixelFormat>(picture_->format), width, height,
      AV_PIX_FMT_BGR24, SWS_BICUBIC, nullptr, nullptr, nullptr);
  sws_.reset(sws);
  if (!sws) {
    bitmap.Resize(width, height);
    Fail(llError, "Cannot initialize the toRGB conversion context");
    return false;
  }
  // Converted top-down into an aligned, padded buffer, then stored bottom-up.
  const int stride = (width * 3 + 63) & ~63;
  std::vector<std::uint8_t> rgb(static_cast<size_t>(stride) * height + 64);
  std::uint8_t* dst[4] = {rgb.data(), nullptr, nullptr, nullptr};
  int dst_stride[4] = {stride, 0, 0, 0};
  FF().sws_scale(sws, picture_->data, picture_->linesize, 0, height, dst, dst_stride);
  TBitmap out;
  out.Resize(width, height);
  for (int y = 0; y < height; ++y)
    std::memcpy(out.TopRow(y), rgb.data() + static_cast<size_t>(y) * stride,
                static_cast<size_t>(width) * 3);
  bitmap = std::move(out);
  return true;
}

}  // namespace tallowin::media
