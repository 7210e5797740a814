// Plain ASCII text helpers for every layer: letter case without the locale, and trimming. Names,
// keywords and option texts of the program are ASCII; other bytes pass through unchanged.
#pragma once

#include <string>
#include <string_view>

namespace tallowin {

constexpr char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string LowerAscii(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

// Equal but for the case of the ASCII letters.
constexpr bool SameTextAscii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}

// `text` without the characters of `blanks` at either end.
constexpr std::string_view TrimAscii(std::string_view text, std::string_view blanks = " \t\r\n") {
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// `text` without blanks and control characters (every byte up to the space) at either end.
constexpr std::string_view TrimControls(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

}  // namespace tallowin
