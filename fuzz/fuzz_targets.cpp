#include "fuzz_targets.h"

#include <span>

#include "engine/bitmap_decoder.h"
#include "engine/picture_collection.h"
#include "online/cookie_store.h"
#include "online/http_error.h"
#include "online/http_response_head.h"
#include "online/http_url.h"
#include "play/input_script.h"
#include "platform/gamepad.h"
#include "sound/mixer.h"
#include "sound/wave_collection.h"

namespace aerovell::fuzz {

void ObjectStream(const uint8_t* data, size_t size) {
  TPictureCollection pictures;
  try {
    pictures.LoadFromBytes(std::span(data, size));
  } catch (const EGameError&) {}
  // Whatever loaded must be usable: lay out every item and draw it.
  Surface dest(64, 64);
  for (int i = 0; i < pictures.Count(); ++i) {
    auto& item = pictures.Item(i);
    item.MarkPrepared();
    item.Prepare();
    for (int k = 0; k < std::min(item.NumPatterns(), 4); ++k) {
      item.DrawPattern(dest, -3, 5, k);
      item.DrawPatternRotated(dest, 30, 30, 17, 23, k, 0.5, 0.5, 37 * k);
    }
  }
}

void Bitmap(const uint8_t* data, size_t size) {
  try {
    const DecodedImage image = DecodePictureData(std::span(data, size));
    if (!image.Empty() && image.pixels.size() != static_cast<size_t>(image.width) * image.height) __builtin_trap();
  } catch (const EGameError&) {}
}

}  // namespace aerovell::fuzz

namespace aerovell::fuzz {

void SoundLibrary(const uint8_t* data, size_t size) {
  TWaveCollection waves;
  try {
    waves.LoadFromBytes(std::span(data, size));
  } catch (const EGameError&) {}
  // Whatever loaded must play: make a voice of every playable wave and mix a little.
  // The game plays every sound at its own rate (frequency 0) on a device that
  // runs at 48 kHz, so that is what most voices get: a wave's rate, anything
  // from 100 Hz to 384 kHz, then decides how fast it is read. Every other
  // voice gets a frequency of its own, looping or not.
  Mixer mixer;
  mixer.SetOutputRate(48000);
  for (int i = 0; i < waves.Count(); ++i) {
    const TWaveData& wave = waves.Item(i).Wave.data;
    WaveFormat format;
    if (!ParsePcmFormat(wave.format, format)) continue;
    const Mixer::VoiceId voice = mixer.CreateVoice(format, wave.samples);
    if (i % 4 >= 2) mixer.SetFrequency(voice, static_cast<uint32_t>(wave.samples.size() * 37 % 384000));
    mixer.Play(voice, i % 2 == 0 || waves.Item(i).Looped());
  }
  int16_t out[2 * 1024];
  mixer.RenderAudio(out, 1024);
}

}  // namespace aerovell::fuzz

namespace aerovell::fuzz {

void HttpHead(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  THTTPResponseHead head;
  try {
    // Lines as libcurl hands them over: each up to and including its LF.
    for (size_t at = 0; at < bytes.size();) {
      const size_t end = bytes.find('\n', at);
      const size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
      head.TakeLine(bytes.substr(at, next - at));
      at = next;
    }
  } catch (const EHTTPError&) {}
  if (head.Complete() && head.Code() == 100) __builtin_trap();
  if (head.StatusLine().size() > THTTPResponseHead::kMaxLineLength) __builtin_trap();

  // Whatever the answer set must go back as one clean header line, bounded.
  TCookieStore store;
  for (const std::string& value : head.SetCookies()) store.Store("host", value);
  const std::string cookie = store.CookieHeader("HOST");
  for (char c : cookie)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) __builtin_trap();
  constexpr size_t kLongestCookieHeader = TCookieStore::kMaxCookiesPerHost * (TCookieStore::kMaxCookieLength + 2);
  if (cookie.size() > kLongestCookieHeader) __builtin_trap();

  // The same bytes as a URL: whatever is accepted can be sent.
  try {
    const THTTPUrl url = SplitUrl(bytes);
    if (url.target.empty() || url.target.front() != '/' || url.host.empty()) __builtin_trap();
    for (char c : url.target)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) __builtin_trap();
  } catch (const EHTTPError&) {}
}

void InputScript(const uint8_t* data, size_t size) {
  try {
    const auto events = play::ParseInputScript(std::string_view(reinterpret_cast<const char*>(data), size));
    // What it takes comes back in frame order, every frame from 1, each key a byte.
    for (size_t i = 0; i < events.size(); ++i) {
      if (events[i].frame < 1 || (i > 0 && events[i].frame < events[i - 1].frame)) __builtin_trap();
      if (events[i].key < 0 || events[i].key > 255) __builtin_trap();
    }
  } catch (const play::EScriptError&) {}
}

void TestPad(const uint8_t* data, size_t size) {
  if (size == 0) return;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const size_t cut = std::min<size_t>(data[0], bytes.size());
  TestPadFeed feed;
  int rejected = 0;
  std::vector<TestPadCommand> commands = feed.Take(bytes.substr(0, cut), rejected);
  const auto rest = feed.Take(bytes.substr(cut), rejected);
  commands.insert(commands.end(), rest.begin(), rest.end());
  // Whatever it takes is within the virtual device's bounds.
  for (const TestPadCommand& c : commands) {
    if (c.index < 0 || c.index > 31) __builtin_trap();
    const bool axis = c.kind == TestPadCommand::Kind::kAxis;
    if (axis ? (c.value < -32768 || c.value > 32767) : (c.value != 0 && c.value != 1)) __builtin_trap();
  }
}

}  // namespace aerovell::fuzz
