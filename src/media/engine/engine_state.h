// The engine's inner state: the opened files, their streams, the run flags and the worker. Shared
// by run control (ffmpeg.cpp), the run loop (engine_run.cpp) and the stage files: demux, decode,
// filter, encode, mux, with bitstream filters, maps, join, hooks and reports.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "media/engine/engine_bsf.h"
#include "media/engine/engine_filter.h"
#include "media/engine/engine_twopass.h"
#include "media/engine/ffmpeg.h"
#include "media/options/option_parser.h"
#include "media/picture/format_converter.h"
#include "media/runtime/ff_handles.h"
#include "media/runtime/ff_log.h"

namespace tallowin::media {

struct InputStream {
  AVStream* st = nullptr;
  bool used = false;      // an output stream reads it
  bool decoding = false;  // an output stream decodes it
  CodecContextPtr dec;
  std::vector<int> outputs;           // indices of Impl::ostreams fed by this stream
  int64_t next_dts = AV_NOPTS_VALUE;  // µs, for the discontinuity rule
  // The same rule on decoded frames: the last frame's time (µs, shifted) and the shift so far.
  int64_t last_frame_us = AV_NOPTS_VALUE;
  int64_t frame_shift_us = 0;
  bool decoder_flushed = false;
  int64_t pictures_decoded = 0;  // for the input hook's frame numbers
};

// One end of a named pipe, closed with it.
struct PipeEnd {
  int fd = -1;
  PipeEnd() = default;
  PipeEnd(PipeEnd&& other) noexcept : fd(std::exchange(other.fd, -1)) {}
  PipeEnd& operator=(PipeEnd&& other) noexcept {
    std::swap(fd, other.fd);
    return *this;
  }
  ~PipeEnd();
};

struct InputFile {
  PipeEnd pipe;  // a named pipe's end that the library reads through; outlives `ctx`
  InputContextPtr ctx;
  std::string name;
  int64_t ts_offset = 0;                // µs added to every time stamp of the file
  int64_t start_time = AV_NOPTS_VALUE;  // ss: frames before it are dropped
  std::map<int, double> ts_scale;
  bool eof = false;
  std::vector<InputStream> streams;
};

// The encode stage's part of an output stream (engine_encode.cpp; the filter stage reads the
// encoder's formats and rate to end its graph in them).
struct EncoderState {
  CodecContextPtr context;  // null for a copy
  bool cfr = false;         // constant frame rate output (frames duplicated or dropped)
  AVRational frame_rate{0, 1};
  int64_t last_pts = AV_NOPTS_VALUE;  // encoder time base, for the variable-rate drop rule
  float quality = -1;
  size_t next_forced_key = 0;  // force_key_frames: the first time not yet given a key frame
  TwoPassLog pass_log;         // pass 1 or 2 of a video stream
  int64_t stats_frames = 0;    // vstats: frames and bytes written so far
  int64_t stats_bytes = 0;
};

// The mux stage's part of an output stream (engine_mux.cpp, engine_bsf.cpp; reports read the
// position and size).
struct MuxerState {
  int64_t position = AV_NOPTS_VALUE;  // µs: end of the last packet written
  int64_t bytes = 0;
  bool copy_seen_key = false;  // stream copy: the first key packet has passed
  BitstreamFilterChain bsf;    // vbsf, absf, sbsf
};

// Join mode's part of an output stream (engine_join.cpp).
struct JoinState {
  int64_t audio_start = AV_NOPTS_VALUE;  // µs: the last audio frame given
};

struct OutputStream {
  int file = 0;
  AVStream* st = nullptr;
  StreamKind kind = kVideo;
  bool copy = false;
  const AVCodec* codec = nullptr;  // the encoder (null for a copy)
  // The stream's own options: those of its file, or, for a stream added by newvideo, newaudio or
  // newsubtitle, the options of its kind given since. File-wide options (times, size limit,
  // muxing) are read from the file.
  PendingOptions settings;
  GenericOptionStore options;
  int source_file = -1, source_stream = -1;
  int sync_file = -1, sync_stream = -1;  // the stream it keeps in step with (a map's sync part)
  bool finished = false;
  bool flushed = false;
  int64_t max_frames = INT64_MAX;
  int64_t frames_encoded = 0;  // frames encoded or packets copied
  // The filter graph (engine_filter.cpp).
  StreamFilter filter;
  std::string filter_chain;  // the chain after the encoder opened: keeps its format fixed
  int64_t frames_in = 0, frames_out = 0;  // frames into and out of the filter graph
  int64_t source_end = AV_NOPTS_VALUE;    // end of the last frame given to the filter
  EncoderState encoder;
  MuxerState muxer;
  JoinState join;
};

// A video hook of the task: its picture converter and bitmap, and whether it has ended.
struct VideoHookState {
  TFormatConverter converter;
  TBitmap bitmap;
  bool ended = false;
  std::string error;
};

// A file name as the file protocol sees it ("file:" taken off).
std::string LocalPath(const std::string& name);

// The libraries' name of a media type ("video", "data"...), "unknown" for none.
std::string MediaTypeName(AVMediaType type);

struct OutputFile {
  OutputContextPtr ctx;
  std::string name;
  PendingOptions settings;     // the per-file options it was opened with
  GenericOptionStore options;  // the generic options as they were when it opened
  std::vector<int> streams;    // indices of Impl::ostreams
  bool header_written = false;
  bool trailer_written = false;
  bool created = false;  // the open made a new file (not one that was there to overwrite)
  int64_t packets = 0;   // packets written to it
};

struct TCustomFFmpeg::Impl {
  explicit Impl(TCustomFFmpeg& owner, int max_files);

  TCustomFFmpeg& owner;
  const int max_files;
  OptionParser parser;
  std::vector<InputFile> inputs;
  std::vector<OutputFile> outputs;
  std::vector<OutputStream> ostreams;
  bool joined = false;

  // Run flags.
  std::atomic<bool> running{false}, stop_requested{false}, finished{false}, failed{false},
      terminated{false}, started{false};
  mutable std::mutex text_mutex;
  std::string last_error, failure;

  // The I/O timer: start of the current blocking open (µs, monotonic); INT64_MAX when none, 0
  // when Stop cancelled it.
  std::atomic<int64_t> io_start{INT64_MAX};
  std::atomic<int> io_timeout_ms{10000};
  std::atomic<bool> io_message_logged{false};
  std::atomic<int64_t> report_interval{500000};
  std::atomic<int64_t> total_duration{-1};

  // Report state.
  int64_t run_start_us = 0;
  int64_t last_report_us = 0;
  bool dup_drop_logged = false;
  int64_t vfr_dropped = 0;
  FramePtr decoded, filtered;
  PacketPtr encoded;
  VideoStatsFile vstats;

  // Hooks (engine_hooks.cpp).
  VideoHookState input_hook, output_hook;
  std::vector<uint8_t> audio_hook_samples;  // planar audio interleaved for the audio hook

  // Worker and the two events.
  std::thread worker;
  std::thread terminator;
  std::mutex event_mutex;
  std::condition_variable event_cv;
  bool run_finished = true;
  bool terminate_delivered = false;
  bool suspended = false;

  int verbosity() const { return parser.global().verbosity; }
  void Log(TLogLevel level, const std::string& text) const { FFLog(&owner, level, text); }
  void SetError(const std::string& text);

  // Interrupt tests (TInterruptCB callbacks).
  static bool TimeoutOrCancel(void* impl);
  static bool StopRequestedTest(void* impl);
  void StartIOTimer();
  void StopIOTimer();
  // For a named pipe: waits, under IOTimeout and the stop test, until its other end is there
  // (throws otherwise) and returns our own end of it: for reading, the library reads through it
  // ("pipe:" and its number); for writing, it stays open until the library has opened its own.
  // Anything else gives no end at once.
  PipeEnd AwaitPipePeer(const std::string& name, bool write);
  // After a failure: removes each output file that this task created and that got no packet
  // (a header alone is no data). Files that were there before are left as they are.
  void RemoveEmptyOutputs();

  // The run (engine_run.cpp): set-up in stage order, the main loop, flushing and clean-up.
  void Run();
  void Transcode();
  // Links every output stream to its source and sets up stream copy or decode -> filter ->
  // encode for it.
  void SetUpStreams();
  int ChooseInput() const;
  void Flush();
  void CloseFiles();
  void Terminate();

  // Demux (engine_demux.cpp): opening an input, and each packet read from it.
  void OpenInputFile(const std::string& name);
  void DemuxPacket(int file, AVPacket* pkt);

  // Stream mapping (engine_maps.cpp): the source of every output stream; chapters, metadata
  // maps and the metadata that carries over from the inputs.
  void MapStreams();
  // The input stream (file, stream) that output stream k reads without maps, from the inputs
  // first..end-1; (-1, -1) when none has its kind.
  std::pair<int, int> ChooseSource(int k, int first, int end) const;
  void CopyChapters();
  void ApplyMetadataMaps();
  void CarryOverMetadata();

  // Decode (engine_decode.cpp).
  void OpenDecoder(int file, int stream);
  // The format of the decoder's frames, where the output stream's filter graph starts.
  FilterSource DecoderSource(const OutputStream& ost, const InputStream& ist) const;
  void DecodePacket(int file, int stream, AVPacket* pkt);
  // Moves a decoded frame whose time jumps past dts_delta_threshold next to the one before it.
  void KeepFramesContinuous(InputStream& ist, AVFrame* frame);
  // At the end of an input: drains its decoders and filters and finishes its output streams.
  void FlushInput(int file);

  // Filter (engine_filter.cpp).
  std::string FilterChain(const OutputStream& ost, const FilterSource& source) const;
  void ConfigureFilter(OutputStream& ost, const FilterSource& source, const std::string& chain);
  void SetFilterFrameSize(OutputStream& ost);
  void FilterFrame(OutputStream& ost, AVFrame* frame, const InputStream& ist);
  void DrainFilter(OutputStream& ost);

  // Encode (engine_encode.cpp).
  void ChooseFrameRate(OutputStream& ost, const InputStream& ist);
  // The closest sample rate, sample format and pixel format that the encoder supports.
  void ChooseSupportedFormats(OutputStream& ost);
  void OpenEncoder(OutputStream& ost, const FilterSource& source);
  void EncodeFrame(OutputStream& ost, AVFrame* frame);
  // One vstats line for an encoded video packet (encoder time base).
  void WriteVideoStats(OutputStream& ost, const AVPacket* pkt, int picture_type);
  void FinishStream(OutputStream& ost);
  // Once per stream: the frames the encoder still holds.
  void FlushEncoder(OutputStream& ost);

  // Mux (engine_mux.cpp): opening an output with its streams, copied streams, headers, packets
  // and trailers.
  void OpenOutputFile(const std::string& name, bool join);
  void OpenOutputStreams(OutputFile& file, int file_index, const AVOutputFormat* format,
                         const std::string& name, bool join);
  void AddOutputStream(OutputFile& file, int file_index, StreamKind kind,
                       const PendingOptions& settings, const GenericOptionStore& options);
  // newvideo, newaudio, newsubtitle: one more stream of `kind` in the last output file, with the
  // pending options of that kind.
  void AddStreamToLastOutput(StreamKind kind);
  void SetUpStreamCopy(OutputStream& ost, const InputStream& ist);
  void WriteHeaders();
  void MuxPacket(OutputStream& ost, AVPacket* pkt, AVRational source_time_base);
  void CopyPacket(OutputStream& ost, const InputFile& ifile, const AVPacket* pkt);
  void WriteTrailers();

  // Bitstream filters (engine_bsf.cpp), between the encoder or stream copy and the muxer.
  void WritePacket(OutputStream& ost, AVPacket* pkt, AVRational source_time_base);
  void OpenBitstreamFilters(OutputStream& ost);
  void FilterPackets(OutputStream& ost, AVPacket* pkt);  // null: the end of the stream
  void FlushBitstreamFilters(OutputFile& file);

  // Join mode (engine_join.cpp): checks the inputs and sets the expected duration; moves the
  // output streams from an input that ended to the next one.
  void PrepareJoin(const OutputFile& file);
  void CheckJoinKind(StreamKind kind) const;
  void AdvanceJoin(int file);
  void DrainJoinedFilter(OutputStream& ost);

  // Hooks (engine_hooks.cpp): a picture goes through the handler as a bitmap (and back when it
  // was changed); decoded audio is handed over interleaved.
  void RunVideoHook(VideoHookState& hook, const VideoHookEvent& handler, AVFrame* frame,
                    int frame_number, int64_t pts_us);
  void RunAudioHook(AVFrame* frame, AVRational time_base);

  // Reports (engine_report.cpp).
  void MaybeReport(int file_index);
  void Report(bool final_report, int file_index);
  void Summary();
};

}  // namespace tallowin::media
