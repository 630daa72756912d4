// The long game aerovell-long-replay finds for measuring the replay checks, as
// the score service takes it: a short search (9 000 ticks, far enough for a
// score of the table) gives a game played by input alone and ended by its
// player, that the service's own check plays again to the end its summary
// claims; and the same seed finds the same game, so measurements compare.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "hex.h"
#include "platform/cp1251.h"
#include "replay/replay.h"
#include "run_tool.h"
#include "test_support.h"

namespace aerovell::scores {
namespace {

// What `aerovell-scores --check-replay` answers for the file on its standard input.
std::string CheckReplay(const std::filesystem::path& file) {
  const std::string command = std::string(AEROVELL_SCORES_BINARY) + " --check-replay '" + AEROVELL_GAME_DIR +
                              "' 60000 < '" + file.string() + "' 2>&1";
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return "cannot run the check";
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  pclose(pipe);
  return out;
}

TEST(LongGameSearch, ItsGameIsPlayedAgainByTheServiceToTheEndItClaims) {
  aerovell::testing::TempDir dir;
  for (const char* name : {"first.avr", "again.avr"}) {
    const auto r =
        aerovell::testing::RunTool(AEROVELL_LONG_REPLAY, {"--ticks", "9000", "--out", (dir / name).string()});
    ASSERT_EQ(r.code, 0) << r.out;
  }
  const std::vector<uint8_t> bytes = aerovell::testing::ReadBytes(dir / "first.avr");
  EXPECT_EQ(bytes, aerovell::testing::ReadBytes(dir / "again.avr")) << "the same seed finds the same game";

  const replay::TReplay game = replay::DecodeReplay(bytes, replay::ReadReplayHeader(bytes).rules_version);
  EXPECT_GE(game.tick_count, 9000u);
  EXPECT_GT(game.summary.lives, 0) << "the player left the game, it was not lost";
  EXPECT_GE(game.summary.record_rank, 1);
  EXPECT_LE(game.summary.record_rank, 10);
  EXPECT_EQ(game.summary.player_name, Utf8ToCp1251("Пилот")) << "the name entered at the table";

  const std::string answer = CheckReplay(dir / "first.avr");
  EXPECT_EQ(
      answer.rfind("PLAYED " + std::to_string(game.summary.score) + " " + ToHex(game.summary.player_name) + " ", 0), 0u)
      << answer;
}

}  // namespace
}  // namespace aerovell::scores
