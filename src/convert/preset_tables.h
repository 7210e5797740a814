// The preset tables of each format class, built by preset_audio.cpp, preset_video.cpp and
// preset_device.cpp for the catalogue (preset_catalogue.h).
#pragma once

#include <vector>

#include "convert/preset_catalogue.h"

namespace tallowin::convert {

std::vector<TPresetTable> VideoPresetTables();
std::vector<TPresetTable> DevicePresetTables();
std::vector<TPresetTable> AudioPresetTables();

}  // namespace tallowin::convert
