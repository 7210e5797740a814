// The built-in preset table (the 36 x264 presets) and the reading of a preset text into options.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tallowin::media {

// The text of a built-in preset (one "name=value" per line), names compared case-insensitively;
// null when there is none of that name.
const std::string* FindBuiltinPreset(const std::string& name);

// The names of the built-in presets, in table order.
std::vector<std::string> BuiltinPresetNames();

struct PresetLine {
  std::string text;  // the line as written
  std::string name, value;
};

// The option lines of a preset text; empty lines and "#" comments are skipped. A line without
// "=" raises FFmpegException `%s: Invalid syntax: "%s"` with the preset's name and the line.
std::vector<PresetLine> ParsePresetText(const std::string& preset_name, const std::string& text);

}  // namespace tallowin::media
