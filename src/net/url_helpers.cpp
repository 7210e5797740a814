#include "net/url_helpers.h"

#include <curl/curl.h>

#include <array>
#include <cctype>
#include <cmath>
#include <ctime>
#include <memory>
#include <string_view>

#include "common/ascii_text.h"

namespace tallowin::net {
namespace {

constexpr double kUnixEpochDays = 25569.0;  // 1970-01-01 as a day count

struct CurlUrlDeleter {
  void operator()(CURLU* handle) const { curl_url_cleanup(handle); }
};
using CurlUrl = std::unique_ptr<CURLU, CurlUrlDeleter>;

// Reads one part; a part the URL does not have is empty. False on any other error.
bool GetPart(CURLU* handle, CURLUPart what, unsigned flags, std::string& out) {
  char* text = nullptr;
  CURLUcode rc = curl_url_get(handle, what, &text, flags);
  if (rc != CURLUE_OK) {
    out.clear();
    return rc == CURLUE_NO_USER || rc == CURLUE_NO_PASSWORD || rc == CURLUE_NO_QUERY ||
           rc == CURLUE_NO_HOST || rc == CURLUE_NO_PORT || rc == CURLUE_NO_FRAGMENT;
  }
  out = text;
  curl_free(text);
  return true;
}

std::string Escape(const std::string& text, bool escape_question_mark) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    bool escape = c < 0x20 || c >= 0x80 || c == ' ' || c == '#' || c == '%' || c == '*' ||
                  c == '+' || c == '<' || c == '>' || (escape_question_mark && c == '?');
    if (escape) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// ---- date parsing helpers ----

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view Trim(std::string_view s) {
  return TrimControls(s);
}

// The text up to `sep` (all of it when there is none); `s` keeps the rest, trimmed on the left.
std::string_view Cut(std::string_view& s, char sep) {
  auto pos = s.find(sep);
  std::string_view field = s.substr(0, pos);
  s = pos == std::string_view::npos ? std::string_view() : TrimLeft(s.substr(pos + 1));
  return field;
}

// A decimal number with an optional sign; `fallback` when the text is anything else.
int ToIntDef(std::string_view s, int fallback) {
  s = Trim(s);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty() || s.size() > 9) return fallback;
  int value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return fallback;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

int NameIndex(std::string_view s, const std::array<std::string_view, 12>& names, size_t count) {
  if (s.size() != 3) return 0;
  for (size_t i = 0; i < count; ++i) {
    bool same = true;
    for (size_t k = 0; k < 3; ++k)
      if (std::tolower(static_cast<unsigned char>(s[k])) !=
          std::tolower(static_cast<unsigned char>(names[i][k])))
        same = false;
    if (same) return static_cast<int>(i) + 1;
  }
  return 0;
}

constexpr std::array<std::string_view, 12> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri",
                                                    "Sat", "",    "",    "",    "",    ""};
constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int DayNumber(std::string_view s) {
  return NameIndex(s, kDays, 7);
}
int MonthNumber(std::string_view s) {
  return NameIndex(s, kMonths, 12);
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool IsLeap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

// The offset of local time from universal time, in seconds, at the given instant.
long LocalOffsetAt(std::int64_t unix_seconds) {
  std::time_t t = static_cast<std::time_t>(unix_seconds);
  std::tm local{};
  if (!localtime_r(&t, &local)) return 0;
  return local.tm_gmtoff;
}

}  // namespace

bool SplitURL(const std::string& url, TURLParts& parts) {
  parts = TURLParts{};
  CurlUrl handle(curl_url());
  if (!handle) return false;
  if (curl_url_set(handle.get(), CURLUPART_URL, url.c_str(),
                   CURLU_NON_SUPPORT_SCHEME | CURLU_ALLOW_SPACE) != CURLUE_OK)
    return false;
  TURLParts out;
  std::string port, query;
  if (!GetPart(handle.get(), CURLUPART_SCHEME, 0, out.Scheme) ||
      !GetPart(handle.get(), CURLUPART_HOST, CURLU_URLDECODE, out.Host) ||
      !GetPart(handle.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT, port) ||
      !GetPart(handle.get(), CURLUPART_USER, CURLU_URLDECODE, out.UserName) ||
      !GetPart(handle.get(), CURLUPART_PASSWORD, CURLU_URLDECODE, out.Password) ||
      !GetPart(handle.get(), CURLUPART_PATH, CURLU_URLDECODE, out.Path) ||
      !GetPart(handle.get(), CURLUPART_QUERY, CURLU_URLDECODE, query))
    return false;
  if (!port.empty()) {
    int value = ToIntDef(port, -1);
    if (value < 0 || value > 65535) return false;
    out.Port = static_cast<std::uint16_t>(value);
  }
  char* raw_query = nullptr;
  if (curl_url_get(handle.get(), CURLUPART_QUERY, &raw_query, 0) == CURLUE_OK) {
    out.Extra = "?" + query;
    curl_free(raw_query);
  }
  if (out.Scheme.size() > 32 || out.Host.size() > 256 || out.UserName.size() > 128 ||
      out.Password.size() > 128 || out.Path.size() > 2048 || out.Extra.size() > 2048)
    return false;
  parts = std::move(out);
  return true;
}

std::string EscapeURLExtra(const std::string& text) {
  return Escape(text, false);
}

std::string EscapeURLPath(const std::string& text) {
  return Escape(text, true);
}

TDateTime UnixTimeToDateTime(std::int64_t seconds) {
  return kUnixEpochDays + static_cast<double>(seconds) / 86400.0;
}

std::int64_t DateTimeToUnixTime(TDateTime value) {
  return static_cast<std::int64_t>(std::llround((value - kUnixEpochDays) * 86400.0));
}

bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                       TDateTime& result) {
  static constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  int days_in_month = kMonthDays[month - 1] + (month == 2 && IsLeap(year) ? 1 : 0);
  if (day > days_in_month) return false;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return false;
  std::int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
  result = kUnixEpochDays + static_cast<double>(days) +
           (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
  return true;
}

TDateTime ParseHTTPDate(const std::string& text) {
  std::string_view s = Trim(text);
  if (s.empty()) return 0;
  if (s.size() >= 3 && DayNumber(s.substr(0, 3)) != 0) {
    auto space = s.find(' ');
    if (space != std::string_view::npos) s = TrimLeft(s.substr(space + 1));
  }
  // RFC 850 dates join day, month and year with "-"; the others use spaces.
  auto dash = s.find('-');
  auto space = s.find(' ');
  char sep = (dash != std::string_view::npos && dash >= 1 && space != std::string_view::npos &&
              dash < space)
                 ? '-'
                 : ' ';
  std::string_view first = Cut(s, sep);
  std::string_view second = Cut(s, sep);
  int month, day;
  if (MonthNumber(first) != 0) {  // asctime: month before day
    month = MonthNumber(first);
    day = ToIntDef(second, 1);
  } else {
    day = ToIntDef(first, 1);
    month = MonthNumber(second);
  }
  std::string_view year_field = Cut(s, ' ');
  int year = ToIntDef(year_field, 1900);
  if (year == 1900) {  // asctime: the year comes last, after the time
    year = ToIntDef(s, 1900);
    s = year_field;
  }
  if (year >= 0 && year < 80)
    year += 2000;
  else if (year >= 80 && year <= 99)
    year += 1900;
  int hour = 0, minute = 0, second_of_minute = 0;
  if (s.find(':') != std::string_view::npos) {
    std::string_view time = Cut(s, ' ');
    hour = ToIntDef(Cut(time, ':'), 0);
    minute = ToIntDef(Cut(time, ':'), 0);
    second_of_minute = ToIntDef(Cut(time, ':'), 0);
  }
  TDateTime date;
  if (!TryEncodeDateTime(year, month, day, hour, minute, second_of_minute, date)) return 0;
  // Zone: "+hhmm" or "-hhmm"; names such as GMT are universal time.
  s = Trim(s);
  if (s.size() > 4 && (s[0] == '+' || s[0] == '-')) {
    bool digits = true;
    for (size_t i = 1; i < 5; ++i)
      if (s[i] < '0' || s[i] > '9') digits = false;
    if (digits) {
      int hh = (s[1] - '0') * 10 + (s[2] - '0');
      int mm = (s[3] - '0') * 10 + (s[4] - '0');
      if (hh < 24 && mm < 60) {
        double offset = hh / 24.0 + mm / 1440.0;
        date += s[0] == '+' ? -offset : offset;
      }
    }
  }
  // The local time zone's offset in effect at that instant (daylight saving time included).
  return date + LocalOffsetAt(DateTimeToUnixTime(date)) / 86400.0;
}

}  // namespace tallowin::net
