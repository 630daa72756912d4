#pragma once

#include <sys/types.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace aerovell {

// Set from the SIGINT and SIGTERM handlers: the player or the system asked the
// game to end. Async-signal-safe. Readers that wait on the system look at it
// when a read is interrupted, so a stuck read cannot hold the game.
void RequestTerminate() noexcept;
bool TerminateRequested() noexcept;
void ClearTerminateRequest() noexcept;  // tests

// Opens `path` (following links) with `flags` (O_RDONLY or O_RDWR), but only
// when it is a regular file: a folder, a device or a pipe could make a reader
// block or read without end. The open itself never waits (a pipe without a
// writer would). Returns the descriptor, or -1 with `reason` set to the
// system's error text ("No such file or directory", "Is a directory", "Not a
// regular file") and `error`, when given, to its number (EINVAL for a file
// that is not regular), so a caller can tell a missing file from a failing one.
int OpenRegularFile(const std::string& path, int flags, std::string& reason, int* error = nullptr);

// Reads up to `size` bytes, retrying short and interrupted reads, and stopping
// at the end of the file, on an error, or on a terminate request. Returns the
// bytes read; `reason` is left empty (and `error`, when given, 0) when the read
// ended normally.
size_t ReadUpTo(int fd, uint8_t* out, size_t size, std::string& reason, int* error = nullptr);

enum class FileAccess { kRead, kReadWrite };

// What is over the limit: refused whole, or its first `limit` bytes read.
enum class OverLimit { kRefuse, kReadPrefix };

// How a bounded read went. Not `opened`: `reason` and `error` say why, as
// OpenRegularFile sets them. `over_limit`: the file held more than allowed and
// nothing of it is kept. Otherwise an empty `reason` means every byte was read.
struct BoundedRead {
  bool opened = false;
  bool over_limit = false;
  std::string reason;
  int error = 0;
  bool ok() const { return opened && !over_limit && reason.empty(); }
};

// The parts of ReadBoundedFile that talk to the system.
int OpenRegularFile(const std::string& path, FileAccess access, std::string& reason, int* error);
uint64_t RegularFileSize(int fd) noexcept;
void CloseFile(int fd) noexcept;

// The one way the game reads a file of outside bytes whole: only a regular
// file (OpenRegularFile), never more than `limit` bytes of it, its size taken
// as a hint only. A file over the limit by its size is refused before any
// read; one that grows meanwhile is read on up to the limit. `Bytes` is any
// vector of bytes (the engine's keeps its pages present).
template <class Bytes>
BoundedRead ReadBoundedFile(const std::string& path, size_t limit, Bytes& bytes,
                            OverLimit over = OverLimit::kRefuse, FileAccess access = FileAccess::kRead) {
  BoundedRead read;
  bytes.clear();
  const int fd = OpenRegularFile(path, access, read.reason, &read.error);
  if (fd < 0) return read;
  read.opened = true;
  const uint64_t size = RegularFileSize(fd);
  if (over == OverLimit::kRefuse && size > limit) {
    CloseFile(fd);
    read.over_limit = true;
    return read;
  }
  // One read for the size the file has, and one byte more to see whether it
  // has grown; a file that has is read on, up to the same limit.
  const size_t ceiling = over == OverLimit::kRefuse ? limit + 1 : limit;
  bytes.resize(static_cast<size_t>(std::min<uint64_t>(size + 1, ceiling)));
  size_t got = ReadUpTo(fd, bytes.data(), bytes.size(), read.reason, &read.error);
  while (read.reason.empty() && got == bytes.size() && bytes.size() < ceiling) {
    bytes.resize(std::min<size_t>(bytes.size() * 2, ceiling));
    got += ReadUpTo(fd, bytes.data() + got, bytes.size() - got, read.reason, &read.error);
  }
  CloseFile(fd);
  if (got > limit) {
    read.over_limit = true;
    got = 0;
  }
  bytes.resize(got);
  return read;
}

// The two system calls the readers above go through. Tests put in their own to
// make an open or a read fail as a failing disk or an exhausted system would,
// without touching the system's library.
struct FileSystemCalls {
  int (*open)(const char* path, int flags) = nullptr;         // nullptr: the system's
  ssize_t (*read)(int fd, void* out, size_t size) = nullptr;  // nullptr: the system's
};
// Makes the readers use `calls`; returns the calls used until now.
FileSystemCalls SetFileSystemCalls(const FileSystemCalls& calls) noexcept;

}  // namespace aerovell
