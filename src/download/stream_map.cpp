#include "download/stream_map.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>
#include <string_view>

#include "download/quality.h"
#include "shell/util_funcs.h"

namespace tallowin::download {
namespace {

struct CodeDeleter {
  void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataDeleter {
  void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
using Code = std::unique_ptr<pcre2_code, CodeDeleter>;
using MatchData = std::unique_ptr<pcre2_match_data, MatchDataDeleter>;

// The whole text of the first match of `pattern` (case-sensitive, "." matching line breaks);
// empty when there is none or the pattern cannot run on this text.
std::string FirstMatch(const char* pattern, const std::string& subject) {
  int error = 0;
  PCRE2_SIZE error_offset = 0;
  Code code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern), PCRE2_ZERO_TERMINATED,
                          PCRE2_DOTALL, &error, &error_offset, nullptr));
  if (!code) return {};
  MatchData data(pcre2_match_data_create_from_pattern(code.get(), nullptr));
  if (!data) return {};
  const int rc = pcre2_match(code.get(), reinterpret_cast<PCRE2_SPTR>(subject.data()),
                             subject.size(), 0, 0, data.get(), nullptr);
  if (rc < 1) return {};
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
  return subject.substr(ovector[0], ovector[1] - ovector[0]);
}

void EraseFirst(std::string& text, std::string_view part) {
  const auto at = text.find(part);
  if (at != std::string::npos) text.erase(at, part.size());
}

void EraseAll(std::string& text, std::string_view part) {
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at))
    text.erase(at, part.size());
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A plain decimal itag of at most six digits; -1 otherwise.
int ParseItag(const std::string& text) {
  if (text.empty() || text.size() > 6) return -1;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

constexpr char kTitleOpening[] = "<meta name=\"title\" content=\"";
constexpr char kMapKey[] = "url_encoded_fmt_stream_map";
constexpr size_t kMapKeyLength = sizeof kMapKey - 1;

}  // namespace

std::string ExtractVideoTitle(const std::string& page) {
  std::string title = FirstMatch("<meta name=\"title\" content=\"([^<]+)\">", page);
  if (title.empty()) return {};
  EraseFirst(title, kTitleOpening);
  EraseFirst(title, "\">");
  return title;
}

std::string MakeInfoRecordURL(const std::string& page) {
  // The page escapes the ampersand after the identifier as the six characters \u0026; the
  // pattern's "u0026" matches the letters after that backslash.
  std::string marker = FirstMatch("video_id=(.*?)u0026", page);
  EraseAll(marker, "\\u0026");
  return std::string("http://") + kVideoServiceHost + "/get_video_info?" + marker;
}

std::string UnescapeURL(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '+') {
      out += ' ';
      ++i;
    } else if (c == '%') {
      const std::string_view digits = std::string_view(text).substr(i + 1, 2);
      i += 1 + digits.size();
      if (digits.size() < 2) continue;
      const int high = HexDigit(digits[0]);
      const int low = HexDigit(digits[1]);
      if (high < 0 || low < 0) continue;
      const int value = high * 16 + low;
      if (value != 0) out += static_cast<char>(value);
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

void ClearStreamURLs(TGlobalVars& vars) {
  vars.DefaultStreamURL.clear();
  for (auto& url : vars.QualityStreamURL) url.clear();
}

void ParseStreamMap(const std::string& record, TGlobalVars& vars) {
  for (const std::string& piece : SplitBySeparator(record, "&")) {
    if (piece.compare(0, kMapKeyLength, kMapKey) != 0 || piece.size() < kMapKeyLength) continue;
    const std::string value = UnescapeURL(piece.substr(std::min(piece.size(), kMapKeyLength + 1)));
    for (const std::string& stream : SplitBySeparator(value, ",")) {
      const std::vector<std::string> parts =
          SplitBySeparator(stream.substr(std::min<size_t>(stream.size(), 4)), "&itag=");
      if (parts.size() < 2) continue;
      const int itag = ParseItag(parts[1]);
      if (itag < 0) continue;
      const std::string url = UnescapeURL(parts[0]);
      if (itag == kDefaultItag) {
        vars.DefaultStreamURL = url;
      } else if (const int type = TypeForItag(itag); IsQualityType(type)) {
        vars.QualityStreamURL[static_cast<size_t>(type)] = url;
      }
    }
  }
}

std::string StreamURLForType(const TGlobalVars& vars, int type) {
  return IsQualityType(type) ? vars.QualityStreamURL[static_cast<size_t>(type)] : std::string();
}

std::string VideoFileName(const std::string& title, const std::string& extension,
                          const std::string& folder) {
  // A file name holds at most 255 bytes: a longer title is cut (at a character boundary), with
  // room left for the extension and a "(N)" that makes it unique.
  constexpr size_t kMaxNameBytes = 255 - 8;
  std::string stem = title;
  if (stem.size() + extension.size() > kMaxNameBytes) {
    size_t keep = kMaxNameBytes > extension.size() ? kMaxNameBytes - extension.size() : 0;
    while (keep > 0 && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) --keep;
    stem.resize(keep);
  }
  // Control characters (a line break of the page's title, a NUL from an entity) have no place in
  // a file name: a NUL would even cut the path short.
  for (char& c : stem)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
  const std::string name = SanitizeFileName(stem + extension);
  return WithTrailingBackslash(folder) + UniqueOutputName(name, folder);
}

}  // namespace tallowin::download
