// Progress reports of a running task and the summary at its end.
#include <algorithm>
#include <cstdio>

#include "media/engine/engine_state.h"

namespace tallowin::media {
namespace {

// Bytes in an output so far: its position, or its size once a trailer moved back into it.
int64_t WrittenBytes(AVIOContext* pb) {
  const int64_t position = FF().avio_seek(pb, 0, SEEK_CUR);
  const int64_t size = FF().avio_size(pb);
  return std::max<int64_t>({position, size, 0});
}

}  // namespace

void TCustomFFmpeg::Impl::MaybeReport(int file_index) {
  const int64_t now = FF().av_gettime_relative();
  if (now - last_report_us < report_interval) return;
  last_report_us = now;
  Report(false, file_index);
}

void TCustomFFmpeg::Impl::Report(bool final_report, int file_index) {
  const int v = verbosity();
  if (!owner.OnProgress && v <= 0 && !final_report) return;
  const OutputStream* video = nullptr;
  for (const auto& ost : ostreams)
    if (ost.kind == kVideo) {
      video = &ost;
      break;
    }
  // A task with video output reports nothing before its first video frame.
  if (video && video->frames_encoded == 0) return;

  TProgressInfo info;
  info.FileIndex = file_index;
  const double elapsed = (FF().av_gettime_relative() - run_start_us) / 1e6;
  if (video) {
    info.CurrentFrame = static_cast<int>(video->frames_encoded);
    info.CurrentFPS = elapsed > 1 ? static_cast<int>(video->frames_encoded / elapsed + 0.5) : 0;
    info.CurrentQuality = video->encoder.quality;
  } else {
    info.CurrentFrame = -1;
    info.CurrentFPS = -1;
    info.CurrentQuality = -1;
  }
  int64_t size = 0;
  if (!outputs.empty()) {
    const OutputFile& first = outputs.front();
    if (first.ctx && first.ctx->pb) size = WrittenBytes(first.ctx->pb);
    if (size <= 0)
      for (int index : first.streams) size += ostreams[index].muxer.bytes;
  }
  info.CurrentSize = std::max<int64_t>(size, 0);
  int64_t position = INT64_MAX;
  for (const auto& ost : ostreams)
    if (ost.muxer.position != AV_NOPTS_VALUE && ost.muxer.position > 0)
      position = std::min(position, ost.muxer.position);
  info.CurrentDuration =
      position == INT64_MAX ? 10000000000000000LL : std::max<int64_t>(position, 10000);
  info.CurrentBitrate =
      static_cast<float>(info.CurrentSize * 8.0 / (info.CurrentDuration / 1e6) / 1000.0);
  info.TotalDuration = total_duration;

  int64_t dup = 0, drop = vfr_dropped;
  for (const auto& ost : ostreams) {
    if (ost.kind != kVideo || ost.copy) continue;
    if (ost.frames_out > ost.frames_in) dup += ost.frames_out - ost.frames_in;
    if (ost.frames_in > ost.frames_out) drop += ost.frames_in - ost.frames_out;
  }

  char line[256];
  int n = 0;
  if (video)
    n = std::snprintf(line, sizeof line, "frame=%5d fps=%3d q=%3.1f %s", info.CurrentFrame,
                      info.CurrentFPS, static_cast<double>(info.CurrentQuality),
                      final_report ? "L" : "");
  n += std::snprintf(line + n, sizeof line - n, "size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s",
                     info.CurrentSize / 1024.0, info.CurrentDuration / 1e6,
                     static_cast<double>(info.CurrentBitrate));
  if (dup || drop)
    std::snprintf(line + n, sizeof line - n, " dup=%lld drop=%lld", static_cast<long long>(dup),
                  static_cast<long long>(drop));

  if (owner.OnProgress) {
    owner.OnProgress(owner, info);
    if ((dup || drop) && !dup_drop_logged) {
      dup_drop_logged = true;
      Log(llVerbose, line);
    }
  } else if (v >= 0) {
    Log(llVerbose, line);
  }
}

void TCustomFFmpeg::Impl::Summary() {
  if (verbosity() < 0) return;
  double video = 0, audio = 0, headers = 0;
  for (const auto& ost : ostreams) {
    (ost.kind == kVideo ? video : audio) += ost.muxer.bytes;
    if (ost.encoder.context) headers += ost.encoder.context->extradata_size;
  }
  double total = 0;
  for (const auto& file : outputs)
    if (file.ctx && file.ctx->pb) total += WrittenBytes(file.ctx->pb);
  const double payload = video + audio + headers;
  const double overhead = payload > 0 ? 100.0 * (total - payload) / payload : 0;
  char line[256];
  std::snprintf(line, sizeof line,
                "video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%",
                video / 1024, audio / 1024, headers / 1024, overhead);
  Log(llVerbose, line);
}

}  // namespace tallowin::media
