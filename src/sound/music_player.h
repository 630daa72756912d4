#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "sound/mixer.h"

namespace aerovell {

// The music-player component: XM modules loaded and played into the mixer.
// Songs are known by handles; 0 is none. A song loops until it is stopped.
class MusicPlayer final : public MusicSource {
 public:
  using SongHandle = uintptr_t;

  explicit MusicPlayer(Mixer& mixer);
  ~MusicPlayer() override;
  MusicPlayer(const MusicPlayer&) = delete;
  MusicPlayer& operator=(const MusicPlayer&) = delete;

  // `path` is the game's own name ("Sound\1.xm"); 0 when it cannot be loaded.
  SongHandle SongLoadFromFile(const std::string& path);
  void SongPlay(SongHandle song);
  // 0, or a song that is not playing, is accepted and does nothing.
  void SongStop(SongHandle song);

  bool Playing() const { return playing_ != 0; }

  void MixInto(int32_t* stereo, int frames, int rate) override;

 private:
  struct Song;
  Mixer& mixer_;
  std::map<SongHandle, std::unique_ptr<Song>> songs_;
  SongHandle playing_ = 0;  // read and written under the mixer's lock
  std::unique_ptr<int16_t[]> scratch_;
};

}  // namespace aerovell
