#include "download/video_link.h"

#include <algorithm>

#include "common/ascii_text.h"

namespace tallowin::download {

namespace {

bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

// Between the text and the reason: line feed, carriage return, line feed, carriage return.
constexpr char kRefusalBreak[] = "\n\r\n\r";

}  // namespace

bool IsVideoLink(const std::string& text) {
  const std::string lower = LowerAscii(text);
  return Contains(lower, "http") &&
         (Contains(lower, kVideoServiceDomain) || Contains(lower, kVideoShareDomain));
}

std::vector<std::string> SplitLinkLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  char quote = 0;
  for (const char c : text) {
    if (quote != 0) {
      if (c == quote) quote = 0;
      line += c;
    } else if (c == '\r' || c == '\n') {
      if (!line.empty()) lines.push_back(std::move(line));
      line.clear();
    } else {
      if (c == '"' || c == '\'') quote = c;
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

TLinkCheck CheckVideoLink(const std::string& text, std::span<const std::string> listed) {
  if (!IsVideoLink(text)) return TLinkCheck::NotVideoLink;
  if (std::find(listed.begin(), listed.end(), text) != listed.end()) {
    return TLinkCheck::AlreadyListed;
  }
  return TLinkCheck::Accepted;
}

std::string LinkRefusalMessage(const std::string& text, TLinkCheck check) {
  switch (check) {
    case TLinkCheck::NotVideoLink:
      return text + kRefusalBreak + kNotVideoLinkText;
    case TLinkCheck::AlreadyListed:
      return text + kRefusalBreak + kAlreadyListedText;
    case TLinkCheck::Accepted:
      break;
  }
  return {};
}

bool IsWebAddress(const std::string& text) {
  const std::string lower = LowerAscii(text.substr(0, 8));
  return lower.starts_with("http://") || lower.starts_with("https://");
}

}  // namespace tallowin::download
