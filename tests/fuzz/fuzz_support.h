// Shared pieces of the fuzz targets: a private scratch folder per process and a way to hand an
// input to code that reads files.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tallowin::fuzz {

// A folder of this process under the temporary folder, created on first use and removed when
// the process ends.
inline const std::filesystem::path& ScratchDir() {
  struct Dir {
    std::filesystem::path path;
    Dir() {
      path =
          std::filesystem::temp_directory_path() / ("tallowin-fuzz-" + std::to_string(::getpid()));
      std::filesystem::create_directories(path);
    }
    ~Dir() {
      std::error_code ignored;
      std::filesystem::remove_all(path, ignored);
    }
  };
  static const Dir dir;
  return dir.path;
}

// Writes the input to `name` in the scratch folder (replacing the last input) and returns its
// path.
inline std::string WriteScratchFile(const std::string& name, const uint8_t* data, size_t size) {
  const std::filesystem::path path = ScratchDir() / name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path.string();
}

// Splits the input at NUL bytes and line breaks into tokens (empty tokens kept), at most
// `limit` of them.
inline std::vector<std::string> Tokens(const uint8_t* data, size_t size, size_t limit) {
  std::vector<std::string> tokens(1);
  for (size_t i = 0; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == '\0' || c == '\n') {
      if (tokens.size() == limit) break;
      tokens.emplace_back();
    } else {
      tokens.back() += c;
    }
  }
  return tokens;
}

}  // namespace tallowin::fuzz
