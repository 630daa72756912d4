#include "platform/file_reading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace aerovell {
namespace {

volatile std::sig_atomic_t g_terminate = 0;

FileSystemCalls g_calls;

int SystemOpen(const char* path, int flags) { return g_calls.open ? g_calls.open(path, flags) : ::open(path, flags); }

ssize_t SystemRead(int fd, void* out, size_t size) {
  return g_calls.read ? g_calls.read(fd, out, size) : ::read(fd, out, size);
}

}  // namespace

FileSystemCalls SetFileSystemCalls(const FileSystemCalls& calls) noexcept {
  const FileSystemCalls previous = g_calls;
  g_calls = calls;
  return previous;
}

void RequestTerminate() noexcept { g_terminate = 1; }
bool TerminateRequested() noexcept { return g_terminate != 0; }
void ClearTerminateRequest() noexcept { g_terminate = 0; }

int OpenRegularFile(const std::string& path, int flags, std::string& reason, int* error) {
  int fd;
  do {
    fd = SystemOpen(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  } while (fd < 0 && errno == EINTR && !TerminateRequested());
  if (fd < 0) {
    if (error) *error = errno;
    reason = std::strerror(errno);
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const bool other_kind = st.st_mode != 0 && !S_ISDIR(st.st_mode);
    const int code = S_ISDIR(st.st_mode) ? EISDIR : other_kind ? EINVAL : errno;
    reason = other_kind ? "Not a regular file" : std::strerror(code);
    if (error) *error = code;
    ::close(fd);
    return -1;
  }
  // Regular files never wait anyway; reads then behave as for any open file.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

int OpenRegularFile(const std::string& path, FileAccess access, std::string& reason, int* error) {
  return OpenRegularFile(path, access == FileAccess::kReadWrite ? O_RDWR : O_RDONLY, reason, error);
}

uint64_t RegularFileSize(int fd) noexcept {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

void CloseFile(int fd) noexcept { ::close(fd); }

size_t ReadUpTo(int fd, uint8_t* out, size_t size, std::string& reason, int* error) {
  if (error) *error = 0;
  size_t got = 0;
  while (got < size) {
    const ssize_t n = SystemRead(fd, out + got, size - got);
    if (n > 0) {
      got += static_cast<size_t>(n);
      continue;
    }
    if (n == 0) break;
    if (errno == EINTR && !TerminateRequested()) continue;
    if (error) *error = errno;
    reason = std::strerror(errno);
    break;
  }
  return got;
}

}  // namespace aerovell
