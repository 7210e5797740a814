// The error that an engine option or an engine step raises with its text.
#pragma once

#include <stdexcept>
#include <string>

namespace tallowin::media {

class FFmpegException : public std::runtime_error {
 public:
  explicit FFmpegException(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tallowin::media
