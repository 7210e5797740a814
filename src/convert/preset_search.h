// Finding presets by their description, for the command line: a user looks for "iPhone" or
// "320x240" instead of reading every row of the catalogue.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tallowin::convert {

struct TPresetRef {
  int Class = -1;
  int Format = -1;
  int Preset = -1;
  std::string Description;
};

// `text` holds `part`, ASCII letter case ignored; an empty part is in every text.
bool ContainsIgnoringCase(std::string_view text, std::string_view part);

// Every preset whose description holds `text` (letter case ignored), in catalogue order.
std::vector<TPresetRef> SearchPresets(std::string_view text);
// The same within one format (nothing for a class or format outside the tables).
std::vector<TPresetRef> SearchPresets(int format_class, int format, std::string_view text);

}  // namespace tallowin::convert
