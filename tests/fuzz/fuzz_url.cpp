// The URL and HTTP date helpers of the transfer component on arbitrary text: a split URL keeps
// its parts within their limits, escaped text holds no byte that needs escaping, and any date
// read from a header converts to Unix time and back.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "net/url_helpers.h"

using namespace tallowin::net;

namespace {

bool NeedsEscape(unsigned char c) {
  return c < 0x20 || c >= 0x80 || std::strchr(" #*+<>", c) != nullptr;
}

bool IsUpperHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

void CheckEscaped(const std::string& text, const std::string& escaped, bool path) {
  for (size_t i = 0; i < escaped.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(escaped[i]);
    if (NeedsEscape(c) || (path && c == '?')) std::abort();
    if (c == '%' &&
        (i + 2 >= escaped.size() || !IsUpperHex(escaped[i + 1]) || !IsUpperHex(escaped[i + 2])))
      std::abort();
  }
  if (escaped.size() < text.size() || escaped.size() > text.size() * 3) std::abort();
}

int32_t ReadInt(const uint8_t* data, size_t size, size_t at) {
  int32_t value = 0;
  if (at + sizeof value <= size) std::memcpy(&value, data + at, sizeof value);
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  TURLParts parts;
  if (SplitURL(text, parts)) {
    if (parts.Scheme.size() > 32 || parts.Host.size() > 256 || parts.UserName.size() > 128 ||
        parts.Password.size() > 128 || parts.Path.size() > 2048 || parts.Extra.size() > 2048)
      std::abort();
    if (!parts.Extra.empty() && parts.Extra[0] != '?') std::abort();
  } else if (!parts.Scheme.empty() || !parts.Host.empty() || parts.Port != 0 ||
             !parts.Path.empty() || !parts.Extra.empty()) {
    std::abort();
  }
  CheckEscaped(text, EscapeURLExtra(text), false);
  CheckEscaped(text, EscapeURLPath(text), true);

  const TDateTime date = ParseHTTPDate(text);
  if (!std::isfinite(date)) std::abort();
  if (date != 0) (void)UnixTimeToDateTime(DateTimeToUnixTime(date));

  TDateTime encoded = 0;
  if (TryEncodeDateTime(ReadInt(data, size, 0), ReadInt(data, size, 4), ReadInt(data, size, 8),
                        ReadInt(data, size, 12), ReadInt(data, size, 16), ReadInt(data, size, 20),
                        encoded)) {
    if (!std::isfinite(encoded)) std::abort();
    const std::int64_t seconds = DateTimeToUnixTime(encoded);
    if (DateTimeToUnixTime(UnixTimeToDateTime(seconds)) != seconds) std::abort();
  }
  return 0;
}
