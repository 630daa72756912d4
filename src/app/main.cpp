#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <fstream>
#include <iterator>
#include <string_view>

#include "app/main_form.h"
#include "core/game_recorder.h"
#include "core/input_seam.h"
#include "core/replay_driver.h"
#include "core/replay_folder.h"
#include "core/rules_version.h"
#include "app/window_icon.h"
#include "platform/game_path.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/temp_folder.h"
#include "settings/game_folders.h"
#include "settings/score_service.h"

#ifndef AEROVELL_INSTALL_DATA_DIR
#define AEROVELL_INSTALL_DATA_DIR ""
#endif
#ifndef AEROVELL_DATA_DIR_FROM_BIN
#define AEROVELL_DATA_DIR_FROM_BIN ""
#endif

namespace {

constexpr const char* kUsage =
    "usage: aerovell [--help] [--version] [--replay FILE]\n"
    "Plays Aerovell. Started from its build folder it keeps config.dat and the replays of\n"
    "its games (replays/) there; installed, in $XDG_DATA_HOME/aerovell\n"
    "(~/.local/share/aerovell). AEROVELL_SCORE_HOST=host:port names another score service.\n"
    "  -h, --help     this text\n"
    "  --version      the game's version\n"
    "  --replay FILE  watch a replay's game: Esc leaves, P pauses, F plays at double speed\n";

constexpr uint16_t kVkF = 0x46;
constexpr uint16_t kVkP = 0x50;

// A replay file's bytes, read no further than the largest replay.
std::vector<uint8_t> ReadReplayFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read \"" + path + "\"");
  std::vector<uint8_t> bytes(aerovell::replay::kMaxFileSize + 1);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

// A settings file of the watched game's own, with the watcher's window mode.
class WatchFolder {
 public:
  explicit WatchFolder(const std::filesystem::path& player_config) {
    std::error_code ec;
    std::filesystem::copy_file(player_config, ConfigPath(), ec);
  }
  std::filesystem::path ConfigPath() const { return folder_.Path() / "config.dat"; }

 private:
  aerovell::TempFolder folder_{"aerovell-watch"};
};

// Plays the replay in the window as it was played: Esc or the close box
// leaves, P pauses, F switches double speed. The game hears none of these.
int Watch(aerovell::SdlPlatform& platform, const aerovell::replay::TReplay& replay,
          const aerovell::GameFolders& folders, aerovell::TFormOptions options) {
  using namespace aerovell;
  WatchFolder folder(folders.ConfigPath());
  TInputSeam seam(platform);
  TApplication application(seam);
  TmainForm form(application, ConfigFile(folder.ConfigPath()), options);
  form.HTTPClient1.SetOffline(true);
  SeamOnCore(seam, form);
  form.FormCreate();
  if (form.StartupFailed()) return 1;
  TReplayDriver driver(application, form, seam, replay);
  driver.Start();
  bool paused = false;
  int speed = 1;
  uint32_t due = platform.TicksMs();
  for (;;) {
    Event e;
    const uint32_t now = platform.TicksMs();
    const int wait = driver.Done() || paused ? 100 : std::max(0, static_cast<int>(due - now));
    if (platform.WaitEvent(e, wait)) {
      if (e.type == EventType::kTerminate || e.type == EventType::kCloseRequest) break;
      if (e.type == EventType::kKeyDown && !e.repeat) {
        if (e.key == vk::kEscape) break;
        if (e.key == kVkP) paused = !paused, due = platform.TicksMs();
        if (e.key == kVkF) speed = speed == 1 ? 2 : 1;
      }
      continue;
    }
    if (paused || driver.Done() || static_cast<int>(platform.TicksMs() - due) < 0) continue;
    // At double speed two ticks share a frame and only the second is drawn.
    for (int i = 0; i < speed && !driver.Done(); ++i) {
      form.Game.Drawing = i + 1 == speed;
      due += driver.NextLagCount() * kReplayTickMs / static_cast<uint32_t>(speed);
      driver.Step();
    }
    form.Game.Drawing = true;
    if (application.Failed()) return 1;
  }
  return 0;
}

// Keeps each game the player plays in the replay folder; a failure to write
// is told on standard error and changes nothing of the game.
void KeepReplay(const aerovell::replay::TReplay& replay, const aerovell::GameFolders& folders,
                const aerovell::TConfig& config) {
  using namespace aerovell;
  std::array<uint16_t, kHighScoreCount> table{};
  for (int i = 0; i < kHighScoreCount; ++i) table[static_cast<size_t>(i)] = config.HighScores[i].Score;
  try {
    StoreReplay(folders.user / "replays", replay, table, std::time(nullptr));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "aerovell: the replay of this game is not kept: %s\n", error.what());
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace aerovell;
  // The game itself takes nothing from its command line but a replay to watch;
  // these two only answer the question and end.
  std::optional<replay::TReplay> watched;
  std::string replay_error;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--replay") {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "aerovell: --replay needs a file\n%s", kUsage);
        return 1;
      }
      const std::string path = argv[++i];
      try {
        watched = replay::DecodeReplay(ReadReplayFile(path), kRulesVersion);
      } catch (const std::exception& error) {
        replay_error = path + ": " + error.what();
      }
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("Aerovell %s\n", AEROVELL_VERSION);
      return 0;
    }
    std::fprintf(stderr, "aerovell: unknown argument \"%.200s\"\n%s", argv[i], kUsage);
    return 1;
  }


  TFormOptions options;
  // The generator is seeded from the time of day. The time since start-up,
  // which the core falls back on, is much the same on every start, so the
  // first games of many players would be one and the same game (and the
  // online table could not tell one player's replay from another's).
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto ns = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count());
  options.Seed = static_cast<uint32_t>(ns ^ (ns >> 32) ^ (static_cast<uint64_t>(getpid()) << 16));
  options.ReportStates = std::getenv("AEROVELL_REPORT_STATES") != nullptr;
  if (const char* host = std::getenv(kScoreHostVariable)) {
    std::string reason;
    options.ScoreHost = CheckScoreHost(host, reason);
    if (!options.ScoreHost) {
      std::fprintf(stderr, "aerovell: %s=\"%.300s\" is no score service address: %s\n", kScoreHostVariable, host,
                   reason.c_str());
      return 1;
    }
  }

  std::string problem;
  const GameFolders folders =
      ChooseGameFolders(StartupClues(AEROVELL_INSTALL_DATA_DIR, AEROVELL_DATA_DIR_FROM_BIN), problem);
  if (!problem.empty()) std::fprintf(stderr, "aerovell: %s\n", problem.c_str());
  // A folder that cannot be made is reported here; reading config.dat then
  // fails with the file's name, on the game's own error screen.
  if (!folders.user.empty() && !MakePrivateFolder(folders.user, problem))
    std::fprintf(stderr, "aerovell: %s\n", problem.c_str());
  SetGameFolder(folders.data);

  SdlPlatform::InstallSignalHandlers();
  try {
    SdlPlatform platform(TmainForm::kCaption);
    const WindowIconPixels icon = WindowIcon();
    platform.SetWindowIcon(icon.argb, icon.size);
    if (!replay_error.empty()) {
      // Refused before the game starts: said in a box and on standard error.
      platform.MessageBox(TmainForm::kCaption, replay_error);
      return 1;
    }
    if (watched) return Watch(platform, *watched, folders, options);
    bool launch_companions = false;
    bool failed = false;
    {
      TInputSeam seam(platform);
      TApplication application(seam);
      TmainForm form(application, ConfigFile(folders.ConfigPath()), options);
      SeamOnCore(seam, form);
      form.FormCreate();
      TGameRecorder recorder(form, seam, kGameVersion);
      recorder.OnGameRecorded = [&](const replay::TReplay& game) {
        KeepReplay(game, folders, form.Config);
        SendReplayOfRecord(form, game);
      };
      application.Run(form);
      // A signal ends the game quietly: no question, no companion launches.
      launch_companions = !application.TerminatedBySignal() && !application.Failed();
      failed = application.Failed();
    }
    if (launch_companions) LaunchCompanions(platform);
    if (failed) return 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "aerovell: %s\n", error.what());
    return 1;
  }
  return 0;
}
