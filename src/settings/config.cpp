#include "settings/config.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>
#include <utility>
#include <vector>

#include "platform/file_reading.h"
#include "settings/atomic_file.h"

namespace aerovell {
namespace {

constexpr size_t kEntrySize = 14;
constexpr size_t kTableOffset = 18;
// "Ваня" in Windows-1251.
constexpr std::array<uint8_t, 4> kDefaultName = {0xC2, 0xE0, 0xED, 0xFF};

void PutShort(uint8_t* out, const TShortString10& s) {
  out[0] = s.Length;
  for (size_t i = 0; i < 10; ++i) out[1 + i] = s.Chars[i];
}

TShortString10 GetShort(const uint8_t* in) {
  TShortString10 s;
  s.Length = in[0];
  for (size_t i = 0; i < 10; ++i) s.Chars[i] = in[1 + i];
  return s;
}

void Complement(std::array<uint8_t, 10>& chars) {
  for (uint8_t& c : chars) c = static_cast<uint8_t>(~c);
}

}  // namespace

std::string TShortString10::Text() const {
  return std::string(reinterpret_cast<const char*>(Chars.data()), std::min<size_t>(Length, Chars.size()));
}

void TShortString10::Assign(std::string_view text) {
  Length = static_cast<uint8_t>(std::min<size_t>(text.size(), Chars.size()));
  for (size_t i = 0; i < Length; ++i) Chars[i] = static_cast<uint8_t>(text[i]);
}

std::array<uint8_t, kConfigSize> TConfig::ToBytes() const {
  std::array<uint8_t, kConfigSize> b{};
  b[0] = Windowed;
  b[1] = MusicOn;
  b[2] = SoundOn;
  b[3] = Reserved3;
  b[4] = static_cast<uint8_t>(HotKey & 0xFF);
  b[5] = static_cast<uint8_t>(HotKey >> 8);
  PutShort(&b[6], Country);
  b[17] = Reserved17;
  for (size_t k = 0; k < HighScores.size(); ++k) {
    uint8_t* e = &b[kTableOffset + k * kEntrySize];
    PutShort(e, HighScores[k].Name);
    e[11] = HighScores[k].Reserved;
    e[12] = static_cast<uint8_t>(HighScores[k].Score & 0xFF);
    e[13] = static_cast<uint8_t>(HighScores[k].Score >> 8);
  }
  return b;
}

TConfig TConfig::FromBytes(std::span<const uint8_t, kConfigSize> b) {
  TConfig c;
  c.Windowed = b[0];
  c.MusicOn = b[1];
  c.SoundOn = b[2];
  c.Reserved3 = b[3];
  c.HotKey = static_cast<uint16_t>(b[4] | (b[5] << 8));
  c.Country = GetShort(&b[6]);
  c.Reserved17 = b[17];
  for (size_t k = 0; k < c.HighScores.size(); ++k) {
    const uint8_t* e = &b[kTableOffset + k * kEntrySize];
    c.HighScores[k].Name = GetShort(e);
    c.HighScores[k].Reserved = e[11];
    c.HighScores[k].Score = static_cast<uint16_t>(e[12] | (e[13] << 8));
  }
  return c;
}

void ScrambleConfig(TConfig& c) {
  c.Windowed ^= 1;
  c.MusicOn ^= 1;
  c.SoundOn ^= 1;
  Complement(c.Country.Chars);
  for (HighScoreEntry& e : c.HighScores) {
    e.Score = static_cast<uint16_t>(~e.Score);
    Complement(e.Name.Chars);
  }
}

void ResetHighScores(TConfig& c) {
  for (int place = 1; place <= kHighScoreCount; ++place) {
    HighScoreEntry& e = c.HighScores[place - 1];
    e.Name.Length = static_cast<uint8_t>(kDefaultName.size());
    std::copy(kDefaultName.begin(), kDefaultName.end(), e.Name.Chars.begin());
    e.Score = static_cast<uint16_t>((11 - place) * 100);
  }
}

int FindRecordRank(const TConfig& c, uint16_t score) {
  for (int place = 1; place <= kHighScoreCount; ++place)
    if (c.HighScores[place - 1].Score < score) return place;
  return 11;
}

void InsertHighScore(TConfig& c, const HighScoreEntry& entry) {
  std::array<HighScoreEntry, kHighScoreCount + 1> work;
  std::copy(c.HighScores.begin(), c.HighScores.end(), work.begin());
  work[kHighScoreCount] = entry;
  // Bubble the new entry up past every lower score; an equal score stays above it.
  for (size_t k = kHighScoreCount; k >= 1 && work[k].Score > work[k - 1].Score; --k) std::swap(work[k], work[k - 1]);
  std::copy(work.begin(), work.begin() + kHighScoreCount, c.HighScores.begin());
}

namespace {

// The keys the keyboard layer can deliver besides letters, digits and F keys.
constexpr std::pair<uint16_t, const char*> kKeyNames[] = {
    {0x08, "Backspace"}, {0x09, "Tab"},         {0x0D, "Enter"},
    {0x10, "Shift"},     {0x11, "Ctrl"},        {0x12, "Alt"},
    {0x13, "Pause"},     {0x14, "Caps Lock"},   {0x1B, "Esc"},
    {0x21, "Page Up"},   {0x22, "Page Down"},   {0x23, "End"},
    {0x24, "Home"},      {0x25, "Left"},        {0x26, "Up"},
    {0x27, "Right"},     {0x28, "Down"},        {0x2C, "Print Screen"},
    {0x2D, "Insert"},    {0x2E, "Delete"},      {0x5C, "Right Window Key"},
    {0x5D, "Menu"},      {0x6A, "Num *"},       {0x6B, "Num +"},
    {0x6D, "Num -"},     {0x6E, "Num ."},       {0x6F, "Num /"},
    {0x90, "Num Lock"},  {0x91, "Scroll Lock"}, {0xBA, ";"},
    {0xBB, "="},         {0xBC, ","},           {0xBD, "-"},
    {0xBE, "."},         {0xBF, "/"},           {0xC0, "`"},
    {0xDB, "["},         {0xDC, "\\"},          {0xDD, "]"},
    {0xDE, "'"},
};

}  // namespace

void UpdateHotKeyName(uint16_t key, std::string& name) {
  if (key == 0x20) name = "Space";
  else if ((key >= 0x30 && key <= 0x39) || (key >= 0x41 && key <= 0x5A)) name = std::string(1, static_cast<char>(key));
  else if (key == 0x5B) name = "Window Key";
  else if (key >= 0x70 && key <= 0x87) name = "F" + std::to_string(key - 0x6F);  // F1 to F24
  else if (key >= 0x60 && key <= 0x69) name = "Num " + std::to_string(key - 0x60);
  else {
    // Every key that can be captured shows a name, never the previous key's.
    for (const auto& [code, text] : kKeyNames)
      if (code == key) {
        name = text;
        return;
      }
    char fallback[16];
    std::snprintf(fallback, sizeof fallback, "Key 0x%02X", key);
    name = fallback;
  }
}

void ConfigFile::ReadOrCreate(TConfig& config) const {
  // A store killed half-way may have left its temporary file.
  RemoveStaleTemporary(path_);
  const std::string name = "\"" + path_.filename().string() + "\": ";
  std::vector<uint8_t> bytes;
  // Only a regular file is read: a pipe or a device named config.dat could
  // block the start or never end. It is opened for writing too, so a file
  // the game could not store to is told at once.
  const BoundedRead read = ReadBoundedFile(path_.string(), kConfigSize, bytes, OverLimit::kReadPrefix, FileAccess::kReadWrite);
  if (read.opened) {
    // Asked to end meanwhile: leave the file alone rather than reset it.
    if (TerminateRequested()) throw EInOutError("Cannot read " + name + std::strerror(EINTR));
    if (read.error != 0) throw EInOutError("Cannot read " + name + read.reason);
  } else if (read.error != ENOENT) {
    // The player's table may well be in there: a file that exists but cannot
    // be opened now (a failing disk, no descriptors or memory left, no right
    // to read or write it, not a file at all) is never taken for a missing
    // one, whose defaults would be stored over it.
    throw EInOutError("Cannot open " + name + read.reason);
  }
  if (bytes.size() == kConfigSize) {
    config = TConfig::FromBytes(std::span<const uint8_t, kConfigSize>(bytes.data(), kConfigSize));
    ScrambleConfig(config);
    return;
  }
  // Missing, or too short to hold a record. Bytes not named here keep what they held.
  ResetHighScores(config);
  config.Windowed = 1;
  config.MusicOn = 1;
  config.SoundOn = 1;
  config.HotKey = kDefaultHotKey;
  config.Country.Length = 0;
  Store(config);
}

void ConfigFile::SaveConfig(const TConfig& config) const {
  const auto bytes = config.ToBytes();
  WriteFileAtomically(path_, bytes);
}

void ConfigFile::Store(TConfig& config) const {
  ScrambleConfig(config);
  try {
    SaveConfig(config);
  } catch (...) {
    ScrambleConfig(config);
    throw;
  }
  ScrambleConfig(config);
}

}  // namespace aerovell
