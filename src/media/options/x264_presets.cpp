#include "media/options/x264_presets.h"

#include <algorithm>

#include "common/ascii_text.h"
#include "media/runtime/ff_exception.h"

namespace tallowin::media {
namespace {

#include "media/options/x264_presets_data.inc"

struct Preset {
  std::string name, text;
};

// The data split into its blocks, once.
const std::vector<Preset>& Table() {
  static const std::vector<Preset> table = [] {
    std::vector<Preset> presets;
    const std::string data = kX264PresetData;
    size_t start = 0;
    while (start < data.size()) {
      size_t end = data.find('\n', start);
      if (end == std::string::npos) end = data.size();
      const std::string line(TrimAscii(data.substr(start, end - start)));
      start = end + 1;
      if (line.size() > 2 && line.front() == '[' && line.back() == ']')
        presets.push_back({line.substr(1, line.size() - 2), std::string()});
      else if (!line.empty() && !presets.empty())
        presets.back().text += line + "\n";
    }
    return presets;
  }();
  return table;
}

}  // namespace

const std::string* FindBuiltinPreset(const std::string& name) {
  const std::string key = LowerAscii(name);
  for (const auto& preset : Table())
    if (LowerAscii(preset.name) == key) return &preset.text;
  return nullptr;
}

std::vector<std::string> BuiltinPresetNames() {
  std::vector<std::string> names;
  for (const auto& preset : Table()) names.push_back(preset.name);
  return names;
}

std::vector<PresetLine> ParsePresetText(const std::string& preset_name, const std::string& text) {
  std::vector<PresetLine> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line(TrimAscii(text.substr(start, end - start)));
    start = end + 1;
    if (line.empty() || line[0] == '#') continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos || eq == 0)
      throw FFmpegException(preset_name + ": Invalid syntax: \"" + line + "\"");
    lines.push_back({line, std::string(TrimAscii(line.substr(0, eq))),
                     std::string(TrimAscii(line.substr(eq + 1)))});
  }
  return lines;
}

}  // namespace tallowin::media
