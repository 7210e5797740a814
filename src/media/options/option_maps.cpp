// The options that shape the output files beyond their first streams: metadata and chapter maps,
// and one more stream of a kind (newvideo, newaudio, newsubtitle). The maps' indexes are checked
// against the real files when the run sets up its outputs (engine_maps.cpp).
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "media/options/option_parser.h"
#include "media/runtime/ff_exception.h"

namespace tallowin::media {
namespace {

[[noreturn]] void InvalidValue(const std::string& name, const std::string& value) {
  throw FFmpegException("Invalid value \"" + value + "\" for option \"" + name + "\"");
}

// A file or part index at `p`; `p` moves past it.
int ReadIndex(const char*& p, const std::string& name, const std::string& value) {
  char* end = nullptr;
  errno = 0;
  const long number = std::strtol(p, &end, 10);
  if (end == p || errno == ERANGE || number < INT_MIN || number > INT_MAX)
    InvalidValue(name, value);
  p = end;
  return static_cast<int>(number);
}

// file[,TYPE[INDEX]] at `p`, up to `stop` (':' after the output part, '\0' after the input part).
GlobalOptions::MetadataPart ReadMetadataPart(const char*& p, char stop, const std::string& name,
                                             const std::string& value) {
  GlobalOptions::MetadataPart part;
  part.file = ReadIndex(p, name, value);
  if (*p == ',') {
    ++p;
    part.type = *p;
    switch (part.type) {
      case 'g':
        ++p;
        break;
      case 's':
      case 'c':
      case 'p':
        ++p;
        // An index left out is 0, as in "0,s:0".
        part.index = *p == stop ? 0 : ReadIndex(p, name, value);
        break;
      default:
        throw FFmpegException("Invalid metadata type " + std::string(p, *p ? 1 : 0) + ".");
    }
  }
  if (*p != stop) InvalidValue(name, value);
  return part;
}

}  // namespace

void OptionParser::MapMetadata(const std::string& name, const std::string& value) {
  // outfile[,TYPE[INDEX]]:infile[,TYPE[INDEX]]
  const char* p = value.c_str();
  GlobalOptions::MetadataMap map;
  map.out = ReadMetadataPart(p, ':', name, value);
  ++p;
  map.in = ReadMetadataPart(p, '\0', name, value);
  global_.metadata_maps.push_back(map);
}

void OptionParser::MapChapters(const std::string& name, const std::string& value) {
  // outfile:infile
  const char* p = value.c_str();
  GlobalOptions::ChapterMap map;
  map.out = ReadIndex(p, name, value);
  if (*p != ':') InvalidValue(name, value);
  ++p;
  map.in = ReadIndex(p, name, value);
  if (*p) InvalidValue(name, value);
  global_.chapter_maps.push_back(map);
}

void OptionParser::AddStream(StreamKind kind, const std::string& name, const std::string& value) {
  if (!hooks_.output_count || hooks_.output_count() == 0)
    throw FFmpegException("At least one output file must be specified");
  if (!hooks_.new_stream) NotYetAvailable(name, value);
  hooks_.new_stream(kind);
  // The next stream of this kind starts again from the defaults.
  ResetKindOptions(pending_, kind);
}

}  // namespace tallowin::media
