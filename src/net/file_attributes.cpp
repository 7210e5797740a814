#include "net/file_attributes.h"

#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <string_view>

namespace tallowin::net {
namespace {

using A = TWinHTTPFileAttribute;
struct Name {
  A attribute;
  std::string_view text;
};
constexpr Name kNames[] = {{A::atrArchive, "archive"},     {A::atrHidden, "hidden"},
                           {A::atrReadOnly, "readonly"},   {A::atrSystem, "system"},
                           {A::atrTemporary, "temporary"}, {A::atrOffline, "offline"}};

}  // namespace

bool ApplyFileAttributes(const std::string& path, TWinHTTPFileAttributes attributes) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  const mode_t mode = st.st_mode & 07777;
  const bool read_only = attributes.Contains(A::atrReadOnly);
  const mode_t wanted = read_only ? mode & ~mode_t(0222) : mode | S_IWUSR;
  // Extended attributes need write access: change them while the file is writable.
  bool ok = true;
  if (!read_only && wanted != mode && ::chmod(path.c_str(), wanted) != 0) ok = false;

  TWinHTTPFileAttributes recorded = attributes;
  recorded.Exclude(A::atrReadOnly);
  if (recorded == TWinHTTPFileAttributes{A::atrArchive} || recorded.Empty()) {
    if (::removexattr(path.c_str(), kAttributesXattr) != 0 && errno != ENODATA && errno != ENOTSUP)
      ok = false;
  } else {
    std::string list;
    for (const auto& n : kNames) {
      if (!recorded.Contains(n.attribute)) continue;
      if (!list.empty()) list += ',';
      list += n.text;
    }
    if (::setxattr(path.c_str(), kAttributesXattr, list.data(), list.size(), 0) != 0) ok = false;
  }
  if (read_only && wanted != mode && ::chmod(path.c_str(), wanted) != 0) ok = false;
  return ok;
}

TWinHTTPFileAttributes ReadFileAttributes(const std::string& path) {
  TWinHTTPFileAttributes result{A::atrArchive};
  char buffer[256];
  ssize_t n = ::getxattr(path.c_str(), kAttributesXattr, buffer, sizeof buffer);
  if (n > 0) {
    result = {};
    std::string_view list(buffer, static_cast<size_t>(n));
    for (const auto& name : kNames) {
      size_t pos = 0;
      while (pos <= list.size()) {
        size_t end = list.find(',', pos);
        if (end == std::string_view::npos) end = list.size();
        if (list.substr(pos, end - pos) == name.text) result.Include(name.attribute);
        pos = end + 1;
      }
    }
  }
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0) result.Include(A::atrReadOnly);
  return result;
}

}  // namespace tallowin::net
