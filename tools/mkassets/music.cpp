#include <algorithm>
#include <cmath>
#include <functional>

#include "art.h"
#include "assets.h"
#include "xm_writer.h"

namespace aerovell::mkassets {
namespace {

using tools::XmCell;
using tools::XmInstrument;
using tools::XmModule;
using tools::XmPattern;

constexpr int kCycle = 64;  // samples in one cycle of a tonal instrument

// A looping single-cycle instrument: C-4 sounds middle C.
XmInstrument Tonal(const char* name, const std::function<double(double phase)>& wave, uint8_t volume,
                   std::vector<tools::XmEnvelopePoint> envelope, int sustain, uint16_t fadeout) {
  XmInstrument in;
  in.name = name;
  for (int i = 0; i < kCycle; ++i)
    in.sample.push_back(static_cast<int16_t>(std::lround(wave(i / double(kCycle)) * 14000)));
  in.loop_length = kCycle;
  in.relative_note = 12;
  in.volume = volume;
  in.volume_envelope = std::move(envelope);
  in.sustain_point = sustain;
  in.fadeout = fadeout;
  return in;
}

// A one-shot drum sampled at 22050 Hz: C-4 plays it at that rate.
XmInstrument Drum(const char* name, double seconds, const std::function<double(double t, Rng&)>& signal,
                  uint8_t volume) {
  XmInstrument in;
  in.name = name;
  Rng rng(99);
  const int n = static_cast<int>(seconds * 22050);
  for (int i = 0; i < n; ++i)
    in.sample.push_back(static_cast<int16_t>(std::lround(std::clamp(signal(i / 22050.0, rng), -1.0, 1.0) * 26000)));
  in.relative_note = 17;  // 8363 Hz up to 22050 Hz
  in.finetune = -27;
  in.volume = volume;
  return in;
}

double Saw(double p) { return 2 * p - 1; }
double Tri(double p) { return p < 0.5 ? 4 * p - 1 : 3 - 4 * p; }
double Sine(double p) { return std::sin(2 * M_PI * p); }

std::vector<XmInstrument> Instruments() {
  return {
      Tonal(
          "bass", [](double p) { return 0.6 * Saw(p) + 0.5 * Sine(p); }, 52, {{0, 64}, {20, 48}, {200, 30}}, 1, 600),
      Tonal(
          "pad", [](double p) { return 0.7 * Tri(p) + 0.2 * Sine(2 * p) + 0.1 * Sine(3 * p); }, 30,
          {{0, 0}, {30, 64}, {80, 50}, {400, 40}}, 2, 300),
      Tonal(
          "lead", [](double p) { return 0.55 * (p < 0.3 ? 1.0 : -1.0) + 0.35 * Sine(p); }, 40,
          {{0, 64}, {10, 54}, {150, 40}}, 1, 900),
      Tonal(
          "pluck", [](double p) { return Sine(p) + 0.25 * Sine(2 * p); }, 38, {{0, 64}, {8, 40}, {40, 6}, {60, 0}}, -1,
          2000),
      Drum(
          "kick", 0.3,
          [](double t, Rng&) {
            return std::sin(2 * M_PI * (55 * t + 90 * (1 - std::exp(-t * 30)) / 30)) * std::exp(-t * 9);
          },
          64),
      Drum(
          "snare", 0.22,
          [](double t, Rng& r) {
            return (0.7 * r.Range(-1, 1) + 0.4 * std::sin(2 * M_PI * 190 * t)) * std::exp(-t * 18);
          },
          44),
      Drum(
          "hat", 0.06, [](double t, Rng& r) { return r.Range(-1, 1) * std::exp(-t * 70); }, 26),
  };
}

enum Instrument : uint8_t { kBass = 1, kPad, kLead, kPluck, kKick, kSnare, kHat };

// Notes by name in octave 4 (C-4 = 49) and a chord as root and quality.
constexpr uint8_t N(int semitone_from_c4) { return static_cast<uint8_t>(49 + semitone_from_c4); }
struct Chord {
  int root;  // semitones from C-4
  bool minor;
};

XmCell Note(uint8_t note, uint8_t instrument, int volume = -1) {
  XmCell c;
  c.note = note;
  c.instrument = instrument;
  if (volume >= 0) c.volume = static_cast<uint8_t>(0x10 + volume);
  return c;
}

// A pattern of `rows` rows over four chords, `rows / 4` rows each.
struct Writer {
  int channels;
  XmPattern p;
  Writer(int ch, int rows) : channels(ch) {
    p.rows = rows;
    p.cells.resize(static_cast<size_t>(rows) * ch);
  }
  void Put(int row, int channel, XmCell c) { p.At(row, channel, channels) = c; }
};

XmModule Compose(const char* name, int bpm, int channels, const std::vector<std::vector<Chord>>& sections,
                 const std::vector<int>& order, bool driving, uint32_t seed) {
  XmModule m;
  m.name = name;
  m.channels = channels;
  m.tempo = 6;
  m.bpm = bpm;
  m.instruments = Instruments();
  Rng rng(seed);
  for (size_t s = 0; s < sections.size(); ++s) {
    Writer w(channels, 64);
    const bool quiet = s == 0;  // the first section is the intro: no lead
    for (int c = 0; c < 4; ++c) {
      const Chord chord = sections[s][static_cast<size_t>(c)];
      const int base = c * 16;
      const int third = chord.minor ? 3 : 4;
      // Bass: roots an octave down; the driving tune pulses in eighths.
      for (int r = 0; r < 16; r += driving ? 2 : 8)
        w.Put(base + r, 0, Note(N(chord.root - 24 + ((driving && r % 8 == 6) ? 7 : 0)), kBass));
      // Pad: the chord held.
      w.Put(base, 1, Note(N(chord.root), kPad));
      w.Put(base, 2, Note(N(chord.root + third), kPad));
      w.Put(base, 3, Note(N(chord.root + 7), kPad));
      // Arpeggio of the chord.
      const int arp[] = {0, third, 7, 12, 7, third};
      for (int r = 0; r < 16; r += driving ? 1 : 2)
        w.Put(base + r, 4, Note(N(chord.root + 12 + arp[(r / (driving ? 1 : 2)) % 6]), kPluck, driving ? 26 : 30));
      // Lead: chord tones and steps on a loose rhythm, resting now and then.
      if (!quiet) {
        const int scale[] = {0, 2, third, 5, 7, 9, 12};
        for (int r = 0; r < 16; r += 2) {
          if (rng.Unit() < (driving ? 0.25 : 0.4)) continue;
          const int degree = rng.Int(7);
          w.Put(base + r, 5, Note(N(chord.root + scale[degree] + (driving ? 12 : 0)), kLead));
          if (rng.Unit() < 0.3 && r + 1 < 16) w.Put(base + r + 1, 5, Note(97, 0));
        }
      }
      if (driving && channels >= 8) {
        for (int r = 0; r < 16; ++r) {
          if (r % 4 == 0) w.Put(base + r, 6, Note(N(0), kKick));
          if (r % 8 == 4) w.Put(base + r, 6, Note(N(0), kSnare));
          if (r % 2 == 1) w.Put(base + r, 7, Note(N(0), kHat, r % 4 == 3 ? 40 : 24));
        }
      } else if (channels >= 7 && !quiet) {
        for (int r = 0; r < 16; r += 8) w.Put(base + r, 6, Note(N(0), r == 0 ? kKick : kHat, 28));
      }
    }
    m.patterns.push_back(w.p);
  }
  for (int o : order) m.orders.push_back(static_cast<uint8_t>(o));
  return m;
}

}  // namespace

// The menus: calm, in A minor, about a minute before it loops.
std::vector<uint8_t> MenuMusic() {
  const std::vector<std::vector<Chord>> sections = {
      {{-3, true}, {-7, false}, {0, false}, {-5, false}},  // Am F C G
      {{-3, true}, {-7, false}, {0, false}, {-5, false}},
      {{2, true}, {-3, true}, {-8, false}, {-3, true}},    // Dm Am E Am
      {{-7, false}, {-5, false}, {0, false}, {-3, true}},  // F G C Am
  };
  return tools::WriteXm(Compose("Aerovell menu", 96, 7, sections, {0, 1, 2, 1, 3, 2}, false, 1234));
}

// Play: driving, in E minor, about a minute and a half before it loops.
std::vector<uint8_t> PlayMusic() {
  const std::vector<std::vector<Chord>> sections = {
      {{-8, true}, {-8, true}, {-12, false}, {-10, false}},   // Em Em C D
      {{-8, true}, {-12, false}, {-10, false}, {-1, false}},  // Em C D B
      {{-3, true}, {-12, false}, {-8, true}, {-1, false}},    // Am C Em B
      {{-12, false}, {-10, false}, {-8, true}, {-8, true}},   // C D Em Em
  };
  return tools::WriteXm(
      Compose("Aerovell play", 140, 8, sections, {0, 1, 1, 2, 1, 3, 2, 1, 2, 3, 1, 2, 3, 1}, true, 4321));
}

}  // namespace aerovell::mkassets
