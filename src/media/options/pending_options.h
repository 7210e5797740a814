// What the option parser collects: the per-file options that apply to the next file opened (reset
// after each open) and the engine-wide settings that hold for the whole task.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/rational.h>
}

namespace tallowin::media {

// Stream kinds of the output, indexed like the per-kind arrays below.
enum StreamKind { kVideo = 0, kAudio = 1, kSubtitle = 2, kStreamKinds = 3 };

// The libraries' media type of a kind.
constexpr AVMediaType MediaType(StreamKind kind) {
  return kind == kVideo   ? AVMEDIA_TYPE_VIDEO
         : kind == kAudio ? AVMEDIA_TYPE_AUDIO
                          : AVMEDIA_TYPE_SUBTITLE;
}

// The kind's word in option names and messages: "video", "audio" or "subtitle".
constexpr const char* KindName(StreamKind kind) {
  return kind == kVideo ? "video" : kind == kAudio ? "audio" : "subtitle";
}

// One range of rc_override: frames start..end (inclusive) get the fixed quantiser `qscale`, or,
// when it is 0, `quality_factor` times the bits that rate control would give them.
struct RateOverride {
  int start_frame = 0, end_frame = 0;
  int qscale = 0;
  float quality_factor = 1.0f;
};

// Options of the next input or output file.
struct PendingOptions {
  std::string format;                  // f
  std::string codec[kStreamKinds];     // vcodec, acodec, scodec ("copy" = stream copy)
  bool disabled[kStreamKinds] = {};    // vn, an, sn
  uint32_t tag[kStreamKinds] = {};     // vtag, atag, stag
  std::string language[kStreamKinds];  // vlang, alang, slang
  int64_t max_frames[kStreamKinds] = {INT64_MAX, INT64_MAX, INT64_MAX};  // vframes, aframes
  int width = 0, height = 0;                                             // s
  AVRational frame_rate{0, 0};                                           // r
  double aspect = 0;                                                     // aspect
  std::string pix_fmt;                                                   // pix_fmt
  int sample_rate = 0;                                                   // ar
  int channels = 0;                                                      // ac
  std::string sample_fmt;                                                // sample_fmt
  double qscale = -1;                                                    // qscale
  int volume = 256;                                                      // vol
  std::string video_filters;                                             // vf, vfilters
  std::vector<std::pair<std::string, std::string>> metadata;             // metadata key=value
  int64_t start_time = AV_NOPTS_VALUE;                                   // ss
  int64_t recording_time = AV_NOPTS_VALUE;                               // t
  int64_t limit_filesize = 0;                                            // fs
  int64_t input_ts_offset = 0;                                           // itsoffset
  int64_t recording_timestamp = AV_NOPTS_VALUE;              // timestamp (µs since 1970)
  std::map<int, double> ts_scale;                            // itsscale stream:scale
  double mux_delay = -1, mux_preload = -1;                   // muxdelay, muxpreload (s)
  int program_id = -1;                                       // programid
  bool intra_only = false;                                   // intra
  std::string video_channel, video_standard;                 // vc, tvstd (capture inputs)
  int pass = 0;                                              // pass (1 or 2)
  std::string target;                                        // target
  std::vector<std::string> bitstream_filters[kStreamKinds];  // vbsf, absf, sbsf
  std::vector<uint16_t> intra_matrix, inter_matrix;          // 64 coefficients each, or none
  std::map<int, int> stream_ids;           // streamid: output stream index -> container stream id
  std::vector<int64_t> forced_key_frames;  // force_key_frames (µs from the output start, ascending)
  std::vector<RateOverride> rc_override;   // rc_override
};

// Task-wide settings.
struct GlobalOptions {
  int verbosity = 1;                   // v
  int threads = 0;                     // threads (0 = as many as the codec likes)
  int video_sync = -1;                 // vsync (-1 auto, 0 passthrough, 1 cfr, 2 vfr)
  int audio_sync = 0;                  // async (samples per second of stretch/squeeze; 0 off)
  double audio_drift_threshold = 0.1;  // adrift_threshold
  double dts_delta_threshold = 10;     // dts_delta_threshold (s)
  bool copy_ts = false, copy_tb = false, shortest = false, exit_on_error = false;
  bool copy_initial_nonkeyframes = false, input_sync = false, rate_emulation = false;
  bool dump = false, hex_dump = false;
  bool loop_input = false;    // loop_input
  int loop_output = -1;       // loop_output (-1 = format default)
  std::string pass_log_file;  // passlogfile
  bool vstats = false;        // vstats
  std::string vstats_file;    // vstats_file
  bool psnr = false, qphist = false;
  // map: output stream n (counted over every output file) takes input file.stream, with an
  // optional sync stream.
  struct StreamMap {
    int file = 0, stream = 0, sync_file = -1, sync_stream = -1;
  };
  std::vector<StreamMap> stream_maps;
  // map_meta_data: the metadata of one part of an input file goes to one part of an output file.
  // A part is the file itself ('g'), or a stream, chapter or program of it ('s', 'c', 'p') with
  // its index. A negative file index names no file.
  struct MetadataPart {
    int file = 0;
    char type = 'g';
    int index = 0;
  };
  struct MetadataMap {
    MetadataPart out, in;
  };
  std::vector<MetadataMap> metadata_maps;
  // map_chapters: the chapters of input file `in` go to output file `out` (a negative `in`: none).
  struct ChapterMap {
    int out = 0, in = 0;
  };
  std::vector<ChapterMap> chapter_maps;
};

// The options of one stream kind: the codec and what goes with it (tag, language, frame limit,
// bitstream filters; size, rate, aspect, pixel format, quality, filters and matrices of video;
// sample rate, channels, sample format and volume of audio). newvideo, newaudio and newsubtitle
// take them for one more stream and then reset them.
void CopyKindOptions(PendingOptions& to, const PendingOptions& from, StreamKind kind);
inline void ResetKindOptions(PendingOptions& options, StreamKind kind) {
  CopyKindOptions(options, PendingOptions(), kind);
}

}  // namespace tallowin::media
