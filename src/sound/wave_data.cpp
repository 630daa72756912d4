#include "sound/wave_data.h"

#include <cstring>

#include "engine/byte_reader.h"

namespace aerovell {

TWaveData ReadWave(std::span<const uint8_t> riff) {
  ByteReader in(riff);
  const auto header = in.Bytes(12);
  if (std::memcmp(header.data(), "RIFF", 4) != 0 || std::memcmp(header.data() + 8, "WAVE", 4) != 0)
    throw EWaveStreamError("Wave is invalid");
  TWaveData wave;
  bool has_data = false;
  size_t data_pos = 0;
  uint32_t data_size = 0;
  while (in.Remaining() >= 8) {
    const auto id = in.Bytes(4);
    const uint32_t size = in.U32();
    if (std::memcmp(id.data(), "fmt ", 4) == 0) {
      const auto body = in.Bytes(size);
      wave.format.assign(body.begin(), body.end());
    } else if (std::memcmp(id.data(), "data", 4) == 0) {
      has_data = true;
      data_pos = in.Position();
      data_size = size;
      if (size > in.Remaining()) break;  // the samples are read (and found short) below
      in.Skip(size);
    } else {
      if (size > in.Remaining()) break;
      in.Skip(size);
    }
  }
  if (has_data) {
    in.Seek(data_pos);
    const auto samples = in.Bytes(data_size);
    wave.samples.assign(samples.begin(), samples.end());
  }
  return wave;
}

bool ParsePcmFormat(std::span<const uint8_t> format, WaveFormat& out) {
  if (format.size() < 16) return false;
  ByteReader in(format);
  const uint16_t tag = in.U16();
  out.channels = in.U16();
  out.sample_rate = static_cast<int>(in.U32());
  in.Skip(4);
  out.block_align = in.U16();
  out.bits = in.U16();
  return tag == 1 && (out.channels == 1 || out.channels == 2) && (out.bits == 8 || out.bits == 16) &&
         out.sample_rate >= 100 && out.sample_rate <= 384000 && out.block_align == out.channels * out.bits / 8;
}

}  // namespace aerovell
