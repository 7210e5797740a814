#include "media/options/legacy_formats.h"

#include <cstdlib>

#include "media/runtime/ff_api.h"

namespace tallowin::media {

int ClosestSampleRate(const AVCodec* codec, int rate) {
  if (!codec || !codec->supported_samplerates || rate <= 0) return rate;
  int best = 0;
  for (const int* r = codec->supported_samplerates; *r; ++r) {
    if (*r == rate) return rate;
    if (!best || std::abs(*r - rate) < std::abs(best - rate)) best = *r;
  }
  return best ? best : rate;
}

std::string ClosestSampleFormat(const AVCodec* codec, const std::string& name) {
  if (!codec || !codec->sample_fmts || name.empty()) return name;
  const AVSampleFormat wanted = FF().av_get_sample_fmt(name.c_str());
  const AVSampleFormat packed = FF().av_get_packed_sample_fmt(wanted);
  AVSampleFormat twin = AV_SAMPLE_FMT_NONE;
  for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f) {
    if (*f == wanted) return name;
    if (twin == AV_SAMPLE_FMT_NONE && FF().av_get_packed_sample_fmt(*f) == packed) twin = *f;
  }
  const AVSampleFormat chosen = twin != AV_SAMPLE_FMT_NONE ? twin : codec->sample_fmts[0];
  return FF().av_get_sample_fmt_name(chosen);
}

std::vector<AVPixelFormat> UsablePixelFormats(const AVCodec* codec) {
  std::vector<AVPixelFormat> formats;
  if (!codec || !codec->pix_fmts) return formats;
  for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f) {
    const std::string name = FF().av_get_pix_fmt_name(*f);
    if (codec->id == AV_CODEC_ID_MJPEG && name.rfind("yuvj", 0) != 0) continue;
    formats.push_back(*f);
  }
  if (formats.empty()) formats.assign(codec->pix_fmts, codec->pix_fmts + 1);
  return formats;
}

std::string ClosestPixelFormat(const AVCodec* codec, const std::string& name) {
  if (!codec || !codec->pix_fmts || name.empty()) return name;
  const AVPixelFormat wanted = FF().av_get_pix_fmt(name.c_str());
  for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
    if (*f == wanted) return name;
  std::vector<AVPixelFormat> usable = UsablePixelFormats(codec);
  usable.push_back(AV_PIX_FMT_NONE);
  const AVPixelFormat best =
      FF().avcodec_find_best_pix_fmt_of_list(usable.data(), wanted, 0, nullptr);
  return FF().av_get_pix_fmt_name(best != AV_PIX_FMT_NONE ? best : usable[0]);
}

const AVCodec* FirstAcceptedEncoder(const AVOutputFormat* format, StreamKind kind) {
  const AVMediaType type = kind == kVideo   ? AVMEDIA_TYPE_VIDEO
                           : kind == kAudio ? AVMEDIA_TYPE_AUDIO
                                            : AVMEDIA_TYPE_SUBTITLE;
  void* it = nullptr;
  while (const AVCodec* codec = FF().av_codec_iterate(&it)) {
    if (codec->type != type || !FF().av_codec_is_encoder(codec) ||
        (codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL))
      continue;
    if (FF().avformat_query_codec(format, codec->id, FF_COMPLIANCE_NORMAL) == 1) return codec;
  }
  return nullptr;
}

}  // namespace tallowin::media
