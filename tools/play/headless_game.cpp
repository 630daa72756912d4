#include "play/headless_game.h"

#include <cstdio>

#include "platform/cp1251.h"

namespace aerovell::play {

THeadlessGame::THeadlessGame(const Options& options) : app_(seam_) {
  platform_.audio_available = false;
  // Nobody sees a box here: each message goes to the player's standard error.
  app_.OnException = [](const std::exception& error) { std::fprintf(stderr, "aerovell-play: %s\n", error.what()); };
  TFormOptions form_options;
  form_options.Seed = options.seed;
  form_options.ScoreHost = options.score_host;
  core_ = std::make_unique<TGameCore>(app_, window_, ConfigFile(options.config_path), form_options);
  // Without a service of its own a run sends nowhere, so the same seed and
  // input end the same way on every machine.
  core_->HTTPClient1.SetOffline(!options.score_host);
  SeamOnCore(seam_, *core_);
  core_->FormCreate();
  if (options.record) {
    recorder_ = std::make_unique<TGameRecorder>(*core_, seam_, kGameVersion);
    core_->Game.OnGameStart = [this, start = core_->Game.OnGameStart] {
      if (first_game_frame_ == 0) first_game_frame_ = frame_;
      start();
    };
    recorder_->OnGameRecorded = [this](const replay::TReplay& replay) {
      if (!first_game_) first_game_ = replay;
      SendReplayOfRecord(*core_, replay);
    };
  }
}

THeadlessGame::~THeadlessGame() {
  // The recorder keeps a game still on as it stands; it goes before the core.
  recorder_.reset();
  driver_.reset();
}

void THeadlessGame::StartReplay(const replay::TReplay& replay) {
  driver_ = std::make_unique<TReplayDriver>(app_, *core_, seam_, replay);
  driver_->Start();
}

void THeadlessGame::ReplayFrame() {
  ++frame_;
  driver_->Step();
}

uint8_t THeadlessGame::HeldModifiers() const {
  uint8_t mods = 0;
  if (platform_.keyboard[vk::kShift] & 0x80) mods |= kModShift;
  if (platform_.keyboard[vk::kControl] & 0x80) mods |= kModCtrl;
  if (platform_.keyboard[vk::kMenu] & 0x80) mods |= kModAlt;
  return mods;
}

void THeadlessGame::SendKey(EventType type, int key) {
  Event e;
  e.type = type;
  e.key = static_cast<uint16_t>(key);
  e.mods = HeldModifiers();
  platform_.Schedule(platform_.TicksMs(), e);
}

void THeadlessGame::Apply(const TScriptEvent& s) {
  using Kind = TScriptEvent::Kind;
  const uint32_t now = platform_.TicksMs();
  Event e;
  switch (s.kind) {
    case Kind::kKeyDown:
      platform_.keyboard[static_cast<size_t>(s.key)] = 0x80;
      SendKey(EventType::kKeyDown, s.key);
      break;
    case Kind::kKeyUp:
      platform_.keyboard[static_cast<size_t>(s.key)] = 0;
      SendKey(EventType::kKeyUp, s.key);
      break;
    case Kind::kMove:
      platform_.pointer_x = s.x;
      platform_.pointer_y = s.y;
      e.type = EventType::kMouseMove;
      e.x = s.x;
      e.y = s.y;
      platform_.Schedule(now, e);
      break;
    case Kind::kPress:
    case Kind::kRelease:
    case Kind::kClick:
      e.x = platform_.pointer_x;
      e.y = platform_.pointer_y;
      e.button = s.button;
      if (s.kind != Kind::kRelease) {
        e.type = EventType::kMouseDown;
        platform_.Schedule(now, e);
      }
      if (s.kind != Kind::kPress) {
        e.type = EventType::kMouseUp;
        platform_.Schedule(now, e);
      }
      break;
    case Kind::kType: {
      // Whole characters, as many as one text event holds.
      e.type = EventType::kTextInput;
      size_t at = 0;
      while (at < s.text.size()) {
        size_t n = std::min(s.text.size() - at, e.text.size() - 1);
        while (n > 0 && at + n < s.text.size() && (static_cast<uint8_t>(s.text[at + n]) & 0xC0) == 0x80) --n;
        if (n == 0) n = 1;
        e.text.fill(0);
        s.text.copy(e.text.data(), n, at);
        platform_.Schedule(now, e);
        at += n;
      }
      break;
    }
    case Kind::kFocus:
      platform_.foreground = s.on;
      e.type = s.on ? EventType::kFocusGained : EventType::kFocusLost;
      platform_.Schedule(now, e);
      break;
  }
}

void THeadlessGame::RunFrame(const std::vector<const TScriptEvent*>& events) {
  ++frame_;
  platform_.Advance(kFrameMs);
  for (const TScriptEvent* e : events) Apply(*e);
  app_.ProcessEvents(*core_);
  app_.Tick();
}

}  // namespace aerovell::play
