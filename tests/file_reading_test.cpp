#include "platform/file_reading.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "test_support.h"

namespace aerovell {
namespace {

// The size a file claims and what can be read from it are read to the same
// limit in both ways a caller may ask.
TEST(ReadBoundedFile, KeepsToTheLimitInBothWays) {
  testing::TempDir dir;
  constexpr size_t kLimit = 10;
  const struct {
    size_t size;
    OverLimit over;
    bool over_limit;
    size_t kept;
  } cases[] = {
      {0, OverLimit::kRefuse, false, 0},      {9, OverLimit::kRefuse, false, 9},
      {10, OverLimit::kRefuse, false, 10},    {11, OverLimit::kRefuse, true, 0},
      {3, OverLimit::kReadPrefix, false, 3},  {10, OverLimit::kReadPrefix, false, 10},
      {500, OverLimit::kReadPrefix, false, 10},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> content(c.size);
    for (size_t i = 0; i < c.size; ++i) content[i] = static_cast<uint8_t>(i * 7 + 1);
    testing::WriteBytes(dir / "f", content);
    std::vector<uint8_t> bytes{42};
    const BoundedRead read = ReadBoundedFile((dir / "f").string(), kLimit, bytes, c.over);
    SCOPED_TRACE(::testing::Message() << c.size << " bytes");
    EXPECT_TRUE(read.opened);
    EXPECT_EQ(read.over_limit, c.over_limit);
    EXPECT_EQ(read.reason, "");
    ASSERT_EQ(bytes.size(), c.kept);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), content.begin())) << "the file's first bytes";
  }

  std::vector<uint8_t> bytes;
  const BoundedRead missing = ReadBoundedFile((dir / "none").string(), kLimit, bytes);
  EXPECT_FALSE(missing.opened);
  EXPECT_EQ(missing.error, ENOENT) << "a missing file is told from a failing one";
  EXPECT_EQ(missing.reason, std::strerror(ENOENT));
}

// A file that grows while it is read (a log, a file still being copied) is
// never read past the limit, whatever its size said at the open.
ssize_t EndlessRead(int, void* out, size_t size) {
  std::memset(out, 'x', size);
  return static_cast<ssize_t>(size);
}

TEST(ReadBoundedFile, AFileThatGrowsStopsAtTheLimit) {
  testing::TempDir dir;
  testing::WriteBytes(dir / "f", {1, 2, 3});
  const FileSystemCalls previous = SetFileSystemCalls({nullptr, EndlessRead});
  std::vector<uint8_t> refused, prefix;
  const BoundedRead whole = ReadBoundedFile((dir / "f").string(), 1000, refused);
  const BoundedRead first = ReadBoundedFile((dir / "f").string(), 1000, prefix, OverLimit::kReadPrefix);
  SetFileSystemCalls(previous);
  EXPECT_TRUE(whole.over_limit);
  EXPECT_TRUE(refused.empty());
  EXPECT_TRUE(first.ok());
  EXPECT_EQ(prefix.size(), 1000u);
}

// A read that fails half-way reports the system's reason.
ssize_t FailingRead(int, void*, size_t) {
  errno = EIO;
  return -1;
}

TEST(ReadBoundedFile, AFailingReadSaysWhy) {
  testing::TempDir dir;
  testing::WriteBytes(dir / "f", {1, 2, 3});
  const FileSystemCalls previous = SetFileSystemCalls({nullptr, FailingRead});
  std::vector<uint8_t> bytes;
  const BoundedRead read = ReadBoundedFile((dir / "f").string(), 1000, bytes);
  SetFileSystemCalls(previous);
  EXPECT_TRUE(read.opened);
  EXPECT_FALSE(read.ok());
  EXPECT_EQ(read.error, EIO);
  EXPECT_EQ(read.reason, std::strerror(EIO));
}

}  // namespace
}  // namespace aerovell
