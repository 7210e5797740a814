// The engine's option parser on an arbitrary command line (tokens split at NUL and line
// breaks): "-name value" pairs go to SetOption, which accepts them or refuses them with
// FFmpegException and never anything else. Inputs, outputs and preset files are not opened.
#include <cstdint>
#include <set>
#include <string>

#include "fuzz_media.h"
#include "fuzz_support.h"
#include "media/engine/ffmpeg.h"
#include "media/runtime/ff_exception.h"

using namespace tallowin::media;

namespace {

// Options that would open a file now.
bool OpensFile(const std::string& name) {
  return name == "i" || name == "fpre";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  tallowin::fuzz::StartMedia();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::string> tokens = tallowin::fuzz::Tokens(data, size, 256);
  TCustomFFmpeg engine;
  for (size_t i = 0; i + 1 < tokens.size(); i += 2) {
    std::string name = tokens[i];
    if (!name.empty() && name[0] == '-') name.erase(0, 1);
    if (OpensFile(name)) continue;
    try {
      engine.SetOption(name, tokens[i + 1]);
    } catch (const FFmpegException&) {
      // A refused option: its text is the engine's message.
    }
  }
  return 0;
}
