#include "app/main_form.h"

#include "platform/game_path.h"

namespace aerovell {
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
  if (event.type == EventType::kSysCommand) WMGetSysCommand(event.command);
  else if (event.type == EventType::kCaptionDoubleClick) CptClk(event.area);
}

void TmainForm::WMGetSysCommand(SysCommand command) {
  if (command == SysCommand::kMaximize) {
    Config.Windowed = 0;
    ChangeMode();
    StoreConfig();
    return;
  }
  WMSysCommand(command);
}

void TmainForm::CptClk(FrameArea area) {
  if (area != FrameArea::kCaption) return;
  Config.Windowed = 0;
  ChangeMode();
}

}  // namespace aerovell
