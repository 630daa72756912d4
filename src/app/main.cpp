#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/main_form.h"
#include "platform/sdl/sdl_platform.h"
#include "settings/score_service.h"

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

  SdlPlatform::InstallSignalHandlers();
  try {
    SdlPlatform platform(TmainForm::kCaption);
    bool launch_companions = false;
    bool failed = false;
    {
      TApplication application(platform);
      TmainForm form(application, ConfigFile(), options);
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
