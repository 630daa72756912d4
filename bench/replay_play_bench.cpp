// Playing a recorded ten-minute game (37 500 ticks) again with drawing off, as
// a check of its score does: the whole cost of the game's rules per replay.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "actors/hero.h"
#include "play/headless_game.h"

namespace aerovell {
namespace {

constexpr int kTicks = 37'500;

// The aircraft cannot die here, in the recording and in the game played
// again alike, so the game stays in play for all ten minutes at rising levels.
void KeepAlive(play::THeadlessGame& game) {
  if (THeroSprite* hero = game.Core().Play.HeroSprite.get()) hero->Health = 50;
  game.Core().Play.Lives = 3;
}

play::TScriptEvent Key(int frame, int vk, bool down) {
  play::TScriptEvent e;
  e.frame = frame;
  e.kind = down ? play::TScriptEvent::Kind::kKeyDown : play::TScriptEvent::Kind::kKeyUp;
  e.key = vk;
  return e;
}

struct TenMinuteGame {
  TenMinuteGame() {
    std::filesystem::current_path(AEROVELL_GAME_DIR);
    dir = std::filesystem::temp_directory_path() / "aerovell-replay-bench";
    std::filesystem::create_directories(dir);
    // Fire held; weaving up and down; a bomb now and then; the mouse steering
    // in between.
    std::vector<play::TScriptEvent> script = {Key(5, 0x0D, true), Key(6, 0x0D, false), Key(100, 0x11, true)};
    for (int f = 120; f < kTicks + 10; f += 90) {
      script.push_back(Key(f, f % 180 ? 0x57 : 0x53, true));
      script.push_back(Key(f + 30, f % 180 ? 0x57 : 0x53, false));
      script.push_back(Key(f + 40, 0x10, true));
      script.push_back(Key(f + 41, 0x10, false));
      play::TScriptEvent move;
      move.kind = play::TScriptEvent::Kind::kMove;
      move.frame = f + 60;
      move.x = 400 + (f % 7) * 6 - 18;
      move.y = 300 + (f % 5) * 8 - 16;
      script.push_back(move);
    }
    play::THeadlessGame::Options options;
    options.config_path = dir / "config.dat";
    options.seed = 2024;
    options.record = true;
    play::THeadlessGame game(options);
    game.Core().Game.Drawing = false;
    size_t next = 0;
    std::vector<const play::TScriptEvent*> due;
    for (int frame = 1; game.Frame() < 5 + kTicks; ++frame) {
      due.clear();
      while (next < script.size() && script[next].frame == frame) due.push_back(&script[next++]);
      game.RunFrame(due);
      KeepAlive(game);
    }
    game.StopRecording();
    replay = *game.FirstGame();
  }
  ~TenMinuteGame() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  std::filesystem::path dir;
  replay::TReplay replay;
};

// Recorded once, for every benchmark here.
const TenMinuteGame& Recorded() {
  static const TenMinuteGame game;
  return game;
}

// A game made and started on the recorded replay, drawing off, as a check
// starts one.
std::unique_ptr<play::THeadlessGame> StartedReplay(const TenMinuteGame& recorded) {
  play::THeadlessGame::Options options;
  options.config_path = recorded.dir / "config.dat";
  auto game = std::make_unique<play::THeadlessGame>(options);
  game->Core().Game.Drawing = false;
  game->StartReplay(recorded.replay);
  return game;
}

void BM_ReplayTenMinuteGameDrawingOff(benchmark::State& state) {
  const TenMinuteGame& recorded = Recorded();
  uint16_t score = 0;
  for (auto _ : state) {
    const auto game = StartedReplay(recorded);
    while (!game->ReplayDone()) {
      game->ReplayFrame();
      KeepAlive(*game);
    }
    score = game->ReplayResult().score;
    if (score != recorded.replay.summary.score) state.SkipWithError("the game played again ended otherwise");
  }
  state.counters["ticks"] = recorded.replay.tick_count;
  state.counters["score"] = score;
  state.counters["level"] = recorded.replay.summary.level;
  state.counters["events"] = static_cast<double>(recorded.replay.events.size());
}
BENCHMARK(BM_ReplayTenMinuteGameDrawingOff)->Unit(benchmark::kMillisecond)->Iterations(3);

// The start-up alone, paid once per replay however long its game: the game
// core made and the recorded game's field built, its pictures read and decoded.
void BM_ReplayStartDrawingOff(benchmark::State& state) {
  const TenMinuteGame& recorded = Recorded();
  for (auto _ : state) benchmark::DoNotOptimize(StartedReplay(recorded));
}
BENCHMARK(BM_ReplayStartDrawingOff)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
}  // namespace aerovell
