// aerovell-play, the headless player: its input scripts, its trace and its
// command line.
#include <gtest/gtest.h>

#include <sstream>

#include "play/headless_game.h"
#include "play/input_script.h"
#include "play/trace.h"
#include "png/png_reader.h"
#include "run_tool.h"
#include "test_support.h"

namespace aerovell {
namespace {

using play::ParseInputScript;
using play::TScriptEvent;
using Kind = TScriptEvent::Kind;

TEST(InputScript, ReadsEveryEventInFrameOrder) {
  const auto events = ParseInputScript(
      "# a comment\n"
      "\n"
      "20 up 0x0D\n"
      "10 down 13\r\n"
      "10 move -5 620\n"
      "11 press left\n"
      "11 release right\n"
      "12 click\n"
      "13 type Пётр и 2\n"
      "14 focus off\n"
      "15 focus on\n");
  ASSERT_EQ(events.size(), 9u);
  EXPECT_EQ(events[0].frame, 10);
  EXPECT_EQ(events[0].kind, Kind::kKeyDown);
  EXPECT_EQ(events[0].key, 13);
  EXPECT_EQ(events[1].kind, Kind::kMove) << "lines of one frame keep their order";
  EXPECT_EQ(events[1].x, -5);
  EXPECT_EQ(events[1].y, 620);
  EXPECT_EQ(events[2].button, 1);
  EXPECT_EQ(events[3].kind, Kind::kRelease);
  EXPECT_EQ(events[3].button, 2);
  EXPECT_EQ(events[4].kind, Kind::kClick);
  EXPECT_EQ(events[5].text, "Пётр и 2");
  EXPECT_FALSE(events[6].on);
  EXPECT_TRUE(events[7].on);
  EXPECT_EQ(events[8].frame, 20);
  EXPECT_EQ(events[8].key, 0x0D);
}

TEST(InputScript, AMalformedLineIsAnErrorNamingItsLine) {
  const struct {
    const char* line;
    const char* message;
  } cases[] = {
      {"x down 13", "expected a frame number"},
      {"0 down 13", "expected a frame number"},
      {"5", "expected an event"},
      {"5 jump", "unknown event \"jump\""},
      {"5 down", "expected a virtual-key code"},
      {"5 down 0x100", "expected a virtual-key code"},
      {"5 down 0xZZ", "expected a virtual-key code"},
      {"5 down 13 14", "unexpected \"14\""},
      {"5 move 10", "expected move X Y"},
      {"5 press middle", "expected left or right"},
      {"5 type", "expected the text to type"},
      {"5 focus maybe", "expected focus on or off"},
      {"99999999999 click", "expected a frame number"},
  };
  for (const auto& c : cases) {
    try {
      ParseInputScript(std::string("# first\n1 click\n") + c.line + "\n");
      ADD_FAILURE() << c.line;
    } catch (const play::EScriptError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("line 3: ", 0), 0u) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(ParseInputScript("1 click\n" + std::string(5000, ' ') + "x\n"), play::EScriptError);
}

TEST(Trace, Crc32IsZlibs) {
  EXPECT_EQ(play::Crc32("123456789", 9), 0xCBF43926u);
  EXPECT_EQ(play::Crc32("", 0), 0u);
  EXPECT_EQ(play::Crc32("6789", 4, play::Crc32("12345", 5)), 0xCBF43926u) << "continued";
}

using testing::RunTool;
using testing::ToolResult;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class PlayTool : public ::testing::Test {
 protected:
  PlayTool() {
    // Start a game, fly up and down while firing, take a bonus or not.
    testing::WriteBytes(dir / "input.txt", Bytes("5 down 0x0D\n6 up 0x0D\n120 down 0x11\n150 down 0x26\n190 up 0x26\n"
                                                 "200 down 0x28\n260 up 0x28\n300 move 450 330\n"));
  }
  static std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }
  ToolResult Play(std::vector<std::string> args) {
    args.insert(args.begin(), {"--input", (dir / "input.txt").string()});
    return RunTool(AEROVELL_PLAY, args, false);
  }
  testing::TempDir dir;
};

TEST_F(PlayTool, TheSameSeedAndInputGiveTheSameTraceAndAnotherSeedAnother) {
  const ToolResult a = Play({"--seed", "7", "--frames", "500", "--trace"});
  const ToolResult b = Play({"--seed", "7", "--frames", "500", "--trace"});
  const ToolResult c = Play({"--seed", "8", "--frames", "500", "--trace"});
  ASSERT_EQ(a.code, 0);
  const std::vector<std::string> lines = Lines(a.out);
  ASSERT_EQ(lines.size(), 500u);
  EXPECT_EQ(a.out, b.out);
  EXPECT_NE(a.out, c.out);
  const std::string& first = lines.front();
  for (const char* key :
       {"\"frame\":1,", "\"state\":1,", "\"level\":", "\"score\":", "\"lives\":", "\"kills\":", "\"message\":",
        "\"respawn\":", "\"enemyDelay\":", "\"bonusDelay\":", "\"weaponTime\":", "\"bombTime\":", "\"shieldTime\":",
        "\"pickupTime\":", "\"hero\":null", "\"sprites\":{", "\"#0\":1", "\"crc\":"})
    EXPECT_NE(first.find(key), std::string::npos) << key << " in " << first;
  const std::string& last = lines.back();
  EXPECT_NE(last.find("\"state\":2,"), std::string::npos) << last;
  EXPECT_NE(last.find("\"hero\":{\"x\":"), std::string::npos);
  EXPECT_NE(last.find("\"enemy"), std::string::npos) << "enemies by their picture's name";
}

TEST_F(PlayTool, AShotIsThePictureTheTraceCounts) {
  const std::string shot = (dir / "frame.png").string();
  const ToolResult r = Play({"--frames", "140", "--trace", "--shot", "140:" + shot});
  ASSERT_EQ(r.code, 0) << r.out;
  const Surface picture = tools::ReadPng(shot);
  ASSERT_EQ(picture.Width(), 800);
  ASSERT_EQ(picture.Height(), 600);
  const auto pixels = picture.Pixels();
  const std::string crc = "\"crc\":" + std::to_string(play::Crc32(pixels.data(), pixels.size_bytes())) + "}";
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.back().find(crc), std::string::npos) << lines.back();
}

TEST_F(PlayTool, ErrorsEndWithStatusOneAndAMessage) {
  testing::WriteBytes(dir / "bad.txt", Bytes("1 click\n2 fly away\n"));
  const ToolResult bad_line = RunTool(AEROVELL_PLAY, {"--input", (dir / "bad.txt").string()});
  EXPECT_EQ(bad_line.code, 1);
  EXPECT_NE(bad_line.out.find("line 2: unknown event \"fly\""), std::string::npos) << bad_line.out;
  const struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--frames", "many"}, "bad frame count"},        {{"--seed"}, "--seed needs a value"},
      {{"--shot", "12"}, "--shot takes K:FILE.png"},    {{"--input", "/no/such/file"}, "cannot read"},
      {{"--dir", "/no/such/folder"}, "no game folder"}, {{"--wings"}, "unknown argument"},
  };
  for (const auto& c : cases) {
    const ToolResult r = RunTool(AEROVELL_PLAY, c.args);
    EXPECT_EQ(r.code, 1) << c.message;
    EXPECT_NE(r.out.find(c.message), std::string::npos) << r.out;
  }
}

// Paths on the command line are the caller's: a shot named without a folder
// lands where the tool was started, not in the game folder it plays in.
TEST_F(PlayTool, ARelativeShotIsWrittenWhereTheToolWasStarted) {
  testing::ScopedWorkingDir here(dir.Path());
  const ToolResult r = RunTool(AEROVELL_PLAY, {"--frames", "3", "--shot", "3:shot.png"});
  ASSERT_EQ(r.code, 0) << r.out;
  EXPECT_EQ(tools::ReadPng(dir / "shot.png").Width(), 800);
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(AEROVELL_GAME_DIR) / "shot.png"));
}

// A run that is shorter than asked for says so: its figures cover fewer frames.
TEST_F(PlayTool, AGameThatQuitsEarlySaysSoOnStandardError) {
  // Esc on the main menu asks whether to leave; Enter answers "Да".
  testing::WriteBytes(dir / "quit.txt", Bytes("5 down 0x1B\n6 up 0x1B\n10 down 0x0D\n11 up 0x0D\n"));
  const ToolResult r = RunTool(AEROVELL_PLAY, {"--frames", "100", "--input", (dir / "quit.txt").string()});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("aerovell-play: the game quit after frame 10 of 100\n"), std::string::npos) << r.out;
  EXPECT_EQ(RunTool(AEROVELL_PLAY, {"--frames", "10"}).out, "") << "nothing to say when all frames were played";
}

TEST_F(PlayTool, AGameFolderOfItsOwnKeepsItsSettings) {
  testing::TempDir game;
  std::filesystem::copy(AEROVELL_GAME_DIR, game.Path(), std::filesystem::copy_options::recursive);
  std::filesystem::remove(game / "config.dat");
  const ToolResult r = RunTool(AEROVELL_PLAY, {"--dir", game.Path().string(), "--frames", "3"});
  EXPECT_EQ(r.code, 0) << r.out;
  EXPECT_EQ(testing::ReadBytes(game / "config.dat").size(), 158u);
  std::filesystem::remove_all(game / "data");
  const ToolResult broken = RunTool(AEROVELL_PLAY, {"--dir", game.Path().string(), "--frames", "3"});
  EXPECT_EQ(broken.code, 1);
  EXPECT_NE(broken.out.find("menu.dxg"), std::string::npos) << broken.out;
}

// Without --trace or --shot nobody sees the frames, and the tool does not draw
// them: the game must play exactly as it does drawn.
struct TDrawingCase {
  const char* name;
  uint32_t seed;
  const char* script;  // under the source tree
  int frames;
};

const TDrawingCase kDrawingCases[] = {
    {"level_up", 7, "tests/traces/level_up.txt", 3750},
    {"pause_and_send", 3, "tests/traces/pause_and_send.txt", 2358},
    {"mouse", 2, "tests/traces/mouse.txt", 1935},
    {"long_game", 5, "bench/play_input.txt", 5000},
};

// A trace line without the picture's checksum: what the game is, not what it shows.
std::string StateOf(const std::string& line) { return line.substr(0, line.rfind(",\"crc\":")); }

// The state every 25th frame and after the last, played drawn or not.
std::vector<std::string> PlayedStates(const TDrawingCase& c, bool drawing, const std::filesystem::path& config) {
  const std::vector<uint8_t> text = testing::ReadBytes(std::string(AEROVELL_SOURCE_DIR) + "/" + c.script);
  const std::vector<TScriptEvent> script = ParseInputScript(std::string(text.begin(), text.end()));
  play::THeadlessGame::Options options;
  options.config_path = config;
  options.seed = c.seed;
  play::THeadlessGame game(options);
  game.Core().Game.Drawing = drawing;
  std::vector<std::string> states;
  size_t next = 0;
  std::vector<const TScriptEvent*> due;
  int frame = 1;
  for (; frame <= c.frames && !game.Ended(); ++frame) {
    due.clear();
    while (next < script.size() && script[next].frame == frame) due.push_back(&script[next++]);
    game.RunFrame(due);
    if (frame % 25 == 0) states.push_back(StateOf(play::TraceLine(game.Core(), frame)));
  }
  states.push_back(StateOf(play::TraceLine(game.Core(), frame - 1)));
  EXPECT_FALSE(game.Failed()) << c.name;
  return states;
}

TEST(PlayWithoutDrawing, EveryCounterAndSpriteAsWhenDrawn) {
  testing::ScopedWorkingDir in_game(AEROVELL_GAME_DIR);
  for (const TDrawingCase& c : kDrawingCases) {
    testing::TempDir drawn_dir, undrawn_dir;
    const std::vector<std::string> drawn = PlayedStates(c, true, drawn_dir / "config.dat");
    const std::vector<std::string> undrawn = PlayedStates(c, false, undrawn_dir / "config.dat");
    ASSERT_EQ(drawn.size(), undrawn.size()) << c.name;
    for (size_t i = 0; i < drawn.size(); ++i) ASSERT_EQ(drawn[i], undrawn[i]) << c.name;
    EXPECT_EQ(testing::ReadBytes(drawn_dir / "config.dat"), testing::ReadBytes(undrawn_dir / "config.dat"))
        << c.name << ": the same records stored";
  }
}

// The tool itself: a run with a shot (drawn) and one with neither trace nor
// shot (undrawn) record the same first game, byte for byte: every tick's
// input and move count, and its end (score, level, lives, state, rank).
TEST_F(PlayTool, ARunDrawnAndARunUndrawnRecordTheSameGame) {
  const std::string input = std::string(AEROVELL_SOURCE_DIR) + "/bench/play_input.txt";
  for (const char* seed : {"5", "9"}) {
    const std::string undrawn = (dir / "undrawn.avr").string(), drawn = (dir / "drawn.avr").string();
    const ToolResult a = RunTool(AEROVELL_PLAY,
                                 {"--seed", seed, "--frames", "4000", "--input", input, "--record", undrawn});
    const ToolResult b = RunTool(AEROVELL_PLAY, {"--seed", seed, "--frames", "4000", "--input", input, "--record",
                                                 drawn, "--shot", "4000:" + (dir / "last.png").string()});
    ASSERT_EQ(a.code, 0) << a.out;
    ASSERT_EQ(b.code, 0) << b.out;
    EXPECT_NE(a.out.find("recorded the game started in frame"), std::string::npos) << a.out;
    EXPECT_EQ(a.out, b.out) << "seed " << seed;
    EXPECT_EQ(testing::ReadBytes(undrawn), testing::ReadBytes(drawn)) << "seed " << seed;
  }
}

}  // namespace
}  // namespace aerovell
