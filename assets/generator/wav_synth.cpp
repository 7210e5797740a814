#include "wav_synth.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tallowin::assets {
namespace {

constexpr int kRate = 44100;

struct Note {
  double start;      // seconds
  double frequency;  // Hz
  double length;     // seconds until silent
  double level;      // 0..1
  double decay;      // exponential decay per second
};

// Bell-like partials: a fundamental with soft, slightly inharmonic overtones.
double BellSample(double t, double frequency) {
  return std::sin(2 * M_PI * frequency * t) + 0.42 * std::sin(2 * M_PI * frequency * 2.0 * t) +
         0.18 * std::sin(2 * M_PI * frequency * 3.01 * t) +
         0.07 * std::sin(2 * M_PI * frequency * 4.2 * t);
}

// A mellow low tone: fundamental plus odd harmonics, gently rounded.
double LowSample(double t, double frequency) {
  return std::sin(2 * M_PI * frequency * t) + 0.30 * std::sin(2 * M_PI * frequency * 3 * t) +
         0.10 * std::sin(2 * M_PI * frequency * 5 * t);
}

std::vector<double> Render(const std::vector<Note>& notes, double seconds, bool bell) {
  std::vector<double> samples(static_cast<size_t>(seconds * kRate), 0.0);
  for (const Note& note : notes) {
    size_t first = static_cast<size_t>(note.start * kRate);
    size_t count = static_cast<size_t>(note.length * kRate);
    for (size_t i = 0; i < count && first + i < samples.size(); ++i) {
      double t = static_cast<double>(i) / kRate;
      double attack = std::min(1.0, t / 0.006);  // 6 ms, no click
      double release = std::min(1.0, (note.length - t) / 0.04);
      double envelope = attack * release * std::exp(-note.decay * t);
      double value = bell ? BellSample(t, note.frequency) : LowSample(t, note.frequency);
      samples[first + i] += note.level * envelope * value;
    }
  }
  return samples;
}

void PutU16(QByteArray& out, int value) {
  out.append(static_cast<char>(value & 0xFF));
  out.append(static_cast<char>((value >> 8) & 0xFF));
}

void PutU32(QByteArray& out, quint32 value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.append(static_cast<char>((value >> shift) & 0xFF));
}

QByteArray ToWav(const std::vector<double>& samples) {
  double peak = 1e-9;
  for (double s : samples) peak = std::max(peak, std::abs(s));
  const double gain = 0.5 / peak;  // peak at -6 dBFS
  QByteArray data;
  for (double s : samples) {
    int value = static_cast<int>(std::lround(s * gain * 32767.0));
    PutU16(data, std::clamp(value, -32768, 32767));
  }
  QByteArray out("RIFF");
  PutU32(out, static_cast<quint32>(36 + data.size()));
  out.append("WAVEfmt ");
  PutU32(out, 16);
  PutU16(out, 1);  // PCM
  PutU16(out, 1);  // mono
  PutU32(out, kRate);
  PutU32(out, kRate * 2);
  PutU16(out, 2);   // block align
  PutU16(out, 16);  // bits per sample
  out.append("data");
  PutU32(out, static_cast<quint32>(data.size()));
  out.append(data);
  return out;
}

}  // namespace

QByteArray DoneSound() {
  // E6 then B6 (a rising fifth), the second note ringing out.
  return ToWav(
      Render({{0.00, 1318.5, 0.55, 0.8, 6.0}, {0.12, 1975.5, 0.78, 0.7, 4.5}}, 0.92, true));
}

QByteArray FailSound() {
  // A3 then E3 (a falling fourth), short and soft.
  return ToWav(Render({{0.00, 220.0, 0.24, 0.9, 5.0}, {0.26, 164.8, 0.29, 0.9, 5.5}}, 0.56, false));
}

}  // namespace tallowin::assets
