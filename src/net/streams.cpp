#include "net/streams.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace tallowin::net {

// ---- TMemoryStream ----

bool TMemoryStream::Reserve(std::int64_t capacity) {
  if (capacity <= capacity_) return true;
  if (capacity < 0 || static_cast<std::uint64_t>(capacity) > SIZE_MAX / 2) return false;
  // realloc moves large blocks by remapping pages, so growth does not copy the body.
  void* grown = std::realloc(data_.get(), static_cast<size_t>(capacity));
  if (!grown) return false;
  data_.release();
  data_.reset(static_cast<char*>(grown));
  capacity_ = capacity;
  // A large body fills its buffer with fewer page faults in huge pages, where the system offers
  // them on request.
  constexpr std::int64_t kHugePage = 2 << 20;
  if (capacity >= 2 * kHugePage) {
    auto begin = reinterpret_cast<std::uintptr_t>(data_.get());
    auto aligned = (begin + kHugePage - 1) & ~static_cast<std::uintptr_t>(kHugePage - 1);
    auto end = (begin + static_cast<std::uintptr_t>(capacity)) &
               ~static_cast<std::uintptr_t>(kHugePage - 1);
    if (end > aligned) ::madvise(reinterpret_cast<void*>(aligned), end - aligned, MADV_HUGEPAGE);
  }
  return true;
}

bool TMemoryStream::Seek(std::int64_t position) {
  if (position < 0 || position > size_) return false;
  position_ = position;
  return true;
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  std::int64_t n = std::clamp<std::int64_t>(size_ - position_, 0, std::max<std::int64_t>(count, 0));
  if (n > 0) std::memcpy(buffer, data_.get() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

bool TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return count == 0;
  std::int64_t end = position_ + count;
  if (end > capacity_ && !Reserve(std::max(end, capacity_ + capacity_ / 2 + 4096))) return false;
  std::memcpy(data_.get() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  size_ = std::max(size_, end);
  return true;
}

// ---- TWinHTTPFileStream ----

TWinHTTPFileStream::TWinHTTPFileStream(const std::string& path, Mode mode) {
  int flags = O_CLOEXEC;
  if (mode == Mode::kRead)
    flags |= O_RDONLY;
  else
    flags |= O_RDWR | O_CREAT | (mode == Mode::kCreateEmpty ? O_TRUNC : 0);
  fd_ = ::open(path.c_str(), flags, 0666);
  if (fd_ < 0) error_ = errno;
}

TWinHTTPFileStream::~TWinHTTPFileStream() {
  Close();
}

void TWinHTTPFileStream::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::int64_t TWinHTTPFileStream::Size() const {
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
  return st.st_size;
}

bool TWinHTTPFileStream::Seek(std::int64_t position) {
  if (fd_ < 0 || position < 0) return false;
  position_ = position;
  return true;
}

bool TWinHTTPFileStream::Truncate(std::int64_t size) {
  return fd_ >= 0 && ::ftruncate(fd_, static_cast<off_t>(size)) == 0;
}

std::int64_t TWinHTTPFileStream::Read(void* buffer, std::int64_t count) {
  if (fd_ < 0) return -1;
  std::int64_t total = 0;
  auto* out = static_cast<char*>(buffer);
  while (total < count) {
    ssize_t n = ::pread(fd_, out + total, static_cast<size_t>(count - total),
                        static_cast<off_t>(position_ + total));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return total > 0 ? total : -1;
    if (n == 0) break;
    total += n;
  }
  position_ += total;
  return total;
}

bool TWinHTTPFileStream::Write(const void* buffer, std::int64_t count) {
  if (fd_ < 0) return false;
  std::int64_t total = 0;
  const auto* in = static_cast<const char*>(buffer);
  while (total < count) {
    ssize_t n = ::pwrite(fd_, in + total, static_cast<size_t>(count - total),
                         static_cast<off_t>(position_ + total));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    total += n;
  }
  position_ += total;
  return true;
}

}  // namespace tallowin::net
