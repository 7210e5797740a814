#include "media/options/generic_options.h"

#include <memory>

#include "media/runtime/ff_api.h"
#include "media/runtime/ff_exception.h"

namespace tallowin::media {
namespace {

struct CodecContextFree {
  void operator()(AVCodecContext* c) const { FF().avcodec_free_context(&c); }
};
struct FormatContextFree {
  void operator()(AVFormatContext* c) const { FF().avformat_free_context(c); }
};

const AVOption* FindIn(const AVClass* cls, const std::string& name, bool children) {
  if (!cls) return nullptr;
  const AVClass* fake = cls;
  return FF().av_opt_find(&fake, name.c_str(), nullptr, 0,
                          AV_OPT_SEARCH_FAKE_OBJ | (children ? AV_OPT_SEARCH_CHILDREN : 0));
}

std::string InvalidValue(const std::string& name, const std::string& value) {
  return "Invalid value \"" + value + "\" for option \"" + name + "\"";
}

int KindFlag(StreamKind kind) {
  switch (kind) {
    case kVideo:
      return AV_OPT_FLAG_VIDEO_PARAM;
    case kAudio:
      return AV_OPT_FLAG_AUDIO_PARAM;
    default:
      return AV_OPT_FLAG_SUBTITLE_PARAM;
  }
}

// Tries the value on a scratch codec context: false when the library rejects it.
bool CodecValueValid(const std::string& name, const std::string& value) {
  std::unique_ptr<AVCodecContext, CodecContextFree> ctx(FF().avcodec_alloc_context3(nullptr));
  if (!ctx) return true;
  return FF().av_opt_set(ctx.get(), name.c_str(), value.c_str(), 0) >= 0;
}

bool FormatValueValid(const std::string& name, const std::string& value) {
  std::unique_ptr<AVFormatContext, FormatContextFree> ctx(FF().avformat_alloc_context());
  if (!ctx) return true;
  return FF().av_opt_set(ctx.get(), name.c_str(), value.c_str(), 0) >= 0;
}

}  // namespace

bool GenericOptionStore::Set(const std::string& name, const std::string& value, bool strict) {
  const AVOption* codec_main = FindIn(FF().avcodec_get_class(), name, false);
  const AVOption* codec_any =
      codec_main ? codec_main : FindIn(FF().avcodec_get_class(), name, true);
  const AVOption* format_main = FindIn(FF().avformat_get_class(), name, false);
  const AVOption* format_any =
      format_main ? format_main : FindIn(FF().avformat_get_class(), name, true);
  const AVOption* scaler = FindIn(FF().sws_get_class(), name, false);
  if (!codec_any && !format_any && !scaler) {
    if (strict) throw FFmpegException("Unrecognized option \"" + name + "\"");
    return false;
  }
  if ((codec_main && !CodecValueValid(name, value)) ||
      (!codec_any && format_main && !FormatValueValid(name, value))) {
    if (strict) throw FFmpegException(InvalidValue(name, value));
    return false;
  }
  if (codec_any) codec_.push_back({name, value, codec_main ? codec_main->flags : 0, -1});
  if (format_any) format_.push_back({name, value, 0, -1});
  if (scaler) scaler_.push_back({name, value, 0, -1});
  return true;
}

void GenericOptionStore::SetForKind(StreamKind kind, const std::string& name,
                                    const std::string& value, bool strict) {
  const AVOption* option = FindIn(FF().avcodec_get_class(), name, false);
  if (!option) {
    if (strict) throw FFmpegException("Unrecognized option \"" + name + "\"");
    return;
  }
  if (!CodecValueValid(name, value)) {
    if (strict) throw FFmpegException(InvalidValue(name, value));
    return;
  }
  codec_.push_back({name, value, option->flags, kind});
}

int64_t GenericOptionStore::CodecIntValue(const std::string& name, const std::string& value) {
  std::unique_ptr<AVCodecContext, CodecContextFree> ctx(FF().avcodec_alloc_context3(nullptr));
  int64_t result = 0;
  if (!ctx || FF().av_opt_set(ctx.get(), name.c_str(), value.c_str(), 0) < 0 ||
      FF().av_opt_get_int(ctx.get(), name.c_str(), 0, &result) < 0)
    return 0;
  return result;
}

AVDictionary* GenericOptionStore::CodecOptions(StreamKind kind, const AVCodec* codec,
                                               bool encoding) const {
  AVDictionary* dict = nullptr;
  const int direction = encoding ? AV_OPT_FLAG_ENCODING_PARAM : AV_OPT_FLAG_DECODING_PARAM;
  const int kinds = AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_SUBTITLE_PARAM;
  for (const auto& entry : codec_) {
    if (entry.kind >= 0 && entry.kind != kind) continue;
    bool take = false;
    if (entry.flags) {
      take = (entry.flags & direction) &&
             (!(entry.flags & kinds) || (entry.flags & KindFlag(kind)) || entry.kind == kind);
    } else if (codec && codec->priv_class) {
      take = FindIn(codec->priv_class, entry.name, false) != nullptr;
    }
    if (!take) continue;
    // x264-params collects key=value pairs from several options.
    const AVDictionaryEntry* prior = entry.name == "x264-params"
                                         ? FF().av_dict_get(dict, entry.name.c_str(), nullptr, 0)
                                         : nullptr;
    const std::string value = prior ? std::string(prior->value) + ":" + entry.value : entry.value;
    FF().av_dict_set(&dict, entry.name.c_str(), value.c_str(), 0);
  }
  return dict;
}

AVDictionary* GenericOptionStore::FormatOptions() const {
  AVDictionary* dict = nullptr;
  for (const auto& entry : format_)
    FF().av_dict_set(&dict, entry.name.c_str(), entry.value.c_str(), 0);
  return dict;
}

std::string GenericOptionStore::ScalerFlags() const {
  std::string flags;
  for (const auto& entry : scaler_)
    if (entry.name == "sws_flags") flags = entry.value;
  return flags;
}

}  // namespace tallowin::media
