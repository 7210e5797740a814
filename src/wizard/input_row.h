// One row of the input list: its columns and the texts built from a file's probed facts.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "media/components/ff_decode.h"

namespace tallowin {

// Column indices of the input list `NextGrid`. Columns 1 to 4 are shown in the tile; the others
// only keep what the conversion needs later.
enum TNextGridColumn : int {
  NxGraphicColumnMainImage = 0,
  NxTextColumnFileMinName,
  NxTextColumnDuration,
  NxTextColumnBitrate,
  NxTextColumnDimension,
  NxTextColumnFileFullName,
  NxTextColumnFileSize,
  NxTextColumnVideoEncoder,
  NxTextColumnAudioChannels,
  NxTextColumnAudioSampleRate,
  NxTextColumnAudioBitrate,
  NxTextColumnAudioEncoder,
  NxTextColumnFrameRate,
  NxTextColumnRealDuration,
  NxTextColumnWidth,
  NxTextColumnHeight,
  NxTextColumnAspectRatio,
  kNextGridColumnCount
};

// What the decoder reported about one file.
struct TInputProbe {
  media::TFileStreamInfo file;
  media::TVideoStreamInfo video;  // of the first video stream; unset values without one
  media::TAudioStreamInfo audio;  // of the first audio stream; unset values without one
  std::int64_t file_size = -1;
  bool audio_only = false;  // the file has no video stream
};

// FormatMicroseconds of the duration, or "Duration is not preseted" when it is negative.
std::string DurationText(std::int64_t duration);
// "%d Kbps" of the bit rate / 1000 (remainder dropped) when it is 1 or more, else
// "Bit rate is not preseted".
std::string BitRateText(int bit_rate);

// The texts of columns 2 to 16 (by column index; the picture and the shortened name, which needs
// the window's font, stay empty). Numbers are written without regard to the user's locale:
// width, height and the duration in microseconds as decimal integers ("0" for an unknown
// duration), the aspect ratio as a decimal fraction that reads back to the same float.
std::array<std::string, kNextGridColumnCount> InputRowTexts(const std::string& full_path,
                                                            const TInputProbe& probe);

}  // namespace tallowin
