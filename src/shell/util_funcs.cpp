#include "shell/util_funcs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace tallowin {
namespace {

constexpr char kInvalidFileNameChars[] = "\\/:*?\"<>|";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

// Any entry by that name (file, folder, even a dangling link) makes a name taken.
bool EntryExists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string HomeFolder() {
  std::string home = WithoutTrailingSlashes(Env("HOME"));
  return home.empty() ? std::string("/") : home;
}

std::string ConfigHome() {
  std::string config = Env("XDG_CONFIG_HOME");
  if (!config.empty() && config.front() == '/') return WithoutTrailingSlashes(config);
  std::string home = WithoutTrailingSlashes(Env("HOME"));
  if (home.empty()) return {};
  return home + "/.config";
}

// The XDG_DOCUMENTS_DIR entry of user-dirs.dirs ("$HOME/Documents" form), or "".
std::string DocumentsFromUserDirs(const std::string& config_home, const std::string& home) {
  if (config_home.empty()) return {};
  std::ifstream in(config_home + "/user-dirs.dirs");
  std::string line;
  const std::string key = "XDG_DOCUMENTS_DIR=";
  while (std::getline(in, line)) {
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, key.size(), key) != 0) continue;
    std::string value = line.substr(start + key.size());
    while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0)
      value = home + value.substr(5);
    else if (value.empty() || value.front() != '/')
      return {};
    return WithoutTrailingSlashes(value);
  }
  return {};
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The standard integer conversion. Parses as far as it can; `complete` tells whether the whole
// text was a valid number within range. `value` is what was parsed (wrapping modulo 2^32).
struct ParsedInt {
  uint32_t value = 0;
  bool complete = false;
};

ParsedInt ParseStandardInt(const std::string& text) {
  ParsedInt result;
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  uint64_t magnitude = 0;
  bool overflow = false;
  size_t digits = 0;
  for (; i < text.size(); ++i, ++digits) {
    int digit = hex ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
    if (digit < 0) break;
    magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    if (magnitude > 0xFFFFFFFFull) {
      overflow = true;
      magnitude &= 0xFFFFFFFFull;
    }
  }
  uint32_t low = static_cast<uint32_t>(magnitude);
  result.value = negative ? static_cast<uint32_t>(0u - low) : low;
  bool in_range;
  if (overflow)
    in_range = false;
  else if (hex)
    in_range = true;  // up to 32 bits, read as two's complement
  else
    in_range = negative ? magnitude <= 0x80000000ull : magnitude <= 0x7FFFFFFFull;
  result.complete = digits > 0 && i == text.size() && in_range;
  return result;
}

void AppendUtf8(std::string& out, uint32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

}  // namespace

std::string ExpandHomeFolder(const std::string& path, const std::string& home) {
  if (home.empty() || path.empty() || path[0] != '~') return path;
  if (path.size() > 1 && path[1] != '/') return path;
  std::string base = home;
  // "~/x" with home "/home/u/" gives "/home/u/x", not "/home/u//x" (nor "//x" for home "/").
  while (!base.empty() && base.back() == '/') base.pop_back();
  const std::string expanded = base + path.substr(1);
  return expanded.empty() ? "/" : expanded;
}

std::string ExpandHomeFolder(const std::string& path) {
  const char* home = std::getenv("HOME");
  return ExpandHomeFolder(path, home != nullptr ? std::string(home) : std::string());
}

std::string WithTrailingBackslash(const std::string& path) {
  if (!path.empty() && path.back() == '/') return path;
  return path + "/";
}

std::string ReadShellFolder(const std::string& name) {
  const std::string home = HomeFolder();
  if (name == "AppData") {
    std::string config = ConfigHome();
    return config.empty() ? home : config;
  }
  if (name == "Personal") {
    // The desktop's documents folder, as Qt's DocumentsLocation names it; it need not exist yet
    // (a conversion creates its output folder).
    std::string documents = WithoutTrailingSlashes(Env("XDG_DOCUMENTS_DIR"));
    if (documents.empty() || documents.front() != '/')
      documents = DocumentsFromUserDirs(ConfigHome(), home);
    if (documents.empty() && home != "/") documents = home + "/Documents";
    if (!documents.empty()) return documents;
    return home;
  }
  return home;
}

std::string FileExtension(const std::string& path) {
  size_t name_start = path.rfind('/');
  name_start = name_start == std::string::npos ? 0 : name_start + 1;
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot < name_start) return {};
  return path.substr(dot);
}

std::string FileNameWithoutExt(const std::string& path) {
  return path.substr(0, path.size() - FileExtension(path).size());
}

std::string FirstFreeName(const std::string& name, const std::string& folder,
                          const std::function<bool(const std::string& path)>& taken, int limit) {
  const std::string dir = WithTrailingBackslash(folder);
  if (!taken(dir + name)) return name;
  const std::string stem = FileNameWithoutExt(name);
  const std::string extension = FileExtension(name);
  for (int i = 1; i <= limit; ++i) {
    std::string candidate = stem + "(" + std::to_string(i) + ")" + extension;
    if (!taken(dir + candidate)) return candidate;
  }
  return {};
}

std::string UniqueOutputName(const std::string& name, const std::string& folder) {
  const std::string found = FirstFreeName(
      name, folder, [](const std::string& path) { return EntryExists(path); }, 32767);
  return found.empty() ? FileNameWithoutExt(name) + "(32768)" + FileExtension(name) : found;
}

bool IsValidFileName(const std::string& name) {
  return !name.empty() && name.find_first_of(kInvalidFileNameChars) == std::string::npos;
}

std::string SanitizeFileName(const std::string& name) {
  if (name.empty() || IsValidFileName(name)) return name;
  std::string result = name;
  for (char& c : result)
    if (std::string_view(kInvalidFileNameChars).find(c) != std::string_view::npos) c = '_';
  return result;
}

bool IsSupportedExtension(const std::string& extension) {
  static constexpr std::array<const char*, 41> kExtensions = {
      ".mp3", ".aac", ".wav",  ".wma", ".cda", ".flac", ".m4a", ".mid", ".mka", ".mp2", ".mpa",
      ".mpc", ".ape", ".ofr",  ".ogg", ".ra",  ".wv",   ".tta", ".ac3", ".dts", ".avi", ".avm",
      ".asf", ".wmv", ".avs",  ".flv", ".mkv", ".mov",  ".3gp", ".mp4", ".mpg", ".dat", ".ogm",
      ".vob", ".rm",  ".rmvb", ".ts",  ".tp",  ".ifo",  ".nsv", ".swf"};
  std::string lower = extension;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (const char* known : kExtensions)
    if (lower == known) return true;
  return false;
}

bool IsTrueText(const std::string& text) {
  return text == "True" || text == "Yes";
}

bool ContainsAnyChar(const std::string& text, const std::string& chars) {
  return !chars.empty() && text.find_first_of(chars) != std::string::npos;
}

std::vector<std::string> SplitBySeparator(const std::string& text, const std::string& separator) {
  std::vector<std::string> fields;
  if (separator.empty()) {
    if (!text.empty()) fields.push_back(text);
    return fields;
  }
  std::string field;
  size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, separator.size(), separator) == 0) {
      fields.push_back(field);
      field.clear();
      i += separator.size();
    } else {
      field += text[i];
      ++i;
    }
  }
  if (!field.empty()) fields.push_back(field);
  return fields;
}

std::string DecodeHtmlEntities(const std::string& text) {
  struct Named {
    std::string_view name;
    char replacement;
  };
  static constexpr std::array<Named, 5> kNamed = {
      {{"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"nbsp;", ' '}, {"quot;", '"'}}};
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '&') {
      out += text[i++];
      continue;
    }
    std::string_view rest = std::string_view(text).substr(i + 1);
    bool matched = false;
    for (const Named& entity : kNamed) {
      if (rest.substr(0, entity.name.size()) == entity.name) {
        out += entity.replacement;
        i += 1 + entity.name.size();
        matched = true;
        break;
      }
    }
    if (matched) continue;
    if (!rest.empty() && rest.front() == '#') {
      size_t start = i + 2;
      size_t end = text.find(';', start);
      bool at_end = end == std::string::npos;
      if (at_end) end = text.size();
      ParsedInt number = ParseStandardInt(text.substr(start, end - start));
      // Characters beyond ASCII become their UTF-8 form (never longer than the entity); numbers
      // that name no character become U+FFFD.
      uint32_t code = number.value;
      bool is_char = code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
      AppendUtf8(out, is_char ? code : 0xFFFD);
      i = at_end ? text.size() : end + 1;
      continue;
    }
    out += '&';
    ++i;
  }
  return out;
}

bool TryStrToInt(const std::string& text, int& value) {
  ParsedInt parsed = ParseStandardInt(text);
  if (!parsed.complete) return false;
  value = static_cast<int>(parsed.value);
  return true;
}

int StrToIntStrict(const std::string& text) {
  int value = 0;
  if (!TryStrToInt(text, value))
    throw std::invalid_argument("'" + text + "' is not a valid integer value");
  return value;
}

std::string FormatMicroseconds(int64_t t) {
  long long hours = t / 3600000000LL;
  long long minutes = (t / 60000000LL) % 60;
  long long seconds = (t / 1000000LL) % 60;
  long long milliseconds = (t % 1000000LL) * 1000 / 1000000LL;
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%.2lld:%.2lld:%.2lld.%.3lld", hours, minutes, seconds,
                milliseconds);
  return buffer;
}

std::string FormatSeconds(int32_t s) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.2d:%.2d:%.2d", s / 3600, (s % 3600) / 60, s % 60);
  return buffer;
}

GridRect LayoutGridCell(int width, int top, int left, int index, int cell_width, int cell_height,
                        int vertical_gap, int horizontal_gap) {
  int columns = cell_width > 0 ? (width - left - horizontal_gap) / cell_width : 1;
  if (columns <= 0) columns = 1;
  int row = index / columns;
  int column = index % columns;
  GridRect rect;
  rect.left = left + column * (cell_width + horizontal_gap);
  rect.top = top + row * (cell_height + vertical_gap);
  rect.right = rect.left + cell_width + horizontal_gap;
  rect.bottom = rect.top + cell_height + vertical_gap;
  return rect;
}

std::string ExecutableDir() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "./";
  std::string path(buffer, static_cast<size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

std::string ReadFileBytes(const std::string& path) {
  auto fail = [&](int error) {
    throw std::runtime_error("Cannot open file \"" + path + "\". " + std::strerror(error));
  };
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail(errno);
  std::string content;
  char buffer[65536];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int error = errno;
      close(fd);
      fail(error);
    }
    if (n == 0) break;
    content.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return content;
}

std::string ConfigFilePath() {
  return WithTrailingBackslash(ExecutableDir()) + "lamecore.dll";
}

}  // namespace tallowin
