// Synthesises the two finish sounds as 16-bit mono PCM WAV files.
#pragma once

#include <QByteArray>

namespace tallowin::assets {

// A short bright two-note chime (rising), about 0.9 s.
QByteArray DoneSound();
// A short low two-tone (falling), about 0.55 s.
QByteArray FailSound();

}  // namespace tallowin::assets
