// aerovell-long-replay: finds a long game played by input alone and writes its
// replay, the game the score service's replay check is measured with.
//   aerovell-long-replay --out FILE [--ticks N] [--seed N] [--segment F]
//                        [--candidates K] [--name NAME] [--dir DIR] [--help]
//
// The aircraft survives for ten minutes only when it is steered well, so the
// input is searched for, a segment of play at a time: K candidate inputs
// (seeded random stretches of steering by keys or by the mouse, fire held,
// bombs) are each played from the game as it stands, and the one that leaves
// the aircraft best off (lives, then in the air, health, score) is kept. When
// every candidate costs a life, the segments before are searched again (a few
// times, further back each time) before the loss is taken; the last life is
// never given up. Each candidate plays in a forked copy of this process, the
// game exactly as it stands, so a search costs about K + 1 times the game.
// Once the game has run its ticks the player leaves it (Esc, "Да"), enters a
// name and declines to send the record, as a player would; the replay is then
// played again as the score service plays it and must end as it says.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "actors/hero.h"
#include "play/headless_game.h"
#include "platform/temp_folder.h"
#include "platform/cp1251.h"
#include "play/replay_check.h"
#include "replay/replay.h"
#include "settings/atomic_file.h"

#ifndef AEROVELL_GAME_DIR
#define AEROVELL_GAME_DIR "."
#endif

namespace {

using namespace aerovell;
using play::THeadlessGame;
using play::TScriptEvent;

constexpr const char* kUsage =
    "usage: aerovell-long-replay --out FILE [--ticks N] [--seed N] [--segment F] [--candidates K]\n"
    "                            [--name NAME] [--dir DIR] [--help]\n"
    "  --out FILE        where the replay is written\n"
    "  --ticks N         ticks of play before the player leaves the game (default 37500, ten minutes)\n"
    "  --seed N          the game's seed and the search's (default 2024); the same seed finds the same game\n"
    "  --segment F       ticks searched at a time (default 480)\n"
    "  --candidates K    inputs tried for each segment (default 8)\n"
    "  --name NAME       the name entered for the record (default \"Пилот\")\n"
    "  --dir DIR         the game folder (default: the built one)\n"
    "  -h, --help        this text\n";

struct EFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};
[[noreturn]] void Fail(const std::string& message) { throw EFailure(message); }

struct Arguments {
  bool help = false;
  std::string out;
  int ticks = 37'500;
  uint32_t seed = 2024;
  int segment = 480;
  int candidates = 8;
  std::string name = "Пилот";
  std::string dir = AEROVELL_GAME_DIR;
};

long long Number(const std::string& text, const char* what, long long min, long long max) {
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
    Fail(std::string("bad ") + what + " \"" + text + "\" (" + std::to_string(min) + ".." + std::to_string(max) + ")");
  return value;
}

Arguments Parse(int argc, char** argv) {
  Arguments a;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Fail(arg + " needs a value\n" + kUsage);
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") a.help = true;
    else if (arg == "--out") a.out = std::filesystem::absolute(value()).string();
    // Six hours is what a replay may hold; the search stops far short of it.
    else if (arg == "--ticks") a.ticks = static_cast<int>(Number(value(), "tick count", 1, 1'000'000));
    else if (arg == "--seed") a.seed = static_cast<uint32_t>(Number(value(), "seed", 0, UINT32_MAX));
    else if (arg == "--segment") a.segment = static_cast<int>(Number(value(), "segment", 50, 10'000));
    else if (arg == "--candidates") a.candidates = static_cast<int>(Number(value(), "candidate count", 1, 64));
    else if (arg == "--name") a.name = value();
    else if (arg == "--dir") a.dir = std::filesystem::absolute(value()).string();
    else Fail("unknown argument \"" + arg + "\"\n" + kUsage);
  }
  if (!a.help && a.out.empty()) Fail(std::string("--out is needed\n") + kUsage);
  return a;
}

// The search's own random numbers: one stream per candidate, named by the seed,
// the segment, and the candidate's number there, so a candidate tried again
// after a step back is another candidate.
class TSplitMix {
 public:
  explicit TSplitMix(uint64_t state) : state_(state) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }

 private:
  uint64_t state_;
};

// The keys a player uses: the arrows, Space to fire (held all game), Shift for
// the bomb, and Enter, Right and Esc in the dialogs at the end.
constexpr int kVkUp = 0x26, kVkDown = 0x28, kVkLeft = 0x25, kVkRight = 0x27;
constexpr int kVkFire = 0x20, kVkBomb = 0x10, kVkEnter = 0x0D, kVkEscape = 0x1B;

// A stretch of a segment: steering one way by the keys, or by moving the mouse
// the same way every frame; a bomb dropped at its start.
struct TStretch {
  int frames = 0;
  int dx = 0, dy = 0;  // -1, 0, 1
  bool mouse = false;
  int mouse_dx = 0, mouse_dy = 0;  // pixels from the centre, each frame
  bool bomb = false;
};
using TPlan = std::vector<TStretch>;

TPlan MakePlan(uint32_t seed, size_t segment, int number, int frames) {
  TSplitMix random((uint64_t{seed} << 32) ^ (uint64_t{segment} << 12) ^ static_cast<uint64_t>(number));
  TPlan plan;
  for (int left = frames; left > 0;) {
    TStretch s;
    s.frames = std::min(left, 8 + random.Below(48));
    left -= s.frames;
    // Keeping still is as likely as any one way.
    const int way = random.Below(10);
    if (way < 9) s.dx = way % 3 - 1, s.dy = way / 3 - 1;
    s.mouse = random.Below(6) == 0;
    if (s.mouse) {
      s.mouse_dx = s.dx * (4 + random.Below(20));
      s.mouse_dy = s.dy * (4 + random.Below(20));
    }
    s.bomb = random.Below(4) == 0;
    plan.push_back(s);
  }
  return plan;
}

// Holds the keys a frame asks for, sending presses and releases only for the
// keys that change, as a keyboard does.
class TPilot {
 public:
  void Frame(THeadlessGame& game, std::initializer_list<int> held, std::optional<std::pair<int, int>> pointer = {},
             const std::string& text = {}) {
    events_.clear();
    for (int key = 1; key < 256; ++key) {
      const bool want = std::find(held.begin(), held.end(), key) != held.end();
      if (want == held_[key]) continue;
      held_[key] = want;
      TScriptEvent e;
      e.kind = want ? TScriptEvent::Kind::kKeyDown : TScriptEvent::Kind::kKeyUp;
      e.key = key;
      events_.push_back(e);
    }
    if (pointer) {
      TScriptEvent e;
      e.kind = TScriptEvent::Kind::kMove;
      e.x = pointer->first;
      e.y = pointer->second;
      events_.push_back(e);
    }
    if (!text.empty()) {
      TScriptEvent e;
      e.kind = TScriptEvent::Kind::kType;
      e.text = text;
      events_.push_back(e);
    }
    due_.clear();
    for (const TScriptEvent& e : events_) due_.push_back(&e);
    game.RunFrame(due_);
    if (game.Failed()) Fail("frame " + std::to_string(game.Frame()) + " of the game failed");
  }

  void Fly(THeadlessGame& game, const TPlan& plan) {
    for (const TStretch& s : plan)
      for (int f = 0; f < s.frames; ++f) {
        const bool bomb = s.bomb && f < 2;
        const int x = s.mouse ? 0 : s.dx, y = s.mouse ? 0 : s.dy;
        const int horizontal = x < 0 ? kVkLeft : x > 0 ? kVkRight : 0;
        const int vertical = y < 0 ? kVkUp : y > 0 ? kVkDown : 0;
        std::optional<std::pair<int, int>> pointer;
        if (s.mouse && (s.mouse_dx || s.mouse_dy)) pointer = std::pair(400 + s.mouse_dx, 300 + s.mouse_dy);
        Frame(game, {kVkFire, horizontal, vertical, bomb ? kVkBomb : 0}, pointer);
      }
  }

 private:
  std::array<bool, 256> held_{};
  std::vector<TScriptEvent> events_;
  std::vector<const TScriptEvent*> due_;
};

// How well off the aircraft is, best first: lives, in the air (not down and
// waiting for the next one), health in tens, score. A few points of health
// weigh less than a kill, so that the game climbs the levels as a player's
// does rather than hiding at level 1.
struct TStanding {
  int32_t lives = 0;
  bool flying = false;
  int32_t health = 0;
  uint16_t score = 0;
  uint8_t level = 0;

  auto Key() const { return std::tuple(lives, flying, (health + 9) / 10, score); }
  bool operator==(const TStanding&) const = default;
};

TStanding Measure(THeadlessGame& game) {
  const TPlayState& g = game.Core().Play;
  TStanding s;
  s.lives = g.Lives;
  const THeroSprite* hero = g.HeroSprite.get();
  s.flying = hero && hero->Visible && g.GameState == gsPlaying;
  s.health = hero ? hero->Health : 0;
  s.score = g.Score;
  s.level = g.Level;
  return s;
}

// The game as it stands, played on in a forked copy of this process with the
// plan; the copy reports how the aircraft stands after it and is gone. The
// game is deterministic, so the same plan played here ends the same.
TStanding TryPlan(THeadlessGame& game, TPilot& pilot, const TPlan& plan) {
  int fds[2];
  if (::pipe(fds) != 0) Fail("cannot make a pipe");
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child < 0) Fail("cannot fork to try a candidate");
  if (child == 0) {
    ::close(fds[0]);
    int status = 1;
    try {
      pilot.Fly(game, plan);
      const TStanding s = Measure(game);
      status = ::write(fds[1], &s, sizeof s) == static_cast<ssize_t>(sizeof s) ? 0 : 1;
    } catch (...) {}
    // Nothing of the copy is cleaned up: the temporary folder is the parent's.
    ::_exit(status);
  }
  ::close(fds[1]);
  TStanding s;
  size_t got = 0;
  while (got < sizeof s) {
    const ssize_t n = ::read(fds[0], reinterpret_cast<char*>(&s) + got, sizeof s - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0)
    if (errno != EINTR) Fail("cannot wait for a candidate's game");
  if (got != sizeof s || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    Fail("a candidate's game failed (frame " + std::to_string(game.Frame()) + ")");
  return s;
}

class TSearch {
 public:
  TSearch(const Arguments& args, const std::filesystem::path& config) : args_(args), config_(config) {}

  replay::TReplay Run() {
    Restart();
    const int segments = (args_.ticks + args_.segment - 1) / args_.segment;
    while (static_cast<int>(chosen_.size()) < segments) Step();
    return Finish();
  }

  int Tried() const { return tried_; }
  int StepsBack() const { return steps_back_; }
  // Lives lost on the way the game took: the steps back undid the others.
  int LivesLost() const {
    int lost = 0;
    for (size_t i = 0; i < standings_.size(); ++i)
      lost += std::max(0, (i == 0 ? 3 : standings_[i - 1].lives) - standings_[i].lives);
    return lost;
  }

 private:
  // Rounds of candidates for a segment before every one of them is taken to
  // cost a life; how many times the search steps back from one segment
  // (a segment further each time), more for the last life; steps back in all.
  static constexpr int kRounds = 3;
  static constexpr int kStepsBack = 3, kStepsBackForLastLife = 8;
  static constexpr int kAllStepsBack = 400;

  // A new game from its start, the chosen segments played again.
  void Restart() {
    game_.reset();
    pilot_ = TPilot();
    THeadlessGame::Options options;
    options.config_path = config_;
    options.seed = args_.seed;
    options.record = true;
    game_ = std::make_unique<THeadlessGame>(options);
    if (game_->Core().StartupFailed()) Fail("the game could not start");
    game_->Core().Game.Drawing = false;
    // Frame 5 starts a game from the main menu, as the player's first Enter.
    while (game_->Frame() < 4) pilot_.Frame(*game_, {});
    pilot_.Frame(*game_, {kVkEnter});
    pilot_.Frame(*game_, {});
    if (!IsPlayState(game_->Core().Play.GameState)) Fail("the game did not start");
    for (const TPlan& plan : chosen_) pilot_.Fly(*game_, plan);
  }

  void Step() {
    const size_t segment = chosen_.size();
    if (tries_.size() <= segment) tries_.resize(segment + 1, 0);
    if (steps_back_from_.size() <= segment) steps_back_from_.resize(segment + 1, 0);
    const TStanding before = Measure(*game_);
    std::optional<TPlan> best_plan;
    TStanding best;
    for (int round = 0; round < kRounds; ++round) {
      for (int k = 0; k < args_.candidates; ++k) {
        TPlan plan = MakePlan(args_.seed, segment, tries_[segment]++, args_.segment);
        const TStanding s = TryPlan(*game_, pilot_, plan);
        ++tried_;
        if (!best_plan || s.Key() > best.Key()) best_plan = std::move(plan), best = s;
      }
      if (best.lives >= before.lives) break;
    }
    if (best.lives < before.lives) {
      const bool last = best.lives <= 0;
      int& steps = steps_back_from_[segment];
      if (segment > 0 && steps < (last ? kStepsBackForLastLife : kStepsBack) && steps_back_ < kAllStepsBack) {
        ++steps;
        ++steps_back_;
        const size_t back = std::min<size_t>(segment, static_cast<size_t>(steps));
        chosen_.resize(segment - back);
        Restart();
        return;
      }
      if (last)
        Fail("no input found that keeps the aircraft's last life through ticks " +
             std::to_string(segment * static_cast<size_t>(args_.segment)) + " to " +
             std::to_string((segment + 1) * static_cast<size_t>(args_.segment)) + " of " + std::to_string(args_.ticks) +
             " (level " + std::to_string(best.level) + ", score " + std::to_string(best.score) + ", " +
             std::to_string(steps_back_) + " steps back); try another --seed or more --candidates");
    }
    pilot_.Fly(*game_, *best_plan);
    if (Measure(*game_) != best)
      Fail("the game played here ended the segment otherwise than its copy did: it is not deterministic");
    chosen_.push_back(std::move(*best_plan));
    standings_.resize(segment);
    standings_.push_back(best);
    if (chosen_.size() > furthest_ && chosen_.size() % 10 == 0)
      std::fprintf(stderr, "aerovell-long-replay: tick %zu: level %u, score %u, lives %d, health %d\n",
                   chosen_.size() * static_cast<size_t>(args_.segment), best.level, best.score, best.lives,
                   best.health);
    furthest_ = std::max(furthest_, chosen_.size());
  }

  // The player leaves the game (Esc, "Да"), enters a name at the table and
  // declines to send the record; the game is recorded once back at the menus.
  replay::TReplay Finish() {
    THeadlessGame& game = *game_;
    const TPlayState& g = game.Core().Play;
    // Keys are let go first, so that the keyboard's latch takes the Esc. Esc
    // waits for a frame of play with no level about to end: the end of a
    // level, found at the start of the next tick, would take over from the
    // exit question the Esc opens and leave it unanswerable.
    pilot_.Frame(game, {});
    for (int f = 0;
         f < 1000 && !IsGameEndState(g.GameState) && !(g.GameState == gsPlaying && g.LevelKills < g.Level * 10); ++f)
      pilot_.Frame(game, {});
    if (g.GameState == gsPlaying) {
      pilot_.Frame(game, {kVkEscape});
      if (g.GameState != gsExitConfirm) Fail("Esc did not ask whether to leave the game");
      pilot_.Frame(game, {});
      pilot_.Frame(game, {kVkEnter});
    }
    if (!IsGameEndState(g.GameState)) Fail("leaving the game did not end it");
    bool named = false, declined = false;
    // Well bounded: the caption runs 1.5 s; each dialog takes a few frames.
    for (int f = 0; f < 1000 && !game.FirstGame(); ++f) {
      if (g.GameState == gsNameEntry && !named) {
        pilot_.Frame(game, {}, {}, args_.name);
        pilot_.Frame(game, {kVkEnter});
        named = true;
      } else if (g.GameState == gsSubmitQuestion && !declined) {
        pilot_.Frame(game, {kVkRight});
        pilot_.Frame(game, {});
        pilot_.Frame(game, {kVkEnter});
        declined = true;
      } else {
        pilot_.Frame(game, {});
      }
    }
    if (!game.FirstGame()) Fail("the game did not get back to the menus after its end");
    return *game.FirstGame();
  }

  const Arguments& args_;
  std::filesystem::path config_;
  std::unique_ptr<THeadlessGame> game_;
  TPilot pilot_;
  std::vector<TPlan> chosen_;
  std::vector<TStanding> standings_;  // after each chosen segment
  size_t furthest_ = 0;               // chosen segments, the most so far
  std::vector<int> tries_;            // candidates made for each segment so far
  std::vector<int> steps_back_from_;  // by segment
  int tried_ = 0;
  int steps_back_ = 0;
};

int Main(int argc, char** argv) {
  const Arguments args = Parse(argc, argv);
  if (args.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(args.dir, ec)) Fail("no game folder \"" + args.dir + "\"");
  std::filesystem::current_path(args.dir, ec);
  if (ec) Fail("cannot enter \"" + args.dir + "\": " + ec.message());
  const auto started = std::chrono::steady_clock::now();
  TempFolder temp("aerovell-long");
  TSearch search(args, temp.Path() / "config.dat");
  const replay::TReplay game = search.Run();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (game.tick_count < static_cast<uint32_t>(args.ticks))
    Fail("the recorded game has " + std::to_string(game.tick_count) + " ticks, fewer than " +
         std::to_string(args.ticks));
  const std::vector<uint8_t> bytes = replay::EncodeReplay(game);
  // Played again as the score service plays it, it must end as it says.
  const replay::TReplaySummary played = play::ReplayFinalResult(bytes, args.dir);
  const replay::TReplaySummary& claimed = game.summary;
  if (played.score != claimed.score || played.level != claimed.level || played.lives != claimed.lives ||
      played.level_kills != claimed.level_kills)
    Fail("the game played again ends with score " + std::to_string(played.score) + ", level " +
         std::to_string(played.level) + ", lives " + std::to_string(played.lives) + "; its replay says " +
         std::to_string(claimed.score) + ", " + std::to_string(claimed.level) + ", " + std::to_string(claimed.lives));
  // A name the table does not take (punctuation, more than 10 letters) would
  // be a record the service cannot be sent.
  if (claimed.record_rank >= 1 && claimed.record_rank <= 10 && claimed.player_name != Utf8ToCp1251(args.name))
    Fail("the table took the name \"" + args.name + "\" as \"" + Cp1251ToUtf8(claimed.player_name) +
         "\": letters, digits and spaces, at most 10");
  WriteFileAtomically(args.out, bytes);
  std::fprintf(stderr,
               "aerovell-long-replay: %s: %u ticks, score %u, level %u, lives %d, %zu events, %zu bytes; "
               "%d candidates tried, %d steps back, %d lives lost, %.1f s\n",
               args.out.c_str(), game.tick_count, claimed.score, claimed.level, claimed.lives, game.events.size(),
               bytes.size(), search.Tried(), search.StepsBack(), search.LivesLost(), seconds);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "aerovell-long-replay: %s\n", error.what());
    return 1;
  }
}
