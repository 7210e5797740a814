#include "media/engine/engine_twopass.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <new>

#include "media/runtime/ff_exception.h"

namespace tallowin::media {

namespace {

constexpr size_t kMaxLogName = 1023;

// Reads a whole file; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& name, std::string& text) {
  StdioFilePtr f(std::fopen(name.c_str(), "rb"));
  if (!f) return false;
  text.clear();
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) text.append(buffer, n);
  return !std::ferror(f.get());
}

std::string ExecutableFolder() {
  char buffer[4096];
  const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "";
  const std::string path(buffer, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

}  // namespace

std::string PassLogFileName(const std::string& prefix, int stream) {
  std::string name =
      (prefix.empty() ? "ffmpeg2pass" : prefix) + "-" + std::to_string(stream) + ".log";
  if (name.size() > kMaxLogName) name.resize(kMaxLogName);
  return name;
}

void TwoPassLog::Prepare(int pass, const std::string& prefix, int stream, AVCodecContext* enc,
                         AVDictionary** codec_options) {
  if (pass != 1 && pass != 2) return;
  name_ = PassLogFileName(prefix, stream);
  enc->flags |= pass == 1 ? AV_CODEC_FLAG_PASS1 : AV_CODEC_FLAG_PASS2;
  // libx264 keeps its own statistics file; it is told the name instead of reading stats_in.
  const bool own_stats = enc->codec && std::strcmp(enc->codec->name, "libx264") == 0;
  if (pass == 2) {
    std::string text;
    try {
      if (!ReadWholeFile(name_, text))
        throw FFmpegException("Cannot read file: Error reading log file \"" + name_ +
                              "\" for pass-2 encoding");
    } catch (const std::bad_alloc&) {
      throw FFmpegException("Could not allocate file buffer: Error reading log file \"" + name_ +
                            "\" for pass-2 encoding");
    }
    if (own_stats) {
      FF().av_dict_set(codec_options, "stats", name_.c_str(), AV_DICT_DONT_OVERWRITE);
      return;
    }
    stats_in_.assign(text.begin(), text.end());
    stats_in_.push_back('\0');
    enc->stats_in = stats_in_.data();
    return;
  }
  if (own_stats) {
    // The encoder writes the file when it closes; a place it cannot write is refused now, with
    // the same text, instead of as a failed encoder open. Appending keeps an existing log.
    if (!StdioFilePtr(std::fopen(name_.c_str(), "ab")))
      throw FFmpegException("Cannot write log file " + name_ + " for pass-1 encoding");
    FF().av_dict_set(codec_options, "stats", name_.c_str(), AV_DICT_DONT_OVERWRITE);
    return;
  }
  out_.reset(std::fopen(name_.c_str(), "wb"));
  if (!out_) throw FFmpegException("Cannot write log file " + name_ + " for pass-1 encoding");
}

void TwoPassLog::Write(const AVCodecContext* enc, bool end_of_stream) {
  if (!out_ || !enc->stats_out) return;
  // Some encoders leave the last picture's line in place at the end: it is written once.
  if (end_of_stream && last_written_ == enc->stats_out) return;
  last_written_ = enc->stats_out;
  std::fputs(enc->stats_out, out_.get());
}

std::string VideoStatsFile::DefaultName() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[16];
  std::strftime(stamp, sizeof stamp, "%H%M%S", &local);
  return ExecutableFolder() + "vstats_" + stamp + ".log";
}

void VideoStatsFile::Open(const std::string& name) {
  if (file_) return;
  file_.reset(std::fopen(name.c_str(), "w"));
  if (!file_)
    throw FFmpegException("Cannot open vstats file " + name + ": " + std::strerror(errno));
}

void VideoStatsFile::WriteLine(int64_t frame, double quality, int64_t frame_size,
                               int64_t total_size, double time, double frame_duration, char type) {
  if (!file_) return;
  if (time < 0.01) time = 0.01;
  const double bitrate = frame_duration > 0 ? frame_size * 8 / frame_duration / 1000.0 : 0;
  const double average = static_cast<double>(total_size) * 8 / time / 1000.0;
  std::fprintf(file_.get(),
               "frame= %5d q= %2.1f f_size= %6d s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s "
               "avg_br= %7.1fkbits/s type= %c\n",
               static_cast<int>(frame), quality, static_cast<int>(frame_size),
               static_cast<double>(total_size) / 1024, time, bitrate, average, type);
  std::fflush(file_.get());
}

char VideoStatsFile::PictureTypeLetter(int type) {
  switch (type) {
    case AV_PICTURE_TYPE_I:
      return 'I';
    case AV_PICTURE_TYPE_P:
      return 'P';
    case AV_PICTURE_TYPE_B:
      return 'B';
    case AV_PICTURE_TYPE_S:
      return 'S';
    case AV_PICTURE_TYPE_SI:
      return 'i';
    case AV_PICTURE_TYPE_SP:
      return 'p';
    case AV_PICTURE_TYPE_BI:
      return 'b';
    default:
      return '?';
  }
}

}  // namespace tallowin::media
