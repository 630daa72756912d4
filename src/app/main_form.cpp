#include "app/main_form.h"

#include "platform/game_path.h"

namespace aerovell {
namespace {

constexpr uint32_t kScMaximize = 0xF030;
constexpr uint32_t kHtCaption = 2;

}  // namespace

void LaunchCompanions(Platform& platform) {
  if (GameFileExists("fscommand\\wgame.exe")) platform.ShellOpen(GamePath("fscommand\\wgame.exe").string(), "");
  if (GameFileExists("play.url")) platform.ShellOpen(GamePath("play.url").string(), "target=\"_blank\"");
}

TmainForm::TmainForm(TApplication& application, ConfigFile config_file, TFormOptions options)
    : TDXForm(application.GetPlatform()), TGameCore(application, *this, std::move(config_file), std::move(options)) {}

void TmainForm::ChangeMode() {
  DXDraw.CloseDisplay();
  const bool windowed = Config.Windowed != 0;
  if (windowed) RestorePlacement();
  else StorePlacement();
  DXDraw.SetFullScreen(!windowed);
  DXDraw.OpenDisplay();
  // Centring only means something once the window has left full screen.
  if (windowed) TDXForm::platform_.CenterWindow();
}

void TmainForm::WindowEvent(const Event& event) {
  if (event.type == EventType::kSysCommand) WMGetSysCommand(event.code);
  else if (event.type == EventType::kCaptionDoubleClick) CptClk(event.code);
}

void TmainForm::WMGetSysCommand(uint32_t code) {
  if (code == kScMaximize) {
    Config.Windowed = 0;
    ChangeMode();
    StoreConfig();
    return;
  }
  WMSysCommand(code);
}

void TmainForm::CptClk(uint32_t hit_test) {
  if (hit_test != kHtCaption) return;
  Config.Windowed = 0;
  ChangeMode();
}

}  // namespace aerovell
