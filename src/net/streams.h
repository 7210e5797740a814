// The body streams of the transfer component: a growable memory buffer and an output file.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace tallowin::net {

class TStream {
 public:
  virtual ~TStream() = default;
  virtual std::int64_t Size() const = 0;
  virtual std::int64_t Position() const = 0;
  virtual bool Seek(std::int64_t position) = 0;
  // Reads up to `count` bytes at the position; returns the number read (-1 on an error).
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  // Writes all `count` bytes at the position; false on an error.
  virtual bool Write(const void* buffer, std::int64_t count) = 0;
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  // Reserves room for `capacity` bytes without touching it; false when that much cannot be had.
  bool Reserve(std::int64_t capacity);
  std::int64_t Capacity() const { return capacity_; }
  const char* Data() const { return data_.get(); }
  std::string_view View() const { return {data_.get(), static_cast<size_t>(size_)}; }

  std::int64_t Size() const override { return size_; }
  std::int64_t Position() const override { return position_; }
  bool Seek(std::int64_t position) override;
  std::int64_t Read(void* buffer, std::int64_t count) override;
  bool Write(const void* buffer, std::int64_t count) override;

 private:
  struct Free {
    void operator()(char* p) const { std::free(p); }
  };
  std::unique_ptr<char, Free> data_;
  std::int64_t size_ = 0;
  std::int64_t capacity_ = 0;
  std::int64_t position_ = 0;
};

// A file opened for reading and writing (Linux has no share modes: others may read and write it
// too). Closed by the destructor or Close.
class TWinHTTPFileStream : public TStream {
 public:
  enum class Mode {
    kRead,         // an existing file, reading only
    kReadWrite,    // created when missing, an existing file keeps its bytes
    kCreateEmpty,  // created when missing, emptied otherwise
  };
  // Check IsOpen; `Error` holds the system's reason otherwise.
  TWinHTTPFileStream(const std::string& path, Mode mode);
  ~TWinHTTPFileStream() override;
  TWinHTTPFileStream(const TWinHTTPFileStream&) = delete;
  TWinHTTPFileStream& operator=(const TWinHTTPFileStream&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  int Error() const { return error_; }
  int Handle() const { return fd_; }
  bool Truncate(std::int64_t size);
  void Close();

  std::int64_t Size() const override;
  std::int64_t Position() const override { return position_; }
  bool Seek(std::int64_t position) override;
  std::int64_t Read(void* buffer, std::int64_t count) override;
  bool Write(const void* buffer, std::int64_t count) override;

 private:
  int fd_ = -1;
  int error_ = 0;
  std::int64_t position_ = 0;
};

}  // namespace tallowin::net
