#include "convert/output_formats.h"

#include "common/ascii_text.h"

namespace tallowin::convert {
namespace {

// clang-format off
const TOutputFormat kFormats[] = {
    // class            index  name           caption       extension  default preset
    {kFormatClassVideo,  0,     "AVI",         "AVI",        ".avi",    3},
    {kFormatClassVideo,  1,     "MP4",         "MP4",        ".mp4",    3},
    {kFormatClassVideo,  2,     "FLV",         "FLV",        ".flv",    1},
    {kFormatClassVideo,  3,     "SWF",         "SWF",        ".swf",    1},
    {kFormatClassVideo,  4,     "MPEG",        "MPEG",       ".mpg",    5},
    {kFormatClassVideo,  5,     "RM",          "RM",         ".rm",     1},
    {kFormatClassVideo,  6,     "WMV",         "WMV",        ".wmv",    16},
    {kFormatClassVideo,  7,     "MOV",         "MOV",        ".mov",    7},
    {kFormatClassVideo,  8,     "3GP",         "3GP",        ".3gp",    2},
    {kFormatClassDevice, 0,     "iPod",        "iPod",       ".mp4",    5},
    {kFormatClassDevice, 1,     "iPhone",      "iPhone",     ".mp4",    1},
    {kFormatClassDevice, 2,     "AppleTV",     "Apple TV",   ".mp4",    1},
    {kFormatClassDevice, 3,     "PSP",         "PSP",        ".mp4",    1},
    {kFormatClassDevice, 4,     "BlackBerry",  "BlackBerry", ".mp4",    1},
    {kFormatClassDevice, 5,     "MobilePhone", "Mobile",     ".mp4",    1},
    {kFormatClassDevice, 6,     "iPad",        "iPad",       ".mp4",    0},
    {kFormatClassDevice, 7,     "Android",     "Android",    ".mp4",    0},
    {kFormatClassAudio,  0,     "WAV",         "WAV",        ".wav",    3},
    {kFormatClassAudio,  1,     "MP3",         "MP3",        ".mp3",    2},
    {kFormatClassAudio,  2,     "WMA",         "WMA",        ".wma",    1},
    {kFormatClassAudio,  3,     "OGG",         "OGG",        ".ogg",    3},
    {kFormatClassAudio,  4,     "AAC",         "AAC",        ".aac",    3},
    {kFormatClassAudio,  5,     "M4A",         "M4A",        ".m4a",    0},
    {kFormatClassAudio,  6,     "FLAC",        "FLAC",       ".flac",   5},
    {kFormatClassAudio,  7,     "MP2",         "MP2",        ".mp2",    0},
};
// clang-format on

const char* const kClassNames[kFormatClassCount] = {"video", "device", "audio"};

}  // namespace

std::span<const TOutputFormat> OutputFormats() {
  return kFormats;
}

std::span<const TOutputFormat> OutputFormats(int format_class) {
  std::span<const TOutputFormat> all = kFormats;
  size_t first = 0;
  while (first < all.size() && all[first].Class != format_class) ++first;
  size_t last = first;
  while (last < all.size() && all[last].Class == format_class) ++last;
  return all.subspan(first, last - first);
}

const TOutputFormat* FindOutputFormat(int format_class, int index) {
  std::span<const TOutputFormat> formats = OutputFormats(format_class);
  if (index < 0 || static_cast<size_t>(index) >= formats.size()) return nullptr;
  return &formats[static_cast<size_t>(index)];
}

const TOutputFormat* FindOutputFormat(int format_class, std::string_view name) {
  for (const TOutputFormat& format : OutputFormats(format_class))
    if (SameTextAscii(format.Name, name)) return &format;
  return nullptr;
}

const char* FormatClassName(int format_class) {
  if (format_class < 0 || format_class >= kFormatClassCount) return nullptr;
  return kClassNames[format_class];
}

int FindFormatClass(std::string_view name) {
  for (int c = 0; c < kFormatClassCount; ++c)
    if (SameTextAscii(kClassNames[c], name)) return c;
  return -1;
}

std::string PresetSettingsKey(const TOutputFormat& format) {
  return std::string("Output") + format.Name + "Preset";
}

}  // namespace tallowin::convert
