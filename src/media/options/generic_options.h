// The generic option store: options that are not in the engine's own table but belong to the
// libraries' option system (codec, format and scaler contexts), checked when they are set and
// handed to each encoder, decoder, muxer, demuxer or scaler that knows them.
#pragma once

#include <string>
#include <vector>

#include "media/options/pending_options.h"

struct AVCodec;
struct AVDictionary;

namespace tallowin::media {

class GenericOptionStore {
 public:
  // Sets an option by name for every context kind that knows it. Unknown names give
  // `Unrecognized option "%s"`, bad values `Invalid value "%s" for option "%s"`; with `strict`
  // that raises FFmpegException, otherwise the option is dropped and false returned.
  bool Set(const std::string& name, const std::string& value, bool strict);

  // Sets a codec option for the streams of one kind only (the "b" of vb or the "b" of ab).
  void SetForKind(StreamKind kind, const std::string& name, const std::string& value, bool strict);

  // The integer value that a codec option has after parsing `value` (for the bit-rate warning).
  static int64_t CodecIntValue(const std::string& name, const std::string& value);

  // Options for an encoder (`encoding`) or decoder of `codec`, of stream kind `kind`. The caller
  // owns the dictionary (av_dict_free).
  AVDictionary* CodecOptions(StreamKind kind, const AVCodec* codec, bool encoding) const;
  // Options for a muxer or demuxer context.
  AVDictionary* FormatOptions() const;
  // The scaler flags ("sws_flags"), empty when not set.
  std::string ScalerFlags() const;

  bool empty() const { return codec_.empty() && format_.empty() && scaler_.empty(); }

 private:
  struct Entry {
    std::string name, value;
    int flags = 0;  // the option's AVOption flags; 0 for a private codec option
    int kind = -1;  // -1 every kind, else the one StreamKind it was set for
  };
  std::vector<Entry> codec_, format_, scaler_;
};

}  // namespace tallowin::media
