#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace aerovell::tools {

// A FastTracker 2 extended module, as much of it as our music needs.
struct XmCell {
  uint8_t note = 0;        // 1 = C-0 ... 96 = B-7, 97 = key off, 0 = nothing
  uint8_t instrument = 0;  // 1-based, 0 = none
  uint8_t volume = 0;      // volume column: 0x10 + 0..64 sets the volume
  uint8_t effect = 0;
  uint8_t param = 0;
};

struct XmPattern {
  int rows = 64;
  std::vector<XmCell> cells;  // rows x channels, row by row
  XmCell& At(int row, int channel, int channels) { return cells[static_cast<size_t>(row) * channels + channel]; }
};

struct XmEnvelopePoint {
  uint16_t tick;
  uint16_t value;  // 0..64
};

struct XmInstrument {
  std::string name;
  std::vector<int16_t> sample;  // 16-bit mono
  uint32_t loop_start = 0;      // in samples
  uint32_t loop_length = 0;     // 0: no loop
  uint8_t volume = 64;
  int8_t finetune = 0;
  int8_t relative_note = 0;  // 0: C-4 plays the sample at 8363 Hz
  uint8_t panning = 128;
  std::vector<XmEnvelopePoint> volume_envelope;  // empty: none
  int sustain_point = -1;
  uint16_t fadeout = 0;
};

struct XmModule {
  std::string name;
  int channels = 4;
  int tempo = 6;  // ticks per row
  int bpm = 125;
  int restart = 0;
  std::vector<uint8_t> orders;
  std::vector<XmPattern> patterns;
  std::vector<XmInstrument> instruments;
};

std::vector<uint8_t> WriteXm(const XmModule& module);

}  // namespace aerovell::tools
