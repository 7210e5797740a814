// URL splitting and escaping, and the HTTP date parser of the transfer component. Pure text
// functions: only ParseHTTPDate consults the system (for the local time zone).
#pragma once

#include <cstdint>
#include <string>

namespace tallowin::net {

// A date-time as a count of days since 1899-12-30 with the time of day as the fraction.
// 0 stands for "no date".
using TDateTime = double;

// The parts of a URL, percent escapes decoded. `Extra` is the query with its leading "?".
struct TURLParts {
  std::string Scheme;
  std::string Host;
  std::uint16_t Port = 0;  // the explicit port, else the scheme's default (0 when it has none)
  std::string UserName;
  std::string Password;
  std::string Path;
  std::string Extra;
};

// Splits `url` into its parts. Fails (and leaves every part empty, the port 0) when the text is
// no URL or a part is longer than its limit: scheme 32, host 256, user name and password 128
// each, path and extra part 2048 each. A fragment ("#...") is never sent and is dropped.
bool SplitURL(const std::string& url, TURLParts& parts);

// Escapes the extra part of a URL for sending: bytes below 0x20 and from 0x80 on, space, "#",
// "%", "*", "+", "<" and ">" become "%" and two upper-case hex digits; all else stays.
std::string EscapeURLExtra(const std::string& text);

// Escapes a decoded path for sending: as EscapeURLExtra, and "?" too.
std::string EscapeURLPath(const std::string& text);

// The value of an HTTP date header (RFC 1123, RFC 850, asctime and close variants) as a local
// date-time; 0 for an empty or unparsable text.
TDateTime ParseHTTPDate(const std::string& text);

// Universal time: the date-time of a count of seconds since 1970-01-01 and back.
TDateTime UnixTimeToDateTime(std::int64_t seconds);
std::int64_t DateTimeToUnixTime(TDateTime value);

// The date of year, month, day plus a time of day; false for an invalid date or time.
bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                       TDateTime& result);

}  // namespace tallowin::net
