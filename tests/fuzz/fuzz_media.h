// Start-up of the media fuzz targets: a quiet logger that hands lines over on the calling
// thread (nothing queues up for a main loop that never runs) and the system's libraries.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "media/runtime/ff_load.h"
#include "media/runtime/ff_log.h"

namespace tallowin::fuzz {

// Ends the process with the loader's message when the libraries cannot be loaded.
inline void StartMedia() {
  using namespace tallowin::media;
  static TFFLogger logger;
  logger.SetTriggerEventInMainThread(false);
  logger.SetLogLevel(llError);
  logger.SetOnLog([](const void*, ThreadId, TLogLevel, const std::string&) {});
  TFFLoader& loader = FFLoader();
  loader.SetLibraryFolder("");
  if (!loader.Load(kEncoderLibraries)) {
    std::fprintf(stderr, "%s\n", loader.LastErrMsg().c_str());
    std::exit(1);
  }
}

}  // namespace tallowin::fuzz
