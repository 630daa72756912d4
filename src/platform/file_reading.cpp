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

}  // namespace

void RequestTerminate() noexcept { g_terminate = 1; }
bool TerminateRequested() noexcept { return g_terminate != 0; }
void ClearTerminateRequest() noexcept { g_terminate = 0; }

int OpenRegularFile(const std::string& path, int flags, std::string& reason) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  } while (fd < 0 && errno == EINTR && !TerminateRequested());
  if (fd < 0) {
    reason = std::strerror(errno);
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int error = errno;
    reason = S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : st.st_mode ? "Not a regular file" : std::strerror(error);
    ::close(fd);
    return -1;
  }
  // Regular files never wait anyway; reads then behave as for any open file.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

size_t ReadUpTo(int fd, uint8_t* out, size_t size, std::string& reason) {
  size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, out + got, size - got);
    if (n > 0) {
      got += static_cast<size_t>(n);
      continue;
    }
    if (n == 0) break;
    if (errno == EINTR && !TerminateRequested()) continue;
    reason = std::strerror(errno);
    break;
  }
  return got;
}

}  // namespace aerovell
