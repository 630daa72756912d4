#include <cstdio>
#include <cstdlib>
#include <exception>

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

int main() {
  using namespace aerovell;
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
