#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include "platform/platform.h"
#include "sound/wave_data.h"

namespace aerovell {

// Something that adds its own sound (the music) to the mix; called under the
// mixer's lock on the audio thread.
class MusicSource {
 public:
  virtual ~MusicSource() = default;
  virtual void MixInto(int32_t* stereo, int frames, int rate) = 0;
};

// The sound device: voices made from PCM samples, duplicated voices sharing
// them, and the mix of everything playing plus the music into the output.
// The game thread and the audio thread share the voices behind one lock.
class Mixer final : public AudioRenderer {
 public:
  using VoiceId = int32_t;
  static constexpr VoiceId kNoVoice = -1;
  static constexpr int kMaxVoices = 256;

  Mixer();

  void SetOutputRate(int rate);
  int OutputRate() const { return rate_; }

  // Copies the samples; kNoVoice when the format cannot be played or no slot is left.
  VoiceId CreateVoice(const WaveFormat& format, std::span<const uint8_t> samples);
  VoiceId Duplicate(VoiceId voice);
  void Free(VoiceId voice);

  void Stop(VoiceId voice);
  void Rewind(VoiceId voice);
  void SetFrequency(VoiceId voice, uint32_t hz);  // 0: the samples' own rate
  void SetPan(VoiceId voice, int32_t pan);        // hundredths of a decibel; < 0 quietens the right
  void SetVolume(VoiceId voice, int32_t volume);  // hundredths of a decibel, 0 full, -10000 silent
  void Play(VoiceId voice, bool looping);
  bool IsPlaying(VoiceId voice) const;

  void SetMusic(MusicSource* music);
  std::mutex& Lock() { return mutex_; }

  void RenderAudio(int16_t* stereo, int frames) override;

 private:
  struct Samples {
    WaveFormat format;
    std::vector<uint8_t> bytes;
    int64_t frames = 0;
  };
  struct Voice {
    std::shared_ptr<const Samples> samples;
    bool in_use = false;
    bool playing = false;
    bool looping = false;
    uint64_t position = 0;  // 32.32 fixed point, in sample frames
    uint32_t frequency = 0;
    int32_t gain_left = 65536;  // 16.16
    int32_t gain_right = 65536;
    int32_t volume = 0;
    int32_t pan = 0;
  };
  Voice* Get(VoiceId id);
  const Voice* Get(VoiceId id) const;
  void UpdateGains(Voice& v);
  void MixVoice(Voice& v, int32_t* out, int frames);

  // The limiter after the voices and the music (RenderAudio): the level it
  // follows, and how much of it is left after one frame of quiet.
  void Limit(const int32_t* mixed, int16_t* stereo, int frames);
  // Before the limiter's fields: its release is worked out from the rate.
  int rate_ = 48000;
  float envelope_ = 0;
  float release_ = 0;

  mutable std::mutex mutex_;
  std::vector<Voice> voices_;
  std::vector<int32_t> accumulator_;
  MusicSource* music_ = nullptr;
};

}  // namespace aerovell
