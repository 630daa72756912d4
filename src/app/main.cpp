#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string_view>

#include "app/main_form.h"
#include "platform/sdl/sdl_platform.h"

namespace {

constexpr const char* kUsage =
    "usage: aerovell [--help] [--version]\n"
    "Plays Aerovell; settings and records are in config.dat in the working directory.\n"
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
