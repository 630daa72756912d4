#pragma once

#include <sys/types.h>

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
