#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "fuzz_targets.h"
#include "replay/replay.h"
#include "replay/varint.h"
#include "test_support.h"

namespace aerovell::replay {
namespace {

constexpr uint32_t kRules = 7;

TInputEvent Key(TInputKind kind, uint8_t code, uint32_t tick = 0) { return {tick, kind, code, 0, 0, 0}; }
TInputEvent Point(TInputKind kind, int16_t x, int16_t y, uint32_t tick = 0) { return {tick, kind, 0, x, y, 0}; }
TInputEvent Switch(TInputKind kind, uint8_t on, uint32_t tick = 0) { return {tick, kind, on, 0, 0, 0}; }

// A short game with something of everything.
TReplay SmallGame() {
  TReplay r;
  r.rules_version = kRules;
  r.game_version = "1.0.0";
  r.start.random_state = 0x12345678;
  r.start.enemy_spawn_delay = 73;
  r.start.bonus_spawn_delay = 410;
  r.start.weapon_time = 2400;
  r.start.key_latch = true;
  r.start.input.keys[0x0D] = true;  // Enter started the game and is still held
  r.tick_count = 300;
  r.events = {Key(TInputKind::kKeyUp, 0x0D, 0),    Key(TInputKind::kKeyDown, 0x27, 40),
              Key(TInputKind::kKeyDown, 0x11, 40), Point(TInputKind::kMouseMove, 12, -3, 41),
              Key(TInputKind::kKeyUp, 0x27, 90),   Switch(TInputKind::kFocus, 0, 200),
              Switch(TInputKind::kFocus, 1, 260),  Key(TInputKind::kKeyDown, 0x50, 261)};
  r.lags = {{41, 2}, {260, 37}};
  r.summary = {120, 1, 2, 7, 6, 11, "", ""};
  return r;
}

TReplay RoundTrip(const TReplay& r) { return DecodeReplay(EncodeReplay(r), r.rules_version); }

TEST(Replay, RoundTripsEveryCase) {
  const struct {
    const char* name;
    std::function<void(TReplay&)> make;
  } cases[] = {
      {"an empty game", [](TReplay&) {}},
      {"ten quiet minutes", [](TReplay& r) { r.tick_count = 37'500; }},
      {"the small game", [](TReplay& r) { r = SmallGame(); }},
      {"every kind of event in one tick, the first and the last",
       [](TReplay& r) {
         r.tick_count = 3;
         for (uint32_t tick : {0u, 2u}) {
           r.events.push_back(Key(TInputKind::kKeyDown, 1, tick));
           r.events.push_back(Key(TInputKind::kKeyRepeat, 8, tick));
           r.events.push_back(Key(TInputKind::kKeyUp, 255, tick));
           r.events.push_back(Point(TInputKind::kMouseMove, INT16_MIN, INT16_MAX, tick));
           r.events.push_back(Key(TInputKind::kMouseDown, 1, tick));
           r.events.push_back(Key(TInputKind::kMouseDown, 3, tick));
           r.events.push_back(Key(TInputKind::kMouseUp, 2, tick));
           r.events.push_back(Point(TInputKind::kJoystickAxes, -1000, 1000, tick));
           r.events.push_back({tick, TInputKind::kJoystickButtons, 0, 0, 0, 0xFFFFFFFFu});
           r.events.push_back(Switch(TInputKind::kFocus, 0, tick));
           r.events.push_back(Switch(TInputKind::kFocus, 1, tick));
           r.events.push_back(Switch(TInputKind::kPause, 1, tick));
           r.events.push_back(Switch(TInputKind::kPause, 0, tick));
           r.events.push_back({tick, TInputKind::kClose, 0, 0, 0, 0});
         }
       }},
      {"the same event twice in a tick, order kept",
       [](TReplay& r) {
         r.tick_count = 1;
         r.events = {Point(TInputKind::kMouseMove, 5, 0), Point(TInputKind::kMouseMove, 0, 5),
                     Point(TInputKind::kMouseMove, 5, 0)};
       }},
      {"move counts on the first and last tick, the largest, and with events",
       [](TReplay& r) {
         r.tick_count = 10;
         r.lags = {{0, 2}, {4, kMaxLagCount}, {9, 3}};
         r.events = {Key(TInputKind::kKeyDown, 0x25, 4)};
       }},
      {"a full tick of events",
       [](TReplay& r) {
         r.tick_count = 2;
         for (size_t i = 0; i < kMaxEventsPerTick; ++i)
           r.events.push_back(Key(i % 2 ? TInputKind::kKeyUp : TInputKind::kKeyDown, 0x20, 1));
       }},
      {"every field at its extreme",
       [](TReplay& r) {
         r.rules_version = UINT32_MAX;
         r.game_version = std::string(kMaxGameVersionLength, '~');
         r.start.random_state = UINT64_MAX;
         r.start.enemy_spawn_delay = UINT16_MAX;
         r.start.bonus_spawn_delay = UINT16_MAX;
         r.start.weapon_time = INT32_MIN;
         r.start.shield_time = INT32_MAX;
         r.start.bomb_time = -1;
         r.start.pickup_time = 15000;
         r.start.mouse_step_left = 255;
         r.start.mouse_step_down = 1;
         r.start.mouse_left_down = r.start.mouse_right_down = r.start.key_latch = true;
         r.start.input_states = (uint64_t{1} << kInputStateCount) - 1;
         r.start.input_states_polled = uint64_t{1} << (kInputStateCount - 1);
         for (int k = 1; k < 256; ++k) r.start.input.keys[k] = true;
         r.start.input.mouse_buttons = 7;
         r.start.input.pointer_x = INT16_MIN;
         r.start.input.pointer_y = INT16_MAX;
         r.start.input.joystick_x = -1000;
         r.start.input.joystick_y = 999;
         r.start.input.joystick_buttons = 0x80000001u;
         r.start.input.focused = false;
         r.start.input.paused = true;
         r.settings = {false, false, false, UINT16_MAX, {65535, 65535, 0, 0, 0, 0, 0, 0, 0, 0}};
         r.tick_count = kMaxTicks;
         r.summary = {UINT16_MAX, 255, INT32_MIN, UINT16_MAX, 255, 11, "\xC6\xE5\xED\xFF\xC2\xE0\xED\xFF\xC6\xE5",
                      "\xD0\xEE\xF1\xF1\xE8\xFF"};
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TReplay r;
    r.rules_version = kRules;
    c.make(r);
    EXPECT_EQ(RoundTrip(r), r);
  }
}

TEST(Replay, RecorderAndCursorGiveBackEveryTick) {
  // What a game hands the recorder, tick by tick: a move count and the events before it.
  struct Tick {
    uint32_t lag;
    std::vector<TInputEvent> events;
  };
  const std::vector<Tick> ticks = {{1, {Key(TInputKind::kKeyDown, 0x26)}},
                                   {1, {}},
                                   {3, {}},
                                   {2, {Key(TInputKind::kKeyUp, 0x26), Point(TInputKind::kMouseMove, 4, 4)}},
                                   {1, {}}};
  TReplay recorded;
  recorded.rules_version = kRules;
  TReplayRecorder recorder(recorded);
  for (const Tick& t : ticks) {
    for (const TInputEvent& e : t.events) recorder.Add(e);
    recorder.Tick(t.lag);
  }
  const TReplay replay = RoundTrip(recorded);
  size_t i = 0;
  for (TTickCursor cursor(replay); !cursor.AtEnd(); cursor.Next(), ++i) {
    ASSERT_LT(i, ticks.size());
    EXPECT_EQ(cursor.Tick(), i);
    EXPECT_EQ(cursor.LagCount(), ticks[i].lag) << "tick " << i;
    ASSERT_EQ(cursor.Events().size(), ticks[i].events.size()) << "tick " << i;
    for (size_t k = 0; k < ticks[i].events.size(); ++k) {
      TInputEvent expected = ticks[i].events[k];
      expected.tick = static_cast<uint32_t>(i);
      EXPECT_EQ(cursor.Events()[k], expected);
    }
  }
  EXPECT_EQ(i, ticks.size());
}

TEST(Replay, InputStateFollowsTheEvents) {
  TInputState s;
  for (const TInputEvent& e :
       {Key(TInputKind::kKeyDown, 0x25), Key(TInputKind::kKeyDown, 0x11), Key(TInputKind::kKeyUp, 0x25),
        Key(TInputKind::kMouseDown, 1), Key(TInputKind::kMouseDown, 2), Key(TInputKind::kMouseUp, 1),
        Point(TInputKind::kMouseMove, -7, 9), Point(TInputKind::kJoystickAxes, 600, -1000),
        TInputEvent{0, TInputKind::kJoystickButtons, 0, 0, 0, 5}, Switch(TInputKind::kFocus, 0),
        Switch(TInputKind::kPause, 1)})
    s.Apply(e);
  TInputState expected;
  expected.keys[0x11] = true;
  expected.mouse_buttons = 2;
  expected.pointer_x = -7;
  expected.pointer_y = 9;
  expected.joystick_x = 600;
  expected.joystick_y = -1000;
  expected.joystick_buttons = 5;
  expected.focused = false;
  expected.paused = true;
  EXPECT_EQ(s, expected);
}

TEST(Replay, TheHeaderIsReadWithoutUnpacking) {
  const auto bytes = EncodeReplay(SmallGame());
  const TReplayHeader h = ReadReplayHeader(bytes);
  EXPECT_EQ(h.format_version, kFormatVersion);
  EXPECT_EQ(h.rules_version, kRules);
  EXPECT_EQ(h.game_version, "1.0.0");
  EXPECT_EQ(bytes.size(), 4 + 2 + 4 + 1 + 5 + 4 + 4 + h.packed_size + 4);
}

// Expects a refusal whose message holds `fragment`.
template <typename Error = EReplayError>
void ExpectRefused(const std::vector<uint8_t>& bytes, const std::string& fragment, uint32_t rules = kRules) {
  try {
    DecodeReplay(bytes, rules);
    ADD_FAILURE() << "accepted; expected \"" << fragment << "\"";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
  }
}

TEST(Replay, EveryShorterFileIsRefused) {
  const auto bytes = EncodeReplay(SmallGame());
  for (size_t size = 0; size < bytes.size(); ++size) {
    SCOPED_TRACE(size);
    ExpectRefused(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(size)),
                  size < 10 ? "Not a replay" : "truncated");
  }
}

TEST(Replay, DamageIsRefused) {
  const auto good = EncodeReplay(SmallGame());
  const struct {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> damage;
    const char* message;
  } cases[] = {
      {"a bit of the packed content", [](auto& b) { b[30] ^= 0x10; }, "checksum does not match"},
      {"a bit of the checksum", [](auto& b) { b.back() ^= 0x01; }, "checksum does not match"},
      {"a bit of the game version", [](auto& b) { b[12] ^= 0x01; }, "checksum does not match"},
      {"another magic", [](auto& b) { b[0] = 'X'; }, "Not a replay"},
      {"a later format", [](auto& b) { b[4] = 2; }, "Replay format 2 is not one this game reads (it reads 1)"},
      {"a byte after the end", [](auto& b) { b.push_back(0); }, "1 bytes after its end"},
      {"a packed size one short", [](auto& b) { --b[20]; }, "1 bytes after its end"},
      {"a packed size one long", [](auto& b) { ++b[20]; }, "truncated"},
      {"more than a replay may be", [](auto& b) { b.resize(kMaxFileSize + 1); }, "too large: 262145 bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto bytes = good;
    c.damage(bytes);
    ExpectRefused(bytes, c.message);
  }
}

TEST(Replay, AnotherRulesVersionIsRefusedByName) {
  const auto bytes = EncodeReplay(SmallGame());
  ExpectRefused<EReplayRulesError>(
      bytes, "This replay was recorded by Aerovell 1.0.0 under rules 7; this game plays by rules 8 and cannot play it",
      8);
  // A damaged file says it is damaged, whatever rules it names.
  auto damaged = bytes;
  damaged[6] ^= 1;
  try {
    DecodeReplay(damaged, kRules);
    ADD_FAILURE() << "accepted";
  } catch (const EReplayRulesError& e) {
    ADD_FAILURE() << e.what();
  } catch (const EReplayError& e) {
    EXPECT_NE(std::string(e.what()).find("checksum"), std::string::npos) << e.what();
  }
}

// A file around content written by hand, with a header and a checksum that
// hold, so that only the content is wrong. `declared` stands for the unpacked
// size when it is not the content's own.
std::vector<uint8_t> FileAround(const std::vector<uint8_t>& content, int64_t declared = -1) {
  uLongf packed_size = compressBound(static_cast<uLong>(content.size()));
  std::vector<uint8_t> packed(packed_size);
  EXPECT_EQ(compress2(packed.data(), &packed_size, content.data(), static_cast<uLong>(content.size()), 9), Z_OK);
  packed.resize(packed_size);
  TByteWriter w;
  for (char c : std::string("AVRP")) w.U8(static_cast<uint8_t>(c));
  w.U16(kFormatVersion);
  w.U32(kRules);
  w.Text("test");
  w.U32(static_cast<uint32_t>(declared >= 0 ? declared : static_cast<int64_t>(content.size())));
  w.U32(static_cast<uint32_t>(packed.size()));
  w.Bytes(packed);
  w.U32(static_cast<uint32_t>(crc32(0, w.Out().data(), static_cast<uInt>(w.Out().size()))));
  return w.Out();
}

// The content of an empty game up to its ticks, field by field as README.md lays it out.
void WriteStartAndSettings(TByteWriter& w) {
  w.Var(1);  // random state
  w.Var(0);  // enemy spawn delay
  w.Var(0);  // bonus spawn delay
  for (int i = 0; i < 4; ++i) w.SignedVar(0);  // bonus times
  for (int i = 0; i < 4; ++i) w.U8(0);         // mouse steps
  w.U8(0);                                     // start flags
  w.Var(0);                                    // input states
  w.Var(0);                                    // polled input states
  w.Var(0);                                    // held keys
  w.U8(0);                                     // mouse buttons
  for (int i = 0; i < 4; ++i) w.SignedVar(0);  // pointer, joystick
  w.Var(0);                                    // joystick buttons
  w.U8(1);                                     // focused
  w.U8(7);                                     // window, music, sound
  w.Var(123);                                  // hot key
  for (int i = 0; i < kTableSize; ++i) w.Var(100);
}

void WriteSummary(TByteWriter& w, const std::string& name = "", uint8_t rank = 11) {
  w.Var(0);        // score
  w.U8(1);         // level
  w.SignedVar(0);  // lives
  w.Var(0);        // level kills
  w.U8(6);         // end state
  w.U8(rank);
  w.Text(name);
  w.Text("");
}

TEST(Replay, HandWrittenContentIsRead) {
  // The writer above and the reader agree, so the refusals below come from the
  // one field each of them spoils.
  TByteWriter w;
  WriteStartAndSettings(w);
  w.Var(5);  // ticks
  w.Var(2);  // two quiet ticks
  w.Var(2 << 1 | 1);  // tick 2: two events and a move count
  w.Var(1);           // of 3
  w.U8(0);            // key down
  w.U8(0x25);
  w.U8(4 | 2 << 4);  // right button down
  w.Var(2);          // two quiet ticks to the end
  WriteSummary(w, "Ann");
  const TReplay r = DecodeReplay(FileAround(w.Out()), kRules);
  EXPECT_EQ(r.tick_count, 5u);
  EXPECT_EQ(r.lags, (std::vector<TLag>{{2, 3}}));
  EXPECT_EQ(r.events,
            (std::vector<TInputEvent>{Key(TInputKind::kKeyDown, 0x25, 2), Key(TInputKind::kMouseDown, 2, 2)}));
  EXPECT_EQ(r.summary.player_name, "Ann");
}

TEST(Replay, ContentBeyondItsBoundsIsRefused) {
  using Ticks = std::function<void(TByteWriter&)>;
  const auto one_tick = [](std::function<void(TByteWriter&)> events) -> Ticks {
    return [events](TByteWriter& w) {
      w.Var(1);  // one tick
      w.Var(0);  // no quiet ones before it
      events(w);
      w.Var(0);  // the end
    };
  };
  const Ticks no_ticks = [](TByteWriter& w) {
    w.Var(0);  // no ticks
    w.Var(0);  // the end
  };
  const struct {
    const char* name;
    Ticks ticks;
    std::function<void(TByteWriter&)> summary;
    const char* message;
  } cases[] = {
      {"too many ticks", [](TByteWriter& w) { w.Var(kMaxTicks + 1); }, nullptr, "tick count 1350001 beyond 1350000"},
      {"quiet ticks past the end",
       [](TByteWriter& w) {
         w.Var(10);
         w.Var(11);
       },
       nullptr, "quiet ticks 11 beyond 10"},
      {"too many events in a tick", one_tick([](TByteWriter& w) { w.Var(uint64_t{kMaxEventsPerTick + 1} << 1); }),
       nullptr, "tick head"},
      {"fewer events than the tick says",
       [](TByteWriter& w) {
         w.Var(1);
         w.Var(0);
         w.Var(3 << 1);
         w.U8(0);
         w.U8(0x20);
       },
       [](TByteWriter&) {}, "cut short"},
      {"an empty tick", one_tick([](TByteWriter& w) { w.Var(0); }), nullptr, "empty tick"},
      {"a move count beyond its bound",
       one_tick([](TByteWriter& w) {
         w.Var(1);
         w.Var(kMaxLagCount - 1);
       }),
       nullptr, "move count"},
      {"an unknown input kind", one_tick([](TByteWriter& w) {
         w.Var(1 << 1);
         w.U8(11);
       }),
       nullptr, "unknown input kind 11"},
      {"key code 0", one_tick([](TByteWriter& w) {
         w.Var(1 << 1);
         w.U8(0);
         w.U8(0);
       }),
       nullptr, "key code 0"},
      {"a fourth mouse button", one_tick([](TByteWriter& w) {
         w.Var(1 << 1);
         w.U8(4 | 4 << 4);
       }),
       nullptr, "mouse button"},
      {"stray bits on a key", one_tick([](TByteWriter& w) {
         w.Var(1 << 1);
         w.U8(0 | 1 << 4);
         w.U8(0x20);
       }),
       nullptr, "stray bits"},
      {"a mouse move beyond 16 bits", one_tick([](TByteWriter& w) {
         w.Var(1 << 1);
         w.U8(3);
         w.SignedVar(40000);
         w.SignedVar(0);
       }),
       nullptr, "x step 40000 out of range"},
      {"a varint of eleven bytes", one_tick([](TByteWriter& w) {
         w.Var(1 << 1);
         w.U8(7);
         for (int i = 0; i < 10; ++i) w.U8(0x80);
         w.U8(0);
       }),
       nullptr, "too large"},
      {"a varint spelled long", one_tick([](TByteWriter& w) {
         w.Var(1 << 1);
         w.U8(7);
         w.U8(0x81);
         w.U8(0x00);
       }),
       nullptr, "spelled long"},
      {"a name of eleven", no_ticks,
       [](TByteWriter& w) { WriteSummary(w, "ABCDEFGHIJK"); }, "player name longer than 10"},
      {"a rank of twelve", no_ticks,
       [](TByteWriter& w) { WriteSummary(w, "", 12); }, "record rank beyond 11"},
      {"bytes after the summary", no_ticks,
       [](TByteWriter& w) {
         WriteSummary(w);
         w.U8(0);
       },
       "1 bytes after the summary"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TByteWriter w;
    WriteStartAndSettings(w);
    c.ticks(w);
    if (c.summary) c.summary(w);
    else WriteSummary(w);
    ExpectRefused(FileAround(w.Out()), c.message);
  }
}

TEST(Replay, AStartBeyondItsBoundsIsRefused) {
  const struct {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> spoil;  // of the content of an empty game
    const char* message;
  } cases[] = {
      // Offsets: 0 random state, 1 and 2 spawn delays, 3 to 6 bonus times, 7 to
      // 10 mouse steps, 11 flags, 12 and 13 input states, 14 held keys, 22 settings.
      {"held keys out of order",
       [](auto& c) {
         c[14] = 2;
         c.insert(c.begin() + 15, {0x20, 0x00});
       },
       "held keys out of order"},
      {"input states beyond 36",
       [](auto& c) {
         c.erase(c.begin() + 12);
         c.insert(c.begin() + 12, {0x80, 0x80, 0x80, 0x80, 0x80, 0x02});
       },
       "input states 68719476736 beyond"},
      {"unknown start flags", [](auto& c) { c[11] = 8; }, "unknown start flags"},
      {"unknown settings", [](auto& c) { c[22] = 8; }, "unknown settings"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TByteWriter w;
    WriteStartAndSettings(w);
    w.Var(0);
    w.Var(0);
    WriteSummary(w);
    auto content = w.Out();
    c.spoil(content);
    ExpectRefused(FileAround(content), c.message);
  }
}

TEST(Replay, ContentOfAnotherSizeThanDeclaredIsRefused) {
  TByteWriter w;
  WriteStartAndSettings(w);
  w.Var(0);
  w.Var(0);
  WriteSummary(w);
  const auto& content = w.Out();
  ExpectRefused(FileAround(content, static_cast<int64_t>(content.size()) - 1), "does not unpack");
  ExpectRefused(FileAround(content, static_cast<int64_t>(content.size()) + 1), "not the size its header gives");
  // A claim past the bound is refused before anything is set aside for it.
  ExpectRefused(FileAround(content, kMaxContentSize + 1), "claims 8388609 bytes");
}

TEST(Replay, TheWriterRefusesWhatTheReaderWould) {
  const struct {
    const char* name;
    std::function<void(TReplay&)> spoil;
    const char* message;
  } cases[] = {
      {"too many ticks", [](TReplay& r) { r.tick_count = kMaxTicks + 1; }, "more than 1350000 ticks"},
      {"an event past the last tick", [](TReplay& r) { r.events.push_back(Key(TInputKind::kKeyDown, 1, 300)); },
       "out of tick order"},
      {"events out of order", [](TReplay& r) { std::swap(r.events[1], r.events[4]); }, "out of tick order"},
      {"a move count of 1", [](TReplay& r) { r.lags[0].count = 1; }, "move count of 1"},
      {"two move counts for a tick", [](TReplay& r) { r.lags.push_back(r.lags.back()); }, "tick order"},
      {"key code 0", [](TReplay& r) { r.events[0].code = 0; }, "key code 0"},
      {"a position on a key", [](TReplay& r) { r.events[0].x = 1; }, "position on an event"},
      {"a long name", [](TReplay& r) { r.summary.player_name = "ABCDEFGHIJK"; }, "longer than 10"},
      {"a game version with a line break", [](TReplay& r) { r.game_version = "1.0\n"; }, "game version"},
      {"too many events in a tick",
       [](TReplay& r) { r.events.assign(kMaxEventsPerTick + 1, Key(TInputKind::kKeyRepeat, 8, 5)); },
       "more than 4096 events in a tick"},
      {"a file beyond 256 KiB",
       [](TReplay& r) {
         // Mouse moves that nothing can pack.
         r.events.clear();
         r.lags.clear();
         r.tick_count = kMaxTicks;
         uint32_t noise = 1;
         for (uint32_t t = 0; t < 80'000; ++t) {
           noise = noise * 1664525u + 1013904223u;
           r.events.push_back(
               Point(TInputKind::kMouseMove, static_cast<int16_t>(noise >> 16), static_cast<int16_t>(noise), t));
         }
       },
       "more than the 262144 a replay may have"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TReplay r = SmallGame();
    c.spoil(r);
    try {
      EncodeReplay(r);
      ADD_FAILURE() << "written";
    } catch (const EReplayError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

// Every seed of the fuzz target, and whatever it found worth keeping, runs here.
TEST(Replay, TheFuzzCorpusReplaysCleanly) {
  int files = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(AEROVELL_FUZZ_CORPUS_DIR) / "replay")) {
    SCOPED_TRACE(entry.path().string());
    const auto bytes = testing::ReadBytes(entry.path());
    fuzz::Replay(bytes.data(), bytes.size());
    ++files;
  }
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace aerovell::replay
