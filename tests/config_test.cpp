#include "settings/config.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "settings/atomic_file.h"
#include "test_support.h"

namespace aerovell {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

TEST(ConfigFile, FreshFileHasTheDefaultBytes) {
  TempDir dir;
  ConfigFile file(dir / "config.dat");
  TConfig config;  // zeroed, as at program start
  file.ReadOrCreate(config);

  const auto bytes = ReadBytes(dir / "config.dat");
  ASSERT_EQ(bytes.size(), 158u);
  const std::vector<uint8_t> head = {0x00, 0x00, 0x00, 0x00, 0x7B, 0x00, 0x00, 0xFF, 0xFF, 0xFF,
                                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 18), head);
  const std::vector<uint8_t> first = {0x04, 0x3D, 0x1F, 0x12, 0x00, 0xFF, 0xFF,
                                      0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x17, 0xFC};
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 18, bytes.begin() + 32), first);

  // In memory the record is plain.
  EXPECT_EQ(config.Windowed, 1);
  EXPECT_EQ(config.MusicOn, 1);
  EXPECT_EQ(config.SoundOn, 1);
  EXPECT_EQ(config.HotKey, 123);
  EXPECT_EQ(config.HighScores[0].Name.Text(), "\xC2\xE0\xED\xFF");
  EXPECT_EQ(config.HighScores[9].Score, 100);
}

TEST(ConfigFile, ReadsAnExistingRecordIntoPlainForm) {
  TempDir dir;
  ConfigFile file(dir / "config.dat");
  TConfig config;
  file.ReadOrCreate(config);
  config.Windowed = 0;
  config.SoundOn = 0;
  config.HotKey = 0x41;
  config.Country.Assign("\xD0\xEE\xF1\xF1\xE8\xFF");  // "Россия"
  config.HighScores[0].Score = 4321;
  file.Store(config);
  EXPECT_EQ(config.Windowed, 0) << "Store leaves the record plain";

  TConfig again;
  file.ReadOrCreate(again);
  EXPECT_EQ(again.ToBytes(), config.ToBytes());
  EXPECT_EQ(ReadBytes(dir / "config.dat")[0], 1) << "Windowed 0 is stored as 1";
}

TEST(ConfigFile, ShortMissingOrLongFiles) {
  struct Case {
    const char* name;
    size_t size;
    bool replaced;
  };
  for (const Case& c : {Case{"empty", 0, true}, Case{"157 bytes", 157, true}, Case{"exact", 158, false},
                        Case{"longer", 200, false}}) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    std::vector<uint8_t> bytes(c.size, 0x5A);
    WriteBytes(dir / "config.dat", bytes);
    TConfig config;
    ConfigFile(dir / "config.dat").ReadOrCreate(config);
    const auto after = ReadBytes(dir / "config.dat");
    if (c.replaced) {
      EXPECT_EQ(after.size(), 158u);
      EXPECT_EQ(config.HotKey, 123);
    } else {
      EXPECT_EQ(after, bytes) << "an accepted file is not rewritten";
      EXPECT_EQ(config.HotKey, 0x5A5A) << "damaged contents are taken as they are";
      EXPECT_EQ(config.Windowed, 0x5A ^ 1);
    }
  }
}

TEST(ScrambleConfig, TwiceChangesNothingAndLeavesUnscrambledFieldsAlone) {
  TConfig config;
  std::array<uint8_t, 158> bytes;
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + 3);
  config = TConfig::FromBytes(bytes);
  TConfig scrambled = config;
  ScrambleConfig(scrambled);
  const auto once = scrambled.ToBytes();
  EXPECT_EQ(once[4], bytes[4]);    // hot key as is
  EXPECT_EQ(once[6], bytes[6]);    // length byte as is
  EXPECT_EQ(once[7], static_cast<uint8_t>(~bytes[7]));
  EXPECT_EQ(once[17], bytes[17]);  // reserved as is
  EXPECT_EQ(once[0], bytes[0] ^ 1);
  ScrambleConfig(scrambled);
  EXPECT_EQ(scrambled.ToBytes(), bytes);
}

TEST(FindRecordRank, AgainstTheDefaultTable) {
  TConfig config;
  ResetHighScores(config);
  const std::pair<uint16_t, int> cases[] = {{1000, 2}, {1001, 1}, {100, 11}, {101, 10}, {0, 11}, {65535, 1}};
  for (auto [score, rank] : cases) EXPECT_EQ(FindRecordRank(config, score), rank) << score;
}

TEST(ResetHighScores, KeepsTheBytesAfterTheName) {
  TConfig config;
  config.HighScores[3].Name.Assign("ABCDEFGHIJ");
  config.HighScores[3].Reserved = 9;
  ResetHighScores(config);
  EXPECT_EQ(config.HighScores[3].Name.Text(), "\xC2\xE0\xED\xFF");
  EXPECT_EQ(config.HighScores[3].Name.Chars[4], 'E');
  EXPECT_EQ(config.HighScores[3].Reserved, 9);
  EXPECT_EQ(config.HighScores[3].Score, 700);
}

TEST(UpdateHotKeyName, NamesAndUnnamedCodes) {
  const std::pair<uint16_t, const char*> cases[] = {
      {0x20, "Space"}, {0x30, "0"}, {0x39, "9"}, {0x41, "A"}, {0x5A, "Z"},
      {0x5B, "Window Key"}, {0x70, "F1"}, {0x7B, "F12"}};
  for (auto [code, expected] : cases) {
    std::string name = "old";
    UpdateHotKeyName(code, name);
    EXPECT_EQ(name, expected) << code;
  }
  for (uint16_t code : {0x13, 0x11, 0x7C, 0x5C, 0x60}) {
    std::string name = "F5";
    UpdateHotKeyName(code, name);
    EXPECT_EQ(name, "F5") << "code " << code << " keeps the previous name";
  }
}

TEST(ConfigFile, UnwritableFolderRaisesAnErrorNamingTheFile) {
  TempDir dir;
  std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  // Root writes into read-only folders; the kernel's sysfs refuses even root.
  const std::filesystem::path folder = ::geteuid() == 0 ? std::filesystem::path("/sys") : dir.Path();
  TConfig config;
  try {
    ConfigFile(folder / "config.dat").ReadOrCreate(config);
    FAIL() << "expected an input/output error";
  } catch (const EInOutError& e) {
    EXPECT_NE(std::string(e.what()).find("config.dat"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("Permission denied"), std::string::npos);
  }
  EXPECT_EQ(config.Windowed, 1) << "the record stays plain after a failed store";
}

TEST(ConfigFile, MissingFolderRaisesAnErrorWithTheSystemReason) {
  TempDir dir;
  TConfig config;
  try {
    ConfigFile(dir / "no" / "config.dat").ReadOrCreate(config);
    FAIL() << "expected an input/output error";
  } catch (const EInOutError& e) {
    EXPECT_STREQ(e.what(), "Cannot write \"config.dat\": No such file or directory");
  }
}

}  // namespace
}  // namespace aerovell
