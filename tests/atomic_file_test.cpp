#include "settings/atomic_file.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <random>

#include "settings/config.h"
#include "test_support.h"

namespace aerovell {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

std::vector<uint8_t> Pattern(uint8_t value) { return std::vector<uint8_t>(158, value); }

size_t FilesIn(const std::filesystem::path& dir) {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

TEST(WriteFileAtomically, AStoreKilledAtAnyMomentLeavesTheOldOrTheNewFileWhole) {
  TempDir dir;
  const auto path = dir / "config.dat";
  const auto a = Pattern(0xAA), b = Pattern(0xBB);
  WriteFileAtomically(path, a);
  std::mt19937 rng(12345);
  for (int round = 0; round < 25; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) WriteFileAtomically(path, (i & 1) ? a : b);
    }
    ::usleep(std::uniform_int_distribution<useconds_t>(0, 3000)(rng));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    const auto now = ReadBytes(path);
    ASSERT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes";
    // Whatever the moment, at most the one temporary file is left, and the
    // next store reuses it.
    ASSERT_LE(FilesIn(dir.Path()), 2u) << "round " << round;
  }
  WriteFileAtomically(path, a);
  EXPECT_EQ(FilesIn(dir.Path()), 1u);
  EXPECT_FALSE(std::filesystem::exists(TemporaryFileFor(path)));
}

TEST(WriteFileAtomically, AFailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
  TempDir dir;
  const auto path = dir / "config.dat";
  WriteFileAtomically(path, Pattern(0x11));
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A file-size limit below the record makes the write fail half-way.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{100, 100};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    try {
      WriteFileAtomically(path, Pattern(0x22));
    } catch (const EInOutError& e) {
      _exit(std::string(e.what()).find("config.dat") != std::string::npos ? 3 : 4);
    }
    _exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3) << "the failure is reported with the file's name";
  EXPECT_EQ(ReadBytes(path), Pattern(0x11));
  EXPECT_EQ(FilesIn(dir.Path()), 1u);
}

// Lets "nobody" (a test child that gave up root) into the folder and its file.
void OpenToEveryone(const TempDir& dir, const std::filesystem::path& file, std::filesystem::perms file_perms) {
  std::filesystem::permissions(dir.Path(), std::filesystem::perms::all);
  std::filesystem::permissions(file, file_perms);
}

TEST(WriteFileAtomically, ReadOnlyFileIsNotReplaced) {
  // As root, in a child that gave up root: root itself may write any file.
  TempDir dir;
  const auto path = dir / "config.dat";
  WriteFileAtomically(path, Pattern(0x11));
  using P = std::filesystem::perms;
  OpenToEveryone(dir, path, P::owner_read | P::group_read | P::others_read);
  const int code = testing::RunInChild(
      [&] {
        try {
          WriteFileAtomically(path, Pattern(0x22));
        } catch (const EInOutError& e) {
          return std::string(e.what()) == "Cannot write \"config.dat\": Permission denied" ? 0 : 2;
        }
        return 1;
      },
      20, true);
  EXPECT_EQ(code, 0) << "1: no error, 2: another message";
  EXPECT_EQ(ReadBytes(path), Pattern(0x11));
  EXPECT_EQ(FilesIn(dir.Path()), 1u);
}

TEST(WriteFileAtomically, AFolderThatTakesNoNewFilesGetsTheFileWrittenInPlace) {
  // The folder refuses new files but its config.dat may be written: the
  // player asked for the change and the file allows it, so it is written over
  // where it stands rather than refused (without the safety of the rename,
  // which the folder does not allow).
  TempDir dir;
  const auto path = dir / "config.dat";
  WriteFileAtomically(path, Pattern(0x11));
  using P = std::filesystem::perms;
  std::filesystem::permissions(path, P::all & ~(P::owner_exec | P::group_exec | P::others_exec));
  std::filesystem::permissions(
      dir.Path(), P::owner_read | P::owner_exec | P::group_read | P::group_exec | P::others_read | P::others_exec);
  const int code = testing::RunInChild(
      [&] {
        WriteFileAtomically(path, Pattern(0x22));
        return 0;
      },
      20, true);
  EXPECT_EQ(code, 0) << "the store failed";
  EXPECT_EQ(ReadBytes(path), Pattern(0x22));
  EXPECT_EQ(FilesIn(dir.Path()), 1u);
}

TEST(WriteFileAtomically, ALinkStaysALinkAndTheFileKeepsItsMode) {
  TempDir dir;
  std::filesystem::create_directory(dir / "real");
  const auto target = dir / "real" / "config.dat";
  WriteFileAtomically(target, Pattern(0x11));
  ::chmod(target.c_str(), 0640);
  std::filesystem::create_symlink("real/config.dat", dir / "config.dat");
  // A temporary a killed store left with another mode must not lend it hers.
  WriteBytes(TemporaryFileFor(dir / "config.dat"), Pattern(0));
  ::chmod(TemporaryFileFor(dir / "config.dat").c_str(), 0777);

  WriteFileAtomically(dir / "config.dat", Pattern(0x22));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "config.dat"));
  EXPECT_EQ(std::filesystem::read_symlink(dir / "config.dat"), "real/config.dat");
  EXPECT_EQ(ReadBytes(target), Pattern(0x22));
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(FilesIn(dir.Path()), 2u) << "the link and the folder, nothing beside the link";
  EXPECT_EQ(FilesIn(dir / "real"), 1u) << "the temporary was used beside the target and is gone";

  // A new file gets the mode of any new file: 0666 less the process's mask.
  const mode_t mask = ::umask(022);
  WriteFileAtomically(dir / "new.dat", Pattern(0x33));
  ASSERT_EQ(::stat((dir / "new.dat").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  ::umask(mask);
}

// Only a regular file is ever replaced: whatever else the name leads to, after
// following links, stays as it is and the store fails with the reason.
TEST(WriteFileAtomically, AnythingButARegularFileIsLeftAlone) {
  const struct {
    const char* what;
    mode_t kind;  // what is at "node": 0 for a device node where it can be made, else a pipe
    bool linked;  // config.dat is a link to it
    const char* reason;
  } cases[] = {
      {"a link to a device node", 0, true, "Not a regular file"},
      {"a link to a pipe", S_IFIFO, true, "Not a regular file"},
      {"a pipe", S_IFIFO, false, "Not a regular file"},
      {"a link to a folder", S_IFDIR, true, "Is a directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const auto node = c.linked ? dir / "node" : dir / "config.dat";
    mode_t kind = c.kind;
    if (kind == 0) kind = testing::MakeSpecialFile(node);
    else if (kind == S_IFIFO) kind = ::mkfifo(node.c_str(), 0666) == 0 ? kind : 0;
    else std::filesystem::create_directory(node);
    ASSERT_NE(kind, 0u) << "could not be made";
    if (c.linked) std::filesystem::create_symlink("node", dir / "config.dat");
    try {
      WriteFileAtomically(dir / "config.dat", Pattern(0x22));
      ADD_FAILURE() << "stored";
    } catch (const EInOutError& e) {
      EXPECT_EQ(std::string(e.what()), std::string("Cannot write \"config.dat\": ") + c.reason);
    }
    EXPECT_EQ(testing::KindAt(node), kind);
    if (c.linked) {
      EXPECT_EQ(testing::KindAt(dir / "config.dat"), static_cast<mode_t>(S_IFLNK));
    }
    EXPECT_EQ(FilesIn(dir.Path()), c.linked ? 2u : 1u) << "no temporary left";
  }
}

TEST(WriteFileAtomically, AFolderThatCannotBeFlushedIsAFailedStore) {
  // A folder that may be written but not read cannot be opened to flush it:
  // the store is not known to be on disk and says so.
  TempDir dir;
  const auto path = dir / "config.dat";
  WriteFileAtomically(path, Pattern(0x11));
  using P = std::filesystem::perms;
  std::filesystem::permissions(path, P::all & ~(P::owner_exec | P::group_exec | P::others_exec));
  std::filesystem::permissions(
      dir.Path(), P::owner_write | P::owner_exec | P::group_write | P::group_exec | P::others_write | P::others_exec);
  const int code = testing::RunInChild(
      [&] {
        try {
          WriteFileAtomically(path, Pattern(0x22));
        } catch (const EInOutError& e) {
          return std::string(e.what()) == "Cannot write \"config.dat\": Permission denied" ? 0 : 2;
        }
        return 1;
      },
      20, true);
  EXPECT_EQ(code, 0) << "1: no error, 2: another message";
}

}  // namespace
}  // namespace aerovell
