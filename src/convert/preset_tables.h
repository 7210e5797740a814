// The preset tables of each format class, built by preset_audio.cpp, preset_video.cpp and
// preset_device.cpp for the catalogue (preset_catalogue.h).
#pragma once

#include <span>

#include "convert/preset_catalogue.h"

namespace tallowin::convert {

std::span<const TPresetTable> VideoPresetTables();
std::span<const TPresetTable> DevicePresetTables();
std::span<const TPresetTable> AudioPresetTables();

}  // namespace tallowin::convert
