#include "sound/music_player.h"

#include <xmp.h>

#include <algorithm>
#include <vector>

#include "platform/file_reading.h"
#include "platform/game_path.h"

namespace aerovell {
namespace {
constexpr int kScratchFrames = 4096;
}

struct MusicPlayer::Song {
  xmp_context context = nullptr;
  bool started = false;
  int rate = 0;
  ~Song() {
    if (!context) return;
    if (started) xmp_end_player(context);
    xmp_release_module(context);
    xmp_free_context(context);
  }
};

namespace {

// The game's modules are tens of kilobytes; a module over this is refused.
constexpr size_t kMaxModuleFileSize = size_t{64} << 20;

bool ReadModuleFile(const std::string& path, std::vector<uint8_t>& bytes) {
  return ReadBoundedFile(path, kMaxModuleFileSize, bytes).ok() && !bytes.empty();
}

}  // namespace

MusicPlayer::MusicPlayer(Mixer& mixer) : mixer_(mixer), scratch_(new int16_t[kScratchFrames * 2]) {
  mixer_.SetMusic(this);
}

MusicPlayer::~MusicPlayer() {
  mixer_.SetMusic(nullptr);
  std::lock_guard lock(mixer_.Lock());
  playing_ = 0;
  songs_.clear();
}

MusicPlayer::SongHandle MusicPlayer::SongLoadFromFile(const std::string& path) {
  auto song = std::make_unique<Song>();
  song->context = xmp_create_context();
  if (!song->context) return 0;
  // The module is read here, not by libxmp, so that only a regular file of a
  // sane size is read, and a pipe or a device named like a song cannot block
  // the game or feed it without end.
  std::vector<uint8_t> bytes;
  if (!ReadModuleFile(GamePath(path).string(), bytes) ||
      xmp_load_module_from_memory(song->context, bytes.data(), static_cast<long>(bytes.size())) != 0) {
    xmp_free_context(song->context);
    song->context = nullptr;
    return 0;
  }
  const auto handle = reinterpret_cast<SongHandle>(song.get());
  std::lock_guard lock(mixer_.Lock());
  // Songs replaced by a newer load are released unless one of them is playing.
  for (auto it = songs_.begin(); it != songs_.end();) {
    if (it->first != playing_) it = songs_.erase(it);
    else ++it;
  }
  songs_.emplace(handle, std::move(song));
  return handle;
}

void MusicPlayer::SongPlay(SongHandle handle) {
  std::lock_guard lock(mixer_.Lock());
  auto it = songs_.find(handle);
  if (it == songs_.end()) return;
  Song& song = *it->second;
  const int rate = std::clamp(mixer_.OutputRate(), 8000, 48000);
  if (song.started) xmp_end_player(song.context);
  song.started = xmp_start_player(song.context, rate, 0) == 0;
  song.rate = rate;
  if (song.started) playing_ = handle;
}

void MusicPlayer::SongStop(SongHandle handle) {
  if (handle == 0) return;
  std::lock_guard lock(mixer_.Lock());
  if (handle == playing_) playing_ = 0;
}

void MusicPlayer::MixInto(int32_t* stereo, int frames, int) {
  if (!playing_) return;
  auto it = songs_.find(playing_);
  if (it == songs_.end()) return;
  Song& song = *it->second;
  while (frames > 0) {
    const int n = std::min(frames, kScratchFrames);
    // A loop count of 0 plays the module round and round.
    if (xmp_play_buffer(song.context, scratch_.get(), n * 4, 0) != 0) return;
    for (int i = 0; i < 2 * n; ++i) stereo[i] += scratch_[static_cast<size_t>(i)];
    stereo += 2 * n;
    frames -= n;
  }
}

}  // namespace aerovell
