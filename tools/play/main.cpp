// aerovell-play: plays the real game headless, from its start at the main menu.
//   aerovell-play [--seed N] [--frames F] [--input FILE] [--dir DIR] [--trace]
//                 [--shot K:FILE.png]... [--score-host HOST:PORT] [--record FILE]
//                 [--replay FILE] [--help]
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/rules_version.h"
#include "play/headless_game.h"
#include "platform/temp_folder.h"
#include "replay/replay.h"
#include "settings/atomic_file.h"
#include "play/trace.h"
#include "png/png_writer.h"

#ifndef AEROVELL_GAME_DIR
#define AEROVELL_GAME_DIR "."
#endif

namespace {

using namespace aerovell;
using namespace aerovell::play;

constexpr const char* kUsage =
    "usage: aerovell-play [--seed N] [--frames F] [--input FILE] [--dir DIR] [--trace]\n"
    "                     [--shot K:FILE.png]... [--score-host HOST:PORT] [--record FILE]\n"
    "                     [--replay FILE] [--help]\n"
    "  --seed N                seed of the random generator (default: the clock)\n"
    "  --frames F              frames to play (default 600); fewer when the game quits\n"
    "  --input FILE            events to apply, one per line: FRAME EVENT ARGS\n"
    "  --dir DIR               the game folder, its config.dat used (default: the built one, config.dat apart)\n"
    "  --trace                 one JSON line per frame on standard output\n"
    "  --shot K:FILE.png       write frame K as a PNG (FILE relative to where the tool was started)\n"
    "  --score-host HOST:PORT  the score service records are sent to (default: none, a send fails at once)\n"
    "  --record FILE           keep the run's first game as a replay in FILE (its start frame on standard error)\n"
    "  --replay FILE           play a replay's game from its start instead (frames are its ticks; --trace\n"
    "                          and --shot count them from 1; --seed, --frames and --input do not apply)\n"
    "  -h, --help              this text\n"
    "Frames are drawn only for --trace and --shot; the game plays the same either way.\n";

struct Arguments {
  bool help = false;
  std::optional<uint32_t> seed;
  int frames = 600;
  std::string input;
  std::string dir;
  bool trace = false;
  std::map<int, std::vector<std::string>> shots;
  std::optional<std::string> score_host;
  std::string record;
  std::string replay;
};

// Ends the run with status 1 and the message, once everything made so far
// (the temporary folder) is cleaned up.
struct EPlayFailure : std::runtime_error {
  using std::runtime_error::runtime_error;
};
[[noreturn]] void Fail(const std::string& message) { throw EPlayFailure(message); }

long long Number(const std::string& text, const char* what, long long min, long long max) {
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < min || value > max)
    Fail(std::string("bad ") + what + " \"" + text + "\"");
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
    if (arg == "--help" || arg == "-h") {
      a.help = true;
    } else if (arg == "--seed") {
      a.seed = static_cast<uint32_t>(Number(value(), "seed", 0, UINT32_MAX));
    } else if (arg == "--frames") {
      a.frames = static_cast<int>(Number(value(), "frame count", 0, 100'000'000));
    } else if (arg == "--input") {
      a.input = value();
    } else if (arg == "--dir") {
      a.dir = value();
    } else if (arg == "--trace") {
      a.trace = true;
    } else if (arg == "--shot") {
      const std::string shot = value();
      const size_t colon = shot.find(':');
      if (colon == std::string::npos || colon + 1 == shot.size()) Fail("--shot takes K:FILE.png");
      // Written where the tool was started, as every other path it is given.
      std::error_code ec;
      const std::filesystem::path file = std::filesystem::absolute(shot.substr(colon + 1), ec);
      if (ec) Fail("bad shot file \"" + shot.substr(colon + 1) + "\"");
      a.shots[static_cast<int>(Number(shot.substr(0, colon), "shot frame", 1, 100'000'000))].push_back(file.string());
    } else if (arg == "--score-host") {
      a.score_host = value();
    } else if (arg == "--record") {
      a.record = std::filesystem::absolute(value()).string();
    } else if (arg == "--replay") {
      a.replay = std::filesystem::absolute(value()).string();
    } else {
      Fail("unknown argument \"" + arg + "\"\n" + kUsage);
    }
  }
  return a;
}

std::string ReadText(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) Fail("cannot read \"" + path + "\"");
  if (std::filesystem::file_size(path, ec) > 256u << 20) Fail("\"" + path + "\" is too large");
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot read \"" + path + "\"");
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

int Play(int argc, char** argv) {
  const Arguments args = Parse(argc, argv);
  if (args.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  std::vector<TScriptEvent> script;
  if (!args.input.empty()) {
    try {
      script = ParseInputScript(ReadText(args.input));
    } catch (const EScriptError& error) {
      Fail(args.input + ": " + error.what());
    }
  }
  if (!args.replay.empty() && (!args.input.empty() || !args.record.empty()))
    Fail("--replay plays a recorded game: it takes no --input or --record");
  std::optional<replay::TReplay> replayed;
  if (!args.replay.empty()) {
    const std::string bytes = ReadText(args.replay);
    try {
      replayed = replay::DecodeReplay({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, kRulesVersion);
    } catch (const replay::EReplayError& error) {
      Fail(args.replay + ": " + error.what());
    }
  }
  std::optional<TempFolder> temp;
  std::filesystem::path game_dir;
  THeadlessGame::Options options;
  options.seed = args.seed;
  options.score_host = args.score_host;
  options.record = !args.record.empty();
  std::error_code ec;
  if (!args.dir.empty()) {
    game_dir = std::filesystem::absolute(args.dir, ec);
    options.config_path = game_dir / "config.dat";
  } else {
    game_dir = AEROVELL_GAME_DIR;
    temp.emplace("aerovell-play");
    options.config_path = temp->Path() / "config.dat";
  }
  if (!std::filesystem::is_directory(game_dir, ec)) Fail("no game folder \"" + game_dir.string() + "\"");
  std::filesystem::current_path(game_dir, ec);
  if (ec) Fail("cannot enter \"" + game_dir.string() + "\": " + ec.message());

  try {
    THeadlessGame game(options);
    size_t boxes = 0;
    auto report_boxes = [&] {
      const auto& shown = game.Platform().message_boxes;
      for (; boxes < shown.size(); ++boxes)
        std::fprintf(stderr, "aerovell-play: message: %s\n", shown[boxes].second.c_str());
    };
    report_boxes();
    if (game.Core().StartupFailed()) Fail("the game could not start");
    // Nobody looks at the pictures: the game ticks without painting its play
    // frames, which changes nothing of what it plays.
    if (!args.trace && args.shots.empty()) game.Core().Game.Drawing = false;
    auto after_frame = [&](int frame) {
      report_boxes();
      if (game.Failed()) Fail("frame " + std::to_string(frame) + " failed");
      if (args.trace) std::puts(TraceLine(game.Core(), frame).c_str());
      if (auto it = args.shots.find(frame); it != args.shots.end())
        for (const std::string& path : it->second)
          if (!tools::WritePng(game.Core().DXDraw.BackSurface(), path)) Fail("cannot write \"" + path + "\"");
    };
    if (replayed) {
      game.StartReplay(*replayed);
      while (!game.ReplayDone()) {
        game.ReplayFrame();
        after_frame(game.Frame());
      }
      const replay::TReplaySummary result = game.ReplayResult();
      std::fprintf(stderr, "aerovell-play: replayed %d ticks of %u: score %u, level %u, lives %d, state %u\n",
                   game.Frame(), replayed->tick_count, result.score, result.level, result.lives, result.end_state);
      if (static_cast<uint32_t>(game.Frame()) != replayed->tick_count || result.score != replayed->summary.score)
        Fail("the game played again ended otherwise than recorded (score " +
             std::to_string(replayed->summary.score) + ")");
      return 0;
    }
    size_t next = 0;
    std::vector<const TScriptEvent*> due;
    int frame = 1;
    for (; frame <= args.frames && !game.Ended(); ++frame) {
      due.clear();
      while (next < script.size() && script[next].frame < frame) ++next;  // none are skipped: frames start at 1
      while (next < script.size() && script[next].frame == frame) due.push_back(&script[next++]);
      game.RunFrame(due);
      after_frame(frame);
    }
    // The run is shorter than asked for: whoever measures or compares it must know.
    if (frame <= args.frames)
      std::fprintf(stderr, "aerovell-play: the game quit after frame %d of %d\n", frame - 1, args.frames);
    if (!args.record.empty()) {
      game.StopRecording();
      if (!game.FirstGame()) Fail("no game was started to record");
      const replay::TReplay& first = *game.FirstGame();
      WriteFileAtomically(args.record, replay::EncodeReplay(first));
      // Tick K of the replay is frame START + K of this run.
      std::fprintf(stderr, "aerovell-play: recorded the game started in frame %d: %u ticks, score %u\n",
                   game.FirstGameFrame(), first.tick_count, first.summary.score);
    }
  } catch (const EPlayFailure&) {
    throw;
  } catch (const std::exception& error) {
    Fail(error.what());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Play(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "aerovell-play: %s\n", error.what());
    return 1;
  }
}
