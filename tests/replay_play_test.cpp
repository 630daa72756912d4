// A game recorded through the input seam and played again: the same ticks,
// the same pictures; replays refused clearly; the replay folder's pruning.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/replay_folder.h"
#include "core/rules_version.h"
#include "platform/game_path.h"
#include "play/headless_game.h"
#include "play/input_script.h"
#include "play/replay_check.h"
#include "play/trace.h"
#include "run_tool.h"
#include "test_support.h"

namespace aerovell {
namespace {

using testing::RunTool;

// A trace line without its frame number: ticks of a game are compared by
// their place in the game.
std::string WithoutFrame(const std::string& line) {
  const size_t comma = line.find(',');
  return comma == std::string::npos ? line : line.substr(comma + 1);
}

struct Recorded {
  std::vector<std::string> trace;  // one per frame, frame 1 first
  int start_frame = 0;
  replay::TReplay game;
};

Recorded RecordRun(uint32_t seed, const std::string& script, int frames, const std::filesystem::path& dir,
                   bool drawing = true) {
  const std::vector<play::TScriptEvent> events = play::ParseInputScript(script);
  play::THeadlessGame::Options options;
  options.config_path = dir / "config.dat";
  options.seed = seed;
  options.record = true;
  play::THeadlessGame game(options);
  game.Core().Game.Drawing = drawing;
  Recorded r;
  size_t next = 0;
  std::vector<const play::TScriptEvent*> due;
  for (int frame = 1; frame <= frames && !game.Ended(); ++frame) {
    due.clear();
    while (next < events.size() && events[next].frame == frame) due.push_back(&events[next++]);
    game.RunFrame(due);
    if (drawing) r.trace.push_back(WithoutFrame(play::TraceLine(game.Core(), frame)));
  }
  game.StopRecording();
  EXPECT_TRUE(game.FirstGame().has_value());
  if (game.FirstGame()) r.game = *game.FirstGame();
  r.start_frame = game.FirstGameFrame();
  return r;
}

std::vector<std::string> ReplayRun(const replay::TReplay& recorded, const std::filesystem::path& dir) {
  play::THeadlessGame::Options options;
  options.config_path = dir / "config.dat";
  play::THeadlessGame game(options);
  game.StartReplay(recorded);
  std::vector<std::string> trace;
  while (!game.ReplayDone()) {
    game.ReplayFrame();
    trace.push_back(WithoutFrame(play::TraceLine(game.Core(), game.Frame())));
  }
  return trace;
}

class ReplayPlay : public ::testing::Test {
 protected:
  ReplayPlay() : cwd_(AEROVELL_GAME_DIR) {}
  testing::ScopedWorkingDir cwd_;
  testing::TempDir dir;
};

TEST_F(ReplayPlay, AGamePlayedAgainTicksAndDrawsAsRecordedFromItsStart) {
  const struct {
    const char* name;
    uint32_t seed;
    const char* script;
    int frames;
  } cases[] = {
      {"keys: fire, fly, bomb", 3,
       "5 down 0x0D\n6 up 0x0D\n100 down 0x11\n120 down 0x26\n160 up 0x26\n170 down 0x27\n200 up 0x27\n"
       "210 down 0x10\n212 up 0x10\n230 down 0x28\n300 up 0x28\n",
       700},
      {"the pause key, twice, and Esc answered no", 11,
       "5 down 0x0D\n6 up 0x0D\n100 down 0x20\n150 down 0x50\n151 up 0x50\n200 down 0x50\n201 up 0x50\n"
       "260 down 0x1B\n261 up 0x1B\n300 down 0x27\n301 up 0x27\n302 down 0x0D\n303 up 0x0D\n",
       600},
      {"focus lost and gained in play", 29,
       "5 down 0x0D\n6 up 0x0D\n100 down 0x11\n180 focus off\n260 focus on\n270 down 0x50\n271 up 0x50\n",
       600},
      {"steered by the mouse, its buttons firing and bombing", 47,
       "5 down 0x0D\n6 up 0x0D\n110 move 460 300\n120 move 400 340\n125 press left\n150 move 330 250\n"
       "200 release left\n210 press right\n211 release right\n240 move 420 310\n",
       600},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Recorded recorded = RecordRun(c.seed, c.script, c.frames, dir.Path());
    ASSERT_GT(recorded.start_frame, 0);
    // Through the file, as a player's replay goes.
    const replay::TReplay read = replay::DecodeReplay(replay::EncodeReplay(recorded.game), kRulesVersion);
    ASSERT_EQ(read, recorded.game);
    const std::vector<std::string> again = ReplayRun(read, dir.Path());
    ASSERT_EQ(again.size(), read.tick_count);
    ASSERT_EQ(read.tick_count, static_cast<uint32_t>(c.frames - recorded.start_frame))
        << "a game still on when the run ends is kept to its last tick";
    for (size_t k = 0; k < again.size(); ++k)
      ASSERT_EQ(again[k], recorded.trace[static_cast<size_t>(recorded.start_frame) + k]) << "tick " << k;
  }
}

TEST_F(ReplayPlay, AWholeGameEndsWithTheRecordedScoreWithoutDrawing) {
  // Fire held and no steering: the game is lost, and the recording stops
  // where the score is final.
  const Recorded recorded = RecordRun(5, "5 down 0x0D\n6 up 0x0D\n100 down 0x11\n", 12000, dir.Path(), false);
  ASSERT_EQ(recorded.game.summary.end_state == static_cast<uint8_t>(gsNameEntry) ||
                recorded.game.summary.end_state == static_cast<uint8_t>(gsMenu),
            true)
      << int(recorded.game.summary.end_state);
  const replay::TReplaySummary result =
      play::ReplayFinalResult(replay::EncodeReplay(recorded.game), std::filesystem::current_path());
  EXPECT_EQ(result.score, recorded.game.summary.score);
  EXPECT_EQ(result.level, recorded.game.summary.level);
  EXPECT_EQ(result.lives, recorded.game.summary.lives);
  EXPECT_EQ(result.end_state, recorded.game.summary.end_state);
}

TEST_F(ReplayPlay, TheToolRecordsAndReplaysAndRefusesClearly) {
  testing::WriteBytes(dir / "input.txt", {'5', ' ', 'd', 'o', 'w', 'n', ' ', '1', '3', '\n', '6', ' ', 'u', 'p', ' ',
                                          '1', '3', '\n'});
  const auto file = (dir / "game.avr").string();
  const auto recorded = RunTool(AEROVELL_PLAY, {"--seed", "9", "--frames", "400", "--input",
                                                (dir / "input.txt").string(), "--record", file});
  ASSERT_EQ(recorded.code, 0) << recorded.out;
  EXPECT_NE(recorded.out.find("recorded the game started in frame 5: 395 ticks"), std::string::npos) << recorded.out;
  const auto replayed = RunTool(AEROVELL_PLAY, {"--replay", file, "--trace"}, false);
  ASSERT_EQ(replayed.code, 0);
  EXPECT_EQ(std::count(replayed.out.begin(), replayed.out.end(), '\n'), 395);

  const std::vector<uint8_t> good = testing::ReadBytes(file);
  const replay::TReplay game = replay::DecodeReplay(good, kRulesVersion);
  std::vector<uint8_t> damaged = good;
  damaged[damaged.size() / 2] ^= 0x40;
  std::vector<uint8_t> cut(good.begin(), good.end() - 3);
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* says;
  } cases[] = {
      {"other rules", replay::SealReplay(replay::EncodeReplayContent(game), kRulesVersion + 1, "Aerovell 9.9"),
       "Aerovell 9.9"},
      {"damaged", damaged, "damaged"},
      {"cut short", cut, "truncated"},
      {"not a replay", {'h', 'e', 'l', 'l', 'o'}, "Not a replay"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::WriteBytes(dir / "bad.avr", c.bytes);
    const auto r = RunTool(AEROVELL_PLAY, {"--replay", (dir / "bad.avr").string(), "--trace"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("{\"frame\""), std::string::npos) << "nothing is played";
  }
  try {
    replay::DecodeReplay(cases[0].bytes, kRulesVersion);
    ADD_FAILURE();
  } catch (const replay::EReplayRulesError&) {
  }
}

TEST(ReplayFolder, KeepsTheLastFiftyAndTheGamesOfTheTable) {
  auto name = [](int n, uint16_t score) {
    std::tm t{};
    t.tm_year = 124;
    t.tm_mon = 0;
    t.tm_mday = 1 + n / 1440;
    t.tm_hour = n / 60 % 24;
    t.tm_min = n % 60;
    return ReplayFileName(t, score);
  };
  EXPECT_EQ(name(61, 1234), "2024-01-01_01-01-00_01234.avr");
  EXPECT_EQ(ScoreOfReplayName("2024-01-01_01-01-00_01234.avr"), 1234);
  EXPECT_EQ(ScoreOfReplayName("2024-01-01_01-01-00_01234-2.avr"), 1234);
  for (const char* other : {"notes.txt", "2024-01-01_01-01-00_1234.avr", "2024-01-01_01-01-00_01234.avr.tmp",
                            "2024-01-01 01-01-00_01234.avr", "2024-01-01_01-01-00_01234-.avr"})
    EXPECT_FALSE(ScoreOfReplayName(other)) << other;

  // 60 games scoring 10, 20, ... in turn; games 3 and 7 are in the table (scores
  // 40 and 80, no other game scored those), as is a score two games share.
  std::vector<std::string> names;
  for (int n = 0; n < 60; ++n) names.push_back(name(n, static_cast<uint16_t>(n == 3 ? 40 : n == 7 ? 80 : n < 20 ? 5 : 500 + n)));
  names.push_back("notes.txt");
  const uint16_t table[10] = {80, 40, 5, 5, 0, 0, 0, 0, 0, 0};
  std::vector<std::string> removed = ReplaysToRemove(names, table);
  std::sort(removed.begin(), removed.end());
  std::vector<std::string> expected;
  // Games 0..9 are beyond the last fifty; 3 and 7 stay for the table, and of
  // the games scoring 5 the two newest (18 and 19, kept anyway) hold its places.
  for (int n : {0, 1, 2, 4, 5, 6, 8, 9}) expected.push_back(name(n, 5));
  EXPECT_EQ(removed, expected);
  EXPECT_TRUE(ReplaysToRemove(std::vector<std::string>(names.begin(), names.begin() + 50), table).empty());
}

TEST(ReplayFolder, StoresAtomicallyAndPrunes) {
  testing::TempDir dir;
  replay::TReplay game;
  game.rules_version = kRulesVersion;
  game.game_version = kGameVersion;
  game.tick_count = 3;
  game.summary.score = 77;
  const uint16_t table[10] = {};
  const std::filesystem::path folder = dir / "replays";
  std::vector<std::filesystem::path> written;
  for (int i = 0; i < 53; ++i) written.push_back(StoreReplay(folder, game, table, 1'700'000'000 + i));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 50);
  EXPECT_FALSE(std::filesystem::exists(written[0]));
  EXPECT_TRUE(std::filesystem::exists(written[52]));
  EXPECT_EQ(replay::DecodeReplay(testing::ReadBytes(written[52]), kRulesVersion), game);
  // The same second twice: a second name.
  const auto again = StoreReplay(folder, game, table, 1'700'000'052);
  EXPECT_NE(again, written[52]);
  // A folder that cannot be made is an error for the caller to log.
  testing::WriteBytes(dir / "file", {1});
  EXPECT_THROW(StoreReplay(dir / "file" / "replays", game, table, 1), std::exception);
}

}  // namespace
}  // namespace aerovell
