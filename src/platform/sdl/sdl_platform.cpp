#include "platform/sdl/sdl_platform.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include <SDL_syswm.h>

#include "platform/file_reading.h"
#include "platform/gamepad.h"
#include "platform/sdl/vk_keymap.h"

namespace aerovell {
namespace {

// The drivers a player can see a window on. Left to itself SDL would fall back
// to its off-screen driver, and the game would run where nobody can see or
// close it.
constexpr const char* kDisplayDrivers[] = {"x11", "wayland", "kmsdrm"};

// Wayland lives in the session's runtime folder; without one there is nothing
// to probe, and the probe would only print its complaint three times.
bool HasRuntimeFolder() {
  const char* dir = std::getenv("XDG_RUNTIME_DIR");
  std::error_code ec;
  return dir && *dir && std::filesystem::is_directory(dir, ec);
}

// Starts SDL's video on the driver SDL_VIDEODRIVER names or else on the first
// of ours that works; returns why none did, or nothing.
std::string StartVideo() {
  if (const char* named = std::getenv("SDL_VIDEODRIVER"); named && *named)
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 ? std::string() : std::string(named) + ": " + SDL_GetError();
  std::string reasons;
  for (const char* driver : kDisplayDrivers) {
    if (std::strcmp(driver, "wayland") == 0 && !HasRuntimeFolder()) {
      reasons += (reasons.empty() ? "" : "; ") + std::string("wayland: no XDG_RUNTIME_DIR");
      continue;
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return {};
    reasons += (reasons.empty() ? "" : "; ") + std::string(driver) + ": " + SDL_GetError();
  }
  return reasons;
}

extern "C" void OnTerminateSignal(int) { RequestTerminate(); }

// The sound library's own diagnostics: without a sound card, opening the
// device has libasound print eight lines of its search on every start, for a
// game that then simply plays silently. They are kept quiet unless
// AEROVELL_VERBOSE=1 asks for them. SDL loads libasound itself; loading it
// here gives the same library, whose error handler is then replaced.
extern "C" void QuietAlsaError(const char*, int, const char*, int, const char*, ...) {}

void QuietSoundLibrary() {
  if (const char* verbose = std::getenv("AEROVELL_VERBOSE"); verbose && std::strcmp(verbose, "1") == 0) return;
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetHandler = int (*)(Handler);
  // Kept loaded for the life of the process: SDL may unload its own reference.
  void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE);
  if (!alsa) return;  // no libasound: nothing to quieten
  if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"))) set(&QuietAlsaError);
}

uint8_t ModsOf(uint16_t sdl_mods) {
  uint8_t mods = 0;
  if (sdl_mods & KMOD_SHIFT) mods |= kModShift;
  if (sdl_mods & KMOD_CTRL) mods |= kModCtrl;
  if (sdl_mods & KMOD_ALT) mods |= kModAlt;
  return mods;
}

std::optional<GamepadButton> PadButtonOf(uint8_t sdl_button) {
  switch (sdl_button) {
    case SDL_CONTROLLER_BUTTON_A: return GamepadButton::kA;
    case SDL_CONTROLLER_BUTTON_B: return GamepadButton::kB;
    case SDL_CONTROLLER_BUTTON_BACK: return GamepadButton::kBack;
    case SDL_CONTROLLER_BUTTON_START: return GamepadButton::kStart;
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return GamepadButton::kDpadUp;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return GamepadButton::kDpadDown;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return GamepadButton::kDpadLeft;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return GamepadButton::kDpadRight;
    default: return std::nullopt;
  }
}

int ButtonOf(uint8_t sdl_button) {
  switch (sdl_button) {
    case SDL_BUTTON_LEFT: return 1;
    case SDL_BUTTON_RIGHT: return 2;
    case SDL_BUTTON_MIDDLE: return 3;
    default: return 0;
  }
}

// True when the renderer runs on a GL that the processor emulates (no graphics card).
bool IsEmulatedGl(SDL_Renderer* renderer) {
  SDL_RendererInfo info;
  if (SDL_GetRendererInfo(renderer, &info) != 0 || std::strncmp(info.name, "opengl", 6) != 0) return false;
  using GetString = const unsigned char* (*)(unsigned int);
  auto get_string = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
  if (!get_string) return false;
  constexpr unsigned int kGlRenderer = 0x1F01;
  const auto* name = reinterpret_cast<const char*>(get_string(kGlRenderer));
  if (!name) return false;
  for (const char* soft : {"llvmpipe", "softpipe", "Software Rasterizer", "swrast"})
    if (std::strstr(name, soft)) return true;
  return false;
}

// True when one of the kernel's graphics devices may be opened: a DRI render
// or card node, or the NVIDIA driver's control node. Without one no GL runs on
// a graphics card.
bool HasGraphicsDevice() {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("renderD", 0) != 0 && name.rfind("card", 0) != 0) continue;
    const int fd = ::open(entry.path().c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0) {
      ::close(fd);
      return true;
    }
  }
  const int fd = ::open("/dev/nvidiactl", O_RDWR | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

// The X connection of a window on X11, and SDL's own libX11 (already loaded)
// for the few questions SDL does not ask for us; asked through dlsym, so that
// the game does not link X11 itself. Empty for a window elsewhere.
class X11Access {
 public:
  explicit X11Access(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    library_ = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
    if (library_) display_ = info.info.x11.display;
  }
  ~X11Access() {
    if (library_) dlclose(library_);
  }
  X11Access(const X11Access&) = delete;
  X11Access& operator=(const X11Access&) = delete;

  explicit operator bool() const { return display_ != nullptr; }
  Display* display() const { return display_; }
  template <class F>
  F Find(const char* name) const {
    return reinterpret_cast<F>(dlsym(library_, name));
  }

 private:
  void* library_ = nullptr;
  Display* display_ = nullptr;
};

// False for a window on an X server that offers no direct rendering (DRI3,
// DRI2, or NVIDIA's own GLX), as a virtual X server does: its GL is emulated
// whatever the machine has. True elsewhere.
bool X11OffersDirectRendering(SDL_Window* window) {
  const X11Access x11(window);
  if (!x11) return true;
  using QueryExtension = Bool (*)(Display*, const char*, int*, int*, int*);
  const auto query = x11.Find<QueryExtension>("XQueryExtension");
  if (!query) return true;
  for (const char* name : {"DRI3", "DRI2", "NV-GLX"}) {
    int opcode = 0, event = 0, error = 0;
    if (query(x11.display(), name, &opcode, &event, &error)) return true;
  }
  return false;
}

// Whether GL may run on a graphics card here. Where it cannot, SDL's GL
// renderer would run on a GL the processor emulates: loading it costs tens of
// megabytes and a few hundred milliseconds of the start, and its frames are
// slower than blitting to the window, so the software renderer is taken at once.
bool GraphicsCardMayServe(SDL_Window* window) { return HasGraphicsDevice() && X11OffersDirectRendering(window); }

// True for a window on an X server that runs no window manager (a bare X
// server, a kiosk): nobody is there to honour a full-screen request, and the
// window would stay its old size while the picture is scaled for the screen.
bool OnX11WithoutWindowManager(SDL_Window* window) {
  const X11Access x11(window);
  if (!x11) return false;
  using InternAtom = Atom (*)(Display*, const char*, Bool);
  using DefaultRoot = ::Window (*)(Display*);
  using GetProperty = int (*)(Display*, ::Window, Atom, long, long, Bool, Atom, Atom*, int*, unsigned long*,
                              unsigned long*, unsigned char**);
  using Free = int (*)(void*);
  const auto intern = x11.Find<InternAtom>("XInternAtom");
  const auto root = x11.Find<DefaultRoot>("XDefaultRootWindow");
  const auto get = x11.Find<GetProperty>("XGetWindowProperty");
  const auto release = x11.Find<Free>("XFree");
  if (!intern || !root || !get || !release) return false;
  Display* display = x11.display();
  // A window manager that follows the desktop conventions names its check window here.
  const Atom check = intern(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return true;
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  constexpr Atom kWindowType = 33;  // XA_WINDOW
  bool without = false;
  if (get(display, root(display), check, 0, 1, False, kWindowType, &type, &format, &items, &after, &data) == Success)
    without = items == 0;
  if (data) release(data);
  return without;
}

// Milliseconds since the process was started (at the kernel's clock-tick
// resolution), for the start-up report.
double ProcessAgeMs() {
  FILE* stat = std::fopen("/proc/self/stat", "r");
  if (!stat) return -1;
  char buffer[1024];
  const size_t n = std::fread(buffer, 1, sizeof buffer - 1, stat);
  std::fclose(stat);
  buffer[n] = 0;
  const char* p = std::strrchr(buffer, ')');
  if (!p) return -1;
  unsigned long long start_ticks = 0;
  // Field 22 (starttime) is the 20th after the closing parenthesis of the name.
  int field = 2;
  for (const char* c = p + 1; *c && field < 22; ++c)
    if (*c == ' ' && ++field == 22) start_ticks = std::strtoull(c + 1, nullptr, 10);
  timespec now{};
  clock_gettime(CLOCK_BOOTTIME, &now);
  const double hz = static_cast<double>(sysconf(_SC_CLK_TCK));
  return (now.tv_sec + now.tv_nsec / 1e9 - start_ticks / hz) * 1000.0;
}

// Processor time the process has used so far, user and system, for the same
// report: unlike the time since the start, a busy machine does not stretch it.
double ProcessorTimeMs() {
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return -1;
  const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
  return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// How long the main thread was ready to run but waited for a processor: on a
// busy machine the part of the start that is not the game's own doing.
double RunQueueWaitMs() {
  FILE* stat = std::fopen("/proc/self/schedstat", "r");
  if (!stat) return -1;
  unsigned long long running = 0, waiting = 0;
  const bool read = std::fscanf(stat, "%llu %llu", &running, &waiting) == 2;
  std::fclose(stat);
  return read ? waiting / 1e6 : -1;
}

}  // namespace

void SdlPlatform::InstallSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = OnTerminateSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

SdlPlatform::SdlPlatform(std::string title) : title_(std::move(title)) {
  // Our own handlers turn the signals into a quiet exit; SDL's would ask to close.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
  // The software renderer then writes into the window's shared-memory image directly.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (SDL_Init(SDL_INIT_EVENTS) != 0) throw std::runtime_error(std::string("cannot start SDL: ") + SDL_GetError());
  // A busy X server now and then turns a connection away; a second or third
  // try a moment later gets through.
  std::string failed = StartVideo();
  for (int retry = 0; retry < 2 && !failed.empty(); ++retry) {
    SDL_Delay(250);
    failed = StartVideo();
  }
  if (!failed.empty()) {
    SDL_Quit();
    throw std::runtime_error("cannot open a display (" + failed + ")");
  }
  // Wayland lets no program move the pointer; AEROVELL_OWN_POINTER=1 tries the same elsewhere.
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* own = std::getenv("AEROVELL_OWN_POINTER");
  own_pointer_ = (driver && std::string_view(driver) == "wayland") || (own && std::string_view(own) == "1");
  // The game-controller layer brings the joysticks with it and reads extra
  // mappings from SDL_GAMECONTROLLERCONFIG itself.
  if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0) {
    AttachTestPad();
    OpenJoystick();
  }
  QuietSoundLibrary();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) std::fprintf(stderr, "aerovell: sound: %s\n", SDL_GetError());
  SDL_StopTextInput();
}

SdlPlatform::~SdlPlatform() {
  CloseAudio();
  CloseDisplay();
  CloseJoystick();
  if (test_pad_fd_ >= 0) ::close(test_pad_fd_);
  if (window_) SDL_DestroyWindow(window_);
  SDL_Quit();
}

void SdlPlatform::SetWindowIcon(const uint32_t* argb, int size) {
  icon_.assign(argb, argb + static_cast<size_t>(size) * size);
  icon_size_ = size;
  ApplyIcon();
}

void SdlPlatform::ApplyIcon() {
  if (!window_ || icon_.empty()) return;
  SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(icon_.data(), icon_size_, icon_size_, 32, icon_size_ * 4,
                                                         SDL_PIXELFORMAT_ARGB8888);
  if (!icon) return;
  SDL_SetWindowIcon(window_, icon);  // SDL keeps a copy
  SDL_FreeSurface(icon);
}

void SdlPlatform::OpenJoystick() {
  // The first device plays; one SDL knows a mapping for is read as a gamepad.
  if (joystick_ || SDL_NumJoysticks() <= 0) return;
  if (SDL_IsGameController(0)) {
    pad_ = SDL_GameControllerOpen(0);
    if (pad_) joystick_ = SDL_GameControllerGetJoystick(pad_);
  }
  if (!joystick_) joystick_ = SDL_JoystickOpen(0);
  if (test_pad_index_ >= 0 && joystick_) {
    char guid[33];
    SDL_JoystickGetGUIDString(SDL_JoystickGetGUID(joystick_), guid, sizeof guid);
    std::fprintf(stderr, "aerovell: test pad: %s \"%s\" %s\n", pad_ ? "gamepad" : "joystick",
                 SDL_JoystickName(joystick_), guid);
  }
}

void SdlPlatform::CloseJoystick() {
  if (pad_) SDL_GameControllerClose(pad_);  // closes its joystick too
  else if (joystick_) SDL_JoystickClose(joystick_);
  pad_ = nullptr;
  joystick_ = nullptr;
}

// A testing aid: AEROVELL_TEST_PAD=gamepad:FIFO or joystick:FIFO attaches one
// of SDL's virtual devices (a gamepad in the standard layout, or a joystick
// SDL has no mapping for) and sets its buttons and axes from the lines written
// into the named pipe ("b INDEX 0|1", "a INDEX VALUE"; "p 0 0" unplugs it and
// "p 0 1" plugs it in again). The end-to-end test plays a game with it.
void SdlPlatform::AttachTestPad() {
  const char* setting = std::getenv("AEROVELL_TEST_PAD");
  if (!setting) return;
  const std::string_view value(setting);
  const bool gamepad = value.starts_with("gamepad:");
  if (!gamepad && !value.starts_with("joystick:")) {
    std::fprintf(stderr, "aerovell: AEROVELL_TEST_PAD: gamepad:FIFO or joystick:FIFO\n");
    return;
  }
  const std::string fifo(value.substr(value.find(':') + 1));
  test_pad_fd_ = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (test_pad_fd_ < 0) {
    std::fprintf(stderr, "aerovell: AEROVELL_TEST_PAD: %s: %s\n", fifo.c_str(), std::strerror(errno));
    return;
  }
  test_pad_gamepad_ = gamepad;
  PlugTestPad(true);
}

void SdlPlatform::PlugTestPad(bool in) {
  if (in && test_pad_index_ < 0) {
    test_pad_index_ = SDL_JoystickAttachVirtual(
        test_pad_gamepad_ ? SDL_JOYSTICK_TYPE_GAMECONTROLLER : SDL_JOYSTICK_TYPE_UNKNOWN, 6, 15, 0);
    if (test_pad_index_ < 0) std::fprintf(stderr, "aerovell: AEROVELL_TEST_PAD: %s\n", SDL_GetError());
  } else if (!in && test_pad_index_ >= 0) {
    SDL_JoystickDetachVirtual(test_pad_index_);
    test_pad_index_ = -1;
    std::fprintf(stderr, "aerovell: test pad: unplugged\n");
  }
}

void SdlPlatform::FeedTestPad() {
  if (test_pad_fd_ < 0) return;
  char chunk[256];
  const ssize_t n = ::read(test_pad_fd_, chunk, sizeof chunk);
  if (n <= 0) return;
  int rejected = 0;
  for (const TestPadCommand& command : test_pad_feed_.Take(std::string_view(chunk, static_cast<size_t>(n)), rejected)) {
    using Kind = TestPadCommand::Kind;
    if (command.kind == Kind::kPlug) PlugTestPad(command.value == 1);
    else if (!joystick_ || test_pad_index_ < 0) continue;
    else if (command.kind == Kind::kAxis)
      SDL_JoystickSetVirtualAxis(joystick_, command.index, static_cast<Sint16>(command.value));
    else SDL_JoystickSetVirtualButton(joystick_, command.index, static_cast<Uint8>(command.value));
  }
  if (rejected > 0) std::fprintf(stderr, "aerovell: test pad: %d lines ignored\n", rejected);
}

uint32_t SdlPlatform::TicksMs() { return SDL_GetTicks(); }

bool SdlPlatform::PollEvent(Event& event) {
  RetryAudio();
  FeedTestPad();
  if (TerminateRequested()) {
    event = Event{};
    event.type = EventType::kTerminate;
    return true;
  }
  SDL_Event e;
  while (SDL_PollEvent(&e))
    if (Translate(e, event)) return true;
  return false;
}

bool SdlPlatform::WaitEvent(Event& event, int timeout_ms) {
  if (PollEvent(event)) return true;
  SDL_Event e;
  if (SDL_WaitEventTimeout(&e, std::max(timeout_ms, 0)) && Translate(e, event)) return true;
  return PollEvent(event);
}

bool SdlPlatform::Translate(const SDL_Event& in, Event& out) {
  out = Event{};
  switch (in.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      out.type = in.type == SDL_KEYDOWN ? EventType::kKeyDown : EventType::kKeyUp;
      out.key = ScancodeToVk(in.key.keysym.scancode);
      out.mods = ModsOf(in.key.keysym.mod);
      out.repeat = in.key.repeat != 0;
      return out.key != 0;
    case SDL_TEXTINPUT:
      out.type = EventType::kTextInput;
      std::snprintf(out.text.data(), out.text.size(), "%s", in.text.text);
      return true;
    case SDL_MOUSEMOTION:
      out.type = EventType::kMouseMove;
      if (relative_) {
        pointer_x_ += in.motion.xrel;
        pointer_y_ += in.motion.yrel;
        out.x = pointer_x_;
        out.y = pointer_y_;
      } else {
        out.x = in.motion.x;
        out.y = in.motion.y;
      }
      return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      out.type = in.type == SDL_MOUSEBUTTONDOWN ? EventType::kMouseDown : EventType::kMouseUp;
      out.button = ButtonOf(in.button.button);
      out.x = in.button.x;
      out.y = in.button.y;
      return out.button != 0;
    case SDL_JOYDEVICEADDED: OpenJoystick(); return false;
    case SDL_JOYDEVICEREMOVED:
      if (joystick_ && SDL_JoystickInstanceID(joystick_) == in.jdevice.which) {
        CloseJoystick();
        OpenJoystick();
      }
      return false;
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
      if (!pad_ || SDL_JoystickInstanceID(joystick_) != in.cbutton.which) return false;
      const std::optional<GamepadButton> button = PadButtonOf(in.cbutton.button);
      if (!button) return false;
      out.type = in.type == SDL_CONTROLLERBUTTONDOWN ? EventType::kGamepadButtonDown : EventType::kGamepadButtonUp;
      out.button = static_cast<int>(*button);
      return true;
    }
    case SDL_AUDIODEVICEREMOVED:
      if (!in.adevice.iscapture && in.adevice.which == audio_device_) {
        // The output went away (a headset unplugged): reopen on whatever is there now.
        SDL_CloseAudioDevice(audio_device_);
        audio_device_ = 0;
        audio_retry_at_ = SDL_GetTicks();
      }
      return false;
    case SDL_AUDIODEVICEADDED:
      if (!in.adevice.iscapture && audio_renderer_ && !audio_device_) audio_retry_at_ = SDL_GetTicks();
      return false;
    case SDL_QUIT: return false;  // the window's own close event asks the question instead
    case SDL_WINDOWEVENT:
      switch (in.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED: out.type = EventType::kFocusGained; return true;
        case SDL_WINDOWEVENT_FOCUS_LOST: out.type = EventType::kFocusLost; return true;
        case SDL_WINDOWEVENT_CLOSE: out.type = EventType::kCloseRequest; return true;
        case SDL_WINDOWEVENT_MAXIMIZED:
          if (full_screen_) return false;
          SDL_RestoreWindow(window_);
          out.type = EventType::kSysCommand;
          out.command = SysCommand::kMaximize;
          return true;
        default: return false;
      }
    default: return false;
  }
}

DisplayResult SdlPlatform::OpenDisplay(bool full_screen, int width, int height) {
  CloseDisplay();
  if (!window_) {
    window_ = SDL_CreateWindow(title_.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                               SDL_WINDOW_RESIZABLE);
    if (!window_) return DisplayResult::kNoWindow;
    SDL_SetWindowMinimumSize(window_, width / 4, height / 4);
    ApplyIcon();
  }
  SDL_Rect cover{};  // the display the window covers itself, when it must
  if (full_screen) {
    if (OnX11WithoutWindowManager(window_) &&
        SDL_GetDisplayBounds(std::max(SDL_GetWindowDisplayIndex(window_), 0), &cover) == 0) {
      // No one would make the window full screen: it covers the display itself.
      SDL_SetWindowFullscreen(window_, 0);
      SDL_SetWindowBordered(window_, SDL_FALSE);
    } else if (SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) {
      return DisplayResult::kModeRefused;
    }
  } else {
    SDL_SetWindowFullscreen(window_, 0);
    SDL_SetWindowBordered(window_, SDL_TRUE);
    SDL_SetWindowSize(window_, width, height);
  }
  full_screen_ = full_screen;
  // A renderer the player names (SDL_RENDER_DRIVER) is always tried.
  const bool named = SDL_GetHint(SDL_HINT_RENDER_DRIVER) != nullptr;
  if (named || GraphicsCardMayServe(window_)) {
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (renderer_ && !named && IsEmulatedGl(renderer_)) {
      // The card's GL turned out to be emulated after all (an unsupported card).
      SDL_DestroyRenderer(renderer_);
      renderer_ = nullptr;
    }
  }
  if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
  if (!renderer_) return DisplayResult::kNoPrimarySurface;
  // The picture keeps its aspect, letterboxed; SDL maps pointer positions back to it.
  SDL_RenderSetLogicalSize(renderer_, width, height);
  texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width, height);
  if (!texture_) {
    CloseDisplay();
    return DisplayResult::kNoPrimarySurface;
  }
  if (cover.w > 0) {
    // After the renderer: making one may have re-created the window where it was.
    SDL_SetWindowSize(window_, cover.w, cover.h);
    SDL_SetWindowPosition(window_, cover.x, cover.y);
  }
  SDL_ShowWindow(window_);
  if (cover.w > 0) SDL_RaiseWindow(window_);
  return DisplayResult::kOk;
}

void SdlPlatform::CloseDisplay() {
  if (texture_) SDL_DestroyTexture(texture_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  texture_ = nullptr;
  renderer_ = nullptr;
}

void SdlPlatform::Present(const Surface& back, bool wait_vblank) {
  if (!renderer_ || !texture_) return;
  SDL_RenderSetVSync(renderer_, wait_vblank ? 1 : 0);
  SDL_UpdateTexture(texture_, nullptr, back.Pixels().data(), back.Width() * 4);
  // Only a letterboxed picture leaves borders to clear.
  int out_w = 0, out_h = 0;
  SDL_GetRendererOutputSize(renderer_, &out_w, &out_h);
  if (out_w != back.Width() || out_h != back.Height()) {
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
  }
  SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
  SDL_RenderPresent(renderer_);
  if (!first_frame_reported_) {
    first_frame_reported_ = true;
    // A measuring aid: AEROVELL_REPORT_STARTUP=1 tells how long the first picture took.
    if (std::getenv("AEROVELL_REPORT_STARTUP"))
      std::fprintf(stderr,
                   "aerovell: first frame presented %.0f ms after the process started (%.0f ms of processor "
                   "time, %.0f ms waiting for a processor)\n",
                   ProcessAgeMs(), ProcessorTimeMs(), RunQueueWaitMs());
  }
}

bool SdlPlatform::IsForeground() { return window_ && (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS); }

std::optional<WindowPlacement> SdlPlatform::GetPlacement() {
  if (!window_) return std::nullopt;
  WindowPlacement p;
  SDL_GetWindowPosition(window_, &p.x, &p.y);
  SDL_GetWindowSize(window_, &p.width, &p.height);
  return p;
}

void SdlPlatform::SetPlacement(const WindowPlacement& p) {
  if (!window_) return;
  SDL_SetWindowSize(window_, p.width, p.height);
  SDL_SetWindowPosition(window_, p.x, p.y);
}

void SdlPlatform::CenterWindow() {
  if (window_) SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
}

void SdlPlatform::MinimizeWindow() {
  if (window_) SDL_MinimizeWindow(window_);
}

int SdlPlatform::ShowCursor(bool show) {
  cursor_count_ += show ? 1 : -1;
  SDL_ShowCursor(cursor_count_ >= 0 ? SDL_ENABLE : SDL_DISABLE);
  const bool relative = own_pointer_ && cursor_count_ < 0;
  if (relative != relative_ && SDL_SetRelativeMouseMode(relative ? SDL_TRUE : SDL_FALSE) == 0) relative_ = relative;
  return cursor_count_;
}

void SdlPlatform::WarpPointer(int x, int y) {
  if (relative_) {
    pointer_x_ = x;
    pointer_y_ = y;
    return;
  }
  if (!window_ || !renderer_) return;
  int wx = x, wy = y;
  SDL_RenderLogicalToWindow(renderer_, static_cast<float>(x), static_cast<float>(y), &wx, &wy);
  SDL_WarpMouseInWindow(window_, wx, wy);
}

void SdlPlatform::GetPointerPosition(int& x, int& y) {
  if (relative_) {
    x = pointer_x_;
    y = pointer_y_;
    return;
  }
  int wx = 0, wy = 0;
  SDL_GetMouseState(&wx, &wy);
  float lx = static_cast<float>(wx), ly = static_cast<float>(wy);
  if (renderer_) SDL_RenderWindowToLogical(renderer_, wx, wy, &lx, &ly);
  x = static_cast<int>(lx);
  y = static_cast<int>(ly);
}

void SdlPlatform::ReadKeyboard(std::array<uint8_t, 256>& state) {
  state.fill(0);
  int count = 0;
  const Uint8* keys = SDL_GetKeyboardState(&count);
  for (int sc = 0; sc < count; ++sc)
    if (keys[sc]) {
      const uint16_t vk = ScancodeToVk(static_cast<SDL_Scancode>(sc));
      if (vk && vk < 256) state[vk] = 0x80;
    }
}

JoystickReading SdlPlatform::ReadJoystick() {
  JoystickReading r;
  if (!joystick_) return r;
  SDL_JoystickUpdate();
  if (pad_) {
    GamepadReading pad;
    pad.left_x = SDL_GameControllerGetAxis(pad_, SDL_CONTROLLER_AXIS_LEFTX);
    pad.left_y = SDL_GameControllerGetAxis(pad_, SDL_CONTROLLER_AXIS_LEFTY);
    pad.left_trigger = SDL_GameControllerGetAxis(pad_, SDL_CONTROLLER_AXIS_TRIGGERLEFT);
    pad.right_trigger = SDL_GameControllerGetAxis(pad_, SDL_CONTROLLER_AXIS_TRIGGERRIGHT);
    for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; ++b)
      if (const auto button = PadButtonOf(static_cast<uint8_t>(b)))
        pad.held[static_cast<size_t>(*button)] =
            SDL_GameControllerGetButton(pad_, static_cast<SDL_GameControllerButton>(b)) != 0;
    return JoystickFromGamepad(pad);
  }
  r.present = true;
  r.axis_min = 0;
  r.axis_max = 65535;
  const int axes = SDL_JoystickNumAxes(joystick_);
  auto axis = [&](int i) { return i < axes ? SDL_JoystickGetAxis(joystick_, i) + 32768 : 32767; };
  r.x = axis(0);
  r.y = axis(1);
  r.z = axis(2);
  const int buttons = std::min(SDL_JoystickNumButtons(joystick_), 32);
  for (int b = 0; b < buttons; ++b)
    if (SDL_JoystickGetButton(joystick_, b)) r.buttons |= 1u << b;
  return r;
}

void SdlPlatform::AudioCallback(void* self, Uint8* stream, int bytes) {
  auto* platform = static_cast<SdlPlatform*>(self);
  platform->audio_renderer_->RenderAudio(reinterpret_cast<int16_t*>(stream), bytes / 4);
}

bool SdlPlatform::OpenAudioDevice() {
  SDL_AudioSpec want{}, have{};
  // A reopened device keeps the rate the mixer already works at.
  want.freq = audio_rate_ ? audio_rate_ : 48000;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = 1024;
  want.callback = &SdlPlatform::AudioCallback;
  want.userdata = this;
  audio_device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, audio_rate_ ? 0 : SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
  if (!audio_device_) return false;
  audio_rate_ = have.freq;
  SDL_PauseAudioDevice(audio_device_, 0);
  return true;
}

int SdlPlatform::OpenAudio(AudioRenderer* renderer) {
  CloseAudio();
  audio_renderer_ = renderer;
  audio_rate_ = 0;
  if (!OpenAudioDevice()) {
    audio_renderer_ = nullptr;  // no device: the game plays silently
    return 0;
  }
  return audio_rate_;
}

void SdlPlatform::RetryAudio() {
  if (!audio_renderer_ || audio_device_ || audio_retry_at_ == 0 || SDL_GetTicks() < audio_retry_at_) return;
  if (!OpenAudioDevice()) audio_retry_at_ = SDL_GetTicks() + 2000;
  else audio_retry_at_ = 0;
}

void SdlPlatform::CloseAudio() {
  if (audio_device_) SDL_CloseAudioDevice(audio_device_);
  audio_device_ = 0;
  audio_renderer_ = nullptr;
  audio_retry_at_ = 0;
}

void SdlPlatform::SetTextInput(bool on) {
  if (on) SDL_StartTextInput();
  else SDL_StopTextInput();
}

bool SdlPlatform::MessageBox(const std::string& title, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
  // Without the X core fonts, for one, SDL cannot show its box.
  return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), window_) == 0;
}

void SdlPlatform::ShellOpen(const std::string& target, const std::string&) {
  // The desktop's opener takes one address; local files become file: URLs.
  std::string url = target;
  if (target.find("://") == std::string::npos) {
    std::error_code ec;
    url = "file://" + std::filesystem::absolute(target, ec).string();
  }
  SDL_OpenURL(url.c_str());
}

}  // namespace aerovell
