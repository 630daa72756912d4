// The whole road of a record: a headless game of the real game code
// (aerovell-play) plays to a score for the table, enters a name, answers "Да",
// and the real service stores it and shows it on its page.

#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>

#include "play_online_script.h"
#include "run_tool.h"
#include "score_test_support.h"
#include "service_process.h"
#include "test_support.h"

namespace aerovell::scores {
namespace {

TEST(GamePlay, AGameSendsItsRecordAndThePageShowsIt) {
  aerovell::testing::TempDir dir;
  testing::ServiceProcess service(dir.Path(), {"--db", "scores.sqlite"});
  ASSERT_GT(service.Port(), 0) << service.Log();
  aerovell::testing::TempDir game;
  std::filesystem::copy(AEROVELL_GAME_DIR, game.Path(), std::filesystem::copy_options::recursive);
  std::filesystem::remove(game / "config.dat");
  aerovell::testing::WriteBytes(game / "input.txt", aerovell::testing::AScoreForTheTableScript());

  const auto played = aerovell::testing::RunTool(
      AEROVELL_PLAY, {"--seed", std::to_string(aerovell::testing::kAScoreForTheTableSeed), "--frames", "1260",
                      "--input", (game / "input.txt").string(), "--dir", game.Path().string(), "--score-host",
                      "127.0.0.1:" + std::to_string(service.Port())});
  ASSERT_EQ(played.code, 0) << played.out;

  const testing::HttpAnswer page = testing::Get(service.Port(), testing::kTableTarget);
  ASSERT_EQ(page.status, 200);
  EXPECT_NE(page.body.find("<td>Иван</td>"), std::string::npos) << page.body.substr(0, 2000);
  EXPECT_NE(service.Log().find("score"), std::string::npos) << service.Log();
  EXPECT_EQ(service.Stop(SIGTERM), 0);
}

}  // namespace
}  // namespace aerovell::scores
