// The decoder: opens a media file, answers questions about its container and streams, seeks and
// decodes single pictures of a video stream into a 24-bit bitmap.
//
//   TFFDecoder decoder;
//   if (!decoder.LoadFile(name)) log(decoder.LastErrMsg());   // the text names the file
//   TFileStreamInfo info;
//   decoder.GetFileStreamInfo(info);
//   decoder.Seek(0, info.Duration > 0 ? info.Duration / 2 : 0);
//   if (decoder.Decode(decoder.FirstVideoStream())) decoder.CopyToBitmap(bitmap);
//   decoder.CloseFile();
//
// Every operation needs the libraries loaded (ff_load.h) and throws std::runtime_error
// ("LibAVCodec not loaded." ...) when one is missing. Other failures are reported by the
// result, by LastErrMsg() and by a log line with the decoder as sender.
#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include "media/picture/bitmap.h"
#include "media/runtime/ff_api.h"
#include "media/runtime/ff_handles.h"

namespace tallowin::media {

// Numbers are -1 and texts empty when unknown or when there is no file.
struct TFileStreamInfo {
  std::int64_t StartTime = -1;  // microseconds
  std::int64_t Duration = -1;   // microseconds
  int BitRate = -1;             // bit/s; 0 when the container does not know it
  std::int64_t Timestamp = -1;  // creation time, microseconds since 1970; 0 when not given
  int Year = -1;                // 0 when not given
  int Track = -1;               // 0 when not given
  std::string Title, Author, Copyright, Comment, Album, Genre;
};

struct TRational {
  int num = -1;
  int den = -1;
};

struct TAudioStreamInfo {
  std::string Language;
  std::string CodecDesc;
  std::int64_t StartTimeRaw = -1;  // in the stream's time base
  std::int64_t StartTime = -1;     // microseconds
  std::int64_t DurationRaw = -1;
  std::int64_t Duration = -1;
  int BitRate = -1;
  int Channels = -1;
  int SampleRate = -1;
  int SampleFormat = -1;  // AVSampleFormat
};

struct TVideoStreamInfo {
  std::string Language;
  std::string CodecDesc;
  std::int64_t StartTimeRaw = -1;
  std::int64_t StartTime = -1;
  std::int64_t DurationRaw = -1;
  std::int64_t Duration = -1;
  int BitRate = -1;
  int Height = -1;
  int Width = -1;
  float DisplayAspectRatio = -1.0f;  // sample aspect ratio * width / height
  int PixelFormat = -1;              // AVPixelFormat
  TRational FrameRate;               // average frame rate, else the real base frame rate
};

// Seek flags, handed to the library's seek.
enum TSeekFlag : int {
  sfBackward = 1,  // AVSEEK_FLAG_BACKWARD
  sfByte = 2,      // the position is in bytes
  sfAny = 4,       // any frame, not only key frames
  sfFrame = 8,     // the position is a frame number
};

// The description of a stream's codec: "h264(H.264 / AVC / ...)", else the codec's name, else its
// tag ("avc1 / 0x31637661") or "0x1234".
std::string CodecDesc(const AVStream* stream);

class TCustomDecoder {
 public:
  TCustomDecoder();
  virtual ~TCustomDecoder();
  TCustomDecoder(const TCustomDecoder&) = delete;
  TCustomDecoder& operator=(const TCustomDecoder&) = delete;

  // Opens a file (a UTF-8 path or a URL the libraries know). `format_name` forces an input
  // format; empty = detect. Closes the current file first.
  bool LoadFile(const std::string& file_name, const std::string& format_name = std::string());
  void CloseFile();
  // Makes an input that the engine opened current; the decoder never closes or seeks it.
  void AttachInput(AVFormatContext* context);

  std::string FileName();
  const std::string& LastErrMsg() const { return last_error_; }
  const std::string& FormatName() const { return format_name_; }
  bool Loaded() const { return context_ != nullptr; }
  AVFormatContext* FormatContext() const { return context_; }

  std::int64_t FileSize() const { return file_size_; }
  int StreamCount() const { return stream_count_; }
  int AudioStreamCount() const { return audio_count_; }
  int VideoStreamCount() const { return video_count_; }
  int SubtitleStreamCount() const { return subtitle_count_; }
  int FirstAudioStream() const { return first_audio_; }
  int FirstVideoStream() const { return first_video_; }
  int FirstSubtitleStream() const { return first_subtitle_; }

  // False (with the record at its unknown values) when there is no such file or stream.
  bool GetFileStreamInfo(TFileStreamInfo& info);
  // A negative index means the first stream of the kind.
  bool GetAudioStreamInfo(int stream_index, TAudioStreamInfo& info);
  bool GetVideoStreamInfo(int stream_index, TVideoStreamInfo& info);

 protected:
  // Collects the facts of the current file (all -1 without one).
  virtual void CollectFacts();
  // Releases what a subclass keeps about the current file.
  virtual void ReleaseFile() {}

  void CheckLibraries() const;
  void Fail(int level, const std::string& text);
  // The stream at `index` when it is of the kind; false (and a failure) otherwise.
  AVStream* StreamOfKind(int index, int kind, const char* none_text, const char* kind_text);

  AVFormatContext* context_ = nullptr;
  bool owner_ = false;
  std::string file_name_;
  std::string format_name_;
  std::string last_error_;
  // Set while a call of ours waits in the libraries; I/O past it is abandoned.
  std::chrono::steady_clock::time_point deadline_{};
  bool deadline_set_ = false;

 private:
  static int InterruptThunk(void* self);

  std::int64_t file_size_ = -1;
  int stream_count_ = -1;
  int audio_count_ = -1, video_count_ = -1, subtitle_count_ = -1;
  int first_audio_ = -1, first_video_ = -1, first_subtitle_ = -1;
};

class TFFDecoder : public TCustomDecoder {
 public:
  TFFDecoder();
  ~TFFDecoder() override;

  // Blends the lines of each decoded picture (8-bit planar YUV pictures only).
  bool Deinterlace = false;

  // `flags` is a combination of TSeekFlag. Without sfByte the position is in microseconds; the
  // next Decode then returns the first picture at or after it.
  bool Seek(int flags, std::int64_t position);
  // Decodes the next picture of a video stream (negative: the stream used last, else the first
  // video stream).
  bool Decode(int stream_index = -1);
  // Converts the decoded picture; false (bitmap untouched) before any picture was decoded.
  bool CopyToBitmap(TBitmap& bitmap);

  bool PictureReady() const { return picture_ready_; }
  bool EndOfStream() const { return eof_; }
  // Facts of the decoded picture.
  int PictureWidth() const;
  int PictureHeight() const;
  bool PictureKeyFrame() const { return key_frame_; }
  int PictureType() const { return picture_type_; }
  // Presentation time in microseconds from the stream's start; -1 when unknown.
  std::int64_t PicturePTS() const { return picture_pts_; }

 protected:
  void CollectFacts() override;
  void ReleaseFile() override;

 private:
  struct Codec;
  bool OpenCodec(int stream_index);
  void ResetPicture();
  bool AcceptFrame(const AVFrame* frame) const;
  bool TakePicture(AVFrame* frame);
  void EndOfStreamReached();

  int reference_stream_ = -1;
  std::int64_t reference_start_ = 0;  // in the reference stream's time base
  int stream_ = -1;                   // the video stream chosen for decoding
  std::unique_ptr<Codec> codec_;
  FramePtr picture_;
  bool picture_ready_ = false;
  bool eof_ = false;
  bool draining_ = false;
  bool key_frame_ = false;
  int picture_type_ = 0;
  std::int64_t picture_pts_ = -1;
  // After a seek by time: pictures before this time (microseconds, the file's clock) are
  // skipped. INT64_MIN = none.
  std::int64_t seek_target_ = INT64_MIN;
  SwsContextPtr sws_;
};

// Closes the decoder's file when the scope ends, whatever happened in it.
class TDecoderFileCloser {
 public:
  explicit TDecoderFileCloser(TCustomDecoder& decoder) : decoder_(decoder) {}
  ~TDecoderFileCloser() {
    try {
      decoder_.CloseFile();
    } catch (const std::exception&) {
      // Only without libraries, and then no file is open.
    }
  }
  TDecoderFileCloser(const TDecoderFileCloser&) = delete;
  TDecoderFileCloser& operator=(const TDecoderFileCloser&) = delete;

 private:
  TCustomDecoder& decoder_;
};

}  // namespace tallowin::media
