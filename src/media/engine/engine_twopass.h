// Two-pass encoding logs and the per-frame video statistics file (vstats).
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "media/runtime/ff_api.h"

namespace tallowin::media {

struct StdioFileClose {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using StdioFilePtr = std::unique_ptr<std::FILE, StdioFileClose>;

// The log file of output stream `stream`: prefix (default "ffmpeg2pass") + "-" + n + ".log",
// cut to 1023 characters.
std::string PassLogFileName(const std::string& prefix, int stream);

// The log of one video output stream. Prepare runs before the encoder opens; the encoder reads
// stats_in from this object, so it must outlive the encoder's use of it.
class TwoPassLog {
 public:
  // Sets the pass flags and the statistics source or sink. Throws FFmpegException with the
  // log file messages when the file cannot be created (pass 1) or read (pass 2).
  void Prepare(int pass, const std::string& prefix, int stream, AVCodecContext* enc,
               AVDictionary** codec_options);
  // Pass 1: appends the encoder's statistics after a packet (or at the end of the stream).
  void Write(const AVCodecContext* enc, bool end_of_stream);
  const std::string& file_name() const { return name_; }

 private:
  std::string name_;
  std::vector<char> stats_in_;  // pass 2: the whole log, NUL-terminated, handed to the encoder
  std::string last_written_;
  StdioFilePtr out_;
};

// The vstats file: one line per encoded video frame.
class VideoStatsFile {
 public:
  // "vstats_" + hhnnss + ".log" in the executable's folder.
  static std::string DefaultName();
  // Opens `name` for writing on the first call; throws FFmpegException when it cannot.
  void Open(const std::string& name);
  bool is_open() const { return file_ != nullptr; }
  // frame: 1-based frame number; quality: quantizer; frame_size: bytes of this frame;
  // total_size: bytes of the stream so far; time: seconds of the frame's end; frame_duration:
  // seconds of one frame; type: picture type letter.
  void WriteLine(int64_t frame, double quality, int64_t frame_size, int64_t total_size, double time,
                 double frame_duration, char type);
  // The letter of a picture type ('I', 'P', 'B', ...; '?' when unknown).
  static char PictureTypeLetter(int type);

 private:
  StdioFilePtr file_;
};

}  // namespace tallowin::media
