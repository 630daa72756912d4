#include <algorithm>
#include <cmath>
#include <functional>

#include "art.h"
#include "assets.h"

namespace aerovell::mkassets {
namespace {

constexpr int kRate = 22050;

// A mono 16-bit RIFF WAVE image of `seconds` of the given signal (-1..1).
std::vector<uint8_t> Wave(double seconds, const std::function<double(double t, Rng&)>& signal, bool eight_bit = false) {
  Rng rng(42);
  const int n = static_cast<int>(seconds * kRate);
  std::vector<uint8_t> data;
  for (int i = 0; i < n; ++i) {
    const double v = std::clamp(signal(static_cast<double>(i) / kRate, rng), -1.0, 1.0);
    if (eight_bit) {
      data.push_back(static_cast<uint8_t>(std::lround(128 + v * 127)));
    } else {
      const auto s = static_cast<int16_t>(std::lround(v * 32000));
      data.push_back(static_cast<uint8_t>(s));
      data.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
    }
  }
  const int bits = eight_bit ? 8 : 16;
  tools::ValueWriter w;
  w.Raw(std::vector<uint8_t>{'R', 'I', 'F', 'F'});
  w.U32(static_cast<uint32_t>(36 + data.size()));
  w.Raw(std::vector<uint8_t>{'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  w.U32(16);
  w.U16(1);
  w.U16(1);
  w.U32(kRate);
  w.U32(kRate * bits / 8);
  w.U16(static_cast<uint16_t>(bits / 8));
  w.U16(static_cast<uint16_t>(bits));
  w.Raw(std::vector<uint8_t>{'d', 'a', 't', 'a'});
  w.U32(static_cast<uint32_t>(data.size()));
  w.Raw(data);
  return w.Take();
}

double Envelope(double t, double attack, double decay) {
  return t < attack ? t / attack : std::exp(-(t - attack) / decay);
}

// Noise through a one-pole low-pass whose state lives in the lambda.
std::function<double(double, Rng&)> FilteredNoise(double cutoff_start, double cutoff_end, double length, double attack,
                                                  double decay, double gain) {
  return [=, state = 0.0](double t, Rng& rng) mutable {
    const double cutoff = cutoff_start + (cutoff_end - cutoff_start) * std::min(1.0, t / length);
    const double k = 1 - std::exp(-2 * M_PI * cutoff / kRate);
    state += k * (rng.Range(-1, 1) - state);
    return gain * state * Envelope(t, attack, decay);
  };
}

double Tone(double t, double hz) { return std::sin(2 * M_PI * hz * t); }

}  // namespace

std::vector<tools::WaveEntry> SoundEffects() {
  std::vector<tools::WaveEntry> out;
  auto add = [&](const char* name, int max_playing, std::vector<uint8_t> wave) {
    tools::WaveEntry e;
    e.name = name;
    e.max_playing_count = max_playing;
    e.wave = std::move(wave);
    out.push_back(std::move(e));
  };
  // A bright rising arpeggio.
  add("bonus", 2, Wave(0.42, [](double t, Rng&) {
        const double notes[] = {659.3, 784.0, 987.8, 1318.5};
        const int step = std::min(3, static_cast<int>(t / 0.08));
        const double local = t - step * 0.08;
        return 0.45 * (Tone(t, notes[step]) + 0.3 * Tone(t, notes[step] * 2)) * Envelope(local, 0.005, 0.09) *
               (1 - t / 0.45);
      }));
  // A heavy blast: low noise with a thump.
  add("explode", 6, Wave(1.1, [noise = FilteredNoise(2400, 180, 0.8, 0.004, 0.32, 2.6)](double t, Rng& rng) mutable {
        return noise(t, rng) + 0.7 * Tone(t, 55 - 25 * t) * Envelope(t, 0.002, 0.18);
      }));
  // A short falling groan.
  add("humandie", 3, Wave(0.45, [](double t, Rng& rng) {
        const double pitch = 240 - 260 * t;
        const double voice = std::tanh(3 * Tone(t, pitch)) + 0.35 * Tone(t, pitch * 3.1) + 0.1 * rng.Range(-1, 1);
        return 0.4 * voice * Envelope(t, 0.02, 0.16);
      }));
  // The sad tune of a lost game.
  add("looser", 1, Wave(1.6, [](double t, Rng&) {
        const double notes[] = {392.0, 370.0, 349.2, 329.6};
        const int step = std::min(3, static_cast<int>(t / 0.3));
        const double local = t - step * 0.3;
        const double hz = notes[step] * (step == 3 ? 1 + 0.01 * std::sin(2 * M_PI * 6 * t) : 1);
        return 0.4 * (Tone(t, hz) + 0.5 * Tone(t, hz / 2)) * Envelope(local, 0.01, step == 3 ? 0.5 : 0.2);
      }));
  // One shot of the machine gun: overlapping shots are the point.
  add("machinegun", 8,
      Wave(
          0.11,
          [noise = FilteredNoise(5000, 900, 0.1, 0.001, 0.025, 2.2)](double t, Rng& rng) mutable {
            return noise(t, rng) + 0.5 * Tone(t, 140) * Envelope(t, 0.001, 0.02);
          },
          true));
  // A crisp click for the menus; it never piles up.
  add("menu", 1,
      Wave(
          0.06, [](double t, Rng&) { return 0.5 * Tone(t, 1760) * Envelope(t, 0.001, 0.015); }, true));
  // A fanfare for the next level.
  add("nextlevel", 1, Wave(1.3, [](double t, Rng&) {
        const double notes[] = {523.3, 659.3, 784.0, 1046.5};
        const double starts[] = {0, 0.15, 0.3, 0.45};
        double v = 0;
        for (int i = 0; i < 4; ++i)
          if (t >= starts[i]) {
            const double local = t - starts[i];
            const double saw = std::fmod(notes[i] * t, 1.0) * 2 - 1;
            v += 0.22 * (0.6 * saw + Tone(t, notes[i])) * Envelope(local, 0.01, i == 3 ? 0.6 : 0.25);
          }
        return v;
      }));
  // A rocket's whoosh: noise sweeping up, then away.
  add("rocket", 4, Wave(0.7, FilteredNoise(300, 3500, 0.5, 0.06, 0.3, 2.4)));
  return out;
}

}  // namespace aerovell::mkassets
