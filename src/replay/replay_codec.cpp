// The replay file: a small plain header, the content packed with zlib, and a
// CRC-32 over all of it. The layout is described in README.md.
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "replay/replay.h"
#include "replay/varint.h"

namespace aerovell::replay {
namespace {

constexpr uint8_t kMagic[4] = {'A', 'V', 'R', 'P'};
// Magic, format version and rules version come first, so that even a replay
// of a later layout can be named in a refusal.
constexpr size_t kFixedHeadSize = 4 + 2 + 4;
constexpr size_t kCrcSize = 4;
constexpr uint64_t kInputStateMask = (uint64_t{1} << kInputStateCount) - 1;

bool UsesCode(TInputKind k) {
  return k == TInputKind::kKeyDown || k == TInputKind::kKeyRepeat || k == TInputKind::kKeyUp ||
         k == TInputKind::kMouseDown || k == TInputKind::kMouseUp || k == TInputKind::kFocus || k == TInputKind::kPause;
}
bool UsesPoint(TInputKind k) { return k == TInputKind::kMouseMove || k == TInputKind::kJoystickAxes; }

// What is wrong with an event apart from its tick, or nothing. The writer and
// the reader hold events to the same rules, so whatever one writes the other
// reads back the same.
const char* EventFault(const TInputEvent& e) {
  const int kind = static_cast<int>(e.kind);
  if (kind < 0 || kind >= kInputKindCount) return "unknown input kind";
  if (!UsesCode(e.kind) && e.code != 0) return "input code on an event without one";
  if (!UsesPoint(e.kind) && (e.x != 0 || e.y != 0)) return "position on an event without one";
  if (e.kind != TInputKind::kJoystickButtons && e.buttons != 0) return "joystick buttons on another event";
  switch (e.kind) {
    case TInputKind::kKeyDown:
    case TInputKind::kKeyRepeat:
    case TInputKind::kKeyUp:
      if (e.code == 0) return "key code 0";
      break;
    case TInputKind::kMouseDown:
    case TInputKind::kMouseUp:
      if (e.code < 1 || e.code > 3) return "mouse button other than 1, 2 or 3";
      break;
    case TInputKind::kFocus:
    case TInputKind::kPause:
      if (e.code > 1) return "switch other than 0 or 1";
      break;
    default: break;
  }
  return nullptr;
}

bool PrintableAscii(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

[[noreturn]] void Refuse(const std::string& why) { throw EReplayError("Cannot write the replay: " + why); }

// Everything the writer refuses, checked before a byte is written.
void CheckWritable(const TReplay& r) {
  if (r.tick_count > kMaxTicks) Refuse("more than " + std::to_string(kMaxTicks) + " ticks");
  if (r.events.size() > kMaxEvents) Refuse("more than " + std::to_string(kMaxEvents) + " input events");
  if (r.start.input_states > kInputStateMask || r.start.input_states_polled > kInputStateMask)
    Refuse("input states beyond the 36 the game has");
  if (r.start.input.mouse_buttons > 7) Refuse("mouse buttons beyond the three the game knows");
  if (r.start.input.keys[0]) Refuse("key code 0 held");
  if (r.summary.player_name.size() > kMaxNameLength || r.summary.country.size() > kMaxNameLength)
    Refuse("a name or country longer than 10 characters");
  if (r.summary.record_rank > 11) Refuse("a record rank beyond 11");
  for (size_t i = 0; i < r.lags.size(); ++i) {
    const TLag& lag = r.lags[i];
    if (lag.tick >= r.tick_count || (i > 0 && lag.tick <= r.lags[i - 1].tick)) Refuse("move counts out of tick order");
    if (lag.count < 2 || lag.count > kMaxLagCount)
      Refuse("a move count of " + std::to_string(lag.count) + " (a tick's own from 2 to " +
             std::to_string(kMaxLagCount) + ")");
  }
  size_t in_tick = 0;
  for (size_t i = 0; i < r.events.size(); ++i) {
    const TInputEvent& e = r.events[i];
    if (e.tick >= r.tick_count || (i > 0 && e.tick < r.events[i - 1].tick)) Refuse("input events out of tick order");
    in_tick = i > 0 && e.tick == r.events[i - 1].tick ? in_tick + 1 : 1;
    if (in_tick > kMaxEventsPerTick) Refuse("more than " + std::to_string(kMaxEventsPerTick) + " events in a tick");
    if (const char* fault = EventFault(e)) Refuse(fault);
  }
}

// A mouse or a stick moves smoothly, so its positions are written as steps from
// the one before of the same kind (from the start's at first): small numbers
// that pack well.
struct TLastPoints {
  int32_t mouse_x, mouse_y, joystick_x, joystick_y;
  explicit TLastPoints(const TInputState& s)
      : mouse_x(s.pointer_x), mouse_y(s.pointer_y), joystick_x(s.joystick_x), joystick_y(s.joystick_y) {}
  std::pair<int32_t&, int32_t&> Of(TInputKind kind) {
    if (kind == TInputKind::kMouseMove) return {mouse_x, mouse_y};
    return {joystick_x, joystick_y};
  }
};

void WriteEvent(TByteWriter& w, const TInputEvent& e, TLastPoints& last) {
  const auto kind = static_cast<uint8_t>(e.kind);
  switch (e.kind) {
    case TInputKind::kKeyDown:
    case TInputKind::kKeyRepeat:
    case TInputKind::kKeyUp:
      w.U8(kind);
      w.U8(e.code);
      break;
    case TInputKind::kMouseDown:
    case TInputKind::kMouseUp:
    case TInputKind::kFocus:
    case TInputKind::kPause: w.U8(static_cast<uint8_t>(kind | e.code << 4)); break;
    case TInputKind::kMouseMove:
    case TInputKind::kJoystickAxes: {
      w.U8(kind);
      auto [x, y] = last.Of(e.kind);
      w.SignedVar(e.x - x);
      w.SignedVar(e.y - y);
      x = e.x;
      y = e.y;
      break;
    }
    case TInputKind::kJoystickButtons:
      w.U8(kind);
      w.Var(e.buttons);
      break;
    case TInputKind::kClose: w.U8(kind); break;
  }
}

TInputEvent ReadEvent(TByteReader& r, uint32_t tick, TLastPoints& last) {
  TInputEvent e;
  e.tick = tick;
  const uint8_t head = r.U8("input event");
  if ((head & 0x0F) >= kInputKindCount) r.Fail("unknown input kind " + std::to_string(head & 0x0F));
  e.kind = static_cast<TInputKind>(head & 0x0F);
  const uint8_t inline_code = head >> 4;
  switch (e.kind) {
    case TInputKind::kKeyDown:
    case TInputKind::kKeyRepeat:
    case TInputKind::kKeyUp: e.code = r.U8("key code"); break;
    case TInputKind::kMouseDown:
    case TInputKind::kMouseUp:
    case TInputKind::kFocus:
    case TInputKind::kPause: e.code = inline_code; break;
    case TInputKind::kMouseMove:
    case TInputKind::kJoystickAxes: {
      // Each step keeps the position within 16 bits.
      auto [x, y] = last.Of(e.kind);
      x += static_cast<int32_t>(r.SignedVar("x step", INT16_MIN - x, INT16_MAX - x));
      y += static_cast<int32_t>(r.SignedVar("y step", INT16_MIN - y, INT16_MAX - y));
      e.x = static_cast<int16_t>(x);
      e.y = static_cast<int16_t>(y);
      break;
    }
    case TInputKind::kJoystickButtons: e.buttons = static_cast<uint32_t>(r.Var("joystick buttons", UINT32_MAX)); break;
    case TInputKind::kClose: break;
  }
  const bool has_inline = e.kind == TInputKind::kMouseDown || e.kind == TInputKind::kMouseUp ||
                          e.kind == TInputKind::kFocus || e.kind == TInputKind::kPause;
  if (!has_inline && inline_code != 0) r.Fail("stray bits on an input event");
  if (const char* fault = EventFault(e)) r.Fail(fault);
  return e;
}

void WriteInputState(TByteWriter& w, const TInputState& s) {
  w.Var(s.keys.count());
  int previous = 0;
  for (int k = 1; k < 256; ++k) {
    if (!s.keys[k]) continue;
    w.Var(static_cast<uint64_t>(k - previous));
    previous = k;
  }
  w.U8(s.mouse_buttons);
  w.SignedVar(s.pointer_x);
  w.SignedVar(s.pointer_y);
  w.SignedVar(s.joystick_x);
  w.SignedVar(s.joystick_y);
  w.Var(s.joystick_buttons);
  w.U8(static_cast<uint8_t>((s.focused ? 1 : 0) | (s.paused ? 2 : 0)));
}

TInputState ReadInputState(TByteReader& r) {
  TInputState s;
  const auto held = r.Var("held key count", 255);
  int key = 0;
  for (uint64_t i = 0; i < held; ++i) {
    // Ascending codes as steps from the one before; each step at least 1.
    key += static_cast<int>(r.Var("held key step", 255));
    if (key == 0 || key > 255 || s.keys[key]) r.Fail("held keys out of order");
    s.keys[key] = true;
  }
  s.mouse_buttons = r.U8("mouse buttons");
  if (s.mouse_buttons > 7) r.Fail("mouse buttons beyond three");
  s.pointer_x = static_cast<int16_t>(r.SignedVar("pointer x", INT16_MIN, INT16_MAX));
  s.pointer_y = static_cast<int16_t>(r.SignedVar("pointer y", INT16_MIN, INT16_MAX));
  s.joystick_x = static_cast<int16_t>(r.SignedVar("joystick x", INT16_MIN, INT16_MAX));
  s.joystick_y = static_cast<int16_t>(r.SignedVar("joystick y", INT16_MIN, INT16_MAX));
  s.joystick_buttons = static_cast<uint32_t>(r.Var("joystick buttons", UINT32_MAX));
  const uint8_t flags = r.U8("input flags");
  if (flags > 3) r.Fail("unknown input flags");
  s.focused = flags & 1;
  s.paused = flags & 2;
  return s;
}

void WriteStart(TByteWriter& w, const TStartState& s) {
  w.Var(s.random_state);
  w.Var(s.enemy_spawn_delay);
  w.Var(s.bonus_spawn_delay);
  for (int32_t t : {s.weapon_time, s.shield_time, s.bomb_time, s.pickup_time}) w.SignedVar(t);
  for (uint8_t step : {s.mouse_step_left, s.mouse_step_right, s.mouse_step_up, s.mouse_step_down}) w.U8(step);
  w.U8(static_cast<uint8_t>((s.mouse_left_down ? 1 : 0) | (s.mouse_right_down ? 2 : 0) | (s.key_latch ? 4 : 0)));
  w.Var(s.input_states);
  w.Var(s.input_states_polled);
  WriteInputState(w, s.input);
}

TStartState ReadStart(TByteReader& r) {
  TStartState s;
  s.random_state = r.Var("random state", UINT64_MAX);
  s.enemy_spawn_delay = static_cast<uint16_t>(r.Var("enemy spawn delay", UINT16_MAX));
  s.bonus_spawn_delay = static_cast<uint16_t>(r.Var("bonus spawn delay", UINT16_MAX));
  for (int32_t* t : {&s.weapon_time, &s.shield_time, &s.bomb_time, &s.pickup_time})
    *t = static_cast<int32_t>(r.SignedVar("bonus time", INT32_MIN, INT32_MAX));
  for (uint8_t* step : {&s.mouse_step_left, &s.mouse_step_right, &s.mouse_step_up, &s.mouse_step_down})
    *step = r.U8("mouse step");
  const uint8_t flags = r.U8("start flags");
  if (flags > 7) r.Fail("unknown start flags");
  s.mouse_left_down = flags & 1;
  s.mouse_right_down = flags & 2;
  s.key_latch = flags & 4;
  s.input_states = r.Var("input states", kInputStateMask);
  s.input_states_polled = r.Var("polled input states", kInputStateMask);
  s.input = ReadInputState(r);
  return s;
}

void WriteSettings(TByteWriter& w, const TPlaySettings& s) {
  w.U8(static_cast<uint8_t>((s.windowed ? 1 : 0) | (s.music_on ? 2 : 0) | (s.sound_on ? 4 : 0)));
  w.Var(s.hot_key);
  for (uint16_t score : s.table_scores) w.Var(score);
}

TPlaySettings ReadSettings(TByteReader& r) {
  TPlaySettings s;
  const uint8_t flags = r.U8("settings");
  if (flags > 7) r.Fail("unknown settings");
  s.windowed = flags & 1;
  s.music_on = flags & 2;
  s.sound_on = flags & 4;
  s.hot_key = static_cast<uint16_t>(r.Var("hot key", UINT16_MAX));
  for (uint16_t& score : s.table_scores) score = static_cast<uint16_t>(r.Var("table score", UINT16_MAX));
  return s;
}

// The ticks: most of them hold nothing and move once, so only the others are
// written, each after the count of quiet ticks before it; a count that reaches
// the end closes the list.
void WriteTicks(TByteWriter& w, const TReplay& r) {
  w.Var(r.tick_count);
  TLastPoints last(r.start.input);
  uint32_t tick = 0;
  size_t e = 0, l = 0;
  while (true) {
    uint32_t next = r.tick_count;
    if (e < r.events.size()) next = std::min(next, r.events[e].tick);
    if (l < r.lags.size()) next = std::min(next, r.lags[l].tick);
    w.Var(next - tick);
    if (next == r.tick_count) break;
    size_t end = e;
    while (end < r.events.size() && r.events[end].tick == next) ++end;
    const bool lagged = l < r.lags.size() && r.lags[l].tick == next;
    w.Var(static_cast<uint64_t>(end - e) << 1 | (lagged ? 1 : 0));
    if (lagged) w.Var(r.lags[l++].count - 2);
    for (; e < end; ++e) WriteEvent(w, r.events[e], last);
    tick = next + 1;
  }
}

void ReadTicks(TByteReader& r, TReplay& out) {
  out.tick_count = static_cast<uint32_t>(r.Var("tick count", kMaxTicks));
  TLastPoints last(out.start.input);
  uint32_t tick = 0;
  while (true) {
    tick += static_cast<uint32_t>(r.Var("quiet ticks", out.tick_count - tick));
    if (tick == out.tick_count) break;
    const uint64_t head = r.Var("tick head", uint64_t{kMaxEventsPerTick} << 1 | 1);
    // A tick written with nothing in it would have two spellings.
    if (head == 0) r.Fail("empty tick");
    if (head & 1) out.lags.push_back({tick, static_cast<uint32_t>(r.Var("move count", kMaxLagCount - 2) + 2)});
    const size_t count = head >> 1;
    if (count > kMaxEvents - out.events.size()) r.Fail("more than " + std::to_string(kMaxEvents) + " input events");
    for (size_t i = 0; i < count; ++i) out.events.push_back(ReadEvent(r, tick, last));
    ++tick;
  }
}

void WriteSummary(TByteWriter& w, const TReplaySummary& s) {
  w.Var(s.score);
  w.U8(s.level);
  w.SignedVar(s.lives);
  w.Var(s.level_kills);
  w.U8(s.end_state);
  w.U8(s.record_rank);
  w.Text(s.player_name);
  w.Text(s.country);
}

TReplaySummary ReadSummary(TByteReader& r) {
  TReplaySummary s;
  s.score = static_cast<uint16_t>(r.Var("score", UINT16_MAX));
  s.level = r.U8("level");
  s.lives = static_cast<int32_t>(r.SignedVar("lives", INT32_MIN, INT32_MAX));
  s.level_kills = static_cast<uint16_t>(r.Var("level kills", UINT16_MAX));
  s.end_state = r.U8("end state");
  s.record_rank = r.U8("record rank");
  if (s.record_rank > 11) r.Fail("record rank beyond 11");
  s.player_name = r.Text("player name", kMaxNameLength);
  s.country = r.Text("country", kMaxNameLength);
  return s;
}

uint32_t Crc32(std::span<const uint8_t> bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes lengths as uInt; a replay is far below its limit.
  crc = crc32(crc, bytes.data(), static_cast<uInt>(bytes.size()));
  return static_cast<uint32_t>(crc);
}

std::string Describe(uint32_t rules, const std::string& game_version) {
  return (game_version.empty() ? std::string("an unnamed version of Aerovell") : "Aerovell " + game_version) +
         " under rules " + std::to_string(rules);
}

}  // namespace

std::vector<uint8_t> EncodeReplayContent(const TReplay& replay) {
  CheckWritable(replay);
  TByteWriter content;
  WriteStart(content, replay.start);
  WriteSettings(content, replay.settings);
  WriteTicks(content, replay);
  WriteSummary(content, replay.summary);
  return std::move(content.Out());
}

std::vector<uint8_t> SealReplay(std::span<const uint8_t> content, uint32_t rules_version,
                                const std::string& game_version) {
  if (game_version.size() > kMaxGameVersionLength || !PrintableAscii(game_version))
    Refuse("the game version is not up to 32 printable characters");
  if (content.size() > kMaxContentSize)
    Refuse("its content is larger than " + std::to_string(kMaxContentSize) + " bytes");

  uLongf packed_size = compressBound(static_cast<uLong>(content.size()));
  std::vector<uint8_t> packed(packed_size);
  if (compress2(packed.data(), &packed_size, content.data(), static_cast<uLong>(content.size()),
                Z_DEFAULT_COMPRESSION) != Z_OK)
    Refuse("zlib could not pack it");
  packed.resize(packed_size);

  TByteWriter file;
  file.Bytes(kMagic);
  file.U16(kFormatVersion);
  file.U32(rules_version);
  file.Text(game_version);
  file.U32(static_cast<uint32_t>(content.size()));
  file.U32(static_cast<uint32_t>(packed.size()));
  file.Bytes(packed);
  file.U32(Crc32(file.Out()));
  if (file.Out().size() > kMaxFileSize)
    Refuse("it is " + std::to_string(file.Out().size()) + " bytes, more than the " + std::to_string(kMaxFileSize) +
           " a replay may have");
  return std::move(file.Out());
}

std::vector<uint8_t> EncodeReplay(const TReplay& replay) {
  return SealReplay(EncodeReplayContent(replay), replay.rules_version, replay.game_version);
}

TReplayHeader ReadReplayHeader(std::span<const uint8_t> bytes) {
  if (bytes.size() > kMaxFileSize)
    throw EReplayError("Replay is too large: " + std::to_string(bytes.size()) + " bytes, at most " +
                       std::to_string(kMaxFileSize));
  if (bytes.size() < kFixedHeadSize || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
    throw EReplayError("Not a replay file");
  TByteReader r(bytes, "file");
  r.Bytes("magic", sizeof kMagic);
  TReplayHeader h;
  h.format_version = r.U16("format version");
  h.rules_version = r.U32("rules version");
  if (h.format_version != kFormatVersion)
    throw EReplayError("Replay format " + std::to_string(h.format_version) + " is not one this game reads (it reads " +
                       std::to_string(kFormatVersion) + ")");
  const auto truncated = [&] {
    return EReplayError("Replay is truncated: " + std::to_string(bytes.size()) + " bytes");
  };
  if (r.Remaining() < 1 || r.Remaining() < 1u + bytes[r.Position()]) throw truncated();
  h.game_version = r.Text("game version", kMaxGameVersionLength);
  if (r.Remaining() < 8) throw truncated();
  h.content_size = r.U32("content size");
  h.packed_size = r.U32("packed size");
  const uint64_t expected = uint64_t{r.Position()} + h.packed_size + kCrcSize;
  if (bytes.size() < expected)
    throw EReplayError("Replay is truncated: " + std::to_string(bytes.size()) + " bytes of " +
                       std::to_string(expected));
  if (bytes.size() > expected)
    throw EReplayError("Replay has " + std::to_string(bytes.size() - expected) + " bytes after its end");
  const size_t body_end = bytes.size() - kCrcSize;
  TByteReader crc_reader(bytes.subspan(body_end), "file");
  if (crc_reader.U32("checksum") != Crc32(bytes.first(body_end)))
    throw EReplayError("Replay is damaged: its checksum does not match");
  if (!PrintableAscii(h.game_version)) throw EReplayError("Replay is damaged: its game version is not plain text");
  if (h.content_size > kMaxContentSize)
    throw EReplayError("Replay is damaged: it claims " + std::to_string(h.content_size) +
                       " bytes of content, at most " + std::to_string(kMaxContentSize));
  return h;
}

TReplay DecodeReplay(std::span<const uint8_t> bytes, uint32_t rules_version) {
  const TReplayHeader h = ReadReplayHeader(bytes);
  if (h.rules_version != rules_version)
    throw EReplayRulesError("This replay was recorded by " + Describe(h.rules_version, h.game_version) +
                            "; this game plays by rules " + std::to_string(rules_version) + " and cannot play it");

  // Unpacked into exactly the size the header gives: more data than that is
  // an error, never a bigger buffer.
  std::vector<uint8_t> plain(h.content_size);
  uLongf plain_size = h.content_size;
  uLong packed_size = h.packed_size;
  const uint8_t* packed = bytes.data() + (bytes.size() - kCrcSize - h.packed_size);
  // zlib wants somewhere to write even for nothing.
  uint8_t empty = 0;
  const int status = uncompress2(plain.empty() ? &empty : plain.data(), &plain_size, packed, &packed_size);
  if (status != Z_OK) throw EReplayError("Replay is damaged: its packed content does not unpack");
  if (plain_size != h.content_size || packed_size != h.packed_size)
    throw EReplayError("Replay is damaged: its content is not the size its header gives");

  TReplay replay;
  replay.rules_version = h.rules_version;
  replay.game_version = h.game_version;
  TByteReader r(plain, "content");
  replay.start = ReadStart(r);
  replay.settings = ReadSettings(r);
  ReadTicks(r, replay);
  replay.summary = ReadSummary(r);
  if (r.Remaining() != 0) r.Fail(std::to_string(r.Remaining()) + " bytes after the summary");
  return replay;
}

}  // namespace aerovell::replay
