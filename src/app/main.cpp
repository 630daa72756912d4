#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/main_form.h"
#include "platform/sdl/sdl_platform.h"

int main() {
  using namespace aerovell;
  SdlPlatform::InstallSignalHandlers();
  try {
    SdlPlatform platform(TmainForm::kCaption);
    bool launch_companions = false;
    bool failed = false;
    {
      TApplication application(platform);
      TFormOptions options;
      options.ReportStates = std::getenv("AEROVELL_REPORT_STATES") != nullptr;
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
