// tallowin-cli convert: batch conversion by preset, as the window converts.
//
//   convert --format FORMAT [--class video|device|audio] [--preset N | --preset-name TEXT]
//           [-o DIR] [--merge] [--jobs N|auto] FILE...
//
// The jobs are built from the preset catalogue and the job rules the window uses; an existing
// file is never replaced. Without --preset the format's default preset is used. Ctrl+C or
// SIGTERM stops every running job (each output closed) and prints the summary. Exit status: 0
// when every input was converted, 1 when any was not, 2 for a usage error.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "cli_command.h"
#include "cli_convert_view.h"
#include "convert/batch_run.h"
#include "convert/output_formats.h"
#include "convert/preset_catalogue.h"
#include "convert/preset_search.h"
#include "media/components/ff_encode.h"
#include "media/runtime/ff_log.h"
#include "shell/util_funcs.h"

namespace tallowin::cli {
namespace {

constexpr char kUsage[] =
    "convert --format FORMAT [--class video|device|audio] [--preset N | --preset-name TEXT] "
    "[-o DIR] [--merge] [--jobs N|auto] FILE...";
// More conversions at once than this only compete for the same cores.
constexpr int kMaxJobs = 64;

volatile std::sig_atomic_t g_stop = 0;

void OnStopSignal(int) {
  g_stop = 1;
}

// Installs the stop handler for SIGINT and SIGTERM and puts the earlier ones back at the end.
class TStopSignals {
 public:
  TStopSignals() {
    g_stop = 0;
    struct sigaction action {};
    action.sa_handler = &OnStopSignal;
    sigemptyset(&action.sa_mask);
    // Blocking calls of the libraries go on instead of failing with EINTR.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &old_int_);
    sigaction(SIGTERM, &action, &old_term_);
  }
  ~TStopSignals() {
    sigaction(SIGINT, &old_int_, nullptr);
    sigaction(SIGTERM, &old_term_, nullptr);
  }
  TStopSignals(const TStopSignals&) = delete;
  TStopSignals& operator=(const TStopSignals&) = delete;

 private:
  struct sigaction old_int_ {};
  struct sigaction old_term_ {};
};

int Usage(const std::string& message) {
  if (!message.empty()) std::fprintf(stderr, "convert: %s\n", message.c_str());
  std::fprintf(stderr, "usage: tallowin-cli %s\n", kUsage);
  return 2;
}

bool ParseWhole(const std::string& text, int& out) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, out);
  return !text.empty() && ec == std::errc() && ptr == end;
}

std::string FormatNames(int format_class) {
  std::string names;
  for (const convert::TOutputFormat& format : convert::OutputFormats(format_class))
    names += (names.empty() ? "" : ", ") + std::string(format.Name);
  return names;
}

std::string ValidFormats(int format_class) {
  if (format_class >= 0)
    return std::string(convert::FormatClassName(format_class)) + ": " + FormatNames(format_class);
  std::string text;
  for (int c = 0; c < convert::kFormatClassCount; ++c)
    text += (c ? "; " : "") + std::string(convert::FormatClassName(c)) + ": " + FormatNames(c);
  return text;
}

std::string PresetLines(const std::vector<convert::TPresetRef>& presets) {
  std::string text;
  for (const convert::TPresetRef& preset : presets)
    text += "\n  " + std::to_string(preset.Preset) + "  " + preset.Description;
  return text;
}

struct TConvertArgs {
  std::string format, format_class, preset, preset_name, folder = ".", jobs = "1";
  bool merge = false;
  std::vector<std::string> files;
};

// "" when the arguments are well formed, else the reason.
std::string ParseArgs(const std::vector<std::string>& args, TConvertArgs& out) {
  bool only_files = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (only_files || arg.empty() || arg[0] != '-' || arg == "-") {
      out.files.push_back(arg);
      continue;
    }
    if (arg == "--") {
      only_files = true;
      continue;
    }
    if (arg == "--merge") {
      out.merge = true;
      continue;
    }
    std::string* value = arg == "--format"        ? &out.format
                         : arg == "--class"       ? &out.format_class
                         : arg == "--preset"      ? &out.preset
                         : arg == "--preset-name" ? &out.preset_name
                         : arg == "-o"            ? &out.folder
                         : arg == "--jobs"        ? &out.jobs
                                                  : nullptr;
    if (value == nullptr) return "unknown option \"" + arg + "\"";
    if (i + 1 >= args.size()) return arg + " needs a value";
    *value = args[++i];
  }
  if (out.format.empty()) return "--format is needed";
  if (!out.preset.empty() && !out.preset_name.empty())
    return "--preset and --preset-name exclude each other";
  if (out.folder.empty()) return "-o needs a folder";
  if (out.files.empty()) return "no input file given";
  return "";
}

// The job target of the arguments (folder still unset); "" or the reason they name none.
std::string ResolveTarget(const TConvertArgs& args, convert::TJobTarget& target) {
  int format_class = -1;
  if (!args.format_class.empty()) {
    format_class = convert::FindFormatClass(args.format_class);
    if (format_class < 0)
      return "unknown class \"" + args.format_class + "\" (video, device or audio)";
  }
  const convert::TOutputFormat* format = nullptr;
  for (int c = 0; c < convert::kFormatClassCount && format == nullptr; ++c)
    if (format_class < 0 || c == format_class) format = convert::FindOutputFormat(c, args.format);
  if (format == nullptr)
    return "unknown format \"" + args.format + "\"; the formats are " + ValidFormats(format_class);
  target.FormatClass = format->Class;
  target.Format = format->Index;
  const std::vector<convert::TPresetRef> all =
      convert::SearchPresets(format->Class, format->Index, "");
  if (!args.preset_name.empty()) {
    const std::vector<convert::TPresetRef> found =
        convert::SearchPresets(format->Class, format->Index, args.preset_name);
    // A description given in full picks its preset even when it is part of another.
    for (const convert::TPresetRef& preset : found)
      if (preset.Description.size() == args.preset_name.size()) target.Preset = preset.Preset;
    if (target.Preset < 0 && found.size() == 1) target.Preset = found.front().Preset;
    if (target.Preset >= 0) return "";
    if (found.empty())
      return "no " + std::string(format->Name) + " preset is described by \"" + args.preset_name +
             "\"; the presets are:" + PresetLines(all);
    return "\"" + args.preset_name + "\" describes several " + format->Name +
           " presets; name one of them:" + PresetLines(found);
  }
  if (args.preset.empty()) {
    target.Preset = format->DefaultPreset;
    return "";
  }
  int preset = -1;
  if (!ParseWhole(args.preset, preset) || preset < 0 || preset >= static_cast<int>(all.size()))
    return "unknown " + std::string(format->Name) + " preset \"" + args.preset +
           "\"; the presets are:" + PresetLines(all);
  target.Preset = preset;
  return "";
}

// The number of conversions at once; 0 for a value that is neither a count nor "auto".
int ResolveJobs(const std::string& text) {
  if (text == "auto") {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : std::min(static_cast<int>(cores), kMaxJobs);
  }
  int jobs = 0;
  if (!ParseWhole(text, jobs) || jobs < 1 || jobs > kMaxJobs) return 0;
  return jobs;
}

bool IsTerminal(std::FILE* out) {
  const char* term = std::getenv("TERM");
  return isatty(fileno(out)) == 1 && !(term != nullptr && std::string(term) == "dumb");
}

int RunConvert(const std::vector<std::string>& arguments) {
  TConvertArgs args;
  const std::string problem = ParseArgs(arguments, args);
  if (!problem.empty()) return Usage(problem);
  convert::TBatchSettings settings;
  const std::string unknown = ResolveTarget(args, settings.Target);
  if (!unknown.empty()) return Usage(unknown);
  settings.Jobs = ResolveJobs(args.jobs);
  if (settings.Jobs == 0)
    return Usage("--jobs takes a count from 1 to " + std::to_string(kMaxJobs) + " or \"auto\"");
  settings.Merge = args.merge;

  std::error_code error;
  std::filesystem::create_directories(args.folder, error);
  if (!std::filesystem::is_directory(args.folder, error)) {
    std::fprintf(stderr,
                 "Fail to create directory! Please check if output folder have the right "
                 "format!\n");
    return 1;
  }
  settings.Target.OutputDir = WithTrailingBackslash(
      std::filesystem::absolute(args.folder, error).lexically_normal().string());

  TConvertView view(stdout, IsTerminal(stdout), static_cast<int>(args.files.size()));
  media::TFFLogger logger;
  logger.SetLogLevel(media::llError);
  logger.SetOnLog([&view](const void*, media::ThreadId thread, media::TLogLevel level,
                          const std::string& text) {
    // The engine's verbose reports (stream mapping, sizes) are for the window's log only.
    if (level > media::llError) return;
    view.Message("#" + std::to_string(thread) + "." + std::to_string(static_cast<int>(level)) +
                 ": " + text);
  });
  media::TFFEncoder encoder;
  if (!encoder.LibrariesLoaded() && !encoder.LoadLibraries(ExecutableDir() + "lib/")) {
    std::fprintf(stderr, "%s\n", encoder.LastErrMsg().c_str());
    return 1;
  }

  convert::TBatchSummary summary;
  {
    TStopSignals signals;
    convert::TBatchRun run(encoder, view);
    summary = run.Run(settings, args.files, [] { return g_stop != 0; });
  }
  view.Summary(summary);
  return summary.Total > 0 && summary.Succeeded == summary.Total && !summary.Stopped ? 0 : 1;
}

const Registration kConvert{"convert", kUsage, &RunConvert};

}  // namespace
}  // namespace tallowin::cli
