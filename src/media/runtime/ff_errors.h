// Texts of the error codes that the FFmpeg libraries return.
#pragma once

#include <string>

namespace tallowin::media {

// The text of one library error code: FFmpeg's own codes by name, negated error numbers by the
// system's text, anything else "Error number %d occurred".
std::string ErrorCodeText(int code);

// file + ": " + the text of the code, as open input and open output report it.
std::string FileErrorText(const std::string& file, int code);

}  // namespace tallowin::media
