#include "platform/fake/fake_platform.h"

#include <algorithm>

#include "platform/fake/baked_fonts.h"

namespace aerovell {

FontRasterizer& SharedTestFonts() {
  static BakedFontRasterizer fonts;
  return fonts;
}

FakePlatform::FakePlatform(FontRasterizer* fonts) : fonts_(fonts ? fonts : &SharedTestFonts()) {}

void FakePlatform::Schedule(uint32_t at_ms, const Event& event) {
  auto pos = std::upper_bound(script_.begin(), script_.end(), at_ms,
                              [](uint32_t t, const ScriptedEvent& e) { return t < e.at_ms; });
  script_.insert(pos, ScriptedEvent{at_ms, event});
}

bool FakePlatform::PollEvent(Event& event) {
  if (script_.empty() || script_.front().at_ms > now_) return false;
  event = script_.front().event;
  script_.pop_front();
  return true;
}

bool FakePlatform::WaitEvent(Event& event, int timeout_ms) {
  const uint32_t deadline = now_ + static_cast<uint32_t>(std::max(timeout_ms, 0));
  if (!script_.empty() && script_.front().at_ms <= deadline) {
    now_ = std::max(now_, script_.front().at_ms);
    return PollEvent(event);
  }
  now_ = deadline;
  return false;
}

DisplayResult FakePlatform::OpenDisplay(bool fs, int, int) {
  display_calls.push_back({true, fs});
  if (fs && refuse_full_screen) return DisplayResult::kModeRefused;
  display_open = true;
  full_screen = fs;
  return DisplayResult::kOk;
}

void FakePlatform::CloseDisplay() {
  display_calls.push_back({false, full_screen});
  display_open = false;
}

void FakePlatform::Present(const Surface& back, bool) {
  ++presented_frames;
  if (keep_frames) last_frame = back;
}

std::vector<int16_t> FakePlatform::PullAudio(int frames) {
  std::vector<int16_t> out(static_cast<size_t>(frames) * 2, 0);
  if (audio_renderer) audio_renderer->RenderAudio(out.data(), frames);
  return out;
}

int FakePlatform::ShowCursor(bool show) {
  ++show_cursor_calls;
  cursor_count += show ? 1 : -1;
  return cursor_count;
}

}  // namespace aerovell
