// tallowin-cli presets: the compiled-in preset catalogue.
//
//   presets                                      every preset: class, format, index, description
//   presets --search TEXT                        ... only those whose description holds TEXT
//                                                (letter case ignored)
//   presets --class C --format F --preset N      the output options of that preset (merged job)
//           [--input FILE]                       ... for a per-file job of FILE, probed by the
//                                                decoder (libraries from "lib" beside us)
//
// Classes and formats are given by name (video, AVI) or by number. The options are printed as
// one "Field=value" line for every field that differs from its initial value.
#include <charconv>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli_command.h"
#include "convert/output_formats.h"
#include "convert/preset_catalogue.h"
#include "convert/preset_input.h"
#include "convert/preset_search.h"
#include "media/components/ff_decode.h"
#include "media/runtime/ff_load.h"

namespace tallowin::cli {
namespace {

using convert::TOutputFormat;

bool ParseInt(const std::string& text, int& out) {
  if (text.empty()) return false;
  const char* begin = text.data();
  if (*begin == '+') ++begin;
  auto [end, ec] = std::from_chars(begin, text.data() + text.size(), out);
  return ec == std::errc() && end == text.data() + text.size();
}

int ListPresets() {
  for (const convert::TPresetList& list : convert::FillPresetLists()) {
    const TOutputFormat* format = convert::FindOutputFormat(list.Class, list.Format);
    for (size_t i = 0; i < list.Descriptions.size(); ++i)
      std::printf("%s\t%s\t%zu\t%s\n", convert::FormatClassName(list.Class), format->Name, i,
                  list.Descriptions[i].c_str());
  }
  return 0;
}

// The rows of the listing whose description holds the text; 1 when none does.
int SearchPresets(const std::string& text) {
  const std::vector<convert::TPresetRef> found = convert::SearchPresets(text);
  for (const convert::TPresetRef& preset : found)
    std::printf("%s\t%s\t%d\t%s\n", convert::FormatClassName(preset.Class),
                convert::FindOutputFormat(preset.Class, preset.Format)->Name, preset.Preset,
                preset.Description.c_str());
  if (found.empty()) std::fprintf(stderr, "presets: no description holds \"%s\"\n", text.c_str());
  return found.empty() ? 1 : 0;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "presets: %s\n", message.c_str());
  return 2;
}

// Probes the input as the job builder does; false with a message on the error output.
bool ProbeInput(const std::string& path, convert::TPresetInput& input) {
  media::TFFLoader& loader = media::FFLoader();
  loader.SetLibraryFolder(ExecutableDir() + "lib");
  if (!loader.Load(media::kEncoderLibraries)) {
    std::fprintf(stderr, "presets: %s\n", loader.LastErrMsg().c_str());
    return false;
  }
  try {
    media::TFFDecoder decoder;
    if (!decoder.LoadFile(path)) {
      std::fprintf(stderr, "presets: File load error: %s\n", decoder.LastErrMsg().c_str());
      return false;
    }
    input = convert::PresetInputFromDecoder(decoder);
    decoder.CloseFile();
    return true;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "presets: %s\n", e.what());
    return false;
  }
}

int RunPresets(const std::vector<std::string>& args) {
  if (args.empty()) return ListPresets();
  if (args[0] == "--search") {
    if (args.size() != 2 || args[1].empty()) return Fail("--search needs one text");
    return SearchPresets(args[1]);
  }

  std::string class_arg, format_arg, preset_arg, input_arg;
  bool per_file = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string* target = arg == "--class"    ? &class_arg
                          : arg == "--format" ? &format_arg
                          : arg == "--preset" ? &preset_arg
                          : arg == "--input"  ? &input_arg
                                              : nullptr;
    if (!target) return Fail("unknown argument \"" + arg + "\"");
    per_file = per_file || target == &input_arg;
    if (i + 1 >= args.size()) return Fail(arg + " needs a value");
    *target = args[++i];
  }
  if (class_arg.empty() || format_arg.empty() || preset_arg.empty())
    return Fail("--class, --format and --preset go together");

  int format_class = convert::FindFormatClass(class_arg);
  if (format_class < 0 &&
      (!ParseInt(class_arg, format_class) || !convert::FormatClassName(format_class)))
    return Fail("unknown class \"" + class_arg + "\" (video, device or audio)");

  const TOutputFormat* format = convert::FindOutputFormat(format_class, format_arg);
  int number = 0;
  if (!format && ParseInt(format_arg, number))
    format = convert::FindOutputFormat(format_class, number);
  if (!format)
    return Fail("unknown format \"" + format_arg + "\" in class " +
                convert::FormatClassName(format_class));

  int preset = 0;
  if (!ParseInt(preset_arg, preset)) return Fail("--preset needs a number");
  int count = convert::PresetCount(format_class, format->Index);
  if (preset < 0 || preset >= count)
    std::fprintf(stderr, "presets: %s has presets 0 to %d; %d gives its common settings only\n",
                 format->Name, count - 1, preset);

  convert::TPresetInput input;
  if (per_file && !ProbeInput(input_arg, input)) return 1;
  media::TOutputOptions options = convert::PresetOutputOptions(
      format_class, format->Index, preset,
      per_file ? convert::TPresetJob::PerFile : convert::TPresetJob::Merged, input);
  for (const std::string& line : media::ChangedFieldLines(options))
    std::printf("%s\n", line.c_str());
  return 0;
}

const Registration kPresets{
    "presets", "presets [--search TEXT | --class C --format F --preset N [--input FILE]]",
    &RunPresets};

}  // namespace
}  // namespace tallowin::cli
