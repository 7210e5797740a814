#include "convert/preset_input.h"

namespace tallowin::convert {

TPresetInput PresetInputFromDecoder(media::TCustomDecoder& decoder) {
  TPresetInput input;
  // Asking for a stream the file does not have would log an error: look first.
  if (!decoder.Loaded() || decoder.FirstAudioStream() < 0) return input;
  media::TAudioStreamInfo audio;
  if (decoder.GetAudioStreamInfo(decoder.FirstAudioStream(), audio))
    input.AudioBitrate = audio.BitRate;
  return input;
}

}  // namespace tallowin::convert
