#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "library_writer.h"
#include "xm_writer.h"

namespace aerovell::testing {

// A RIFF WAVE image of 16-bit mono samples, with optional extra chunks before "data".
inline std::vector<uint8_t> Riff(const std::vector<int16_t>& samples, int rate = 44100,
                                 const std::vector<uint8_t>& extra_chunks = {}, uint32_t riff_size = 0, int bits = 16) {
  tools::ValueWriter w;
  w.Raw(std::vector<uint8_t>{'R', 'I', 'F', 'F'});
  w.U32(riff_size);
  w.Raw(std::vector<uint8_t>{'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  w.U32(16);
  w.U16(1);
  w.U16(1);
  w.U32(static_cast<uint32_t>(rate));
  w.U32(static_cast<uint32_t>(rate * bits / 8));
  w.U16(static_cast<uint16_t>(bits / 8));
  w.U16(static_cast<uint16_t>(bits));
  w.Raw(extra_chunks);
  w.Raw(std::vector<uint8_t>{'d', 'a', 't', 'a'});
  w.U32(static_cast<uint32_t>(samples.size() * bits / 8));
  for (int16_t s : samples) {
    if (bits == 8) w.Byte(static_cast<uint8_t>(s));
    else w.U16(static_cast<uint16_t>(s));
  }
  return w.Take();
}

inline std::vector<int16_t> Constant(size_t count, int16_t value) { return std::vector<int16_t>(count, value); }

inline tools::WaveEntry Wave(std::string name, int max_playing_count, std::vector<uint8_t> riff, bool looped = false) {
  tools::WaveEntry e;
  e.name = std::move(name);
  e.max_playing_count = max_playing_count;
  e.wave = std::move(riff);
  e.looped = looped;
  return e;
}

// A short looping tune: one channel, a square-wave instrument, a few notes.
inline std::vector<uint8_t> TinyModule() {
  tools::XmModule m;
  m.name = "test";
  m.channels = 1;
  tools::XmInstrument square;
  square.name = "square";
  for (int i = 0; i < 32; ++i) square.sample.push_back(i < 16 ? 12000 : -12000);
  square.loop_length = 32;
  m.instruments.push_back(square);
  tools::XmPattern p;
  p.rows = 16;
  p.cells.resize(16);
  for (int r = 0; r < 16; r += 4) p.cells[static_cast<size_t>(r)] = {static_cast<uint8_t>(49 + r), 1, 0, 0, 0};
  m.patterns.push_back(p);
  m.orders = {0};
  return tools::WriteXm(m);
}

}  // namespace aerovell::testing
