// tallowin-cli engine [--quiet] -- OPTIONS: one engine task from a command line in the old
// tool's form. "-i FILE" opens an input, a bare argument opens an output, "-join" makes the next
// output a join output, every other "-name value" goes to the option parser in order.
#include <csignal>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "cli_command.h"
#include "common/dispatcher.h"
#include "media/engine/ffmpeg.h"
#include "media/runtime/ff_exception.h"
#include "media/runtime/ff_load.h"
#include "media/runtime/ff_log.h"

namespace tallowin::cli {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void OnSignal(int) {
  g_interrupted = 1;
}

// Options of the old tool that take no value.
bool IsFlag(const std::string& name) {
  static const std::set<std::string> flags = {
      "L",       "h",           "version",   "formats",  "codecs",     "bsfs",      "protocols",
      "filters", "y",           "benchmark", "dump",     "hex",        "re",        "loop_input",
      "copyts",  "copytb",      "shortest",  "xerror",   "copyinkf",   "intra",     "vn",
      "sameq",   "deinterlace", "psnr",      "vstats",   "qphist",     "force_fps", "an",
      "sn",      "isync",       "newvideo",  "newaudio", "newsubtitle"};
  return flags.count(name) > 0;
}

int RunEngine(const std::vector<std::string>& args) {
  bool quiet = false;
  size_t i = 0;
  for (; i < args.size() && args[i] != "--"; ++i) {
    if (args[i] == "--quiet") {
      quiet = true;
    } else {
      std::fprintf(stderr, "engine: unknown argument %s\n", args[i].c_str());
      return 2;
    }
  }
  if (i == args.size()) {
    std::fprintf(stderr, "usage: tallowin-cli engine [--quiet] -- OPTIONS\n");
    return 2;
  }
  ++i;

  using namespace tallowin::media;
  TFFLogger logger;
  logger.SetLogLevel(quiet ? llQuiet : llVerbose);
  logger.SetOnLog([](const void*, ThreadId thread, TLogLevel level, const std::string& text) {
    std::fprintf(stderr, "#%lu.%d: %s\n", thread, static_cast<int>(level), text.c_str());
  });
  TFFLoader& loader = FFLoader();
  loader.SetLibraryFolder(ExecutableDir() + "lib/");
  if (!loader.Load(kEncoderLibraries)) {
    std::fprintf(stderr, "%s\n", loader.LastErrMsg().c_str());
    return 1;
  }

  int status = 1;
  {
    TCustomFFmpeg engine;
    engine.SetVerbosity(1);
    if (!quiet) {
      engine.OnProgress = [](TCustomFFmpeg&, const TProgressInfo& p) {
        const double percent =
            p.TotalDuration > 0 ? p.CurrentDuration * 100.0 / p.TotalDuration : -1.0;
        std::printf(
            "progress: frame=%d fps=%d q=%.1f size=%lld time=%.2f bitrate=%.1f "
            "percent=%.1f\n",
            p.CurrentFrame, p.CurrentFPS, static_cast<double>(p.CurrentQuality),
            static_cast<long long>(p.CurrentSize), p.CurrentDuration / 1e6,
            static_cast<double>(p.CurrentBitrate), percent);
        std::fflush(stdout);
      };
    }
    bool join_next = false;
    std::string error;
    for (; i < args.size() && error.empty(); ++i) {
      const std::string& arg = args[i];
      if (arg.size() < 2 || arg[0] != '-') {
        if (engine.OpenOutput(arg, join_next) < 0) error = engine.LastErrMsg();
        join_next = false;
        continue;
      }
      const std::string name = arg.substr(1);
      if (name == "join") {
        join_next = true;
        continue;
      }
      std::string value = "1";
      if (!IsFlag(name)) {
        if (i + 1 >= args.size()) {
          error = "Missing argument for option '" + name + "'";
          break;
        }
        value = args[++i];
      }
      if (name == "i") {
        if (!engine.OpenInput(value)) error = engine.LastErrMsg();
        continue;
      }
      try {
        engine.SetOption(name, value);
      } catch (const FFmpegException& e) {
        error = e.what();
      }
    }
    if (!error.empty()) {
      MainDispatcher().ProcessPending();
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    engine.Start(true);
    while (!engine.WaitFinished(std::chrono::milliseconds(100)))
      if (g_interrupted) engine.Stop(false);
    MainDispatcher().ProcessPending();
    if (engine.Finished()) {
      status = 0;
    } else {
      const std::string message =
          engine.FailureMessage().empty() ? "stopped" : engine.FailureMessage();
      std::fprintf(stderr, "%s\n", message.c_str());
    }
  }
  MainDispatcher().ProcessPending();
  return status;
}

const Registration kEngine{"engine", "engine [--quiet] -- OPTIONS", &RunEngine};

}  // namespace
}  // namespace tallowin::cli
