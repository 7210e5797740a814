#include "wizard/format_table.h"

namespace tallowin {

const std::vector<FormatInfo>& FormatsOfClass(int format_class) {
  static const std::vector<FormatInfo> kVideo = {
      {"AVI", "AVI"}, {"MP4", "MP4"}, {"FLV", "FLV"}, {"SWF", "SWF"}, {"MPEG", "MPEG"},
      {"RM", "RM"},   {"WMV", "WMV"}, {"MOV", "MOV"}, {"3GP", "3GP"},
  };
  static const std::vector<FormatInfo> kDevice = {
      {"iPod", "iPod"}, {"iPhone", "iPhone"},         {"AppleTV", "Apple TV"},
      {"PSP", "PSP"},   {"BlackBerry", "BlackBerry"}, {"MobilePhone", "Mobile"},
      {"iPad", "iPad"}, {"Android", "Android"},
  };
  static const std::vector<FormatInfo> kAudio = {
      {"WAV", "WAV"}, {"MP3", "MP3"}, {"WMA", "WMA"},   {"OGG", "OGG"},
      {"AAC", "AAC"}, {"M4A", "M4A"}, {"FLAC", "FLAC"}, {"MP2", "MP2"},
  };
  static const std::vector<FormatInfo> kNone;
  switch (format_class) {
    case 0:
      return kVideo;
    case 1:
      return kDevice;
    case 2:
      return kAudio;
    default:
      return kNone;
  }
}

}  // namespace tallowin
