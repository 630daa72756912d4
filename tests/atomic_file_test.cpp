#include "settings/atomic_file.h"

#include <signal.h>
#include <sys/resource.h>
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
  }
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

TEST(WriteFileAtomically, ReadOnlyFileIsNotReplaced) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write read-only files";
  TempDir dir;
  const auto path = dir / "config.dat";
  WriteFileAtomically(path, Pattern(0x11));
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  EXPECT_THROW(WriteFileAtomically(path, Pattern(0x22)), EInOutError);
  EXPECT_EQ(ReadBytes(path), Pattern(0x11));
}

}  // namespace
}  // namespace aerovell
