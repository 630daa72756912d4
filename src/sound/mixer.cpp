#include "sound/mixer.h"

#include <algorithm>
#include <cmath>

namespace aerovell {
namespace {

constexpr int kChunkFrames = 4096;

// Headroom. The effects are made close to full scale, and held fire stacks a
// few of them on the music: summed plainly, one sample in twenty was cut off
// at full scale, which crackles. Levels up to the knee pass untouched; above it
// the level is bent smoothly towards a ceiling under full scale, so nothing is
// ever cut off. The gain follows the louder channel's peak at once and lets go
// over about 30 ms, so a burst is turned down as a whole, not each wave crest.
constexpr float kKnee = 0.85f * 32768;
constexpr float kCeiling = 0.985f * 32768;
constexpr float kReleaseSeconds = 0.03f;

float ReleaseFor(int rate) { return std::exp(-1.0f / (kReleaseSeconds * static_cast<float>(rate))); }

int32_t DecibelGain(int32_t hundredths) {
  if (hundredths >= 0) return 65536;
  if (hundredths <= -10000) return 0;
  return static_cast<int32_t>(std::lround(65536.0 * std::pow(10.0, hundredths / 2000.0)));
}

inline int32_t SampleAt(const uint8_t* bytes, int bits, int64_t index) {
  if (bits == 8) return (static_cast<int32_t>(bytes[index]) - 128) << 8;
  return static_cast<int16_t>(bytes[2 * index] | (bytes[2 * index + 1] << 8));
}

}  // namespace

Mixer::Mixer()
    : release_(ReleaseFor(rate_)), voices_(kMaxVoices), accumulator_(static_cast<size_t>(kChunkFrames) * 2) {}

void Mixer::SetOutputRate(int rate) {
  std::lock_guard lock(mutex_);
  rate_ = std::max(rate, 1);
  release_ = ReleaseFor(rate_);
}

Mixer::Voice* Mixer::Get(VoiceId id) {
  if (id < 0 || id >= kMaxVoices || !voices_[static_cast<size_t>(id)].in_use) return nullptr;
  return &voices_[static_cast<size_t>(id)];
}

const Mixer::Voice* Mixer::Get(VoiceId id) const { return const_cast<Mixer*>(this)->Get(id); }

Mixer::VoiceId Mixer::CreateVoice(const WaveFormat& format, std::span<const uint8_t> samples) {
  auto data = std::make_shared<Samples>();
  data->format = format;
  data->bytes.assign(samples.begin(), samples.end());
  data->frames = static_cast<int64_t>(samples.size() / static_cast<size_t>(format.block_align));
  std::lock_guard lock(mutex_);
  for (VoiceId id = 0; id < kMaxVoices; ++id) {
    Voice& v = voices_[static_cast<size_t>(id)];
    if (v.in_use) continue;
    v = Voice{};
    v.samples = std::move(data);
    v.in_use = true;
    return id;
  }
  return kNoVoice;
}

Mixer::VoiceId Mixer::Duplicate(VoiceId source) {
  std::lock_guard lock(mutex_);
  const Voice* from = Get(source);
  if (!from) return kNoVoice;
  for (VoiceId id = 0; id < kMaxVoices; ++id) {
    Voice& v = voices_[static_cast<size_t>(id)];
    if (v.in_use) continue;
    v = Voice{};
    v.samples = from->samples;  // shared, never copied
    v.in_use = true;
    return id;
  }
  return kNoVoice;
}

void Mixer::Free(VoiceId id) {
  std::shared_ptr<const Samples> release;
  {
    std::lock_guard lock(mutex_);
    if (Voice* v = Get(id)) {
      release = std::move(v->samples);  // freed outside the lock, never on the audio thread
      *v = Voice{};
    }
  }
}

void Mixer::Stop(VoiceId id) {
  std::lock_guard lock(mutex_);
  if (Voice* v = Get(id)) v->playing = false;
}

void Mixer::Rewind(VoiceId id) {
  std::lock_guard lock(mutex_);
  if (Voice* v = Get(id)) v->position = 0;
}

void Mixer::SetFrequency(VoiceId id, uint32_t hz) {
  std::lock_guard lock(mutex_);
  if (Voice* v = Get(id)) v->frequency = hz;
}

void Mixer::UpdateGains(Voice& v) {
  const int32_t base = DecibelGain(v.volume);
  v.gain_left = static_cast<int32_t>((int64_t{base} * DecibelGain(v.pan > 0 ? -v.pan : 0)) >> 16);
  v.gain_right = static_cast<int32_t>((int64_t{base} * DecibelGain(v.pan < 0 ? v.pan : 0)) >> 16);
}

void Mixer::SetPan(VoiceId id, int32_t pan) {
  std::lock_guard lock(mutex_);
  if (Voice* v = Get(id)) {
    v->pan = std::clamp(pan, -10000, 10000);
    UpdateGains(*v);
  }
}

void Mixer::SetVolume(VoiceId id, int32_t volume) {
  std::lock_guard lock(mutex_);
  if (Voice* v = Get(id)) {
    v->volume = std::clamp(volume, -10000, 0);
    UpdateGains(*v);
  }
}

void Mixer::Play(VoiceId id, bool looping) {
  std::lock_guard lock(mutex_);
  if (Voice* v = Get(id)) {
    v->looping = looping;
    v->playing = v->samples->frames > 0;
  }
}

bool Mixer::IsPlaying(VoiceId id) const {
  std::lock_guard lock(mutex_);
  const Voice* v = Get(id);
  return v && v->playing;
}

void Mixer::SetMusic(MusicSource* music) {
  std::lock_guard lock(mutex_);
  music_ = music;
}

void Mixer::MixVoice(Voice& v, int32_t* out, int frames) {
  const Samples& s = *v.samples;
  const uint32_t rate = v.frequency ? v.frequency : static_cast<uint32_t>(s.format.sample_rate);
  const uint64_t step = (uint64_t{rate} << 32) / static_cast<uint64_t>(rate_);
  const int64_t total = s.frames;
  const bool stereo = s.format.channels == 2;
  const int bits = s.format.bits;
  const uint8_t* bytes = s.bytes.data();
  for (int i = 0; i < frames; ++i) {
    int64_t index = static_cast<int64_t>(v.position >> 32);
    if (index >= total) {
      if (!v.looping) {
        v.playing = false;
        v.position = 0;
        return;
      }
      // A short wave played fast can pass its end by more than its length in
      // one step: wrap by the remainder, not by one length.
      v.position %= static_cast<uint64_t>(total) << 32;
      index = static_cast<int64_t>(v.position >> 32);
    }
    int64_t next = index + 1;
    if (next >= total) next = v.looping ? 0 : index;
    const int64_t frac = static_cast<int64_t>((v.position >> 16) & 0xFFFF);
    int32_t left, right;
    if (stereo) {
      const int32_t l0 = SampleAt(bytes, bits, index * 2), l1 = SampleAt(bytes, bits, next * 2);
      const int32_t r0 = SampleAt(bytes, bits, index * 2 + 1), r1 = SampleAt(bytes, bits, next * 2 + 1);
      left = l0 + static_cast<int32_t>(((l1 - l0) * frac) >> 16);
      right = r0 + static_cast<int32_t>(((r1 - r0) * frac) >> 16);
    } else {
      const int32_t m0 = SampleAt(bytes, bits, index), m1 = SampleAt(bytes, bits, next);
      left = right = m0 + static_cast<int32_t>(((m1 - m0) * frac) >> 16);
    }
    out[2 * i] += static_cast<int32_t>((int64_t{left} * v.gain_left) >> 16);
    out[2 * i + 1] += static_cast<int32_t>((int64_t{right} * v.gain_right) >> 16);
    v.position += step;
  }
}

void Mixer::Limit(const int32_t* mixed, int16_t* stereo, int frames) {
  constexpr float kSpan = kCeiling - kKnee;
  float envelope = envelope_;
  for (int i = 0; i < frames; ++i) {
    const int32_t left = mixed[2 * i], right = mixed[2 * i + 1];
    const auto peak = static_cast<float>(std::max(std::abs(left), std::abs(right)));
    envelope = peak >= envelope ? peak : peak + (envelope - peak) * release_;
    if (envelope <= kKnee) {  // both samples are within the knee too
      stereo[2 * i] = static_cast<int16_t>(left);
      stereo[2 * i + 1] = static_cast<int16_t>(right);
      continue;
    }
    // over / (1 + over) rises with slope 1 from the knee and never reaches 1:
    // the level bends without a corner and stays under the ceiling.
    const float over = (envelope - kKnee) / kSpan;
    const float gain = (kKnee + kSpan * over / (1 + over)) / envelope;
    stereo[2 * i] = static_cast<int16_t>(std::lrint(static_cast<float>(left) * gain));
    stereo[2 * i + 1] = static_cast<int16_t>(std::lrint(static_cast<float>(right) * gain));
  }
  envelope_ = envelope;
}

void Mixer::RenderAudio(int16_t* stereo, int frames) {
  std::lock_guard lock(mutex_);
  while (frames > 0) {
    const int n = std::min(frames, kChunkFrames);
    int32_t* acc = accumulator_.data();
    std::fill(acc, acc + 2 * n, 0);
    for (Voice& v : voices_)
      if (v.in_use && v.playing) MixVoice(v, acc, n);
    if (music_) music_->MixInto(acc, n, rate_);
    Limit(acc, stereo, n);
    stereo += 2 * n;
    frames -= n;
  }
}

}  // namespace aerovell
