#include "shell/config_codec.h"

#include <cstdio>
#include <stdexcept>

#include "shell/util_funcs.h"

namespace tallowin {
namespace {

char Complement(char c) {
  return static_cast<char>(~static_cast<unsigned char>(c));
}

bool IsLineBreak(char c) {
  return c == '\r' || c == '\n';
}

}  // namespace

std::string DecodeConfigLine(const std::string& line) {
  std::string result = line;
  for (char& c : result) c = Complement(c);
  return result;
}

std::vector<std::string> SplitConfigLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (IsLineBreak(bytes[i])) {
      lines.push_back(line);
      line.clear();
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    } else {
      line += bytes[i];
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::string DecodeConfigText(const std::string& stored) {
  std::string text = stored;
  for (char& c : text)
    if (!IsLineBreak(c)) c = Complement(c);
  return text;
}

std::string EncodeConfigText(const std::string& text) {
  std::string stored = text;
  size_t line_number = 1;
  for (size_t i = 0; i < stored.size(); ++i) {
    char c = stored[i];
    if (c == '\n') {
      ++line_number;
    } else if (c == '\r') {
      if (i + 1 >= stored.size() || stored[i + 1] != '\n') ++line_number;
    } else if (IsLineBreak(Complement(c))) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(c));
      throw std::invalid_argument("Line " + std::to_string(line_number) + " holds the byte " + hex +
                                  ", which the configuration format cannot store.");
    } else {
      stored[i] = Complement(c);
    }
  }
  return stored;
}

IniFile ReadConfigFile(const std::string& path) {
  std::vector<std::string> lines = SplitConfigLines(ReadFileBytes(path));
  for (std::string& line : lines) line = DecodeConfigLine(line);
  return IniFile::FromLines(lines);
}

}  // namespace tallowin
