// Verified records on the real service: a headless game of the real game code
// sends its record and then its replay (the game's third request), which the
// service plays again and marks the record verified. The refusals are tried on
// a second record of that name and score, paid with a value of the test's own:
// replays that lie, belong elsewhere, are cut short or too large are refused,
// and so is the true game itself, which verifies its own record already, in
// whatever dress it comes. One that would play for hours is stopped by its CPU
// limit.

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "play_online_script.h"
#include "replay/replay.h"
#include "replay_verifier.h"
#include "run_tool.h"
#include "score_test_support.h"
#include "service_process.h"
#include "sqlite_db.h"
#include "test_support.h"

namespace aerovell::scores {
namespace {

using Bytes = std::vector<uint8_t>;

std::string ReplayTarget(const std::string& p) { return "/cgi/version.pl?rp&prg=Aerovell&p=" + p; }

using testing::Post;

std::string Text(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }

Bytes Reencoded(const Bytes& bytes, const std::function<void(replay::TReplay&)>& change) {
  const auto header = replay::ReadReplayHeader(bytes);
  replay::TReplay r = replay::DecodeReplay(bytes, header.rules_version);
  change(r);
  return replay::EncodeReplay(r);
}

// The game of the online script, played by aerovell-play against `port` and
// recorded into `file`; with `port` 0 nothing is sent.
void PlayRecorded(int port, uint32_t seed, const std::filesystem::path& file) {
  aerovell::testing::TempDir game;
  std::filesystem::copy(AEROVELL_GAME_DIR, game.Path(), std::filesystem::copy_options::recursive);
  std::filesystem::remove(game / "config.dat");
  aerovell::testing::WriteBytes(game / "input.txt", aerovell::testing::AScoreForTheTableScript());
  std::vector<std::string> args = {"--seed", std::to_string(seed), "--frames", "1260", "--input",
                                   (game / "input.txt").string(), "--dir", game.Path().string(), "--record",
                                   file.string()};
  if (port != 0) {
    args.push_back("--score-host");
    args.push_back("127.0.0.1:" + std::to_string(port));
  }
  const auto played = aerovell::testing::RunTool(AEROVELL_PLAY, args);
  ASSERT_EQ(played.code, 0) << played.out;
}

TEST(VerifiedRecords, OnlyTheTrueReplayOfTheRecordVerifiesIt) {
  aerovell::testing::TempDir dir;
  testing::ServiceProcess service(dir.Path(), {"--db", "scores.sqlite", "--game-data", AEROVELL_GAME_DIR});
  ASSERT_GT(service.Port(), 0) << service.Log();
  const int port = service.Port();

  ASSERT_NO_FATAL_FAILURE(PlayRecorded(port, aerovell::testing::kAScoreForTheTableSeed,
                                       dir / "true.avr"));
  ASSERT_NO_FATAL_FAILURE(PlayRecorded(0, aerovell::testing::kAScoreForTheTableSeed + 1,
                                       dir / "other.avr"));
  const Bytes truth = aerovell::testing::ReadBytes(dir / "true.avr");
  const Bytes other = aerovell::testing::ReadBytes(dir / "other.avr");
  // The game sent its replay after its record: the record is verified.
  EXPECT_NE(testing::Get(port, "/cgi/version.pl?prg=Aerovell&show&type=0&verified").body.find("<td>Иван</td>"),
            std::string::npos)
      << service.Log();

  // A second record of the same name and score, paid with a value of our own.
  const uint16_t score = replay::DecodeReplay(truth, replay::ReadReplayHeader(truth).rules_version).summary.score;
  const testing::HttpAnswer version = testing::Get(port, testing::kVersionTarget);
  const std::string p = EchoValue(version.body);
  ASSERT_EQ(testing::Get(port, testing::ScoreTarget("Иван", score, p, "")).body, "OK");

  Bytes edited_score = Reencoded(truth, [](replay::TReplay& r) { r.summary.score += 100; });
  Bytes flipped = truth;
  flipped[flipped.size() / 2] ^= 0x40;
  const Bytes truncated(truth.begin(), truth.begin() + static_cast<long>(truth.size() - 7));
  const std::string oversized(kMaxReplayBytes + 1, 'A');
  // The generator takes the low half of the stored start; the high half
  // changes the file's bytes and not its game.
  const Bytes dressed = Reencoded(truth, [](replay::TReplay& r) { r.start.random_state |= uint64_t{1} << 40; });

  struct Case {
    const char* what;
    std::string target;
    std::string body;
    int status;
    const char* says;
  } cases[] = {
      {"its summary's score edited", ReplayTarget(p), Text(edited_score), 400, "ERROR the replay is refused"},
      {"a byte changed", ReplayTarget(p), Text(flipped), 400, "ERROR the replay is refused"},
      {"another game", ReplayTarget(p), Text(other), 400, "ERROR the replay ends with"},
      {"cut short", ReplayTarget(p), Text(truncated), 400, "ERROR the replay is refused"},
      {"over 256 KiB", ReplayTarget(p), oversized, 413, "ERROR request body larger than"},
      {"no record with that value", ReplayTarget("AAAAAAAAAAAAAAAA"), Text(truth), 400,
       "ERROR no record was stored with this echo value"},
      {"nothing sent", ReplayTarget(p), "", 400, "ERROR no replay sent"},
      {"the game of the verified record", ReplayTarget(p), Text(truth), 400,
       "ERROR this game verifies another record already"},
      {"that game dressed differently", ReplayTarget(p), Text(dressed), 400,
       "ERROR this game verifies another record already"},
  };
  for (const auto& c : cases) {
    const testing::HttpAnswer answer = Post(port, c.target, c.body);
    EXPECT_EQ(answer.status, c.status) << c.what << ": " << answer.body;
    EXPECT_EQ(answer.body.rfind(c.says, 0), 0u) << c.what << ": " << answer.body;
  }
  {
    Connection db((dir / "scores.sqlite").string(), SQLITE_OPEN_READONLY);
    EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM scores WHERE verified = 1"), 1) << "no refusal verifies";
  }
  EXPECT_EQ(testing::Get(port, ReplayTarget(p)).status, 405) << "the replay is sent by POST only";

  // The first record's own value: its replay came with the record already.
  std::string first_p;
  {
    Connection db((dir / "scores.sqlite").string(), SQLITE_OPEN_READONLY);
    first_p = db.QueryText("SELECT p FROM scores WHERE id = 1");
  }
  EXPECT_EQ(Post(port, ReplayTarget(first_p), Text(truth)).body, "ERROR the record is verified already");

  const std::string page = testing::Get(port, testing::kTableTarget).body;
  EXPECT_NE(page.find("rpfile&amp;prg=Aerovell&amp;id=1\" download>"), std::string::npos) << page;
  EXPECT_EQ(page.find("rpfile&amp;prg=Aerovell&amp;id=2\""), std::string::npos) << page;
  const testing::HttpAnswer download = testing::Get(port, "/cgi/version.pl?rpfile&prg=Aerovell&id=1");
  EXPECT_EQ(download.status, 200);
  EXPECT_EQ(download.body, Text(truth)) << "the replay offered is the one that was verified";
  for (const char* id : {"2", "3"})
    EXPECT_EQ(testing::Get(port, std::string("/cgi/version.pl?rpfile&prg=Aerovell&id=") + id).status, 404) << id;
  EXPECT_EQ(service.Stop(SIGTERM), 0);
}

// A replay that needs more CPU than its limit is stopped there and refused,
// and the service answers a player all the while. (The game played again ends
// when its game ends or pauses, so no replay plays longer than a real game
// could; the limit here, 1 ms, is below what starting the game alone takes.)
TEST(VerifiedRecords, AReplayOverItsCpuLimitIsStoppedAndRefused) {
  aerovell::testing::TempDir dir;
  testing::ServiceProcess service(dir.Path(), {"--db", "scores.sqlite", "--game-data", AEROVELL_GAME_DIR,
                                               "--replay-cpu-ms", "1", "--max-per-minute", "0",
                                               "--max-versions-per-minute", "0"});
  ASSERT_GT(service.Port(), 0) << service.Log();
  const int port = service.Port();
  ASSERT_NO_FATAL_FAILURE(PlayRecorded(port, aerovell::testing::kAScoreForTheTableSeed,
                                       dir / "true.avr"));
  std::string p;
  {
    Connection db((dir / "scores.sqlite").string(), SQLITE_OPEN_READONLY);
    p = db.QueryText("SELECT p FROM scores");
  }
  const testing::HttpAnswer answer = Post(port, ReplayTarget(p), Text(aerovell::testing::ReadBytes(dir / "true.avr")));
  EXPECT_EQ(answer.status, 400) << answer.body;
  EXPECT_EQ(answer.body, "ERROR the replay is refused: the replay took more than 1 ms of CPU to play");
  EXPECT_EQ(testing::SubmitAsTheGame(port, "Петр", 10, ""), "OK") << "the service goes on";
  EXPECT_EQ(testing::Get(port, "/cgi/version.pl?prg=Aerovell&show&type=0&verified").body.find("Иван"),
            std::string::npos);
  EXPECT_EQ(service.Stop(SIGTERM), 0);
}

// Replays sleep in the event loops while they are checked; a stop must end
// the checks and answer them before the loops go, or the library would be
// stopped with connections it still holds. Replays for one record are queued
// behind a single worker and the service is stopped among them: it ends in
// order (not by its watchdog), and every sender hears an answer.
TEST(VerifiedRecords, AStopAmongReplaysBeingCheckedEndsInOrder) {
  aerovell::testing::TempDir dir;
  testing::ServiceProcess service(dir.Path(), {"--db", "scores.sqlite", "--game-data", AEROVELL_GAME_DIR,
                                               "--replay-workers", "1"});
  ASSERT_GT(service.Port(), 0) << service.Log();
  const int port = service.Port();
  ASSERT_NO_FATAL_FAILURE(PlayRecorded(0, aerovell::testing::kAScoreForTheTableSeed, dir / "true.avr"));
  const Bytes truth = aerovell::testing::ReadBytes(dir / "true.avr");
  const uint16_t score = replay::DecodeReplay(truth, replay::ReadReplayHeader(truth).rules_version).summary.score;
  const std::string p = EchoValue(testing::Get(port, testing::kVersionTarget).body);
  ASSERT_EQ(testing::Get(port, testing::ScoreTarget("Иван", score, p, "")).body, "OK");

  constexpr int kSenders = 8;
  std::vector<testing::HttpAnswer> answers(kSenders);
  std::vector<std::thread> senders;
  for (int i = 0; i < kSenders; ++i)
    senders.emplace_back([&, i] { answers[static_cast<size_t>(i)] = Post(port, ReplayTarget(p), Text(truth)); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(service.Stop(SIGTERM), 0);
  for (auto& t : senders) t.join();
  EXPECT_EQ(service.Log().find("stopped by the clock"), std::string::npos) << service.Log();
  for (const auto& answer : answers) {
    // Verified, refused as verified already, or asked to try again later; a
    // sender whose connection was not yet taken in hears nothing.
    if (answer.status == 0) continue;
    EXPECT_TRUE(answer.status == 200 || answer.body == "ERROR the record is verified already" ||
                answer.body == "ERROR the service is stopping")
        << answer.status << " " << answer.body;
  }
}

// The check hosts that play the replays live beside the service: a host
// that dies (killed, or out of memory) is replaced for the next replay, no
// more hosts run than workers, and none outlives the service.
std::vector<pid_t> CheckHosts(const std::filesystem::path& game_dir) {
  std::vector<pid_t> hosts;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in(entry.path() / "cmdline", std::ios::binary);
    std::string cmdline((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::replace(cmdline.begin(), cmdline.end(), '\0', ' ');
    if (cmdline.find(" --check-host " + game_dir.string() + " ") != std::string::npos)
      hosts.push_back(static_cast<pid_t>(std::stol(name)));
  }
  return hosts;
}

TEST(VerifiedRecords, ACheckHostThatDiesIsReplaced) {
  aerovell::testing::TempDir dir;
  // Game data of this test's own, so that its hosts are told from others'.
  const std::filesystem::path game_dir = dir / "game";
  std::filesystem::copy(AEROVELL_GAME_DIR, game_dir, std::filesystem::copy_options::recursive);
  testing::ServiceProcess service(dir.Path(), {"--db", "scores.sqlite", "--game-data", game_dir.string(),
                                               "--replay-workers", "1", "--max-per-minute", "0",
                                               "--max-versions-per-minute", "0"});
  ASSERT_GT(service.Port(), 0) << service.Log();
  const int port = service.Port();
  const uint32_t seeds[] = {aerovell::testing::kAScoreForTheTableSeed, aerovell::testing::kAScoreForTheTableSeed + 1,
                            aerovell::testing::kAScoreForTheTableSeed + 2};
  for (const uint32_t seed : seeds) {
    const std::filesystem::path file = dir / ("game-" + std::to_string(seed) + ".avr");
    ASSERT_NO_FATAL_FAILURE(PlayRecorded(0, seed, file));
    const Bytes replay = aerovell::testing::ReadBytes(file);
    const uint16_t score = replay::DecodeReplay(replay, replay::ReadReplayHeader(replay).rules_version).summary.score;
    const std::string p = EchoValue(testing::Get(port, testing::kVersionTarget).body);
    ASSERT_EQ(testing::Get(port, testing::ScoreTarget("Иван", score, p, "")).body, "OK");
    const testing::HttpAnswer answer = Post(port, ReplayTarget(p), Text(replay));
    EXPECT_EQ(answer.status, 200) << "seed " << seed << ": " << answer.body << "\n" << service.Log();
    const std::vector<pid_t> hosts = CheckHosts(game_dir);
    ASSERT_EQ(hosts.size(), 1u) << "one worker, one host";
    if (seed != seeds[2]) ::kill(hosts[0], SIGKILL);
  }
  {
    Connection db((dir / "scores.sqlite").string(), SQLITE_OPEN_READONLY);
    EXPECT_EQ(db.QueryInteger("SELECT count(*) FROM scores WHERE verified = 1"), 3);
  }
  // The last host is alive: it goes with the service.
  EXPECT_EQ(service.Stop(SIGTERM), 0);
  for (int i = 0; i < 100 && !CheckHosts(game_dir).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(CheckHosts(game_dir).empty()) << "a host outlived the service";
}

// A service without the game's data cannot play a replay: it says so once at
// its start, and a replay sent is not refused as if it lied, but answered as
// not checked here.
TEST(VerifiedRecords, WithoutTheGameDataReplaysAreNotCheckedAndTheLogSaysWhy) {
  aerovell::testing::TempDir dir;
  std::filesystem::create_directories(dir / "empty");
  testing::ServiceProcess service(dir.Path(),
                                  {"--db", "scores.sqlite", "--game-data", (dir / "empty").string()});
  ASSERT_GT(service.Port(), 0) << service.Log();
  const int port = service.Port();
  EXPECT_NE(service.Log().find("no game data in"), std::string::npos) << service.Log();
  const std::string p = EchoValue(testing::Get(port, testing::kVersionTarget).body);
  ASSERT_EQ(testing::Get(port, testing::ScoreTarget("Иван", 10, p, "")).body, "OK");
  const testing::HttpAnswer answer = Post(port, ReplayTarget(p), "any bytes");
  EXPECT_EQ(answer.status, 503) << answer.body;
  EXPECT_EQ(answer.body, "ERROR replays are not checked here");
  EXPECT_EQ(service.Stop(SIGTERM), 0);
}

}  // namespace
}  // namespace aerovell::scores
