// The audio preset tables. Descriptions are display text only: where one names other values than
// its row's cells (frame sizes, rates, bit rates), the cells are what a job gets.
#include "convert/output_formats.h"
#include "convert/preset_tables.h"

namespace tallowin::convert {

std::vector<TPresetTable> AudioPresetTables() {
  // Each table: {class, format, {common settings}, {columns}, {{description, {cells}}, ...}}.
  // clang-format off
  return {
      // WAV
      {kFormatClassAudio, 0,
       {},
       {"AudioCodec", "AudioSampleRate", "AudioChannels"},
       {
        {"For Mobiles - PCM: 11025 Hz, Mono, 16 bits", {"pcm_s16le", "11025", "1"}},
        {"AM Radio Quality - PCM: 22050 Hz, Mono, 16 bits", {"pcm_s16le", "22050", "1"}},
        {"FM Radio Quality - PCM: 22050 Hz, Sterro, 24 bits", {"pcm_s24le", "22050", "2"}},
        {"HiFi Quality - PCM: 48000Hz, Stereo, 32 bits", {"pcm_s32le", "48000", "2"}},
        {"Uncompressed (CD Audio Quality)", {"pcm_s16le", "44000", "2"}},
       }},
      // MP3
      {kFormatClassAudio, 1,
       {{"AudioCodec", "libmp3lame"}},
       {"AudioSampleRate", "AudioChannels", "AudioBitrate"},
       {
        {"For Mobile - MP3: 44100 Hz, Stereo, 112 kbps", {"44100", "2", "112000"}},
        {"For Media Player - MP3: 48000 Hz, Stereo, 128 kbps", {"48000", "2", "128000"}},
        {"Normal Quality - MP3: 48000 Hz, Stereo, 256 kbps", {"48000", "2", "256000"}},
        {"Best Quality - MP3: 48000 Hz, Stereo, 320 kbps", {"48000", "2", "320000"}},
       }},
      // WMA
      {kFormatClassAudio, 2,
       {{"AudioCodec", "wmav2"}},
       {"AudioSampleRate", "AudioChannels", "AudioBitrate"},
       {
        {"For Media Player Best Quality", {"48000", "2", "192000"}},
        {"For Media Player Economy Quality", {"44100", "2", "96000"}},
        {"For Pocket PCs/PDAs Normal Quality", {"44100", "2", "128000"}},
        {"For PC Normal Quality", {"44100", "2", "128000"}},
        {"WMA Losslesss Audio", {"48000", "2", kInputAudioBitrate}},
       }},
      // OGG
      {kFormatClassAudio, 3,
       {{"AudioCodec", "libvorbis"}, {"VideoCodec", "libtheora"}},
       {"AudioSampleRate", "ExtOptions"},
       {
        {"Telephone Quality - Ogg Vorbis: Quality - 4.97; 11025 Hz, Mono", {"11025", "aq=4.97"}},
        {"AM Radio Quality - Ogg Vorbis: Quality - 4.97; 22050 Hz, Mono", {"22050", "aq=4.97"}},
        {"FM Radio Quality - Ogg Vorbis: Quality - 4.97; 22050 Hz, Stereo", {"22050", "aq=4.97"}},
        {"CD Quality - Ogg Vorbis: Quality - 4.97; 44100 Hz, Stereo", {"44100", "aq=4.97"}},
        {"HiFi Quality - Ogg Vorbis: Quality - 8.05; 48000 Hz, Stereo", {"48000", "aq=8.05"}},
       }},
      // AAC
      {kFormatClassAudio, 4,
       {{"AudioCodec", "libfaac"}},
       {"AudioSampleRate", "AudioChannels", "AudioBitrate"},
       {
        {"For Mobiles - MPEG2/4 LC: 16000 Hz, Mono, 96 kbps", {"16000", "1", "96000"}},
        {"AM Quality - MPEG2/4 LC: 22500 Hz, Mono, 112 kbps", {"22500", "1", "112000"}},
        {"FM Quality - MPEG2/4 LC: 22500 Hz, Stereo, 224 kbps", {"22500", "2", "224000"}},
        {"CD Quality - MPEG2/4 LC: 44100 Hz, Stereo, 256 kbps", {"44100", "2", "256000"}},
        {"HiFi Quality - MPEG2/4 LC: 48000 Hz, Stereo, 256 kbps", {"48000", "2", "256000"}},
       }},
      // M4A
      {kFormatClassAudio, 5,
       {},
       {"AudioSampleRate", "AudioChannels", "AudioBitrate"},
       {
        {"Normal Quality - MPEG2/4 LC: 44100 Hz, Stereo, 96 kbps", {"44100", "2", "96000"}},
        {"Best Quality - MPEG2/4 LC: 48000 Hz, Stereo, 256 kbps", {"44800", "2", "256000"}},
       }},
      // FLAC
      {kFormatClassAudio, 6,
       {{"AudioCodec", "flac"}},
       {"ExtOptions"},
       {
        {"Compression Level 0", {"compression_level=0"}},
        {"Compression Level 1", {"compression_level=1"}},
        {"Compression Level 2", {"compression_level=2"}},
        {"Compression Level 3", {"compression_level=3"}},
        {"Compression Level 4", {"compression_level=4"}},
        {"Compression Level 5 (Default)", {"compression_level=5"}},
        {"Compression Level 6", {"compression_level=6"}},
        {"Compression Level 7", {"compression_level=7"}},
        {"Compression Level 8", {"compression_level=8"}},
       }},
      // MP2
      {kFormatClassAudio, 7,
       {},
       {"AudioSampleRate", "AudioChannels", "AudioBitrate"},
       {
        {"For Mobiles - MPEG layer-2: 22050 Hz, Mono, 96 kbps", {"22050", "1", "96000"}},
        {"AM Quality - MPEG layer-2: 22050 Hz, Mono, 112 kbps", {"22050", "1", "112000"}},
        {"FM Quality - MPEG layer-2: 22050 Hz, Stereo, 128 kbps", {"22050", "2", "128000"}},
       }},
  };
  // clang-format on
}

}  // namespace tallowin::convert
