// A replay of a ten-minute game (37 500 ticks) written and read: the file's size
// (the goal is under 64 KiB) and the time each way. The input is made up but
// plays like a person: stretches of keyboard, mouse and joystick play, the
// system's repeats of the last key held, hiccups of the frame timer, a lost
// focus and pauses; and, the most a game writes, the mouse steering all game.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>

#include "replay/replay.h"

namespace aerovell::replay {
namespace {

constexpr uint32_t kTenMinutes = 37'500;

class TPlayer {
 public:
  // `mouse_only`: the whole game steered by the mouse, the most a game writes.
  TPlayer(TReplay& replay, bool mouse_only) : recorder_(replay), random_(20'231), mouse_only_(mouse_only) {}

  void Play(uint32_t ticks) {
    for (uint32_t tick = 0; tick < ticks; ++tick) {
      if (tick == next_style_) NewStyle(tick);
      switch (style_) {
        case Style::kKeyboard: Keyboard(); break;
        case Style::kMouse: Mouse(); break;
        case Style::kJoystick: Joystick(); break;
      }
      Occasions(tick);
      // Most frames come on time; a few are late by one, one now and then by many.
      uint32_t lag = 1;
      if (Chance(0.02)) lag = 2;
      if (Chance(0.0005)) lag = 3 + Below(40);
      recorder_.Tick(lag);
    }
  }

 private:
  enum class Style { kKeyboard, kMouse, kJoystick };

  bool Chance(double p) { return std::bernoulli_distribution(p)(random_); }
  uint32_t Below(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(random_); }
  void Send(TInputKind kind, uint8_t code = 0, int16_t x = 0, int16_t y = 0, uint32_t buttons = 0) {
    recorder_.Add({0, kind, code, x, y, buttons});
  }
  void Press(uint8_t key) {
    if (held_[key]) return;
    held_[key] = true;
    last_key_ = key;
    repeat_in_ = 31;  // the system's delay before it repeats, about half a second
    Send(TInputKind::kKeyDown, key);
  }
  void Release(uint8_t key) {
    if (!held_[key]) return;
    held_[key] = false;
    if (key == last_key_) last_key_ = 0;
    Send(TInputKind::kKeyUp, key);
  }
  void ReleaseAll() {
    for (int k = 1; k < 256; ++k) Release(static_cast<uint8_t>(k));
  }

  void NewStyle(uint32_t tick) {
    ReleaseAll();
    const uint32_t d = Below(10);
    style_ = mouse_only_ ? Style::kMouse : d < 6 ? Style::kKeyboard : d < 9 ? Style::kMouse : Style::kJoystick;
    next_style_ = tick + 600 + Below(4000);
  }

  void Keyboard() {
    // Steering keys held for a while, fire held most of the time, a bomb now and then.
    static constexpr uint8_t kSteer[] = {0x25, 0x26, 0x27, 0x28};
    for (uint8_t key : kSteer) {
      if (!held_[key] && Chance(0.03)) Press(key);
      else if (held_[key] && Chance(0.08)) Release(key);
    }
    if (!held_[0x11] && Chance(0.05)) Press(0x11);
    else if (held_[0x11] && Chance(0.01)) Release(0x11);
    if (held_[0x10]) Release(0x10);
    else if (Chance(0.003)) Press(0x10);
    // The system repeats the last key pressed while it is held, about 30 times a second.
    if (last_key_ != 0 && held_[last_key_] && --repeat_in_ <= 0) {
      Send(TInputKind::kKeyRepeat, last_key_);
      repeat_in_ = 2;
    }
  }

  void Mouse() {
    // Steering by the mouse: the game puts the pointer back in the middle after
    // each move, so each move is a small step from there, and hands glide.
    if (Chance(0.75)) {
      vx_ = std::clamp(vx_ + static_cast<int>(Below(7)) - 3, -30, 30);
      vy_ = std::clamp(vy_ + static_cast<int>(Below(7)) - 3, -30, 30);
      Send(TInputKind::kMouseMove, 0, static_cast<int16_t>(vx_), static_cast<int16_t>(vy_));
    }
    if (!mouse_left_ && Chance(0.04)) {
      mouse_left_ = true;
      Send(TInputKind::kMouseDown, 1);
    } else if (mouse_left_ && Chance(0.01)) {
      mouse_left_ = false;
      Send(TInputKind::kMouseUp, 1);
    }
    if (Chance(0.002)) {
      Send(TInputKind::kMouseDown, 2);
      Send(TInputKind::kMouseUp, 2);
    }
  }

  void Joystick() {
    // A stick pushed and let go: it moves for a few ticks, then rests.
    if (stick_moving_ > 0) {
      --stick_moving_;
      jx_ = std::clamp(jx_ + static_cast<int>(Below(401)) - 200, -1000, 1000);
      jy_ = std::clamp(jy_ + static_cast<int>(Below(401)) - 200, -1000, 1000);
      if (stick_moving_ == 0 && Chance(0.5)) jx_ = jy_ = 0;
      Send(TInputKind::kJoystickAxes, 0, static_cast<int16_t>(jx_), static_cast<int16_t>(jy_));
    } else if (Chance(0.05)) {
      stick_moving_ = 3 + Below(12);
    }
    if (Chance(0.03)) {
      joy_buttons_ ^= 1u << Below(2);
      Send(TInputKind::kJoystickButtons, 0, 0, 0, joy_buttons_);
    }
  }

  void Occasions(uint32_t tick) {
    // The pause key a few times a game, the focus lost once.
    if (Chance(0.0003)) {
      Send(TInputKind::kKeyDown, 0x50);
      Send(TInputKind::kKeyUp, 0x50);
    }
    if (tick == 20'000) Send(TInputKind::kFocus, 0);
    if (tick == 20'900) Send(TInputKind::kFocus, 1);
  }

  TReplayRecorder recorder_;
  std::mt19937 random_;
  bool mouse_only_;
  Style style_ = Style::kKeyboard;
  uint32_t next_style_ = 0;
  std::array<bool, 256> held_{};
  uint8_t last_key_ = 0;
  int repeat_in_ = 0;
  int vx_ = 0, vy_ = 0;
  bool mouse_left_ = false;
  int jx_ = 0, jy_ = 0, stick_moving_ = 0;
  uint32_t joy_buttons_ = 0;
};

TReplay TenMinuteGame(bool mouse_only) {
  TReplay r;
  r.rules_version = 1;
  r.game_version = "1.0.0";
  r.start.random_state = 0x5EED;
  r.start.key_latch = true;
  r.start.input.keys[0x0D] = true;
  TPlayer(r, mouse_only).Play(kTenMinutes);
  r.summary = {6120, 9, 0, 41, 8, 3, "Player", ""};
  return r;
}

void Report(benchmark::State& state, const TReplay& r, const std::vector<uint8_t>& file) {
  state.SetLabel(state.range(0) ? "mouse all game" : "keyboard, mouse and joystick");
  state.counters["file_bytes"] = static_cast<double>(file.size());
  state.counters["content_bytes"] = static_cast<double>(EncodeReplayContent(r).size());
  state.counters["events"] = static_cast<double>(r.events.size());
  state.counters["late_ticks"] = static_cast<double>(r.lags.size());
}

void BM_EncodeTenMinuteReplay(benchmark::State& state) {
  const TReplay r = TenMinuteGame(state.range(0) != 0);
  std::vector<uint8_t> file;
  for (auto _ : state) {
    file = EncodeReplay(r);
    benchmark::DoNotOptimize(file.data());
  }
  Report(state, r, file);
}
BENCHMARK(BM_EncodeTenMinuteReplay)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DecodeTenMinuteReplay(benchmark::State& state) {
  const TReplay r = TenMinuteGame(state.range(0) != 0);
  const std::vector<uint8_t> file = EncodeReplay(r);
  for (auto _ : state) {
    TReplay back = DecodeReplay(file, r.rules_version);
    benchmark::DoNotOptimize(back.events.data());
  }
  Report(state, r, file);
}
BENCHMARK(BM_DecodeTenMinuteReplay)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The most a small file can ask of the reader, what the score service must
// afford per replay it checks: every one of the most ticks late, and the most
// events. (Its peak memory, about 48 MB, is measured by hand with
// /usr/bin/time -v.)
void BM_DecodeTheMostAFileAsks(benchmark::State& state) {
  TReplay r;
  r.tick_count = kMaxTicks;
  for (uint32_t t = 0; t < kMaxTicks; ++t) r.lags.push_back({t, 2});
  for (uint32_t i = 0; i < kMaxEvents; ++i)
    r.events.push_back({static_cast<uint32_t>(i / kMaxEventsPerTick), TInputKind::kClose, 0, 0, 0, 0});
  const std::vector<uint8_t> file = EncodeReplay(r);
  for (auto _ : state) {
    TReplay back = DecodeReplay(file, r.rules_version);
    benchmark::DoNotOptimize(back.events.data());
  }
  state.counters["file_bytes"] = static_cast<double>(file.size());
}
BENCHMARK(BM_DecodeTheMostAFileAsks)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace aerovell::replay
