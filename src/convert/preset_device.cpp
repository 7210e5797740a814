// The device preset tables. Descriptions are display text only: where one names other values than
// its row's cells (frame sizes, rates, bit rates), the cells are what a job gets.
#include "convert/output_formats.h"
#include "convert/preset_tables.h"

namespace tallowin::convert {
namespace {

// Per format: the settings of every row, the columns (fields of TOutputOptions) and one row a
// preset: {description, {one cell a column}}; an empty cell sets nothing.
// clang-format off

// iPod
const TPresetSetting kiPodCommon[] = {{"VideoCodec", "libx264"}, {"AudioCodec", "libfaac"}, {"ExtOptions", H264OptionsLevel30}};
const char* const kiPodColumns[] = {"FrameSize", "FrameRate", "VideoBitrate", "AudioSampleRate", "AudioBitrate", "AudioChannels"};
const TPresetRow kiPodRows[] = {
    {"iPod Highest Quality (H264, 30 fps, 640x480, 2500 kbps; AAC - 160 kbps)", {"640x480", "30", "2500000", "48000", "160000", "2"}},
    {"iPod Touch High Quality (H264, 30 fps, 480x320, 2500 kbps; AAC - 160 kbps) ", {"480x320", "30", "2500000", "48000", "160000", "2"}},
    {"iPod Touch Standard Quality (H264, 24 fps, 480x320, 1300 kbps; AAC - 128 kbps)", {"480x320", "24", "1300000", "44100", "128000", "2"}},
    {"iPod Touch Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps) ", {"320x240", "15", "500000", "44100", "128000", "2"}},
    {"iPod Classic High Quality (H264, 30 fps, 320x240, 2500 kbps; AAC - 160 kbps)", {"320x240", "30", "2500000", "48000", "160000", "2"}},
    {"iPod Classic Standard Quality (H264, 24 fps, 320x240, 1000 kbps; AAC - 128 kbps)", {"320x240", "24", "1000000", "44100", "128000", "2"}},
    {"iPod Classic Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)", {"320x240", "15", "500000", "44100", "128000", "2"}},
    {"iPod Nano High Quality (H264, 30 fps, 320x240, 2500 kbps; AAC - 160 kbps)", {"320x240", "30", "2500000", "48000", "160000", "2"}},
    {"iPod Nano Standard Quality (H264, 24 fps, 320x240, 1000 kbps; AAC - 128 kbps)", {"320x240", "24", "1000000", "44100", "128000", "2"}},
    {"iPod Nano Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)", {"320x240", "15", "500000", "44100", "128000", "2"}},
};

// iPhone
const TPresetSetting kiPhoneCommon[] = {{"VideoCodec", "libx264"}, {"AudioCodec", "libfaac"}, {"ExtOptions", H264OptionsLevel30}};
const char* const kiPhoneColumns[] = {"FrameSize", "FrameRate", "VideoBitrate", "AudioSampleRate", "AudioBitrate", "AudioChannels"};
const TPresetRow kiPhoneRows[] = {
    {"iPhone High Quality (H264, 30 fps, 640x480, 2500 kbps; AAC - 160 kbps)", {"640x480", "30", "2500000", "48000", "160000", "2"}},
    {"iPhone Standard Quality (H264, 24 fps, 480x320, 1300 kbps; AAC - 128 kbps)", {"480x320", "30", "1300000", "44100", "128000", "2"}},
    {"iPhone Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)", {"320x240", "15", "500000", "44100", "128000", "2"}},
};

// AppleTV
const TPresetSetting kAppleTVCommon[] = {{"VideoCodec", "libx264"}, {"AudioCodec", "libfaac"}, {"ExtOptions", H264OptionsLevel30}};
const char* const kAppleTVColumns[] = {"FrameSize", "FrameRate", "VideoBitrate", "AudioSampleRate", "AudioBitrate", "AudioChannels"};
const TPresetRow kAppleTVRows[] = {
    {"AppleTV High Quality (H264, 24 fps, 1280x720, 5000 kbps; AAC - 160 kbps)", {"640x480", "24", "5000000", "48000", "160000", "2"}},
    {"AppleTV Standard Quality (H264, 24 fps, 720x540, 2000 kbps; AAC - 128 kbps)", {"720x540", "24", "2000000", "44100", "128000", "2"}},
    {"AppleTV Economy Quality (H264, 24 fps, 480x360, 1000 kbps; AAC - 128 kbps)", {"480x360", "24", "1000000", "44100", "128000", "2"}},
};

// PSP
const TPresetSetting kPSPCommon[] = {{"FileFormat", "psp"}, {"VideoCodec", "libx264"}, {"AudioCodec", "libfaac"}, {"ExtOptions", H264OptionsLevel21}};
const char* const kPSPColumns[] = {"FrameSize", "FrameRate", "VideoBitrate", "AudioSampleRate", "AudioBitrate", "AudioChannels"};
const TPresetRow kPSPRows[] = {
    {"PSP Highest Quality (H264, 30 fps, 480x272, 1500 kbps; AAC - 160 kbps)", {"480x272", "30", "1500000", "48000", "160000", "2"}},
    {"PSP Optimal Quality (H264, 24 fps, 368x208, 1000 kbps; AAC - 128 kbps)", {"368x208", "24", "1000000", "44100", "128000", "2"}},
    {"PSP Economy Quality (H264, 15 fps, 368x208, 500 kbps; AAC - 128 kbps)", {"368x208", "15", "500000", "44100", "128000", "2"}},
};

// BlackBerry
const TPresetSetting kBlackBerryCommon[] = {{"VideoCodec", "libx264"}, {"VideoPreset", "libx264-default"}, {"AudioCodec", "libfaac"}};
const char* const kBlackBerryColumns[] = {"FrameSize", "FrameRate", "VideoBitrate", "AudioSampleRate", "AudioBitrate", "AudioChannels"};
const TPresetRow kBlackBerryRows[] = {
    {"BlackBerry High Quality (H264, 30 fps, 640x480, 2500 kbps; AAC - 160 kbps)", {"640x480", "30", "2500000", "48000", "160000", "2"}},
    {"BlackBerry Standard Quality (H264, 24 fps, 480x320, 1300 kbps; AAC - 128 kbps)", {"480x320", "30", "1300000", "44100", "128000", "2"}},
    {"BlackBerry Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)", {"320x240", "15", "500000", "44100", "128000", "2"}},
};

// MobilePhone
const TPresetSetting kMobilePhoneCommon[] = {{"VideoCodec", "mpeg4"}, {"AudioCodec", "libfaac"}};
const char* const kMobilePhoneColumns[] = {"FrameSize", "FrameRate", "VideoBitrate", "AudioSampleRate", "AudioBitrate", "AudioChannels"};
const TPresetRow kMobilePhoneRows[] = {
    {"Mobile MP4 High Quality (MPEG4, 15 fps, 320x240, 600 kbps; AAC - 192 kbps)", {"320x240", "15", "600000", "48000", "192000", "2"}},
    {"Mobile MP4 Standard Quality (MPEG4, 15 fps, 176x144, 256 kbps; AAC - 128 kbps)", {"176x144", "15", "256000", "44100", "128000", "2"}},
    {"Mobile MP4 Balanced Quality (MPEG4, 12 fps, 176x144, 146 kbps; AAC - 96 kbps)", {"176x144", "12", "146000", "32000", "96000", "2"}},
    {"Mobile MP4 Economy Quality (MPEG4, 10 fps, 128x96, 119 kbps; AAC - 64 kbps)", {"128x96", "10", "119000", "22050", "64000", "2"}},
};

// iPad
const TPresetSetting kiPadCommon[] = {{"VideoCodec", "libx264"}, {"AudioCodec", "libfaac"}, {"ExtOptions", H264OptionsLevel30}};
const char* const kiPadColumns[] = {"FrameSize", "FrameRate", "VideoBitrate", "AudioSampleRate", "AudioBitrate", "AudioChannels"};
const TPresetRow kiPadRows[] = {
    {"iPad High Quality (H264, 30 fps, 640x480, 2500 kbps; AAC - 160 kbps)", {"640x480", "30", "2500000", "48000", "160000", "2"}},
    {"iPad Standard Quality (H264, 24 fps, 480x320, 1300 kbps; AAC - 128 kbps)", {"480x320", "30", "1300000", "44100", "128000", "2"}},
    {"iPad Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)", {"320x240", "15", "500000", "44100", "128000", "2"}},
};

// Android
const TPresetSetting kAndroidCommon[] = {{"VideoCodec", "libx264"}, {"AudioCodec", "libfaac"}, {"ExtOptions", H264OptionsLevel30}};
const char* const kAndroidColumns[] = {"FrameSize", "FrameRate", "VideoBitrate", "AudioSampleRate", "AudioBitrate", "AudioChannels"};
const TPresetRow kAndroidRows[] = {
    {"Android High Quality (H264, 30 fps, 640x480, 2500 kbps; AAC - 160 kbps)", {"640x480", "30", "2500000", "48000", "160000", "2"}},
    {"Android Standard Quality (H264, 24 fps, 480x320, 1300 kbps; AAC - 128 kbps)", {"480x320", "30", "1300000", "44100", "128000", "2"}},
    {"Android Economy Quality (H264, 15 fps, 320x240, 500 kbps; AAC - 128 kbps)", {"320x240", "15", "500000", "44100", "128000", "2"}},
};
// clang-format on

const TPresetTable kTables[] = {
    {kFormatClassDevice, 0, kiPodCommon, kiPodColumns, kiPodRows},
    {kFormatClassDevice, 1, kiPhoneCommon, kiPhoneColumns, kiPhoneRows},
    {kFormatClassDevice, 2, kAppleTVCommon, kAppleTVColumns, kAppleTVRows},
    {kFormatClassDevice, 3, kPSPCommon, kPSPColumns, kPSPRows},
    {kFormatClassDevice, 4, kBlackBerryCommon, kBlackBerryColumns, kBlackBerryRows},
    {kFormatClassDevice, 5, kMobilePhoneCommon, kMobilePhoneColumns, kMobilePhoneRows},
    {kFormatClassDevice, 6, kiPadCommon, kiPadColumns, kiPadRows},
    {kFormatClassDevice, 7, kAndroidCommon, kAndroidColumns, kAndroidRows},
};

}  // namespace

std::span<const TPresetTable> DevicePresetTables() {
  return kTables;
}

}  // namespace tallowin::convert
