#include "xm_writer.h"

#include <algorithm>
#include <stdexcept>

namespace aerovell::tools {
namespace {

struct Out {
  std::vector<uint8_t> bytes;
  void U8(uint32_t v) { bytes.push_back(static_cast<uint8_t>(v)); }
  void U16(uint32_t v) {
    U8(v);
    U8(v >> 8);
  }
  void U32(uint32_t v) {
    U16(v);
    U16(v >> 16);
  }
  void Text(const std::string& s, size_t width, char pad = '\0') {
    for (size_t i = 0; i < width; ++i) U8(i < s.size() ? static_cast<uint8_t>(s[i]) : static_cast<uint8_t>(pad));
  }
  void Zeros(size_t n) { bytes.insert(bytes.end(), n, 0); }
};

void WriteInstrument(Out& o, const XmInstrument& in) {
  o.U32(263);
  o.Text(in.name, 22);
  o.U8(0);
  o.U16(1);  // one sample
  o.U32(40);
  o.Zeros(96);  // every note plays sample 0
  std::array<XmEnvelopePoint, 12> env{};
  const size_t points = std::min<size_t>(in.volume_envelope.size(), 12);
  std::copy_n(in.volume_envelope.begin(), points, env.begin());
  for (const auto& p : env) {
    o.U16(p.tick);
    o.U16(p.value);
  }
  o.Zeros(48);  // panning envelope
  o.U8(static_cast<uint32_t>(points));
  o.U8(0);
  o.U8(in.sustain_point >= 0 ? static_cast<uint32_t>(in.sustain_point) : 0);
  o.U8(0);
  o.U8(0);
  o.Zeros(3);  // panning sustain and loop
  o.U8(points ? (1u | (in.sustain_point >= 0 ? 2u : 0u)) : 0u);
  o.U8(0);
  o.Zeros(4);  // vibrato
  o.U16(in.fadeout);
  o.Zeros(22);
  // The sample header, 16-bit.
  o.U32(static_cast<uint32_t>(in.sample.size() * 2));
  o.U32(in.loop_start * 2);
  o.U32(in.loop_length * 2);
  o.U8(in.volume);
  o.U8(static_cast<uint8_t>(in.finetune));
  o.U8((in.loop_length ? 1u : 0u) | 0x10u);
  o.U8(in.panning);
  o.U8(static_cast<uint8_t>(in.relative_note));
  o.U8(0);
  o.Text(in.name, 22);
  int16_t previous = 0;  // samples are stored as differences
  for (int16_t s : in.sample) {
    o.U16(static_cast<uint16_t>(static_cast<int16_t>(s - previous)));
    previous = s;
  }
}

}  // namespace

std::vector<uint8_t> WriteXm(const XmModule& m) {
  if (m.orders.empty() || m.orders.size() > 256) throw std::invalid_argument("1 to 256 orders");
  Out o;
  o.Text("Extended Module: ", 17);
  o.Text(m.name, 20);
  o.U8(0x1A);
  o.Text("Aerovell mkassets", 20, ' ');
  o.U16(0x0104);
  o.U32(276);
  o.U16(static_cast<uint32_t>(m.orders.size()));
  o.U16(static_cast<uint32_t>(m.restart));
  o.U16(static_cast<uint32_t>(m.channels));
  o.U16(static_cast<uint32_t>(m.patterns.size()));
  o.U16(static_cast<uint32_t>(m.instruments.size()));
  o.U16(1);  // linear frequencies
  o.U16(static_cast<uint32_t>(m.tempo));
  o.U16(static_cast<uint32_t>(m.bpm));
  for (size_t i = 0; i < 256; ++i) o.U8(i < m.orders.size() ? m.orders[i] : 0);
  for (const XmPattern& p : m.patterns) {
    if (p.cells.size() != static_cast<size_t>(p.rows) * m.channels) throw std::invalid_argument("pattern size");
    o.U32(9);
    o.U8(0);
    o.U16(static_cast<uint32_t>(p.rows));
    o.U16(static_cast<uint32_t>(p.cells.size() * 5));
    for (const XmCell& c : p.cells) {
      o.U8(c.note);
      o.U8(c.instrument);
      o.U8(c.volume);
      o.U8(c.effect);
      o.U8(c.param);
    }
  }
  for (const XmInstrument& in : m.instruments) WriteInstrument(o, in);
  return o.bytes;
}

}  // namespace aerovell::tools
