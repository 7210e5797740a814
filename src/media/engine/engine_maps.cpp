// Maps: the source of every output stream (map, else the inputs' best stream of its kind), and
// what the outputs take over from the inputs besides their streams, set up before the headers are
// written: chapters (map_chapters, else those of the first input that has any), metadata maps
// (map_meta_data) and the metadata that carries over by itself.
//
// The options' own metadata (metadata, vlang, alang, slang) is set when a file or stream is made
// and always wins: everything here only fills keys that are still free.
#include <algorithm>
#include <memory>

#include "media/engine/engine_state.h"
#include "media/runtime/ff_exception.h"
#include "media/runtime/text_format.h"

namespace tallowin::media {
namespace {

using Part = GlobalOptions::MetadataPart;

struct AvFree {
  void operator()(void* p) const { FF().av_free(p); }
};

[[noreturn]] void InvalidMetadataIndex(const char* what, int index) {
  throw FFmpegException(std::string("Invalid ") + what + " index " + std::to_string(index) +
                        " while processing metadata maps");
}

// The metadata of one part of a file.
AVDictionary** PartMetadata(AVFormatContext* ctx, const Part& part) {
  auto check = [&](unsigned count, const char* what) {
    if (part.index < 0 || static_cast<unsigned>(part.index) >= count)
      InvalidMetadataIndex(what, part.index);
  };
  switch (part.type) {
    case 's':
      check(ctx->nb_streams, "stream");
      return &ctx->streams[part.index]->metadata;
    case 'c':
      check(ctx->nb_chapters, "chapter");
      return &ctx->chapters[part.index]->metadata;
    case 'p':
      check(ctx->nb_programs, "program");
      return &ctx->programs[part.index]->metadata;
    default:
      return &ctx->metadata;
  }
}

// Whether a metadata map writes into this part of output file `file`.
bool MapWrites(const std::vector<GlobalOptions::MetadataMap>& maps, int file, char type,
               int index) {
  return std::any_of(maps.begin(), maps.end(), [&](const auto& m) {
    return m.out.file == file && m.out.type == type && m.out.index == index;
  });
}

}  // namespace

void TCustomFFmpeg::Impl::CopyChapters() {
  const GlobalOptions& g = parser.global();
  const auto& maps = g.chapter_maps;
  for (const auto& m : maps) {
    if (m.in >= static_cast<int>(inputs.size()))
      throw FFmpegException("Invalid input file index " + std::to_string(m.in) +
                            " in chapter mapping.");
    if (m.out >= static_cast<int>(outputs.size()))
      throw FFmpegException("Invalid output file index " + std::to_string(m.out) +
                            " in chapter mapping.");
  }

  auto copy = [&](int in_file, int out_file) {
    // In join mode only the first input's place on the joined time line is known before the run.
    if (joined && in_file > 0) return;
    const InputFile& in = inputs[in_file];
    OutputFile& out = outputs[out_file];
    AVFormatContext* oc = out.ctx.get();
    const PendingOptions& o = out.settings;
    // Chapters move with the input's time stamps, start at the output's ss and end at its t.
    const int64_t output_start = o.start_time != AV_NOPTS_VALUE ? o.start_time : 0;
    for (unsigned c = 0; c < in.ctx->nb_chapters; ++c) {
      const AVChapter* source = in.ctx->chapters[c];
      const AVRational tb = source->time_base;
      if (tb.num <= 0 || tb.den <= 0 || source->end < source->start) continue;
      const int64_t shift = FF().av_rescale_q(in.ts_offset - output_start, AV_TIME_BASE_Q, tb);
      int64_t start = 0, end = 0;
      if (__builtin_add_overflow(source->start, shift, &start) ||
          __builtin_add_overflow(source->end, shift, &end))
        continue;
      if (end <= 0) continue;
      if (o.recording_time != AV_NOPTS_VALUE) {
        const int64_t limit = FF().av_rescale_q(o.recording_time, AV_TIME_BASE_Q, tb);
        if (start >= limit) continue;
        end = std::min(end, limit);
      }
      start = std::max<int64_t>(start, 0);

      // Chapters from several inputs keep distinct ids.
      int64_t id = source->id, highest = INT64_MIN;
      bool taken = false;
      for (unsigned k = 0; k < oc->nb_chapters; ++k) {
        taken |= oc->chapters[k]->id == id;
        highest = std::max(highest, oc->chapters[k]->id);
      }
      if (taken) id = highest + 1;

      std::unique_ptr<AVChapter, AvFree> chapter(
          static_cast<AVChapter*>(FF().av_mallocz(sizeof(AVChapter))));
      if (!chapter) throw FFmpegException("Out of memory");
      auto** list = static_cast<AVChapter**>(
          FF().av_realloc_array(oc->chapters, oc->nb_chapters + 1, sizeof(AVChapter*)));
      if (!list) throw FFmpegException("Out of memory");
      oc->chapters = list;
      chapter->id = id;
      chapter->time_base = tb;
      chapter->start = start;
      chapter->end = end;
      // From here the file owns the chapter and its metadata.
      const int index = static_cast<int>(oc->nb_chapters);
      oc->chapters[oc->nb_chapters++] = chapter.release();
      if (!MapWrites(g.metadata_maps, out_file, 'c', index) &&
          FF().av_dict_copy(&oc->chapters[index]->metadata, source->metadata, 0) < 0)
        throw FFmpegException("Out of memory");
    }
  };

  for (int f = 0; f < static_cast<int>(outputs.size()); ++f) {
    const bool mapped =
        std::any_of(maps.begin(), maps.end(), [f](const auto& m) { return m.out == f; });
    if (mapped) {
      for (const auto& m : maps)
        if (m.out == f && m.in >= 0) copy(m.in, f);
      continue;
    }
    for (int i = 0; i < static_cast<int>(inputs.size()); ++i) {
      if (inputs[i].ctx->nb_chapters == 0) continue;
      copy(i, f);
      break;
    }
  }
}

void TCustomFFmpeg::Impl::ApplyMetadataMaps() {
  for (const auto& m : parser.global().metadata_maps) {
    // A negative file index maps nothing; it only stops the carry-over into the output part.
    if (m.out.file < 0 || m.in.file < 0) continue;
    if (m.out.file >= static_cast<int>(outputs.size()))
      InvalidMetadataIndex("output file", m.out.file);
    if (m.in.file >= static_cast<int>(inputs.size())) InvalidMetadataIndex("input file", m.in.file);
    AVDictionary** to = PartMetadata(outputs[m.out.file].ctx.get(), m.out);
    AVDictionary** from = PartMetadata(inputs[m.in.file].ctx.get(), m.in);
    if (FF().av_dict_copy(to, *from, AV_DICT_DONT_OVERWRITE) < 0)
      throw FFmpegException("Out of memory");
  }
}

void TCustomFFmpeg::Impl::CarryOverMetadata() {
  const auto& maps = parser.global().metadata_maps;
  for (int f = 0; f < static_cast<int>(outputs.size()); ++f) {
    OutputFile& file = outputs[f];
    AVFormatContext* oc = file.ctx.get();
    // A map of an output's global metadata, from or to it, takes the place of the carry-over.
    const bool global_mapped = std::any_of(maps.begin(), maps.end(), [f](const auto& m) {
      return m.out.file == f && (m.out.type == 'g' || m.in.type == 'g');
    });
    for (int index : file.streams) {
      const OutputStream& ost = ostreams[index];
      const InputFile& in = inputs[ost.source_file];
      if (!global_mapped &&
          FF().av_dict_copy(&oc->metadata, in.ctx->metadata, AV_DICT_DONT_OVERWRITE) < 0)
        throw FFmpegException("Out of memory");
      if (!MapWrites(maps, f, 's', ost.st->index) &&
          FF().av_dict_copy(&ost.st->metadata, in.streams[ost.source_stream].st->metadata,
                            AV_DICT_DONT_OVERWRITE) < 0)
        throw FFmpegException("Out of memory");
    }
  }
}

void TCustomFFmpeg::Impl::MapStreams() {
  for (size_t f = 0; f < outputs.size(); ++f)
    if (outputs[f].streams.empty())
      throw FFmpegException("Output file #" + std::to_string(f) + " does not contain any stream");
  const auto& maps = parser.global().stream_maps;
  if (!maps.empty()) {
    if (maps.size() != ostreams.size())
      throw FFmpegException("Number of stream maps must match number of output streams");
    for (size_t k = 0; k < maps.size(); ++k) {
      const auto& m = maps[k];
      OutputStream& ost = ostreams[k];
      if (m.file < 0 || m.file >= static_cast<int>(inputs.size()) || m.stream < 0 ||
          m.stream >= static_cast<int>(inputs[m.file].streams.size()))
        throw FFmpegException("Could not find input stream #" + std::to_string(m.file) + "." +
                              std::to_string(m.stream));
      if (m.sync_file < 0 || m.sync_file >= static_cast<int>(inputs.size()) || m.sync_stream < 0 ||
          m.sync_stream >= static_cast<int>(inputs[m.sync_file].streams.size()))
        throw FFmpegException("Could not find sync stream #" + std::to_string(m.sync_file) + "." +
                              std::to_string(m.sync_stream));
      const AVMediaType in_type = inputs[m.file].streams[m.stream].st->codecpar->codec_type;
      if (in_type != MediaType(ost.kind)) {
        char text[256];
        std::snprintf(text, sizeof text,
                      "Codec type mismatch for mapping #%d.%d (%s) -> #%d.%d (%s)", m.file,
                      m.stream, MediaTypeName(in_type).c_str(), ost.file, ost.st->index,
                      MediaTypeName(MediaType(ost.kind)).c_str());
        throw FFmpegException(text);
      }
      ost.source_file = m.file;
      ost.source_stream = m.stream;
      ost.sync_file = m.sync_file;
      ost.sync_stream = m.sync_stream;
    }
    return;
  }
  for (size_t k = 0; k < ostreams.size(); ++k) {
    OutputStream& ost = ostreams[k];
    const auto [file, stream] =
        ChooseSource(static_cast<int>(k), 0, static_cast<int>(inputs.size()));
    if (file < 0)
      throw FFmpegException(
          FormatText("Could not find input stream matching output stream #%d.%d (%s)", ost.file,
                     ost.st->index, MediaTypeName(MediaType(ost.kind)).c_str()));
    ost.source_file = file;
    ost.source_stream = stream;
  }
}

std::pair<int, int> TCustomFFmpeg::Impl::ChooseSource(int k, int first, int end) const {
  // The first stream of a kind in an output file reads the inputs' best stream of that kind; a
  // further one (newaudio...) reads the next stream of the kind that its file does not read yet,
  // and the best one again when none is left.
  const OutputStream& ost = ostreams[k];
  const AVMediaType type = MediaType(ost.kind);
  auto read_by_file = [&](int f, int s) {
    for (int j = 0; j < k; ++j)
      if (ostreams[j].file == ost.file && ostreams[j].source_file == f &&
          ostreams[j].source_stream == s)
        return true;
    return false;
  };
  std::pair<int, int> reuse{-1, -1};
  for (int f = first; f < end; ++f) {
    const InputFile& in = inputs[f];
    const int best = FF().av_find_best_stream(in.ctx.get(), type, -1, -1, nullptr, 0);
    if (best < 0 || in.streams[best].st->discard == AVDISCARD_ALL) continue;
    if (reuse.first < 0) reuse = {f, best};
    if (!read_by_file(f, best)) return {f, best};
    for (int s = 0; s < static_cast<int>(in.streams.size()); ++s) {
      const AVStream* st = in.streams[s].st;
      if (st->codecpar->codec_type == type && st->discard != AVDISCARD_ALL && !read_by_file(f, s))
        return {f, s};
    }
  }
  return reuse;
}

}  // namespace tallowin::media
