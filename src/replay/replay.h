#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace aerovell::replay {

// The layout of the file; a reader refuses every other one.
inline constexpr uint16_t kFormatVersion = 1;

// Bounds of what a replay may hold. A reader refuses anything beyond them before
// allocating for it, and the writer refuses to make a file a reader would refuse.
inline constexpr size_t kMaxFileSize = 256 * 1024;
inline constexpr size_t kMaxContentSize = 8 * 1024 * 1024;  // unpacked
inline constexpr uint32_t kMaxTicks = 1'350'000;            // six hours at 62.5 ticks a second
inline constexpr size_t kMaxEvents = 1'000'000;
inline constexpr size_t kMaxEventsPerTick = 4096;    // a stalled frame gathers a few seconds of mouse moves
inline constexpr uint32_t kMaxLagCount = 1'000'000;  // a stall of four and a half hours
inline constexpr size_t kMaxGameVersionLength = 32;
inline constexpr size_t kMaxNameLength = 10;  // names and the country, as the records table keeps them
inline constexpr int kInputStateCount = 36;
inline constexpr int kTableSize = 10;

// A replay that cannot be read or written; the message says why, for the player.
class EReplayError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An intact replay recorded under other rules of play: this game would play it
// differently, so it refuses it.
class EReplayRulesError : public EReplayError {
 public:
  using EReplayError::EReplayError;
};

// What the player did between two ticks, in the order it reached the game.
enum class TInputKind : uint8_t {
  kKeyDown = 0,          // code: virtual-key code 1..255
  kKeyRepeat = 1,        // code: the held key the system repeats
  kKeyUp = 2,            // code
  kMouseMove = 3,        // x, y: the pointer as the game reads it, from the centre (400, 300)
  kMouseDown = 4,        // code: 1 left, 2 right, 3 middle
  kMouseUp = 5,          // code
  kJoystickAxes = 6,     // x, y: the axes after the dead zone, -1000..1000
  kJoystickButtons = 7,  // buttons: buttons 1..32 held, as bits 0..31
  kFocus = 8,            // code: 1 gained, 0 lost
  kPause = 9,            // code: 1 pause asked, 0 resume asked (the keys' pause goes as keys)
  kClose = 10,           // the window's close was asked for
};
inline constexpr int kInputKindCount = 11;

struct TInputEvent {
  uint32_t tick = 0;  // applied just before this tick runs
  TInputKind kind = TInputKind::kKeyDown;
  uint8_t code = 0;
  int16_t x = 0, y = 0;
  uint32_t buttons = 0;

  bool operator==(const TInputEvent&) const = default;
};

// What the player holds: the keys, the mouse buttons, the pointer, the
// joystick, and whether the game has the focus and a pause was asked for.
struct TInputState {
  std::bitset<256> keys;                 // by virtual-key code
  uint8_t mouse_buttons = 0;             // bit 0 left, 1 right, 2 middle
  int16_t pointer_x = 0, pointer_y = 0;  // from the centre
  int16_t joystick_x = 0, joystick_y = 0;
  uint32_t joystick_buttons = 0;
  bool focused = true;
  bool paused = false;

  // The state after the event.
  void Apply(const TInputEvent& event);
  bool operator==(const TInputState&) const = default;
};

// The game's state at its start that is not made fresh by starting it: the
// random generator, the spawn and bonus counters a game takes over from the
// one before, and the input as the menus left it.
struct TStartState {
  uint64_t random_state = 0;
  uint16_t enemy_spawn_delay = 0;
  uint16_t bonus_spawn_delay = 0;
  int32_t weapon_time = 0, shield_time = 0, bomb_time = 0, pickup_time = 0;
  uint8_t mouse_step_left = 0, mouse_step_right = 0, mouse_step_up = 0, mouse_step_down = 0;
  bool mouse_left_down = false, mouse_right_down = false;
  bool key_latch = false;
  uint64_t input_states = 0;         // the 36 input states, bit n for state n
  uint64_t input_states_polled = 0;  // what the last poll found held, for its transition rule
  TInputState input;

  bool operator==(const TStartState&) const = default;
};

// The settings that change how a game plays or ends: the hot key pauses, sound
// and music are what the watcher hears, the window mode is what the player saw,
// and the table's scores decide whether the end asks for a name.
struct TPlaySettings {
  bool windowed = true;
  bool music_on = true;
  bool sound_on = true;
  uint16_t hot_key = 123;
  std::array<uint16_t, kTableSize> table_scores{1000, 900, 800, 700, 600, 500, 400, 300, 200, 100};

  bool operator==(const TPlaySettings&) const = default;
};

// How the game ended, what the score service checks a re-played game against.
struct TReplaySummary {
  uint16_t score = 0;
  uint8_t level = 0;
  int32_t lives = 0;
  uint16_t level_kills = 0;
  uint8_t end_state = 0;    // the game's state when the recording stopped
  uint8_t record_rank = 0;  // 1..10 in the table, 11 none, 0 not asked
  std::string player_name;  // Windows-1251, at most 10 bytes
  std::string country;

  bool operator==(const TReplaySummary&) const = default;
};

// A tick whose move count is not 1.
struct TLag {
  uint32_t tick = 0;
  uint32_t count = 0;

  bool operator==(const TLag&) const = default;
};

// One game, everything needed to play it again exactly.
struct TReplay {
  uint32_t rules_version = 0;
  std::string game_version;  // printable ASCII, for messages
  TStartState start;
  TPlaySettings settings;
  uint32_t tick_count = 0;
  std::vector<TLag> lags;           // by tick, each tick once, counts 2 and more
  std::vector<TInputEvent> events;  // by tick; the order within a tick is kept
  TReplaySummary summary;

  bool operator==(const TReplay&) const = default;
};

// What the outside of a file says, read without unpacking it.
struct TReplayHeader {
  uint16_t format_version = 0;
  uint32_t rules_version = 0;
  std::string game_version;
  uint32_t content_size = 0;
  uint32_t packed_size = 0;
};

// The file's bytes. Throws EReplayError when the replay breaks a bound or is
// not well formed (ticks out of order, a lag count of 1 or 0, a key code 0...).
std::vector<uint8_t> EncodeReplay(const TReplay& replay);

// The two halves of EncodeReplay, for tests and the fuzzer, which need files
// whose outside holds around content that may not: the content unpacked (one
// replay has exactly one), and the file around some content.
std::vector<uint8_t> EncodeReplayContent(const TReplay& replay);
std::vector<uint8_t> SealReplay(std::span<const uint8_t> content, uint32_t rules_version,
                                const std::string& game_version);

// Checks the outside of a file (size, version, lengths, checksum) without
// unpacking it. Throws EReplayError.
TReplayHeader ReadReplayHeader(std::span<const uint8_t> bytes);

// The whole replay, refused with EReplayRulesError when it was recorded under
// other rules than `rules_version`, and with EReplayError when it is damaged.
TReplay DecodeReplay(std::span<const uint8_t> bytes, uint32_t rules_version);

// Builds a replay tick by tick as a game runs.
class TReplayRecorder {
 public:
  explicit TReplayRecorder(TReplay& replay) : replay_(replay) {}
  // Events that reach the game before the next tick; their tick is set here.
  void Add(TInputEvent event);
  // The tick runs with this move count.
  void Tick(uint32_t lag_count);

 private:
  TReplay& replay_;
};

// Walks a replay tick by tick as a game plays it again.
class TTickCursor {
 public:
  explicit TTickCursor(const TReplay& replay) : replay_(replay) {}
  bool AtEnd() const { return tick_ >= replay_.tick_count; }
  uint32_t Tick() const { return tick_; }
  // The events to apply before the current tick.
  std::span<const TInputEvent> Events() const;
  uint32_t LagCount() const;
  void Next();

 private:
  const TReplay& replay_;
  uint32_t tick_ = 0;
  size_t event_ = 0;
  size_t lag_ = 0;
};

}  // namespace aerovell::replay
