// Whole games of aerovell-play that end in the table and send the record:
// against a scripted server on 127.0.0.1, and with nobody listening.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "online/score_codec.h"
#include "platform/cp1251.h"
#include "play_online_script.h"
#include "run_tool.h"
#include "scripted_http_server.h"
#include "settings/config.h"
#include "state/play_state.h"
#include "test_support.h"

namespace aerovell {
namespace {

using testing::ToolResult;

std::string Ok(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// The frames at which the traced state changed, with the new state.
std::vector<std::pair<int, TGameState>> StateChanges(const std::string& trace) {
  std::vector<std::pair<int, TGameState>> changes;
  std::istringstream in(trace);
  int previous = -1;
  for (std::string line; std::getline(in, line);) {
    const int frame = std::stoi(line.substr(line.find("\"frame\":") + 8));
    const int state = std::stoi(line.substr(line.find("\"state\":") + 8));
    if (state != previous) changes.emplace_back(frame, static_cast<TGameState>(state));
    previous = state;
  }
  return changes;
}

class PlayOnline : public ::testing::Test {
 protected:
  PlayOnline() {
    std::filesystem::copy(AEROVELL_GAME_DIR, game.Path(), std::filesystem::copy_options::recursive);
    std::filesystem::remove(game / "config.dat");
    testing::WriteBytes(game / "input.txt", testing::AScoreForTheTableScript());
  }
  // Without a score host the run names no service.
  ToolResult Play(const std::string& score_host) {
    std::vector<std::string> args = {"--seed",   std::to_string(testing::kAScoreForTheTableSeed),
                                     "--frames", "1260",
                                     "--input",  (game / "input.txt").string(),
                                     "--dir",    game.Path().string(),
                                     "--trace"};
    if (!score_host.empty()) args.insert(args.end(), {"--score-host", score_host});
    return testing::RunTool(AEROVELL_PLAY, args, false);
  }
  TConfig Stored() {
    TConfig config;
    ConfigFile(game / "config.dat").ReadOrCreate(config);
    return config;
  }
  // The place of a name in the stored table, 0 when it is not there.
  int PlaceOf(const std::string& utf8) {
    const TConfig stored = Stored();
    for (int i = 0; i < kHighScoreCount; ++i)
      if (Cp1251ToUtf8(stored.HighScores[i].Name.Text()) == utf8) return i + 1;
    return 0;
  }
  testing::TempDir game;
};

TEST_F(PlayOnline, AQualifyingGameSendsItsRecordAndTheTableKeepsIt) {
  testing::TScriptedHttpServer server({{Ok("OK|Aerovell|1|now|QWERTY|")}, {Ok("OK")}});
  const ToolResult r = Play(server.HostPort());
  ASSERT_EQ(r.code, 0);
  const auto changes = StateChanges(r.out);
  ASSERT_GE(changes.size(), 4u);
  EXPECT_EQ(changes.back().second, gsMenu) << "back in the menus after \"Да\"";
  const int place = PlaceOf("Иван");
  ASSERT_NE(place, 0) << "config.dat holds the new row";
  const uint16_t score = Stored().HighScores[place - 1].Score;
  EXPECT_GT(score, 100);

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  const size_t at = requests[1].find("inf="), end = requests[1].find(" HTTP/1.1");
  const auto info = DecodeScoreLetters(requests[1].substr(at + 4, end - at - 4));
  ASSERT_TRUE(info) << info.error;
  const auto fields = ParseScoreInfo(*info.value);
  ASSERT_TRUE(fields) << fields.error << " in " << Cp1251ToUtf8(*info.value);
  EXPECT_EQ(Cp1251ToUtf8(fields.value->name), "Иван");
  EXPECT_EQ(fields.value->score, score);
  EXPECT_EQ(fields.value->p, "QWERTY");
  EXPECT_EQ(fields.value->country, "");
}

// Nobody listening, or no service named at all (a run sends nowhere unless
// told where): the send fails in the frame of "Да", the failure shows, and the
// question comes back.
TEST_F(PlayOnline, WithNobodyListeningTheFailureShowsAndTheQuestionComesBack) {
  testing::TRefusingPort refused;
  for (const std::string& host : {"127.0.0.1:" + std::to_string(refused.Port()), std::string()}) {
    SCOPED_TRACE(host.empty() ? "no --score-host" : host);
    std::filesystem::remove(game / "config.dat");
    const ToolResult r = Play(host);
    ASSERT_EQ(r.code, 0);
    const auto changes = StateChanges(r.out);
    auto failed = std::find_if(changes.begin(), changes.end(), [](auto& c) { return c.second == gsSubmitFailed; });
    ASSERT_NE(failed, changes.end()) << r.out.substr(r.out.size() - 400);
    ASSERT_NE(failed + 1, changes.end());
    EXPECT_EQ((failed + 1)->second, gsSubmitQuestion);
    EXPECT_EQ((failed + 1)->first - failed->first + 1, 94) << "1500 ms of 16 ms frames, the first one's included";
    EXPECT_EQ(failed->first, 1100) << "the send fails in the frame it was asked for";
    EXPECT_NE(PlaceOf("Иван"), 0) << "the table keeps the row anyway";
  }
}

}  // namespace
}  // namespace aerovell
