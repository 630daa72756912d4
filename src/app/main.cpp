#include <cstdio>
#include <exception>

#include "app/main_form.h"
#include "platform/sdl/sdl_platform.h"

int main() {
  using namespace aerovell;
  SdlPlatform::InstallSignalHandlers();
  try {
    SdlPlatform platform(TmainForm::kCaption);
    bool launch_companions = false;
    {
      TApplication application(platform);
      TmainForm form(application);
      form.FormCreate();
      application.Run(form);
      // A signal ends the game quietly: no question, no companion launches.
      launch_companions = !application.TerminatedBySignal();
    }
    if (launch_companions) LaunchCompanions(platform);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "aerovell: %s\n", error.what());
    return 1;
  }
  return 0;
}
