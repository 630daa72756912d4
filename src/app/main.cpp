#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string_view>

#include "app/main_form.h"
#include "app/window_icon.h"
#include "platform/game_path.h"
#include "platform/sdl/sdl_platform.h"
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
    "usage: aerovell [--help] [--version]\n"
    "Plays Aerovell. Started from its build folder it keeps config.dat there; installed,\n"
    "in $XDG_DATA_HOME/aerovell (~/.local/share/aerovell). AEROVELL_SCORE_HOST=host:port\n"
    "names another score service.\n"
    "  -h, --help  this text\n"
    "  --version   the game's version\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace aerovell;
  // The game itself takes nothing from its command line; these two only
  // answer the question and end.
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("Aerovell %s\n", AEROVELL_VERSION);
      return 0;
    }
  }

  TFormOptions options;
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
    bool launch_companions = false;
    bool failed = false;
    {
      TApplication application(platform);
      TmainForm form(application, ConfigFile(folders.ConfigPath()), options);
      form.FormCreate();
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
