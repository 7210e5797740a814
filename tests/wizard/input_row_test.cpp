// The texts of an input list row built from a file's probed facts, for video files, audio-only
// files and files whose facts are unknown.
#include <gtest/gtest.h>

#include "wizard/input_row.h"

namespace tallowin::test {
namespace {

TInputProbe VideoProbe() {
  TInputProbe probe;
  probe.video.Width = 640;
  probe.video.Height = 360;
  probe.video.DisplayAspectRatio = 16.0f / 9.0f;
  probe.file_size = 5'000'000'000;  // past 32 bits
  return probe;
}

TEST(InputRow, AudioOnlyFileShowsTheAudioFactsInTheTile) {
  TInputProbe probe;
  probe.audio_only = true;
  probe.file.Duration = 0;
  probe.audio.Channels = 1;
  probe.audio.SampleRate = 48000;
  probe.audio.BitRate = 127'999;
  probe.audio.CodecDesc = "mp3";
  probe.file_size = 1234;
  const auto cells = InputRowTexts("/m/song.mp3", probe);
  EXPECT_EQ(cells[NxTextColumnDuration], "Duration: 00:00:00.000");
  EXPECT_EQ(cells[NxTextColumnRealDuration], "0");
  EXPECT_EQ(cells[NxTextColumnBitrate], "Audio Bit rate: 127 Kbps");
  EXPECT_EQ(cells[NxTextColumnDimension], "Audio Encoder: mp3");
  EXPECT_EQ(cells[NxTextColumnAudioBitrate], "Bit rate: 127 Kbps");
  // The video record stays at its unset values and the texts show them as they are.
  EXPECT_EQ(cells[NxTextColumnVideoEncoder], "Video encoder: ");
  EXPECT_EQ(cells[NxTextColumnWidth], "-1");
  EXPECT_EQ(cells[NxTextColumnHeight], "-1");
  EXPECT_EQ(cells[NxTextColumnAspectRatio], "-1");
  EXPECT_EQ(cells[NxTextColumnFrameRate], "Frame rate: 1.00");
}

TEST(InputRow, UnknownFactsHaveTheirOwnTexts) {
  TInputProbe probe = VideoProbe();
  probe.file.Duration = -1;
  probe.video.BitRate = 0;
  probe.audio.BitRate = -1;
  probe.video.FrameRate = {25, 0};
  const auto cells = InputRowTexts("/m/x.mkv", probe);
  EXPECT_EQ(cells[NxTextColumnFileSize], "File size: 5000000000 M");
  // The aspect ratio reads back to the very float the decoder gave.
  EXPECT_EQ(std::stof(cells[NxTextColumnAspectRatio]), 16.0f / 9.0f);
  EXPECT_EQ(cells[NxTextColumnDuration], "Duration: Duration is not preseted");
  EXPECT_EQ(cells[NxTextColumnRealDuration], "0");
  EXPECT_EQ(cells[NxTextColumnBitrate], "Bit rate: Bit rate is not preseted");
  EXPECT_EQ(cells[NxTextColumnAudioBitrate], "Bit rate: Bit rate is not preseted");
  // A rate without a denominator shows 0 rather than an infinite quotient.
  EXPECT_EQ(cells[NxTextColumnFrameRate], "Frame rate: 0.00");
}

TEST(InputRow, BitRateAndDurationTexts) {
  EXPECT_EQ(BitRateText(1), "0 Kbps");
  EXPECT_EQ(BitRateText(999), "0 Kbps");
  EXPECT_EQ(BitRateText(1000), "1 Kbps");
  EXPECT_EQ(BitRateText(127'999), "127 Kbps");
  EXPECT_EQ(BitRateText(0), "Bit rate is not preseted");
  EXPECT_EQ(BitRateText(-1), "Bit rate is not preseted");
  EXPECT_EQ(DurationText(3'723'456'789), "01:02:03.456");
  EXPECT_EQ(DurationText(-5), "Duration is not preseted");
}

}  // namespace
}  // namespace tallowin::test
