#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace aerovell {

// A short string of at most 10 Windows-1251 characters with a length byte. Bytes
// after the length keep whatever they last held.
struct TShortString10 {
  uint8_t Length = 0;
  std::array<uint8_t, 10> Chars{};

  std::string Text() const;              // Windows-1251, at most 10 bytes
  void Assign(std::string_view cp1251);  // cut to 10; later bytes kept
};

struct HighScoreEntry {
  TShortString10 Name;
  uint8_t Reserved = 0;
  uint16_t Score = 0;
};

inline constexpr size_t kConfigSize = 158;
inline constexpr int kHighScoreCount = 10;
inline constexpr uint16_t kDefaultHotKey = 123;  // F12

// The settings and records, as the 158-byte record of "config.dat".
struct TConfig {
  uint8_t Windowed = 0;
  uint8_t MusicOn = 0;
  uint8_t SoundOn = 0;
  uint8_t Reserved3 = 0;
  uint16_t HotKey = 0;
  TShortString10 Country;
  uint8_t Reserved17 = 0;
  std::array<HighScoreEntry, kHighScoreCount> HighScores{};

  std::array<uint8_t, kConfigSize> ToBytes() const;
  static TConfig FromBytes(std::span<const uint8_t, kConfigSize> bytes);
};

// Between plain and file form; its own inverse.
void ScrambleConfig(TConfig& config);
void ResetHighScores(TConfig& config);
// Place 1..10 the score would take, 11 when it does not qualify; ties go below.
int FindRecordRank(const TConfig& config, uint16_t score);
// Puts the entry into the table below every score that is not lower and drops the
// last one; entries move whole, name with score.
void InsertHighScore(TConfig& config, const HighScoreEntry& entry);
// The hot key's display name: "Space", digits, letters, "Window Key", "F1" to
// "F24", readable names for the other keys ("Tab", "Num 5"), "Key 0xNN" for
// codes no key of ours sends.
void UpdateHotKeyName(uint16_t hot_key, std::string& name);

// "config.dat" in the working directory (or another folder, for tests).
class ConfigFile {
 public:
  explicit ConfigFile(std::filesystem::path path = "config.dat") : path_(std::move(path)) {}
  const std::filesystem::path& Path() const { return path_; }

  // Reads the record into `config` in plain form; a missing file or one shorter
  // than a record is replaced by the defaults. Throws EInOutError, leaving the
  // file alone, when it exists but cannot be opened or read (or is no regular
  // file), and when the defaults cannot be written.
  void ReadOrCreate(TConfig& config) const;
  // Writes `config` as it is (callers scramble around it). Throws EInOutError.
  void SaveConfig(const TConfig& config) const;
  // Scramble, save, unscramble: what every writer of the settings does.
  void Store(TConfig& config) const;

 private:
  std::filesystem::path path_;
};

}  // namespace aerovell
