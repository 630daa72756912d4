#include "core/game_recorder.h"

#include <algorithm>

namespace aerovell {
namespace {

using replay::TInputEvent;

// Room for the events and move counts of a long game, set aside once so that
// recording a tick allocates nothing.
constexpr size_t kEventsReserved = 16384;
constexpr size_t kLagsReserved = 4096;

// The states in which the game's score is final and play is over.
bool PlayOver(TGameState s) { return s == gsNameEntry || s == gsMenu; }

}  // namespace

TGameRecorder::TGameRecorder(TGameCore& core, TInputSeam& seam, std::string game_version)
    : core_(core), seam_(seam), game_version_(std::move(game_version)) {
  replay_.events.reserve(kEventsReserved);
  replay_.lags.reserve(kLagsReserved);
  core_.Game.OnGameStart = [this] { Start(); };
  core_.Game.OnBackToMenus = [this] {
    // Going back within a tick: that tick is still counted, then the game is done.
    if (recording_) finish_after_tick_ = true;
    else if (in_game_) Finish();
  };
  core_.OnPlayTick = [this](int lag) { Tick(lag); };
  seam_.OnInput = [this](const TInputEvent& e) { Input(e); };
}

TGameRecorder::~TGameRecorder() {
  if (in_game_) {
    if (recording_) {
      recording_ = false;
      end_state_ = core_.Play.GameState;
    }
    Finish();
  }
  core_.Game.OnGameStart = nullptr;
  core_.Game.OnBackToMenus = nullptr;
  core_.OnPlayTick = nullptr;
  seam_.OnInput = nullptr;
}

replay::TStartState TGameRecorder::CaptureStartState(const TGameCore& core, const TInputSeam& seam) {
  replay::TStartState s;
  const TPlayState& g = core.Play;
  s.random_state = core.Random.SeedValue();
  s.enemy_spawn_delay = g.EnemySpawnDelay;
  s.bonus_spawn_delay = g.BonusSpawnDelay;
  s.weapon_time = g.WeaponTime;
  s.shield_time = g.ShieldTime;
  s.bomb_time = g.BombTime;
  s.pickup_time = g.PickupTime;
  const TPointerInput& p = core.Pointer;
  s.mouse_step_left = p.MouseStepLeft;
  s.mouse_step_right = p.MouseStepRight;
  s.mouse_step_up = p.MouseStepUp;
  s.mouse_step_down = p.MouseStepDown;
  s.mouse_left_down = p.MouseLeftDown;
  s.mouse_right_down = p.MouseRightDown;
  s.key_latch = core.Menus.State.KeyLatch;
  s.input_states = core.DXInput1.States().to_ullong();
  s.input_states_polled = core.DXInput1.Polled().to_ullong();
  s.input = seam.Held();
  return s;
}

void ApplyStartState(TGameCore& core, TInputSeam& seam, const replay::TStartState& s) {
  TPlayState& g = core.Play;
  core.Random.Seed(static_cast<uint32_t>(s.random_state));
  g.EnemySpawnDelay = s.enemy_spawn_delay;
  g.BonusSpawnDelay = s.bonus_spawn_delay;
  g.WeaponTime = s.weapon_time;
  g.ShieldTime = s.shield_time;
  g.BombTime = s.bomb_time;
  g.PickupTime = s.pickup_time;
  TPointerInput& p = core.Pointer;
  p.MouseStepLeft = s.mouse_step_left;
  p.MouseStepRight = s.mouse_step_right;
  p.MouseStepUp = s.mouse_step_up;
  p.MouseStepDown = s.mouse_step_down;
  p.MouseLeftDown = s.mouse_left_down;
  p.MouseRightDown = s.mouse_right_down;
  core.Menus.State.KeyLatch = s.key_latch;
  core.DXInput1.Restore(TDXInputStates(s.input_states), TDXInputStates(s.input_states_polled));
  seam.SetHeld(s.input);
}

replay::TPlaySettings TGameRecorder::CaptureSettings(const TConfig& config) {
  replay::TPlaySettings s;
  s.windowed = config.Windowed != 0;
  s.music_on = config.MusicOn != 0;
  s.sound_on = config.SoundOn != 0;
  s.hot_key = config.HotKey;
  for (int i = 0; i < replay::kTableSize; ++i) s.table_scores[static_cast<size_t>(i)] = config.HighScores[i].Score;
  return s;
}

void ApplySettings(TConfig& config, const replay::TPlaySettings& s) {
  config.Windowed = s.windowed;
  config.MusicOn = s.music_on;
  config.SoundOn = s.sound_on;
  config.HotKey = s.hot_key;
  for (int i = 0; i < replay::kTableSize; ++i) config.HighScores[i].Score = s.table_scores[static_cast<size_t>(i)];
}

replay::TReplaySummary TGameRecorder::Summarize(const TGameCore& core, TGameState end_state) {
  const TPlayState& g = core.Play;
  replay::TReplaySummary s;
  s.score = g.Score;
  s.level = g.Level;
  s.lives = g.Lives;
  s.level_kills = g.LevelKills;
  s.end_state = static_cast<uint8_t>(end_state);
  // The rank is found when the caption of the game's end runs out.
  s.record_rank = PlayOver(end_state) ? g.RecordRank : 0;
  if (s.record_rank >= 1 && s.record_rank <= 10) s.player_name = g.PlayerName.Text();
  s.country = core.Config.Country.Text();
  return s;
}

void TGameRecorder::Start() {
  if (in_game_) Finish();
  replay_.rules_version = kRulesVersion;
  replay_.game_version = game_version_;
  replay_.start = CaptureStartState(core_, seam_);
  replay_.settings = CaptureSettings(core_.Config);
  replay_.tick_count = 0;
  replay_.lags.clear();
  replay_.events.clear();
  replay_.summary = {};
  in_game_ = true;
  recording_ = true;
  finish_after_tick_ = false;
}

void TGameRecorder::Input(const TInputEvent& e) {
  if (recording_ && replay_.events.size() < replay::kMaxEvents) recorder_.Add(e);
}

void TGameRecorder::Tick(int lag_count) {
  if (!recording_) return;
  recorder_.Tick(static_cast<uint32_t>(std::clamp<int>(lag_count, 1, static_cast<int>(replay::kMaxLagCount))));
  const TGameState state = core_.Play.GameState;
  if (PlayOver(state) || finish_after_tick_ || replay_.tick_count >= replay::kMaxTicks) {
    recording_ = false;
    end_state_ = state;
  }
  if (finish_after_tick_) Finish();
}

void TGameRecorder::Finish() {
  in_game_ = false;
  recording_ = false;
  finish_after_tick_ = false;
  // Input after the last tick counted belongs to no tick of the game.
  while (!replay_.events.empty() && replay_.events.back().tick >= replay_.tick_count) replay_.events.pop_back();
  replay_.summary = Summarize(core_, end_state_);
  if (OnGameRecorded) OnGameRecorded(replay_);
}

}  // namespace aerovell

namespace aerovell {

void SendReplayOfRecord(TGameCore& core, const replay::TReplay& game) {
  auto upload = std::move(core.Game.PendingReplay);
  core.Game.PendingReplay.reset();
  if (!upload) return;
  try {
    const std::vector<uint8_t> bytes = replay::EncodeReplay(game);
    core.HTTPClient1.Post(upload->url, std::string(bytes.begin(), bytes.end()), upload->deadline);
  } catch (const std::exception&) {
    // The record stands unverified; nothing else changes.
  }
}

}  // namespace aerovell
