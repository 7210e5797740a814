#include "shell/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "common/ascii_text.h"
#include "shell/util_funcs.h"

namespace tallowin {
namespace {

std::string Trim(const std::string& text) {
  return std::string(TrimAscii(text, " \t\r\n\f\v"));
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::string ErrorText(int error) {
  return std::strerror(error);
}

}  // namespace

IniFile IniFile::FromText(const std::string& text) {
  return FromLines(SplitLines(text));
}

IniFile IniFile::FromLines(const std::vector<std::string>& lines) {
  IniFile ini;
  Section* current = nullptr;
  for (const std::string& raw : lines) {
    std::string line = Trim(raw);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      current = &ini.SectionForWrite(Trim(line.substr(1, line.size() - 2)));
      continue;
    }
    if (!current) continue;
    size_t equals = line.find('=');
    std::string key = Trim(line.substr(0, equals));
    std::string value = equals == std::string::npos ? std::string() : Trim(line.substr(equals + 1));
    Put(*current, key, value, true);
  }
  return ini;
}

std::optional<IniFile> IniFile::Load(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR)) return std::nullopt;
  return FromText(ReadFileBytes(path));
}

const IniFile::Section* IniFile::FindSection(const std::string& name) const {
  auto found = section_index_.find(LowerAscii(name));
  return found == section_index_.end() ? nullptr : &sections_[found->second];
}

IniFile::Section& IniFile::SectionForWrite(const std::string& name) {
  auto [found, added] = section_index_.emplace(LowerAscii(name), sections_.size());
  if (added) sections_.push_back({name, {}, {}});
  return sections_[found->second];
}

void IniFile::Put(Section& section, const std::string& key, const std::string& value,
                  bool keep_existing) {
  auto [found, added] = section.index.emplace(LowerAscii(key), section.entries.size());
  if (added)
    section.entries.push_back({key, value});
  else if (!keep_existing)
    section.entries[found->second].value = value;
}

bool IniFile::HasSection(const std::string& section) const {
  return FindSection(section);
}

bool IniFile::HasKey(const std::string& section, const std::string& key) const {
  return Find(section, key).has_value();
}

std::optional<std::string> IniFile::Find(const std::string& section, const std::string& key) const {
  const Section* found = FindSection(section);
  if (!found) return std::nullopt;
  auto entry = found->index.find(LowerAscii(key));
  if (entry == found->index.end()) return std::nullopt;
  return found->entries[entry->second].value;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& fallback) const {
  return Find(section, key).value_or(fallback);
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int fallback) const {
  std::optional<std::string> value = Find(section, key);
  int number = 0;
  if (!value || !TryStrToInt(*value, number)) return fallback;
  return number;
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
  // A value cannot hold a line break: it would start a new line in the file.
  std::string clean = value;
  for (char& c : clean)
    if (c == '\r' || c == '\n') c = ' ';
  Put(SectionForWrite(section), key, clean, false);
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

std::vector<std::string> IniFile::Sections() const {
  std::vector<std::string> names;
  for (const Section& section : sections_) names.push_back(section.name);
  return names;
}

std::vector<std::string> IniFile::Keys(const std::string& section) const {
  std::vector<std::string> keys;
  if (const Section* found = FindSection(section))
    for (const Entry& entry : found->entries) keys.push_back(entry.key);
  return keys;
}

std::string IniFile::ToText() const {
  std::string text;
  for (size_t i = 0; i < sections_.size(); ++i) {
    if (i > 0) text += "\n";
    text += "[" + sections_[i].name + "]\n";
    for (const Entry& entry : sections_[i].entries) text += entry.key + "=" + entry.value + "\n";
  }
  return text;
}

namespace {

// Writes all of `text` to `fd`; false with errno set on failure.
bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

void IniFile::Save(const std::string& path) const {
  const std::string text = ToText();
  auto fail = [&](const std::string& reason) {
    throw std::runtime_error("Cannot write file \"" + path + "\". " + reason);
  };
  // A symbolic link is written through: its target gets the new text, the link stays.
  std::string target = path;
  struct stat link {};
  if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    std::error_code ec;
    const auto resolved = std::filesystem::weakly_canonical(path, ec);
    if (!ec) target = resolved.string();
  }
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);

  // The new text goes to a temporary file beside the target, which then replaces it; the
  // target keeps its permissions.
  const std::string temp = target + ".tmp" + std::to_string(getpid());
  const mode_t mode = exists ? (existing.st_mode & 07777) : 0666;
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    const int open_error = errno;
    if (!exists || (open_error != EACCES && open_error != EPERM && open_error != EROFS))
      fail(ErrorText(open_error));
    SaveInPlace(target, text, path);
    return;
  }
  auto fail_temp = [&](int error) {
    ::close(fd);
    ::unlink(temp.c_str());
    fail(ErrorText(error));
  };
  if (!WriteAll(fd, text)) fail_temp(errno);
  // A new file gets the usual mode under the umask; an existing one keeps its own.
  if (exists) {
    if (::fchmod(fd, mode) != 0) fail_temp(errno);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd, mode & ~mask) != 0) fail_temp(errno);
  }
  if (::fsync(fd) != 0) fail_temp(errno);
  if (::close(fd) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    fail(ErrorText(error));
  }
  if (std::rename(temp.c_str(), target.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    fail(ErrorText(error));
  }
}

void IniFile::SaveInPlace(const std::string& target, const std::string& text,
                          const std::string& shown) {
  // The folder takes no new file but the file itself is writable. Room for the new text is
  // reserved first, so that a full disk fails before a byte of the old text is overwritten.
  auto fail = [&](int error) {
    throw std::runtime_error("Cannot write file \"" + shown + "\". " + ErrorText(error));
  };
  const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) fail(errno);
  auto fail_fd = [&](int error) {
    ::close(fd);
    fail(error);
  };
  struct stat st {};
  if (::fstat(fd, &st) != 0) fail_fd(errno);
  if (static_cast<off_t>(text.size()) > st.st_size) {
    const int r = ::posix_fallocate(fd, 0, static_cast<off_t>(text.size()));
    if (r != 0 && r != EOPNOTSUPP && r != EINVAL) fail_fd(r);
  }
  if (!WriteAll(fd, text)) fail_fd(errno);
  if (::ftruncate(fd, static_cast<off_t>(text.size())) != 0) fail_fd(errno);
  if (::fsync(fd) != 0) fail_fd(errno);
  if (::close(fd) != 0) fail(errno);
}

}  // namespace tallowin
