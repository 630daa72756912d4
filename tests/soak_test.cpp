// Long games of random input: every state the game reaches, over and over,
// with nothing failing (run under the sanitizers in CI).
#include <gtest/gtest.h>

#include <cstdlib>

#include "actors/flying_enemy.h"
#include "engine/random.h"
#include "play_fixture.h"

namespace aerovell::testing {
namespace {

// Presses and releases keys, moves and clicks the mouse, types and loses the
// focus at random, leaning towards what keeps a game going: in play it mostly
// holds fire and steers towards an enemy's height, Enter now and then starts
// games and gets through their dialogs.
class RandomPlayer {
 public:
  explicit RandomPlayer(uint32_t seed) : random_(seed) {}

  std::vector<play::TScriptEvent> Next(const TPlayState& g, const TSprite& root) {
    std::vector<play::TScriptEvent> events;
    // A pause or a question is answered after a while, as a player would.
    if ((g.GameState == gsPaused || g.GameState == gsExitConfirm) && random_.Random(60) == 0) {
      const int k = g.GameState == gsPaused ? 0x50 : vk::kReturn;
      events.push_back(PlayTest::KeyEvent(k, true));
      events.push_back(PlayTest::KeyEvent(k, false));
      return events;
    }
    if (g.GameState == gsPlaying && g.HeroSprite && random_.Random(10) != 0) {
      Hunt(g, root, events);
      if (random_.Random(5) != 0) return events;
    }
    auto key = [&](int vk, bool down) {
      play::TScriptEvent e;
      e.kind = down ? play::TScriptEvent::Kind::kKeyDown : play::TScriptEvent::Kind::kKeyUp;
      e.key = vk;
      events.push_back(e);
    };
    static constexpr int kSteering[] = {vk::kUp, vk::kDown, vk::kLeft, vk::kRight};
    static constexpr int kOthers[] = {vk::kReturn, vk::kEscape, 0x50, vk::kShift, vk::kBack, 0x7B, vk::kSpace};
    const int roll = random_.Random(100);
    if (roll < 10) {
      const int k = kSteering[random_.Random(4)];
      key(k, random_.Random(2) == 0);
    } else if (roll < 14) {
      firing_ = random_.Random(4) != 0;  // fire, held three times in four
      key(vk::kControl, firing_);
    } else if (roll < 17) {
      const int k = kOthers[random_.Random(7)];
      // Esc and the hot key less often: they end games and pause them.
      if ((k == vk::kEscape || k == 0x7B || k == 0x50) && random_.Random(6) != 0) return events;
      key(k, true);
      key(k, false);
    } else if (roll < 20) {
      play::TScriptEvent e;
      e.kind = play::TScriptEvent::Kind::kMove;
      e.x = random_.Random(900) - 50;
      e.y = random_.Random(700) - 50;
      events.push_back(e);
    } else if (roll == 20) {
      play::TScriptEvent e;
      e.kind = random_.Random(2) ? play::TScriptEvent::Kind::kClick : play::TScriptEvent::Kind::kPress;
      e.button = 1 + random_.Random(2);
      events.push_back(e);
    } else if (roll == 21) {
      play::TScriptEvent e;
      e.kind = play::TScriptEvent::Kind::kType;
      static const char* kTexts[] = {"Ivan", "Пётр", "ж", "12 ab", "Ё!"};
      e.text = kTexts[random_.Random(5)];
      events.push_back(e);
    } else if (roll == 22 && random_.Random(20) == 0) {
      events.push_back(PlayTest::Focus(false));
      events.push_back(PlayTest::Focus(true));
    }
    return events;
  }

 private:
  void Hunt(const TPlayState& g, const TSprite& root, std::vector<play::TScriptEvent>& events) {
    const THeroSprite& hero = *g.HeroSprite;
    int target = -1;
    for (int i = 0; i < root.ChildCount() && target < 0; ++i)
      if (const auto* enemy = dynamic_cast<const TFlyingEnemySprite*>(&root.Child(i)); enemy && !enemy->IsDead())
        target = enemy->Y + enemy->Height / 2;
    const int centre = hero.Y + hero.Height / 2;
    const int want = target < 0 || std::abs(target - centre) < 8 ? 0 : target < centre ? vk::kUp : vk::kDown;
    if (want != steering_) {
      if (steering_) events.push_back(PlayTest::KeyEvent(steering_, false));
      if (want) events.push_back(PlayTest::KeyEvent(want, true));
      steering_ = want;
    }
    if (!firing_) {
      events.push_back(PlayTest::KeyEvent(vk::kControl, true));
      firing_ = true;
    }
  }

  TRandom random_;
  int steering_ = 0;
  bool firing_ = false;
};

class Soak : public PlayTest, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(Soak, RandomInputPlaysOnWithoutFault) {
  const char* env = std::getenv("AEROVELL_SOAK_FRAMES");
  const int frames = env ? std::atoi(env) : 25000;
  RandomPlayer player(GetParam());
  int games = 0, max_level = 0, lives_lost = 0, restarts = 0, levels_completed = 0;
  Boot(GetParam());
  int previous_lives = 0;
  bool completion_due = false;  // the last frame left a level's kills complete
  for (int frame = 0; frame < frames; ++frame) {
    if (game->Ended()) {
      ASSERT_FALSE(game->Failed()) << "frame " << frame;
      ++restarts;
      game.reset();
      Boot(GetParam() + static_cast<uint32_t>(restarts));
    }
    const TGameState before = G().GameState;
    Frame(player.Next(G(), Root()));
    const TPlayState& g = G();
    if (before == gsMenu && g.GameState != gsMenu && g.GameState != gsExitConfirm) ++games;
    // A completed level starts the next one, or ends the game when the last
    // life went with its last kill.
    if (completion_due && g.LevelKills == 0) ++levels_completed;
    completion_due = g.GameState != gsMenu && g.LevelKills >= g.Level * 10;
    if (g.GameState != gsMenu) {
      max_level = std::max<int>(max_level, g.Level);
      if (g.Lives < previous_lives) ++lives_lost;
      previous_lives = g.Lives;
    } else {
      previous_lives = 3;
    }
    ASSERT_TRUE(g.GameState >= gsMenu && g.GameState <= gsSubmitFailed);
    // No level is flown, nor introduced, without a life left.
    ASSERT_GE(g.Lives, 0) << "frame " << frame;
    if (g.GameState == gsPlaying || g.GameState == gsLevelIntro) {
      ASSERT_GT(g.Lives, 0) << "frame " << frame;
    }
    ASSERT_LE(Root().ChildCount(), 2000) << "the field does not grow without end";
  }
  ASSERT_FALSE(game->Failed());
  RecordProperty("games", games);
  RecordProperty("max_level", max_level);
  std::printf("seed %u: %d games, level %d reached, %d levels completed, %d lives lost, %d restarts\n", GetParam(),
              games, max_level, levels_completed, lives_lost, restarts);
  if (frames >= 20000) {
    EXPECT_GE(games, 2);
    EXPECT_GE(lives_lost, 1);
    EXPECT_GE(levels_completed, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, Soak, ::testing::Values(11u, 22u, 33u, 44u));

}  // namespace
}  // namespace aerovell::testing
