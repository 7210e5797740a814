#include "convert/preset_search.h"

#include <algorithm>

#include "common/ascii_text.h"
#include "convert/preset_catalogue.h"

namespace tallowin::convert {

namespace {

void AddMatches(const TPresetTable& table, std::string_view text, std::vector<TPresetRef>& out) {
  for (size_t i = 0; i < table.Rows.size(); ++i) {
    const char* description = table.Rows[i].Description;
    if (ContainsIgnoringCase(description, text))
      out.push_back({table.Class, table.Format, static_cast<int>(i), description});
  }
}

}  // namespace

bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
  const auto found = std::search(text.begin(), text.end(), part.begin(), part.end(),
                                 [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
  return found != text.end() || part.empty();
}

std::vector<TPresetRef> SearchPresets(std::string_view text) {
  std::vector<TPresetRef> found;
  for (const TPresetTable& table : PresetTables()) AddMatches(table, text, found);
  return found;
}

std::vector<TPresetRef> SearchPresets(int format_class, int format, std::string_view text) {
  std::vector<TPresetRef> found;
  if (const TPresetTable* table = FindPresetTable(format_class, format))
    AddMatches(*table, text, found);
  return found;
}

}  // namespace tallowin::convert
