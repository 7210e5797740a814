// The output formats the program offers: three classes (video, device, audio), each with its
// formats numbered as the stored output selection numbers them.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tallowin::convert {

inline constexpr int kFormatClassVideo = 0;
inline constexpr int kFormatClassDevice = 1;
inline constexpr int kFormatClassAudio = 2;
inline constexpr int kFormatClassCount = 3;

struct TOutputFormat {
  int Class;
  int Index;              // within its class
  const char* Name;       // "AVI", "iPod", "MP3": the name in control and settings key names
  const char* Caption;    // the format button's caption: "Apple TV" for AppleTV
  const char* Extension;  // of the output files, with the dot
  int DefaultPreset;      // the preset a fresh installation selects
};

// Every format, class by class (video, device, audio), each class in index order.
std::span<const TOutputFormat> OutputFormats();

// The formats of one class in index order (empty outside the classes).
std::span<const TOutputFormat> OutputFormats(int format_class);

// nullptr for a class or index outside the tables.
const TOutputFormat* FindOutputFormat(int format_class, int index);
// By name, letter case ignored; nullptr when the class has no such format.
const TOutputFormat* FindOutputFormat(int format_class, std::string_view name);

// "video", "device", "audio"; nullptr outside the classes.
const char* FormatClassName(int format_class);
// The class of that name (letter case ignored), or -1.
int FindFormatClass(std::string_view name);

// The settings key of the format's preset index: "OutputMP3Preset".
std::string PresetSettingsKey(const TOutputFormat& format);

}  // namespace tallowin::convert
