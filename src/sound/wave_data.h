#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/errors.h"

namespace aerovell {

class EWaveStreamError : public EGameError {
 public:
  using EGameError::EGameError;
};

// A wave as the sound library holds it: the "fmt " chunk as it stands, and the samples.
struct TWaveData {
  std::vector<uint8_t> format;
  std::vector<uint8_t> samples;
};

// Reads a RIFF WAVE file image: chunks one after another (no pad byte), a later
// "fmt " or "data" replacing an earlier one, no "data" giving an empty wave.
TWaveData ReadWave(std::span<const uint8_t> riff);

// The PCM format a voice can play.
struct WaveFormat {
  int channels = 0;
  int sample_rate = 0;
  int bits = 0;
  int block_align = 0;
};

// The playable format of a format block, or false for anything but 8- and
// 16-bit PCM with one or two channels.
bool ParsePcmFormat(std::span<const uint8_t> format, WaveFormat& out);

}  // namespace aerovell
