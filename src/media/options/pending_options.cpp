#include "media/options/pending_options.h"

namespace tallowin::media {

void CopyKindOptions(PendingOptions& to, const PendingOptions& from, StreamKind kind) {
  to.codec[kind] = from.codec[kind];
  to.disabled[kind] = from.disabled[kind];
  to.tag[kind] = from.tag[kind];
  to.language[kind] = from.language[kind];
  to.max_frames[kind] = from.max_frames[kind];
  to.bitstream_filters[kind] = from.bitstream_filters[kind];
  if (kind == kVideo) {
    to.width = from.width;
    to.height = from.height;
    to.frame_rate = from.frame_rate;
    to.aspect = from.aspect;
    to.pix_fmt = from.pix_fmt;
    to.qscale = from.qscale;
    to.video_filters = from.video_filters;
    to.intra_only = from.intra_only;
    to.intra_matrix = from.intra_matrix;
    to.inter_matrix = from.inter_matrix;
    to.forced_key_frames = from.forced_key_frames;
    to.rc_override = from.rc_override;
  } else if (kind == kAudio) {
    to.sample_rate = from.sample_rate;
    to.channels = from.channels;
    to.sample_fmt = from.sample_fmt;
    to.volume = from.volume;
  }
}

}  // namespace tallowin::media
