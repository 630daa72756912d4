#include "fuzz_targets.h"

#include <span>

#include "engine/bitmap_decoder.h"
#include "engine/picture_collection.h"
#include "sound/mixer.h"
#include "sound/wave_collection.h"

namespace aerovell::fuzz {

void ObjectStream(const uint8_t* data, size_t size) {
  TPictureCollection pictures;
  try {
    pictures.LoadFromBytes(std::span(data, size));
  } catch (const EGameError&) {
  }
  // Whatever loaded must be usable: lay out every item and draw it.
  Surface dest(64, 64);
  for (int i = 0; i < pictures.Count(); ++i) {
    auto& item = pictures.Item(i);
    item.MarkPrepared();
    item.Prepare();
    for (int k = 0; k < std::min(item.NumPatterns(), 4); ++k) {
      item.DrawPattern(dest, -3, 5, k);
      item.DrawPatternRotated(dest, 30, 30, 17, 23, k, 0.5, 0.5, 37 * k);
    }
  }
}

void Bitmap(const uint8_t* data, size_t size) {
  try {
    const DecodedImage image = DecodePictureData(std::span(data, size));
    if (!image.Empty() && image.pixels.size() != static_cast<size_t>(image.width) * image.height) __builtin_trap();
  } catch (const EGameError&) {
  }
}

}  // namespace aerovell::fuzz

namespace aerovell::fuzz {

void SoundLibrary(const uint8_t* data, size_t size) {
  TWaveCollection waves;
  try {
    waves.LoadFromBytes(std::span(data, size));
  } catch (const EGameError&) {
  }
  // Whatever loaded must play: make a voice of every playable wave and mix a little.
  // The game plays every sound at its own rate (frequency 0) on a device that
  // runs at 48 kHz, so that is what most voices get: a wave's rate, anything
  // from 100 Hz to 384 kHz, then decides how fast it is read. Every other
  // voice gets a frequency of its own, looping or not.
  Mixer mixer;
  mixer.SetOutputRate(48000);
  for (int i = 0; i < waves.Count(); ++i) {
    const TWaveData& wave = waves.Item(i).Wave.data;
    WaveFormat format;
    if (!ParsePcmFormat(wave.format, format)) continue;
    const Mixer::VoiceId voice = mixer.CreateVoice(format, wave.samples);
    if (i % 4 >= 2) mixer.SetFrequency(voice, static_cast<uint32_t>(wave.samples.size() * 37 % 384000));
    mixer.Play(voice, i % 2 == 0 || waves.Item(i).Looped());
  }
  int16_t out[2 * 1024];
  mixer.RenderAudio(out, 1024);
}

}  // namespace aerovell::fuzz
