// The run of a task: the set-up in stage order (SetUpStreams calls on each stage's file), the main
// loop, flushing, the clean-up steps that always run and the terminate step.
#include <chrono>
#include <thread>

#include "media/engine/engine_state.h"
#include "media/runtime/ff_errors.h"
#include "media/runtime/ff_exception.h"
#include "media/runtime/ff_load.h"
#include "media/runtime/text_format.h"

namespace tallowin::media {

std::string MediaTypeName(AVMediaType type) {
  const char* name = FF().av_get_media_type_string(type);
  return name ? name : "unknown";
}

int TCustomFFmpeg::Impl::ChooseInput() const {
  // The output stream that is furthest behind decides which input is read next.
  int file = -1;
  int64_t lowest = INT64_MAX;
  for (const auto& ost : ostreams) {
    if (ost.finished || inputs[ost.source_file].eof) continue;
    const int64_t position = ost.muxer.position == AV_NOPTS_VALUE ? INT64_MIN : ost.muxer.position;
    if (file < 0 || position < lowest) {
      lowest = position;
      file = ost.source_file;
    }
  }
  return file;
}

void TCustomFFmpeg::Impl::SetUpStreams() {
  for (auto& ost : ostreams) {
    InputStream& ist = inputs[ost.source_file].streams[ost.source_stream];
    const PendingOptions& o = ost.settings;
    const std::string type = MediaTypeName(MediaType(ost.kind));
    ist.used = true;
    ist.outputs.push_back(static_cast<int>(&ost - ostreams.data()));
    if (ost.kind == kSubtitle && !ost.copy)
      throw FFmpegException(FormatText("Unsupported codec for output stream #%d.%d (%s)", ost.file,
                                       ost.st->index, type.c_str()));
    if (ost.copy) {
      if (ost.kind == kAudio && o.volume != 256)
        throw FFmpegException("-acodec copy and -vol are incompatible (frames are not decoded)");
      if (ost.kind == kAudio && owner.OnAudioHook)
        throw FFmpegException(
            "-acodec copy and AudioHook are incompatible (frames are not decoded)");
      if (ost.kind == kVideo && owner.OnVideoInputHook)
        throw FFmpegException(
            "-vcodec copy and VideoHook are incompatible (frames are not decoded)");
      // The output hook works on the pictures about to be encoded.
      if (ost.kind == kVideo && owner.OnVideoOutputHook)
        throw FFmpegException(
            "-vcodec copy and PostHooks are incompatible (frames are not decoded)");
      SetUpStreamCopy(ost, ist);
      continue;
    }
    if (!ost.codec)
      throw FFmpegException(
          FormatText("Encoder (codec id %d) not found for output stream #%d.%d (%s)",
                     ost.st->codecpar->codec_id, ost.file, ost.st->index, type.c_str()));
    ist.decoding = true;
    OpenDecoder(ost.source_file, ost.source_stream);
    const FilterSource source = DecoderSource(ost, ist);
    if (ost.kind == kVideo) ChooseFrameRate(ost, ist);
    ChooseSupportedFormats(ost);
    ConfigureFilter(ost, source, FilterChain(ost, source));
    OpenEncoder(ost, source);
    // From now on the graph ends in the encoder's format, whatever the input changes to.
    ost.filter_chain = FilterChain(ost, source);
    SetFilterFrameSize(ost);
  }
}

void TCustomFFmpeg::Impl::Transcode() {
  MapStreams();
  SetUpStreams();
  CopyChapters();
  ApplyMetadataMaps();
  CarryOverMetadata();
  WriteHeaders();
  decoded.reset(FF().av_frame_alloc());
  filtered.reset(FF().av_frame_alloc());
  encoded.reset(FF().av_packet_alloc());
  PacketPtr packet(FF().av_packet_alloc());
  if (!decoded || !filtered || !encoded || !packet) throw FFmpegException("Out of memory");

  run_start_us = FF().av_gettime_relative();
  last_report_us = run_start_us;
  {
    // Blocking reads and writes give up once stop is requested.
    TScopedInterrupt interrupt(&Impl::StopRequestedTest, this);
    while (!stop_requested) {
      const int file = ChooseInput();
      if (file < 0) break;
      InputFile& ifile = inputs[file];
      const int r = FF().av_read_frame(ifile.ctx.get(), packet.get());
      if (r == AVERROR(EAGAIN)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        continue;
      }
      if (r < 0) {
        if (stop_requested) break;
        if (r != AVERROR_EOF) {
          if (parser.global().exit_on_error) throw FFmpegException(FileErrorText(ifile.name, r));
          Log(llVerbose, FileErrorText(ifile.name, r));
        }
        ifile.eof = true;
        if (joined)
          AdvanceJoin(file);
        else
          FlushInput(file);
        continue;
      }
      DemuxPacket(file, packet.get());
      FF().av_packet_unref(packet.get());
      MaybeReport(file);
    }
  }
  Flush();
  WriteTrailers();
  Report(true, -1);
  Summary();
}

void TCustomFFmpeg::Impl::Flush() {
  if (stop_requested) return;  // a stopped task ends at once, with what was written
  for (size_t f = 0; f < inputs.size(); ++f) FlushInput(static_cast<int>(f));
  for (auto& ost : ostreams) {
    FlushEncoder(ost);
    ost.finished = true;
  }
}

void TCustomFFmpeg::Impl::CloseFiles() {
  decoded.reset();
  filtered.reset();
  encoded.reset();
  for (auto& ost : ostreams) {
    ost.filter = StreamFilter();
    ost.muxer.bsf = BitstreamFilterChain();
    ost.encoder.context.reset();
  }
  for (auto& in : inputs)
    for (auto& is : in.streams) is.dec.reset();
  // Outputs first: closing them flushes and closes their files.
  for (auto& file : outputs) file.ctx.reset();
  for (auto& in : inputs) in.ctx.reset();
}

void TCustomFFmpeg::Impl::Run() {
  auto fail = [this](const std::string& text) {
    Log(llQuiet, text);
    failed = true;
    std::lock_guard lock(text_mutex);
    failure = text;
    last_error = text;
  };
  try {
    Transcode();
  } catch (const std::exception& e) {
    fail(e.what());
  }
  // The clean-up steps run one by one, each protected.
  try {
    WriteTrailers();
  } catch (const std::exception& e) {
    fail(e.what());
  }
  try {
    CloseFiles();
  } catch (const std::exception& e) {
    fail(e.what());
  }
  if (failed) RemoveEmptyOutputs();
  finished = !stop_requested && !failed;
  Terminate();
}

void TCustomFFmpeg::Impl::Terminate() {
  if (terminated.exchange(true)) return;
  running = false;
  try {
    if (owner.OnTerminate) owner.OnTerminate(owner);
  } catch (const std::exception& e) {
    Log(llError, std::string("Error occurs Terminate event: ") + e.what());
  }
  {
    std::lock_guard lock(event_mutex);
    terminate_delivered = true;
  }
  event_cv.notify_all();
}

}  // namespace tallowin::media
