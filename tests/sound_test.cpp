#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/fake/fake_platform.h"
#include "platform/sdl/sdl_platform.h"
#include "sound/music_player.h"
#include "sound/wave_collection.h"
#include "sound_fixture.h"
#include "test_support.h"

namespace aerovell {
namespace {

using testing::Constant;
using testing::Riff;

TEST(ReadWave, ChunksInAnyOrderAndWrongSizes) {
  const std::vector<uint8_t> list_chunk = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c'};  // odd, no pad
  const auto wave = ReadWave(Riff(Constant(4, 7), 44100, list_chunk, 0xDEADBEEF));
  EXPECT_EQ(wave.format.size(), 16u);
  EXPECT_EQ(wave.samples.size(), 8u);
  EXPECT_EQ(wave.samples[0], 7);

  // A later "fmt " replaces the earlier one.
  std::vector<uint8_t> second_fmt = {'f', 'm', 't', ' ', 2, 0, 0, 0, 9, 9};
  EXPECT_EQ(ReadWave(Riff(Constant(1, 0), 44100, second_fmt)).format, (std::vector<uint8_t>{9, 9}));

  // No "data" chunk: an empty wave.
  auto no_data = Riff({}, 44100);
  no_data.resize(no_data.size() - 8);
  EXPECT_TRUE(ReadWave(no_data).samples.empty());
}

TEST(ReadWave, Failures) {
  auto riff = Riff(Constant(100, 1));
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    std::string message;
  } cases[] = {
      {"not RIFF", {'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, "Wave is invalid"},
      {"not WAVE", {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}, "Wave is invalid"},
      {"shorter than the RIFF header", {'R', 'I', 'F', 'F'}, "Stream read error"},
      {"cut in the samples", std::vector<uint8_t>(riff.begin(), riff.end() - 10), "Stream read error"},
      {"cut in fmt", std::vector<uint8_t>(riff.begin(), riff.begin() + 24), "Stream read error"},
  };
  for (const auto& c : cases) {
    try {
      ReadWave(c.bytes);
      ADD_FAILURE() << c.what;
    } catch (const EGameError& e) {
      EXPECT_EQ(std::string(e.what()), c.message) << c.what;
    }
  }
}

class SoundTest : public ::testing::Test {
 protected:
  SoundTest() {
    sound.Initialize();
    list.SetDXSound(&sound);
  }
  TWaveCollectionItem& Load(const std::vector<tools::WaveEntry>& waves, int index = 0) {
    list.Items.LoadFromBytes(tools::WriteWaveLibrary(waves));
    return list.Items.Item(index);
  }
  FakePlatform platform;
  TDXSound sound{platform};
  TDXWaveList list;
};

TEST_F(SoundTest, VoiceAllocation) {
  const auto long_wave = Riff(Constant(44100, 1000));  // a second: it sounds for the whole test
  {
    auto& item = Load({testing::Wave("shot", 2, long_wave)});
    item.Play();
    item.Play();
    const auto first_two = item.PlayVoices();
    ASSERT_EQ(first_two.size(), 2u);
    item.Play();  // both sound: the head is cut off and becomes the newest
    EXPECT_EQ(item.PlayVoices(), (std::vector<Mixer::VoiceId>{first_two[1], first_two[0]}));
  }
  {
    auto& item = Load({testing::Wave("shot", 0, long_wave)});
    for (int i = 0; i < 5; ++i) item.Play();
    EXPECT_EQ(item.PlayVoices().size(), 5u) << "no limit: one more voice each time";
  }
  {
    auto& item = Load({testing::Wave("click", 0, Riff(Constant(100, 1000)))});
    item.Play();
    platform.PullAudio(200);  // the click has finished
    item.Play();
    EXPECT_EQ(item.PlayVoices().size(), 1u) << "a finished voice is reused";
  }
  {
    auto& item = Load({testing::Wave("engine", 3, long_wave, true)});
    item.Play();
    item.Play();
    EXPECT_TRUE(item.PlayVoices().empty()) << "a looped sound keeps its one voice";
    const auto out = platform.PullAudio(10);
    EXPECT_EQ(out[0], 1000) << "and it plays";
  }
}

TEST_F(SoundTest, NamesAndNegativeLimits) {
  Load({testing::Wave("menu", -5, Riff(Constant(10, 1)))});
  EXPECT_EQ(list.Items.FindByName("MENU").MaxPlayingCount(), 0);
  try {
    list.Items.FindByName("boom");
    FAIL();
  } catch (const EWaveCollectionError& e) {
    EXPECT_STREQ(e.what(), "Wave 'boom' not found");
  }
}

TEST_F(SoundTest, UnplayableFormatCannotMakeAVoice) {
  auto riff = Riff(Constant(10, 1));
  riff[20] = 3;  // IEEE float, not PCM
  try {
    Load({testing::Wave("odd", 0, riff)});
    FAIL();
  } catch (const EGameError& e) {
    EXPECT_STREQ(e.what(), "Sound Buffer cannot be made");
  }
}

TEST(SoundWithoutDevice, EveryPlayIsSilent) {
  FakePlatform platform;
  platform.audio_available = false;
  TDXSound sound(platform);
  sound.Initialize();
  EXPECT_FALSE(sound.Initialized());
  TDXWaveList list;
  list.SetDXSound(&sound);
  list.Items.LoadFromBytes(tools::WriteWaveLibrary({testing::Wave("menu", 1, Riff(Constant(10, 1)))}));
  auto& item = list.Items.Item(0);
  EXPECT_FALSE(item.Prepared());
  item.Play();
  EXPECT_TRUE(item.PlayVoices().empty());
}

TEST(MixerOutput, KnownSamplesWithVolumePanAndHeadroom) {
  Mixer mixer;
  mixer.SetOutputRate(44100);
  const WaveFormat mono16{1, 44100, 16, 2};
  const auto samples = Riff(Constant(1000, 10000));
  const auto wave = ReadWave(samples);
  std::vector<int16_t> out(20);
  auto render = [&] {
    std::fill(out.begin(), out.end(), 0);
    mixer.RenderAudio(out.data(), 10);
  };
  const Mixer::VoiceId v = mixer.CreateVoice(mono16, wave.samples);
  mixer.Play(v, false);
  render();
  EXPECT_EQ(out[0], 10000);
  EXPECT_EQ(out[1], 10000);
  mixer.SetVolume(v, -600);  // -6 dB is about half
  render();
  EXPECT_NEAR(out[0], 5012, 2);
  mixer.SetVolume(v, 0);
  mixer.SetPan(v, -10000);  // full left: the right channel is silent
  render();
  EXPECT_EQ(out[0], 10000);
  EXPECT_EQ(out[1], 0);
  mixer.SetPan(v, 0);

  const Mixer::VoiceId copy = mixer.Duplicate(v);
  const Mixer::VoiceId third = mixer.Duplicate(v);
  const Mixer::VoiceId fourth = mixer.Duplicate(v);
  mixer.Play(copy, false);
  render();
  EXPECT_EQ(out[0], 20000) << "two voices: a plain sum, well within the headroom";
  mixer.Play(third, false);
  render();
  const int16_t three = out[0];
  EXPECT_LT(three, 30000) << "past the knee the level bends";
  EXPECT_GT(three, 27000);
  mixer.Play(fourth, false);
  render();
  EXPECT_GT(out[0], three) << "louder stays louder";
  EXPECT_LT(out[0], 32767) << "four voices of 10000 are not cut off at full scale";

  // 8-bit unsigned at half the output rate: resampled, centred on 128.
  Mixer slow;
  slow.SetOutputRate(44100);
  const std::vector<uint8_t> bytes = {228, 228, 28, 28};
  const Mixer::VoiceId b = slow.CreateVoice({1, 22050, 8, 1}, bytes);
  slow.Play(b, false);
  std::vector<int16_t> o(8, 0);
  slow.RenderAudio(o.data(), 4);
  EXPECT_EQ(o[0], 25600);
  EXPECT_EQ(o[2], 25600);
  EXPECT_EQ(o[4], 25600);
  EXPECT_EQ(o[6], 0) << "halfway between 228 and 28";

  // Full-scale swings between samples interpolate without overflowing.
  Mixer loud;
  loud.SetOutputRate(44100);
  const std::vector<uint8_t> extremes = {0xFF, 0x7F, 0x00, 0x80, 0xFF, 0x7F};  // 32767, -32768, 32767
  const Mixer::VoiceId e = loud.CreateVoice({1, 22050, 16, 2}, extremes);
  loud.Play(e, false);
  std::vector<int16_t> swing(8, 0);
  loud.RenderAudio(swing.data(), 4);
  EXPECT_GT(swing[0], 30000);
  EXPECT_LT(swing[0], 32767) << "a full-scale wave is brought under full scale";
  EXPECT_NEAR(swing[2], 0, 1) << "halfway down";
  EXPECT_EQ(swing[4], -swing[0]) << "and evenly on both sides";
}

TEST(MixerOutput, LoopedWavesShorterThanOneStepWrapWithinThemselves) {
  // A wave's own rate may be eight times the device's: each output frame then
  // moves eight frames on, past the end of a wave of one, two or three frames.
  const struct {
    const char* what;
    int rate;
    std::vector<int16_t> frames;
    std::vector<int16_t> expected;  // the first output frames, repeating
  } cases[] = {
      {"one frame at 384 kHz", 384000, {1234}, {1234, 1234, 1234, 1234}},
      {"two frames at 384 kHz", 384000, {100, 200}, {100, 100, 100, 100}},
      {"three frames at 384 kHz", 384000, {1000, 2000, 3000}, {1000, 3000, 2000}},
      {"three frames at 240 kHz", 240000, {1000, 2000, 3000}, {1000, 3000, 2000}},
      {"two frames at 144 kHz", 144000, {100, 200}, {100, 200}},
  };
  for (const auto& c : cases) {
    Mixer mixer;
    mixer.SetOutputRate(48000);
    std::vector<uint8_t> bytes;
    for (int16_t f : c.frames) bytes.insert(bytes.end(), {static_cast<uint8_t>(f), static_cast<uint8_t>(f >> 8)});
    const Mixer::VoiceId v = mixer.CreateVoice({1, c.rate, 16, 2}, bytes);
    mixer.Play(v, true);
    std::vector<int16_t> out(2 * 6000);
    mixer.RenderAudio(out.data(), 6000);  // more than one chunk of the mix
    for (size_t i = 0; i < 6000; ++i) {
      ASSERT_EQ(out[2 * i], c.expected[i % c.expected.size()]) << c.what << ", frame " << i;
      ASSERT_EQ(out[2 * i + 1], out[2 * i]) << c.what;
    }
    EXPECT_TRUE(mixer.IsPlaying(v)) << c.what;
  }
}

TEST(Music, PathsThatAreNoFilesAreRefusedAtOnce) {
  // A folder, a pipe nobody writes to, a device that never ends: no song, and
  // no wait (libxmp opening the pipe itself blocked for ever).
  testing::TempDir dir;
  testing::ScopedWorkingDir cwd(dir.Path());
  std::filesystem::create_directories(dir / "sound" / "folder.xm");
  ASSERT_EQ(::mkfifo((dir / "sound" / "pipe.xm").c_str(), 0600), 0);
  for (const char* path : {"sound\\folder.xm", "sound\\pipe.xm", "/dev/zero"}) {
    const int code = testing::RunInChild(
        [&] {
          Mixer mixer;
          MusicPlayer music(mixer);
          return music.SongLoadFromFile(path) == 0 ? 0 : 1;
        },
        10);
    EXPECT_EQ(code, 0) << path << (code == -1 ? ": blocked" : ": a song was made");
  }
}

TEST(Music, LoadPlayStopAndBadModules) {
  testing::TempDir dir;
  testing::ScopedWorkingDir cwd(dir.Path());
  std::filesystem::create_directories(dir / "sound");
  testing::WriteBytes(dir / "sound" / "1.xm", testing::TinyModule());
  testing::WriteBytes(dir / "sound" / "bad.xm", {'E', 'x', 't', 'e', 'n', 'd', 'e', 'd', 1, 2, 3});
  Mixer mixer;
  mixer.SetOutputRate(44100);
  MusicPlayer music(mixer);
  EXPECT_EQ(music.SongLoadFromFile("Sound\\missing.xm"), 0u);
  EXPECT_EQ(music.SongLoadFromFile("Sound\\bad.xm"), 0u);
  music.SongStop(0);
  const auto song = music.SongLoadFromFile("Sound\\1.xm");
  ASSERT_NE(song, 0u);
  music.SongPlay(song);
  std::vector<int16_t> out(2 * 4410);
  mixer.RenderAudio(out.data(), 4410);
  int peak = 0;
  for (int16_t s : out) peak = std::max(peak, std::abs(static_cast<int>(s)));
  EXPECT_GT(peak, 1000) << "the music sounds";
  music.SongStop(song);
  mixer.RenderAudio(out.data(), 4410);
  EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int16_t s) { return s == 0; }));
}

// The real platform with a sound driver by name; restores the variables afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) setenv(name_, old_->c_str(), 1);
    else unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// The real platform's sound device with a one-sound library on it.
struct SdlSoundRig {
  SdlSoundRig(const std::string& name, const std::vector<uint8_t>& riff) {
    sound.Initialize();
    list.SetDXSound(&sound);
    list.Items.LoadFromBytes(tools::WriteWaveLibrary({testing::Wave(name, 1, riff)}));
  }
  SdlPlatform platform{"test"};
  TDXSound sound{platform};
  TDXWaveList list;
};

TEST(SdlSound, NoDeviceIsSilentAndTheDummyDevicePlays) {
  {
    ScopedEnv driver("SDL_AUDIODRIVER", "no_such_driver");
    SdlSoundRig rig("menu", Riff(Constant(10, 1)));
    EXPECT_FALSE(rig.sound.Initialized());
    rig.list.Items.FindByName("menu").Play();  // silent, no error
  }
  {
    ScopedEnv driver("SDL_AUDIODRIVER", "dummy");
    SdlSoundRig rig("menu", Riff(Constant(100, 1)));
    EXPECT_TRUE(rig.sound.Initialized());
    rig.list.Items.FindByName("menu").Play();
    EXPECT_EQ(rig.list.Items.FindByName("menu").PlayVoices().size(), 1u);
  }
}

TEST(SdlSound, TheDiskDriverRecordsTheEffectAndTheMusic) {
  testing::TempDir dir;
  testing::ScopedWorkingDir cwd(dir.Path());
  std::filesystem::create_directories(dir / "sound");
  testing::WriteBytes(dir / "sound" / "1.xm", testing::TinyModule());
  const auto output = dir / "out.raw";
  ScopedEnv driver("SDL_AUDIODRIVER", "disk");
  ScopedEnv file("SDL_DISKAUDIOFILE", output.string());
  ScopedEnv delay("SDL_DISKAUDIODELAY", "0");
  {
    std::vector<int16_t> beep;
    for (int i = 0; i < 4800; ++i) beep.push_back(static_cast<int16_t>(i % 100 < 50 ? 20000 : -20000));
    SdlSoundRig rig("bonus", Riff(beep, 48000));
    ASSERT_TRUE(rig.sound.Initialized());
    rig.list.Items.FindByName("bonus").Play();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    MusicPlayer music(rig.sound.Device());
    const auto song = music.SongLoadFromFile("sound\\1.xm");
    ASSERT_NE(song, 0u);
    music.SongPlay(song);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    music.SongStop(song);
  }
  const auto bytes = testing::ReadBytes(output);
  ASSERT_GT(bytes.size(), 4000u);
  // Loud samples both early (the effect) and later (the music).
  auto loud_in = [&](size_t from, size_t to) {
    int peak = 0;
    for (size_t i = from; i + 1 < std::min(to, bytes.size()); i += 2)
      peak = std::max(peak, std::abs(static_cast<int>(static_cast<int16_t>(bytes[i] | bytes[i + 1] << 8))));
    return peak;
  };
  EXPECT_GT(loud_in(0, bytes.size() / 3), 10000);
  EXPECT_GT(loud_in(bytes.size() / 2, bytes.size()), 1000);
}

// A minute of heavy fire over the play music, made of the game's own sounds:
// the player's gun held (a shot every 8 frames), enemy bullets every 17, a blast
// every 80, rockets and a soldier's cry now and then. A sample at full scale is a click; fewer than 1
// in 10000 may be, and the mix must sound about as loud as the plain sum did
// before it had headroom: -7.3 dB RMS, with 5 % of its samples at full scale,
// measured on this very scene.
TEST(MixerOutput, HeavyFireHasHeadroomAndKeepsItsLoudness) {
  constexpr double kPlainSumRmsDb = -7.3;
  testing::ScopedWorkingDir cwd(AEROVELL_GAME_DIR);
  FakePlatform platform;
  TDXSound sound{platform};
  sound.Initialize();
  TDXWaveList list;
  list.SetDXSound(&sound);
  list.Items.LoadLibraryFile("sound/gamesound.dxw");
  MusicPlayer music(sound.Device());
  const auto song = music.SongLoadFromFile("Sound\\2.xm");
  ASSERT_NE(song, 0u);
  music.SongPlay(song);
  struct Shot {
    const char* name;
    int every, phase;
  };
  const Shot shots[] = {{"machinegun", 8, 0}, {"machinegun", 17, 3}, {"rocket", 100, 7},
                        {"explode", 80, 13},  {"humandie", 150, 41}, {"bonus", 300, 99}};
  const int64_t rate = platform.audio_rate;
  int64_t full_scale = 0, samples = 0, rendered = 0;
  double squares = 0;
  for (int frame = 0; frame < 60 * 1000 / 16; ++frame) {
    for (const Shot& s : shots)
      if (frame % s.every == s.phase) list.Items.FindByName(s.name).Play();
    const int64_t until = (frame + 1) * 16 * rate / 1000;
    for (int16_t v : platform.PullAudio(static_cast<int>(until - rendered))) {
      full_scale += v == 32767 || v == -32768;
      squares += static_cast<double>(v) * v;
      ++samples;
    }
    rendered = until;
  }
  const double share = static_cast<double>(full_scale) / static_cast<double>(samples);
  const double rms_db = 10 * std::log10(squares / static_cast<double>(samples) / (32768.0 * 32768.0));
  EXPECT_LT(share, 1e-4) << full_scale << " of " << samples << " samples at full scale";
  EXPECT_NEAR(rms_db, kPlainSumRmsDb, 3.0);
  std::printf("heavy fire: %.4f %% of samples at full scale, %.2f dB RMS\n", share * 100, rms_db);
}

}  // namespace
}  // namespace aerovell
