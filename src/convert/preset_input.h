// The facts of a per-file job's input that the presets take over, read from the decoder that has
// the input loaded.
#pragma once

#include "convert/preset_catalogue.h"
#include "media/components/ff_decode.h"

namespace tallowin::convert {

// The codec bit rate of the first audio stream (-1 without a loaded file or an audio stream).
TPresetInput PresetInputFromDecoder(media::TCustomDecoder& decoder);

}  // namespace tallowin::convert
