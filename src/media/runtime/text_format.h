// printf-style formatting into a std::string of any length, for messages and error texts.
#pragma once

#include <cstdarg>
#include <string>

namespace tallowin::media {

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The same with the arguments of a variadic caller; a null format gives an empty text.
std::string VFormatText(const char* format, va_list args);

}  // namespace tallowin::media
