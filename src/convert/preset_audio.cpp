// The audio preset tables. Descriptions are display text only: where one names other values than
// its row's cells (frame sizes, rates, bit rates), the cells are what a job gets.
#include "convert/output_formats.h"
#include "convert/preset_tables.h"

namespace tallowin::convert {
namespace {

// Per format: the settings of every row, the columns (fields of TOutputOptions) and one row a
// preset: {description, {one cell a column}}; an empty cell sets nothing.
// clang-format off

// WAV
const char* const kWAVColumns[] = {"AudioCodec", "AudioSampleRate", "AudioChannels"};
const TPresetRow kWAVRows[] = {
    {"For Mobiles - PCM: 11025 Hz, Mono, 16 bits", {"pcm_s16le", "11025", "1"}},
    {"AM Radio Quality - PCM: 22050 Hz, Mono, 16 bits", {"pcm_s16le", "22050", "1"}},
    {"FM Radio Quality - PCM: 22050 Hz, Sterro, 24 bits", {"pcm_s24le", "22050", "2"}},
    {"HiFi Quality - PCM: 48000Hz, Stereo, 32 bits", {"pcm_s32le", "48000", "2"}},
    {"Uncompressed (CD Audio Quality)", {"pcm_s16le", "44000", "2"}},
};

// MP3
const TPresetSetting kMP3Common[] = {{"AudioCodec", "libmp3lame"}};
const char* const kMP3Columns[] = {"AudioSampleRate", "AudioChannels", "AudioBitrate"};
const TPresetRow kMP3Rows[] = {
    {"For Mobile - MP3: 44100 Hz, Stereo, 112 kbps", {"44100", "2", "112000"}},
    {"For Media Player - MP3: 48000 Hz, Stereo, 128 kbps", {"48000", "2", "128000"}},
    {"Normal Quality - MP3: 48000 Hz, Stereo, 256 kbps", {"48000", "2", "256000"}},
    {"Best Quality - MP3: 48000 Hz, Stereo, 320 kbps", {"48000", "2", "320000"}},
};

// WMA
const TPresetSetting kWMACommon[] = {{"AudioCodec", "wmav2"}};
const char* const kWMAColumns[] = {"AudioSampleRate", "AudioChannels", "AudioBitrate"};
const TPresetRow kWMARows[] = {
    {"For Media Player Best Quality", {"48000", "2", "192000"}},
    {"For Media Player Economy Quality", {"44100", "2", "96000"}},
    {"For Pocket PCs/PDAs Normal Quality", {"44100", "2", "128000"}},
    {"For PC Normal Quality", {"44100", "2", "128000"}},
    {"WMA Losslesss Audio", {"48000", "2", kInputAudioBitrate}},
};

// OGG
const TPresetSetting kOGGCommon[] = {{"AudioCodec", "libvorbis"}, {"VideoCodec", "libtheora"}};
const char* const kOGGColumns[] = {"AudioSampleRate", "ExtOptions"};
const TPresetRow kOGGRows[] = {
    {"Telephone Quality - Ogg Vorbis: Quality - 4.97; 11025 Hz, Mono", {"11025", "aq=4.97"}},
    {"AM Radio Quality - Ogg Vorbis: Quality - 4.97; 22050 Hz, Mono", {"22050", "aq=4.97"}},
    {"FM Radio Quality - Ogg Vorbis: Quality - 4.97; 22050 Hz, Stereo", {"22050", "aq=4.97"}},
    {"CD Quality - Ogg Vorbis: Quality - 4.97; 44100 Hz, Stereo", {"44100", "aq=4.97"}},
    {"HiFi Quality - Ogg Vorbis: Quality - 8.05; 48000 Hz, Stereo", {"48000", "aq=8.05"}},
};

// AAC
const TPresetSetting kAACCommon[] = {{"AudioCodec", "libfaac"}};
const char* const kAACColumns[] = {"AudioSampleRate", "AudioChannels", "AudioBitrate"};
const TPresetRow kAACRows[] = {
    {"For Mobiles - MPEG2/4 LC: 16000 Hz, Mono, 96 kbps", {"16000", "1", "96000"}},
    {"AM Quality - MPEG2/4 LC: 22500 Hz, Mono, 112 kbps", {"22500", "1", "112000"}},
    {"FM Quality - MPEG2/4 LC: 22500 Hz, Stereo, 224 kbps", {"22500", "2", "224000"}},
    {"CD Quality - MPEG2/4 LC: 44100 Hz, Stereo, 256 kbps", {"44100", "2", "256000"}},
    {"HiFi Quality - MPEG2/4 LC: 48000 Hz, Stereo, 256 kbps", {"48000", "2", "256000"}},
};

// M4A
const char* const kM4AColumns[] = {"AudioSampleRate", "AudioChannels", "AudioBitrate"};
const TPresetRow kM4ARows[] = {
    {"Normal Quality - MPEG2/4 LC: 44100 Hz, Stereo, 96 kbps", {"44100", "2", "96000"}},
    {"Best Quality - MPEG2/4 LC: 48000 Hz, Stereo, 256 kbps", {"44800", "2", "256000"}},
};

// FLAC
const TPresetSetting kFLACCommon[] = {{"AudioCodec", "flac"}};
const char* const kFLACColumns[] = {"ExtOptions"};
const TPresetRow kFLACRows[] = {
    {"Compression Level 0", {"compression_level=0"}},
    {"Compression Level 1", {"compression_level=1"}},
    {"Compression Level 2", {"compression_level=2"}},
    {"Compression Level 3", {"compression_level=3"}},
    {"Compression Level 4", {"compression_level=4"}},
    {"Compression Level 5 (Default)", {"compression_level=5"}},
    {"Compression Level 6", {"compression_level=6"}},
    {"Compression Level 7", {"compression_level=7"}},
    {"Compression Level 8", {"compression_level=8"}},
};

// MP2
const char* const kMP2Columns[] = {"AudioSampleRate", "AudioChannels", "AudioBitrate"};
const TPresetRow kMP2Rows[] = {
    {"For Mobiles - MPEG layer-2: 22050 Hz, Mono, 96 kbps", {"22050", "1", "96000"}},
    {"AM Quality - MPEG layer-2: 22050 Hz, Mono, 112 kbps", {"22050", "1", "112000"}},
    {"FM Quality - MPEG layer-2: 22050 Hz, Stereo, 128 kbps", {"22050", "2", "128000"}},
};
// clang-format on

const TPresetTable kTables[] = {
    {kFormatClassAudio, 0, {}, kWAVColumns, kWAVRows},
    {kFormatClassAudio, 1, kMP3Common, kMP3Columns, kMP3Rows},
    {kFormatClassAudio, 2, kWMACommon, kWMAColumns, kWMARows},
    {kFormatClassAudio, 3, kOGGCommon, kOGGColumns, kOGGRows},
    {kFormatClassAudio, 4, kAACCommon, kAACColumns, kAACRows},
    {kFormatClassAudio, 5, {}, kM4AColumns, kM4ARows},
    {kFormatClassAudio, 6, kFLACCommon, kFLACColumns, kFLACRows},
    {kFormatClassAudio, 7, {}, kMP2Columns, kMP2Rows},
};

}  // namespace

std::span<const TPresetTable> AudioPresetTables() {
  return kTables;
}

}  // namespace tallowin::convert
