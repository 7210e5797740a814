// The video preset tables. Descriptions are display text only: where one names other values than
// its row's cells (frame sizes, rates, bit rates), the cells are what a job gets.
#include "convert/output_formats.h"
#include "convert/preset_tables.h"

namespace tallowin::convert {
namespace {

// Per format: the settings of every row, the columns (fields of TOutputOptions) and one row a
// preset: {description, {one cell a column}}; an empty cell sets nothing.
// clang-format off

// AVI
const TPresetSetting kAVICommon[] = {{"AudioSampleRate", "44100"}, {"AudioChannels", "2"}};
const char* const kAVIColumns[] = {"VideoCodec", "VideoTag", "VideoPreset", "FrameSize", "FrameRate", "FrameAspectRatio", "VideoBitrate", "AudioCodec", "AudioBitrate"};
const TPresetRow kAVIRows[] = {
    {"HD Video 720p: MPEG4 (DivX, XviD), 4500 kbps; Audio: MP3, 192 kbps", {"mpeg4", "XVID", "", "1280x720", "", "16:9", "4500000", "libmp3lame", "192000"}},
    {"HD Video 1080p: H.264/AVC, 4200 kbps; Audio: MP3, 256 kbps", {"libx264", "", "libx264-default", "1920x1080", "", "16:9", "4200000", "libmp3lame", "256000"}},
    {"Video: MPEG4 (DivX, XviD), 2500 kbps, Original; Audio: MP3, 256 kbps", {"mpeg4", "XVID", "", "", "", "", "2500000", "libmp3lame", "256000"}},
    {"Video: MPEG4 (DivX, XviD), 1500 kbps, Original; Audio: MP3, 192 kbps", {"mpeg4", "XVID", "", "", "", "", "1500000", "libmp3lame", "192000"}},
    {"Video: MPEG4 (DivX, XviD), 768 kbps, Original; Audio: MP3, 96 kbps", {"mpeg4", "XVID", "", "", "", "", "768000", "libmp3lame", "96000"}},
    {"Video: MPEG4 (DivX, XviD), 2500 kbps, 720x540; Audio: MP3, 256 kbps", {"mpeg4", "XVID", "", "720x540", "", "", "2500000", "libmp3lame", "256000"}},
    {"Video: MPEG4 (DivX, XviD), 1500 kbps, 512x384; Audio: MP3, 192 kbps", {"mpeg4", "XVID", "", "512x384", "", "", "1500000", "libmp3lame", "192000"}},
    {"Video: MPEG4 (DivX, XviD), 768 kbps, 320x240; Audio: MP3, 96 kbps", {"mpeg4", "XVID", "", "320x240", "", "", "768000", "libmp3lame", "96000"}},
    {"Video: H.264/AVC, 1200 kbps; Audio: MP3, 192 kbps", {"libx264", "", "libx264-default", "", "", "", "1200000", "libmp3lame", "192000"}},
    {"Video: H.264/AVC, 768 kbps; Audio: MP3, 96 kbps", {"libx264", "", "libx264-default", "", "", "", "768000", "libmp3lame", "96000"}},
    {"BlackBerry 81xx - (MPEG4, 560 kbps, 320x240)", {"mpeg4", "FMP4", "", "320x240", "", "", "460000", "libmp3lame", "96000"}},
    {"BlackBerry 8xxx - (MPEG4, 420 kbps, 240x180)", {"mpeg4", "FMP4", "", "240x180", "", "", "324000", "libmp3lame", "96000"}},
    {"Archos AV500/700; 4-series (704,604,504,404) - (MPEG4, 1800 kbps, Original)", {"mpeg4", "XVID", "", "", "", "", "1600000", "libmp3lame", "192000"}},
    {"Archos AV500/700; 4-series (704,604,504,404) - (MPEG4, 900 kbps, 480x272)", {"mpeg4", "XVID", "", "480x272", "", "", "760000", "libmp3lame", "128000"}},
    {"Creative Zen Vision W - (MPEG4, 1800 kbps, 720x480)", {"mpeg4", "XVID", "", "720x480", "", "", "1400000", "libmp3lame", "192000"}},
    {"Creative Zen Vision - (MPEG4, 1200 kbps, 640x480)", {"mpeg4", "XVID", "", "640x480", "", "", "1000000", "libmp3lame", "192000"}},
    {"Creative Zen Vision M - (MPEG4, 720 kbps, 320x240)", {"mpeg4", "XVID", "", "320x240", "", "", "600000", "libmp3lame", "128000"}},
    {"Epson P3000/P4500/P5000 - (MPEG4, 2 mbps, 720x480, 30 fps)", {"mpeg4", "XVID", "", "720x480", "30", "", "1200000", "libmp3lame", "705000"}},
    {"iRiver U20(Clix) - (MPEG4, 320 kbps, 320x240, 15 fps)", {"mpeg4", "XVID", "", "320x240", "15", "", "224000", "libmp3lame", "96000"}},
    {"iRiver U10 Clix - (MPEG4, 560 kbps, 320x240, 15 fps)", {"mpeg4", "XVID", "", "320x240", "15", "", "460000", "libmp3lame", "96000"}},
    {"iAudio X5 - Optimized for hardware - (MPEG4, 600 kbps, 160x120, 15 fps)", {"mpeg4", "XVID", "", "160x120", "15", "", "480000", "libmp3lame", "128000"}},
    {"Nindendo Wii Clip", {"mjpeg", "", "", "640x480", "", "", "4096000", "pcm_s16le", "1411000"}},
    {"SanDisk Sansa View - Hight Quality - (MPEG4, 640x480; MP3, 128kbps)", {"mpeg4", "XVID", "", "640x480", "25", "", "1500000", "libmp3lame", "128000"}},
    {"SanDisk Sansa View - Normal Quality - (MPEG4, 320x240; MP3, 96kbps)", {"mpeg4", "XVID", "", "320x240", "30", "", "768000", "libmp3lame", "96000"}},
    {"Video for Google Video", {"mpeg4", "XVID", "", "640x480", "30", "", "2000000", "libmp3lame", "128000"}},
    {"Video for YouTube", {"mpeg4", "XVID", "", "320x240", "", "", "2700000", "libmp3lame", "128000"}},
    {"Video for Myspace", {"mpeg4", "XVID", "", "320x240", "25", "", "1000000", "libmp3lame", "128000"}},
    {"Video: DivX; Audio: MP3, 192 kbps", {"mpeg4", "DIVX", "", "", "", "", "1200000", "libmp3lame", "192000"}},
    {"Video: Uncompressed, Original; Audio: PCM", {"rawvideo", "", "", "", "", "", "", "pcm_s16le", "1411000"}},
};

// MP4
const TPresetSetting kMP4Common[] = {{"AudioChannels", "2"}, {"AudioCodec", "libfaac"}};
const char* const kMP4Columns[] = {"VideoCodec", "VideoPreset", "FileFormat", "ExtOptions", "FrameSize", "FrameRate", "FrameAspectRatio", "VideoBitrate", "AudioSampleRate", "AudioBitrate"};
const TPresetRow kMP4Rows[] = {
    {"Apple iPod - (H.264, 320x240)", {"libx264", "", "", H264OptionsLevel30, "320x240", "30", "", "640000", "44100", "128000"}},
    {"Apple iPod - (H.264, 640x480)", {"libx264", "", "", H264OptionsLevel30, "640x480", "30", "", "640000", "44100", "128000"}},
    {"Apple iPod - (MPEG4, 320x240)", {"mpeg4", "", "", "", "320x240", "30", "", "600000", "44100", "128000"}},
    {"Apple iPhone/iTouch - (H.264,640x420)", {"libx264", "", "", H264OptionsLevel30, "640x420", "30", "", "640000", "44100", "128000"}},
    {"Microsoft XBox360 - Normal HD Quality 480p - (H.264, 29.97 fps, 848x480)", {"libx264", "libx264-default", "", "", "848x480", "30000/1001", "16:9", "2600000", "48000", "256000"}},
    {"Sony PS3 - Normal HD Quality 480p - (H.264, 29.97 fps, 848x480)", {"libx264", "", "psp", H264OptionsLevel21, "848x480", "30000/1001", "16:9", "2600000", "48000", "256000"}},
    {"Sony PS3 - Normal HD Quality 480p, Surround - (H.264, 29.97 fps, 848x480)", {"libx264", "", "psp", H264OptionsLevel21, "848x480", "30000/1001", "16:9", "2600000", "48000", "768000"}},
    {"Sony PSP - Normal - (H.264, 29.97 fps, 368x208)", {"libx264", "", "psp", H264OptionsLevel21, "368x208", "30000/1001", "16:9", "520000", "48000", "128000"}},
    {"Sony PSP - High Resolution - (H264, 29.97 fps, 480x272)", {"libx264", "", "psp", H264OptionsLevel21, "480x272", "30000/1001", "16:9", "720000", "48000", "128000"}},
    {"Epson P2000/P4000 - High Quality - (MPEG4, 640x480)", {"mpeg4", "", "", "", "640x480", "", "", "1200000", "24000", "96000"}},
    {"Epson P2000/P4000 - Economy Quality - (MPEG4, 320x240)", {"mpeg4", "", "", "", "320x240", "", "", "640000", "22050", "64000"}},
    {"Epson P3000/P4500/P5000 - Best Quality - (MPEG4, 720x480)", {"mpeg4", "", "", "", "720x480", "", "", "1200000", "48000", "96000"}},
    {"Mobile - Standard Quality - (MPEG4, 176x144, 15 fps)", {"mpeg4", "", "", "", "176x144", "15", "", "120000", "44100", "96000"}},
    {"Mobile - Economy Quality - (MPEG4, 128x96, 12 fps)", {"mpeg4", "", "", "", "128x96", "12", "", "56000", "22050", "56000"}},
    {"PC - High Quality - (MPEG4, 2500 kbps, Original Size, 25 fps)", {"mpeg4", "", "", "", "", "25", "", "2500000", "48000", "256000"}},
    {"PC - Standard Quality - (MPEG4, 1200 kbps, Original Size, 25 fps)", {"mpeg4", "", "", "", "", "25", "", "1200000", "48000", "192000"}},
    {"PC - Economy Quality - (MPEG4, 700 kbps, Original Size, 25 fps)", {"mpeg4", "", "", "", "", "25", "", "700000", "48000", "128000"}},
    {"SanDisk Sansa View - Hight Quality - (MPEG4, 640x480; MPEG2/4 Audio, 128kbps)", {"mpeg4", "", "", "", "640x480", "24", "", "1500000", "48000", "128000"}},
    {"SanDisk Sansa View - Normal Quality - (MPEG4, 320x240; MPEG2/4 Audio, 96kbps)", {"mpeg4", "", "", "", "320x240", "30", "", "768000", "48000", "96000"}},
};

// FLV
const char* const kFLVColumns[] = {"VideoCodec", "VideoPreset", "FrameSize", "FrameRate", "VideoBitrate", "AudioSampleRate", "AudioChannels", "AudioBitrate"};
const TPresetRow kFLVRows[] = {
    {"FLV - Best Quality - (H.264, 1200 kbps, Original; MP3, 160 kbps)", {"libx264", "libx264-default", "", "", "1200000", "44100", "2", "160000"}},
    {"FLV - Normal Quality - (H.264, 920 kbps, Original size, 20 fps; MP3, 112 kbps)", {"libx264", "libx264-default", "", "20", "930000", "44100", "2", "160000"}},
    {"FLV - Optimal Quality - (H.263, 780 kbps, 352x288, 15 fps; MP3, 64 kbps)", {"", "", "352x288", "15", "780000", "22050", "2", "64000"}},
    {"FLV - Low Quality - (H.263, 640 kbps, 320x240, 15 fps; MP3, 48 kbps)", {"", "", "320x240", "15", "640000", "11025", "2", "48000"}},
    {"FLV - Least Quality - (H.263, 480 kbps, 176x144, 15 fps; MP3, 24 kbps)", {"", "", "276x144", "15", "480000", "11025", "1", "24000"}},
};

// SWF
const char* const kSWFColumns[] = {"FrameSize", "FrameRate", "VideoBitrate", "AudioSampleRate", "AudioChannels", "AudioBitrate"};
const TPresetRow kSWFRows[] = {
    {"SWF - Best Quality - (H.263, Original; MP3, 160 kbps)", {"", "25", "1200000", "44100", "2", "160000"}},
    {"SWF - Normal Quality - (H.263, 920 kbps, Original size, 20 fps; MP3, 112 kbps)", {"", "25", "920000", "44100", "2", "112000"}},
    {"SWF - Optimal Quality - (H.263, 780 kbps, 352x288, 15 fps; MP3, 64 kbps)", {"352x288", "15", "780000", "22050", "2", "64000"}},
    {"SWF - Low Quality - (H.263, 640 kbps, 320x240, 15 fps; MP3, 48 kbps)", {"320x240", "25", "640000", "11025", "2", "48000"}},
    {"SWF - Least Quality - (H.263, 480 kbps, 176x144, 15 fps; MP3, 24 kbps)", {"176x144", "15", "480000", "11025", "1", "24000"}},
};

// MPEG
const TPresetSetting kMPEGCommon[] = {{"AudioCodec", "mp2"}, {"AudioChannels", "2"}};
const char* const kMPEGColumns[] = {"VideoCodec", "TargetType", "NormType", "FrameSize", "FrameRate", "FrameAspectRatio", "VideoBitrate", "VideoMaxRate,VideoMinRate", "VideoBufSize", "AudioSampleRate", "AudioBitrate"};
const TPresetRow kMPEGRows[] = {
    {"HD Video 1080p - (MPEG2, 15000 kbps, 1920x1080, 29.97 fps)", {"mpeg2video", "", "", "1920x1080", "30000/1001", "4:3", "15000000", "15000000", "6881000", "48000", "224000"}},
    {"HD Video 720p - (MPEG2, 9000 kbps, 1280x720, 29.97 fps)", {"mpeg2video", "", "", "1280x720", "30000/1001", "4:3", "9000000", "", "", "48000", "224000"}},
    {"DVD NTSC compatible - (MPEG2, 4000 kbps, 720x480, 29.97 fps)", {"", "3", "2", "", "30000/1001", "4:3", "4000000", "", "", "48000", "224000"}},
    {"DVD PAL compatible - (MPEG2, 4000 kbps, 720x576, 25 fps)", {"", "3", "1", "", "25", "4:3", "4000000", "", "", "48000", "224000"}},
    {"Video: MPEG1, 4000 kbps, Original size, 29.97 fps; Audio: 224 kbps", {"mpeg1video", "", "", "", "30000/1001", "", "4000000", "4000000", "1835000", "44100", "224000"}},
    {"Video: MPEG2, 4000 kbps, Original size, 29.97 fps; Audio: 224 kbps", {"mpeg2video", "", "", "", "30000/1001", "", "4000000", "4000000", "1835000", "44100", "224000"}},
    {"Creative ZEN Vision W - Best Quality - (MPEG1, 1150 kbps, 720x480, 29.97 fps)", {"mpeg1video", "", "", "720x480", "30000/1001", "", "1150000", "1150000", "527000", "44100", "128000"}},
    {"Creative ZEN Vision - Standard Quality - (MPEG1, 860 kbps, 480x360, 29.97 fps)", {"mpeg1video", "", "", "720x480", "30000/1001", "", "860000", "860000", "394000", "44100", "128000"}},
    {"Creative ZEN Vision M - Normal Quality - (MPEG1, 780 kbps, 320x240, 29.97 fps)", {"mpeg1video", "", "", "320x240", "30000/1001", "", "780000", "780000", "357000", "44100", "112000"}},
    {"Epson P3000/P4500/P5000 - (MPEG2, 2000 kbps, 720x480, 30 fps)", {"mpeg1video", "", "", "720x480", "30", "", "2000000", "2000000", "917000", "44100", "192000"}},
    {"SVCD NTSC compatible - (MPEG2, 2376 kbps, 480x480, 29.97 fps)", {"", "2", "2", "", "30000/1001", "4:3", "2376000", "", "", "44100", "224000"}},
    {"SVCD PAL compatible - (MPEG2, 2376 kbps, 480x576, 25 fps)", {"", "2", "1", "", "25", "4:3", "2376000", "", "", "44100", "224000"}},
    {"VCD NTSC compatible - (MPEG1, 1150 kbps, 352x240, 29.97 fps)", {"", "1", "2", "", "30000/1001", "4:3", "1150000", "", "", "44100", "224000"}},
    {"VCD PAL compatible - (MPEG1, 1150 kbps, 352x288, 25 fps)", {"", "1", "1", "", "25", "4:3", "1150000", "", "", "44100", "224000"}},
};

// RM
const TPresetSetting kRMCommon[] = {{"VideoCodec", "rv20"}};
const char* const kRMColumns[] = {"VideoBitrate"};
const TPresetRow kRMRows[] = {
    {"RM - Best Quality - (1024 kbps, Original)", {"1024000"}},
    {"RM - Normal Quality - (750 kbps, Original)", {"750000"}},
    {"RM - Optimal Quality - (512 kbps, Original)", {"512000"}},
    {"RM - Low Quality  - (256 kbps, Original)", {"256000"}},
    {"RM - Least Quality  - (128 kbps, Original)", {"128000"}},
};

// WMV
const TPresetSetting kWMVCommon[] = {{"VideoCodec", "wmv2"}, {"AudioCodec", "wmav2"}, {"AudioChannels", "2"}};
const char* const kWMVColumns[] = {"FrameSize", "FrameRate", "VideoBitrate", "AudioSampleRate", "AudioBitrate"};
const TPresetRow kWMVRows[] = {
    {"HD Video 1080p: WMV 9, 9000 kbps; Audio: WMA Pro, 384kbps", {"1920x1080", "30000/1001", "9000000", "48000", "384000"}},
    {"HD Video 720p: WMV 9, 7000 kbps; Audio: WMA Pro, 384kbps", {"1280x720", "30000/1001", "7000000", "48000", "384000"}},
    {"Microsoft Zune - Best Quality - (1112 kbps, 320x240, 25 fps)", {"320x240", "25", "1112000", "44100", "192000"}},
    {"Microsoft Zune - Normal Quality - (568 kbps, 320x240, 25 fps)", {"320x240", "25", "568000", "44100", "128000"}},
    {"Video for Pocket PCs/PDAs", {"192x144", "20", "176000", "32000", "48000"}},
    {"Archos AV500/700; 4-series (704,604,504,404) - Highest Available Quality", {"352x288", "25", "920000", "44100", "128000"}},
    {"Archos AV500/700; 4-series (704,604,504,404) - Good Quality", {"320x240", "25", "600000", "44100", "128000"}},
    {"Archos AV500/700; 4-series (704,604,504,404) - Low Quality", {"352x288", "25", "400000", "44100", "96000"}},
    {"Creative ZEN Vision W - Highest Available Quality", {"480x272", "25", "700000", "44100", "192000"}},
    {"Creative ZEN Vision - Good Quality", {"320x240", "25", "720000", "44100", "128000"}},
    {"Creative ZEN Vision M - Normal Quality", {"320x240", "25", "480000", "44100", "128000"}},
    {"Epson Multimedia Storage Viewer P3000/P5000", {"352x288", "24", "768000", "44100", "128000"}},
    {"SanDisk Sansa View", {"320x240", "30", "768000", "48000", "128000"}},
    {"Palm Treo series", {"320x240", "25", "380000", "44100", "128000"}},
    {"HP iPaq series", {"320x240", "25", "220000", "44100", "96000"}},
    {"Windows Media Video 9 High Quality", {"320x240", "25", "2500000", "48000", "196000"}},
    {"Windows Media Video 9 Standard Quality", {"320x240", "25", "720000", "44100", "128000"}},
    {"Windows Media Video 9 Low Quality", {"320x240", "25", "480000", "44100", "96000"}},
};

// MOV
const char* const kMOVColumns[] = {"VideoCodec", "VideoPreset", "FrameSize", "VideoBitrate", "AudioCodec", "AudioSampleRate", "AudioChannels", "AudioBitrate"};
const TPresetRow kMOVRows[] = {
    {"Apple TV - Best Quality - (H.264, Original; MP2/4 (AAC), 320 kbps)", {"libx264", "libx264-default", "", "1200000", "libfaac", "48000", "2", "320000"}},
    {"Quick Time - HD Quality 480p - (H.264, 848x480; MP2/4 (AAC), 320 kbps)", {"libx264", "libx264-default", "848x480", "1200000", "libfaac", "48000", "2", "320000"}},
    {"Quick Time - DVD Quality - (H.264, 720x576; MP2/4 (AAC), 320 kbps)", {"libx264", "libx264-default", "720x576", "1200000", "libfaac", "48000", "2", "320000"}},
    {"Quick Time - Photo Quality - (Photo Jpeg, Original; MP3, 256 kbps)", {"mjpeg", "", "", "16384000", "libmp3lame", "44100", "2", "256000"}},
    {"Quick Time - Optimal Quality - (H.263, 352x288; MP3, 128 kbps)", {"h263", "", "352x288", "6144000", "libmp3lame", "44100", "2", "128000"}},
    {"Quick Time - Highest Available Quality - (MPEG4, Original; MP3, 192 kbps)", {"mpeg4", "", "", "921600", "libmp3lame", "44100", "2", "192000"}},
    {"Quick Time - Standard Quality - (H.263, 176x144; MP3, 128 kbps)", {"h263", "", "176x144", "4014080", "libmp3lame", "44100", "2", "128000"}},
    {"Quick Time - Balanced Quality - (MPEG4, Original; MP3, 96 kbps)", {"mpeg4", "", "", "614400", "libmp3lame", "44100", "2", "96000"}},
    {"Quick Time - Economy Quality - (Sorenson Video; MP3, 96 kbps)", {"svq1", "", "", "921600", "libmp3lame", "44100", "2", "96000"}},
    {"Quick Time - Economy Quality - (Sorenson Video; IMA ADPCM)", {"svq1", "", "", "921600", "adpcm_ima_qt", "44100", "2", "352000"}},
};

// 3GP
const TPresetSetting kF3GPCommon[] = {{"AudioChannels", "1"}};
const char* const kF3GPColumns[] = {"VideoCodec", "FrameSize", "FrameRate", "VideoBitrate", "AudioCodec", "AudioSampleRate", "AudioBitrate"};
const TPresetRow kF3GPRows[] = {
    {"3GPP - Extended Mobile Support - (H.263, 240 kbps, 176x144, 12 fps; AMR)", {"h263", "176x144", "12", "240000", "", "8000", "12200"}},
    {"3GPP - Mobile Highest Available Quality - (MPEG4, 104 kbps, 176x144, 15 fps; AAC)", {"mpeg4", "176x144", "15", "104000", "libfaac", "32000", "64000"}},
    {"3GPP - Mobile Standard Quality - (MPEG4, 64 kbps, 176x144, 12 fps; AMR)", {"mpeg4", "176x144", "12", "64000", "", "8000", "12200"}},
    {"3GPP - Mobile Balanced Quality - (H.263, 140 kbps, 128x96, 10 fps; AMR)", {"h263", "128x96", "10", "140000", "", "8000", "10200"}},
    {"3GPP - Mobile Smallest Size with Audio - (MPEG4, 44 kbps, 128x96, 10 fps; AMR)", {"mpeg4", "128x96", "10", "44000", "", "8000", "6700"}},
};
// clang-format on

const TPresetTable kTables[] = {
    {kFormatClassVideo, 0, kAVICommon, kAVIColumns, kAVIRows},
    {kFormatClassVideo, 1, kMP4Common, kMP4Columns, kMP4Rows},
    {kFormatClassVideo, 2, {}, kFLVColumns, kFLVRows},
    {kFormatClassVideo, 3, {}, kSWFColumns, kSWFRows},
    {kFormatClassVideo, 4, kMPEGCommon, kMPEGColumns, kMPEGRows},
    {kFormatClassVideo, 5, kRMCommon, kRMColumns, kRMRows},
    {kFormatClassVideo, 6, kWMVCommon, kWMVColumns, kWMVRows},
    {kFormatClassVideo, 7, {}, kMOVColumns, kMOVRows},
    {kFormatClassVideo, 8, kF3GPCommon, kF3GPColumns, kF3GPRows},
};

}  // namespace

std::span<const TPresetTable> VideoPresetTables() {
  return kTables;
}

}  // namespace tallowin::convert
