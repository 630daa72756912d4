#include "settings/config.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/file_reading.h"
#include "platform/sdl/vk_keymap.h"
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
  const std::vector<uint8_t> head = {0x00, 0x00, 0x00, 0x00, 0x7B, 0x00, 0x00, 0xFF, 0xFF,
                                     0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
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
  for (const Case& c :
       {Case{"empty", 0, true}, Case{"157 bytes", 157, true}, Case{"exact", 158, false}, Case{"longer", 200, false}}) {
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
  EXPECT_EQ(once[4], bytes[4]);  // hot key as is
  EXPECT_EQ(once[6], bytes[6]);  // length byte as is
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

TEST(InsertHighScore, GoesBelowEqualScoresAndDropsTheLast) {
  auto entry = [](const char* name, uint16_t score) {
    HighScoreEntry e;
    e.Name.Assign(name);
    e.Score = score;
    return e;
  };
  const struct {
    HighScoreEntry entry;
    int place;  // where it lands, 1..10
  } cases[] = {{entry("New", 101), 10}, {entry("New", 1000), 2}, {entry("", 5000), 1}, {entry("Mid", 550), 6}};
  for (const auto& c : cases) {
    TConfig config;
    ResetHighScores(config);
    InsertHighScore(config, c.entry);
    SCOPED_TRACE(c.entry.Score);
    const HighScoreEntry& placed = config.HighScores[static_cast<size_t>(c.place - 1)];
    EXPECT_EQ(placed.Score, c.entry.Score);
    EXPECT_EQ(placed.Name.Text(), c.entry.Name.Text()) << "moved whole, name with score";
    for (int i = 1; i < kHighScoreCount; ++i) EXPECT_GE(config.HighScores[i - 1].Score, config.HighScores[i].Score);
    EXPECT_EQ(config.HighScores[9].Score, c.place == 10 ? c.entry.Score : 200) << "the old 100 is gone";
    if (c.place > 1) {
      EXPECT_EQ(config.HighScores[static_cast<size_t>(c.place - 2)].Name.Text(), "\xC2\xE0\xED\xFF");
    }
  }
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

TEST(UpdateHotKeyName, EveryKeyThatCanBeCapturedHasAName) {
  // The design's names, then every other key the keyboard layer sends, then
  // codes that no key of ours sends: never the previous key's name.
  const std::pair<uint16_t, const char*> cases[] = {
      {0x20, "Space"},
      {0x30, "0"},
      {0x39, "9"},
      {0x41, "A"},
      {0x5A, "Z"},
      {0x5B, "Window Key"},
      {0x70, "F1"},
      {0x7B, "F12"},
      {0x09, "Tab"},
      {0x0D, "Enter"},
      {0x13, "Pause"},
      {0x08, "Backspace"},
      {0x1B, "Esc"},
      {0x10, "Shift"},
      {0x11, "Ctrl"},
      {0x12, "Alt"},
      {0x14, "Caps Lock"},
      {0x2C, "Print Screen"},
      {0x21, "Page Up"},
      {0x22, "Page Down"},
      {0x23, "End"},
      {0x24, "Home"},
      {0x2D, "Insert"},
      {0x2E, "Delete"},
      {0x25, "Left"},
      {0x26, "Up"},
      {0x27, "Right"},
      {0x28, "Down"},
      {0x5C, "Right Window Key"},
      {0x5D, "Menu"},
      {0x60, "Num 0"},
      {0x65, "Num 5"},
      {0x69, "Num 9"},
      {0x6A, "Num *"},
      {0x6B, "Num +"},
      {0x6D, "Num -"},
      {0x6E, "Num ."},
      {0x6F, "Num /"},
      {0x7C, "F13"},
      {0x87, "F24"},
      {0x90, "Num Lock"},
      {0x91, "Scroll Lock"},
      {0xBA, ";"},
      {0xBB, "="},
      {0xBC, ","},
      {0xBD, "-"},
      {0xBE, "."},
      {0xBF, "/"},
      {0xC0, "`"},
      {0xDB, "["},
      {0xDC, "\\"},
      {0xDD, "]"},
      {0xDE, "'"},
      {0x00, "Key 0x00"},
      {0x07, "Key 0x07"},
      {0xFF, "Key 0xFF"},
      {0x1234, "Key 0x1234"},
  };
  for (auto [code, expected] : cases) {
    std::string name = "F5";
    UpdateHotKeyName(code, name);
    EXPECT_EQ(name, expected) << "code " << code;
  }
}

TEST(UpdateHotKeyName, TheKeyboardLayerSendsNoKeyWithoutAName) {
  // Every code the SDL layer can produce gets a name of its own, not the fallback.
  for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc) {
    const uint16_t vk = ScancodeToVk(static_cast<SDL_Scancode>(sc));
    if (vk == 0) continue;
    std::string name;
    UpdateHotKeyName(vk, name);
    EXPECT_FALSE(name.empty()) << "scancode " << sc;
    EXPECT_EQ(name.rfind("Key 0x", 0), std::string::npos) << "scancode " << sc << " gives " << name;
  }
}

TEST(ConfigFile, UnwritableFolderRaisesAnErrorNamingTheFile) {
  TempDir dir;
  // A folder nobody may write to; as root the test gives up root in a child,
  // so the kernel's own check decides, whatever file system holds the folder.
  std::filesystem::permissions(dir.Path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                               std::filesystem::perms::others_read |
                                               std::filesystem::perms::others_exec);
  const int code = testing::RunInChild(
      [&] {
        TConfig config;
        try {
          ConfigFile(dir / "config.dat").ReadOrCreate(config);
          return 1;  // no error
        } catch (const EInOutError& e) {
          const std::string what = e.what();
          if (what != "Cannot write \"config.dat\": Permission denied") return 2;
        }
        return config.Windowed == 1 ? 0 : 3;  // the record stays plain after a failed store
      },
      20, true);
  EXPECT_EQ(code, 0) << "1: no error, 2: another message, 3: the record was left scrambled";
}

// Faults of the file layer, made to order: the next opens or reads fail with
// the given error (a read after `read_before` bytes have come).
struct InjectedFault {
  int open_error = 0;
  int read_error = 0;
  size_t read_before = 0;
};
InjectedFault g_fault;
size_t g_read_so_far = 0;

int FaultyOpen(const char* path, int flags) {
  if (g_fault.open_error != 0) {
    errno = g_fault.open_error;
    return -1;
  }
  g_read_so_far = 0;
  return ::open(path, flags);
}

ssize_t FaultyRead(int fd, void* out, size_t size) {
  if (g_fault.read_error != 0 && g_read_so_far >= g_fault.read_before) {
    errno = g_fault.read_error;
    return -1;
  }
  if (g_fault.read_error != 0) size = std::min(size, g_fault.read_before - g_read_so_far);
  const ssize_t n = ::read(fd, out, size);
  if (n > 0) g_read_so_far += static_cast<size_t>(n);
  return n;
}

class ScopedFault {
 public:
  explicit ScopedFault(InjectedFault fault) {
    g_fault = fault;
    previous_ = SetFileSystemCalls({FaultyOpen, FaultyRead});
  }
  ~ScopedFault() {
    SetFileSystemCalls(previous_);
    g_fault = {};
  }

 private:
  FileSystemCalls previous_;
};

// The player's ten records are in config.dat: whatever keeps the game from
// reading it now (a failing disk, a system out of descriptors or memory, the
// file's rights, something that is not a file) stops the start with the
// reason, and nothing is written over it. Only a missing or short file gets
// the defaults (the cases above).
TEST(ConfigFile, AFileThatCannotBeReadNowIsNeverReplaced) {
  enum class Setup { kRecord, kWriteOnly, kReadOnly, kFolder, kPipe, kLinkToNode };
  const struct {
    const char* what;
    Setup setup;
    InjectedFault fault;
    const char* message;  // after "Cannot ..."
  } cases[] = {
      {"EIO at the open", Setup::kRecord, {EIO, 0, 0}, "open \"config.dat\": Input/output error"},
      {"ENFILE at the open", Setup::kRecord, {ENFILE, 0, 0}, "open \"config.dat\": Too many open files in system"},
      {"ENOMEM at the open", Setup::kRecord, {ENOMEM, 0, 0}, "open \"config.dat\": Cannot allocate memory"},
      {"EIO at the first read", Setup::kRecord, {0, EIO, 0}, "read \"config.dat\": Input/output error"},
      {"EIO after 100 bytes", Setup::kRecord, {0, EIO, 100}, "read \"config.dat\": Input/output error"},
      {"a write-only file", Setup::kWriteOnly, {}, "open \"config.dat\": Permission denied"},
      {"a read-only file", Setup::kReadOnly, {}, "open \"config.dat\": Permission denied"},
      {"a folder", Setup::kFolder, {}, "open \"config.dat\": Is a directory"},
      {"a pipe nobody writes to", Setup::kPipe, {}, "open \"config.dat\": Not a regular file"},
      {"a link to a device node", Setup::kLinkToNode, {}, "open \"config.dat\": Not a regular file"},
  };
  const std::vector<uint8_t> record(158, 0x5A);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const auto path = dir / "config.dat";
    mode_t kind = S_IFREG;
    switch (c.setup) {
      case Setup::kRecord: WriteBytes(path, record); break;
      case Setup::kWriteOnly:
      case Setup::kReadOnly:
        WriteBytes(path, record);
        ::chmod(path.c_str(), c.setup == Setup::kWriteOnly ? 0200 : 0444);
        // The rights are the owner's: as root, the file goes to the unprivileged
        // user the reader runs as, who may enter the folder but not write to it.
        if (::geteuid() == 0) {
          ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
        }
        ::chmod(dir.Path().c_str(), 0755);
        break;
      case Setup::kFolder:
        std::filesystem::create_directory(path);
        kind = S_IFDIR;
        break;
      case Setup::kPipe:
        ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
        kind = S_IFIFO;
        break;
      case Setup::kLinkToNode:
        kind = testing::MakeSpecialFile(dir / "node");
        std::filesystem::create_symlink("node", path);
        break;
    }
    ASSERT_NE(kind, 0) << "no device node nor pipe could be made";
    const bool unprivileged = c.setup == Setup::kWriteOnly || c.setup == Setup::kReadOnly;
    const std::string expected = std::string("Cannot ") + c.message;
    // In a child: a read that blocked would otherwise hang the suite.
    const int code = testing::RunInChild(
        [&] {
          ScopedFault fault(c.fault);
          TConfig config;
          try {
            ConfigFile(path).ReadOrCreate(config);
          } catch (const EInOutError& e) {
            if (e.what() == expected) return 0;
            std::fprintf(stderr, "message: %s\n", e.what());
            return 2;
          }
          return 1;
        },
        10, unprivileged);
    EXPECT_EQ(code, 0) << "1: read without an error, 2: another message, -1: blocked";
    if (c.setup == Setup::kLinkToNode) {
      EXPECT_EQ(testing::KindAt(path), S_IFLNK);
      EXPECT_EQ(testing::KindAt(dir / "node"), kind) << "the node is left as it was";
    } else {
      EXPECT_EQ(testing::KindAt(path), kind);
    }
    if (kind == S_IFREG) {
      ::chmod(path.c_str(), 0644);
      EXPECT_EQ(ReadBytes(path), record) << "the player's records are untouched";
    }
    EXPECT_FALSE(std::filesystem::exists(TemporaryFileFor(path)));
  }
}

TEST(ConfigFile, ATerminateRequestLeavesTheFileAlone) {
  TempDir dir;
  std::vector<uint8_t> record(158, 0x33);
  WriteBytes(dir / "config.dat", record);
  RequestTerminate();
  TConfig config;
  EXPECT_THROW(ConfigFile(dir / "config.dat").ReadOrCreate(config), EInOutError);
  ClearTerminateRequest();
  EXPECT_EQ(ReadBytes(dir / "config.dat"), record) << "the player's records are not reset";
}

TEST(ConfigFile, StartUpRemovesATemporaryFileAKilledStoreLeft) {
  TempDir dir;
  ConfigFile file(dir / "config.dat");
  TConfig config;
  file.ReadOrCreate(config);
  WriteBytes(TemporaryFileFor(dir / "config.dat"), std::vector<uint8_t>(40, 1));
  file.ReadOrCreate(config);
  EXPECT_FALSE(std::filesystem::exists(TemporaryFileFor(dir / "config.dat")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
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
