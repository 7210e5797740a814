#include "convert/job_rules.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <system_error>

#include "common/ascii_text.h"
#include "convert/output_formats.h"
#include "shell/util_funcs.h"

namespace tallowin::convert {

namespace {

// The most numbered names tried for one output, as UniqueOutputName tries.
constexpr int kMaxNumberedNames = 32767;

// Leading and trailing blanks do not count in a number cell.
std::string_view Trimmed(const std::string& text) {
  return TrimAscii(text, " \t");
}

template <class Number>
bool ParseWhole(const std::string& text, Number& value) {
  const std::string_view digits = Trimmed(text);
  const char* end = digits.data() + digits.size();
  const auto [ptr, ec] = std::from_chars(digits.data(), end, value);
  return ec == std::errc() && ptr == end && !digits.empty();
}

}  // namespace

std::string OutputExtension(int format_class, int format) {
  const TOutputFormat* found = FindOutputFormat(format_class, format);
  return found == nullptr ? std::string() : std::string(found->Extension);
}

std::string FileNamePart(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPart(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string OutputNameFor(const std::string& input_path, const std::string& extension) {
  const std::string name = FileNamePart(input_path);
  const size_t dot = name.rfind('.');
  return (dot == std::string::npos ? name : name.substr(0, dot)) + extension;
}

bool TOutputNames::Taken(const std::string& path) const {
  if (given_.count(path) != 0) return true;
  struct stat info {};
  // Anything but a plain "no such entry" counts as taken: a dangling link, or a name that cannot
  // be looked at, must not be written through.
  return lstat(path.c_str(), &info) == 0 || errno != ENOENT;
}

std::string TOutputNames::Take(const std::string& name, const std::string& folder) {
  const std::string free = FirstFreeName(
      name, folder, [this](const std::string& path) { return Taken(path); }, kMaxNumberedNames);
  if (free.empty()) return {};
  std::string path = WithTrailingBackslash(folder) + free;
  given_.insert(path);
  return path;
}

int64_t DurationFromText(const std::string& text) {
  int64_t value = 0;
  if (!ParseWhole(text, value) || value < 0) return 0;
  return value;
}

std::string DimensionText(const std::string& width, const std::string& height) {
  int w = 0, h = 0;
  if (!ParseWhole(width, w)) w = 0;
  if (!ParseWhole(height, h)) h = 0;
  return std::to_string(w) + "x" + std::to_string(h);
}

std::string AspectRatioText(const std::string& text) {
  float ratio = 0;
  if (!ParseWhole(text, ratio)) ratio = 0;
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(ratio),
                                    std::chars_format::general, 15);
  return std::string(buffer, result.ptr);
}

}  // namespace tallowin::convert
