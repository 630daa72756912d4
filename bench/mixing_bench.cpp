// Mixing 10 ms of output with 32 voices and the music, as the audio thread does.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "sound/mixer.h"
#include "sound/music_player.h"
#include "xm_writer.h"

namespace aerovell {
namespace {

// A four-channel module with looping instruments on every channel.
std::string ModulePath() {
  static const std::string path = [] {
    tools::XmModule m;
    m.name = "bench";
    m.channels = 4;
    tools::XmInstrument saw;
    saw.name = "saw";
    for (int i = 0; i < 64; ++i) saw.sample.push_back(static_cast<int16_t>(i * 512 - 16384));
    saw.loop_length = 64;
    m.instruments.push_back(saw);
    tools::XmPattern p;
    p.rows = 64;
    p.cells.resize(64 * 4);
    for (int r = 0; r < 64; r += 2)
      for (int c = 0; c < 4; ++c) p.At(r, c, 4) = {static_cast<uint8_t>(37 + (r + c * 5) % 24), 1, 0, 0, 0};
    m.patterns.push_back(p);
    m.orders = {0};
    const auto bytes = tools::WriteXm(m);
    const std::string file = (std::filesystem::temp_directory_path() / "aerovell_bench.xm").string();
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file;
  }();
  return path;
}

void BM_MixTenMilliseconds(benchmark::State& state) {
  constexpr int kRate = 48000, kFrames = kRate / 100;
  Mixer mixer;
  mixer.SetOutputRate(kRate);
  // 32 voices of 16-bit mono at 22050 Hz and 8-bit at 11025 Hz, all resampled.
  std::vector<uint8_t> samples(44100 * 2);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(i * 7);
  for (int v = 0; v < 32; ++v) {
    const WaveFormat format = v % 2 ? WaveFormat{1, 22050, 16, 2} : WaveFormat{1, 11025, 8, 1};
    const Mixer::VoiceId id = mixer.CreateVoice(format, samples);
    mixer.SetVolume(id, -300);
    mixer.SetPan(id, (v - 16) * 300);
    mixer.Play(id, true);
  }
  MusicPlayer music(mixer);
  const auto song = music.SongLoadFromFile(ModulePath());
  music.SongPlay(song);
  std::vector<int16_t> out(static_cast<size_t>(kFrames) * 2);
  for (auto _ : state) {
    mixer.RenderAudio(out.data(), kFrames);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_MixTenMilliseconds)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace aerovell
