#include "settings/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace aerovell {
namespace {

[[noreturn]] void Fail(const std::filesystem::path& path, int error) {
  throw EInOutError("Cannot write \"" + path.filename().string() + "\": " + std::strerror(error));
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

void WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  if (::access(path.c_str(), F_OK) == 0 && ::access(path.c_str(), W_OK) != 0) Fail(path, errno);

  const std::filesystem::path dir = path.has_parent_path() ? path.parent_path() : ".";
  std::string pattern = (dir / (path.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) Fail(path, errno);

  const mode_t mask = ::umask(0);
  ::umask(mask);
  int error = 0;
  if (::fchmod(fd, 0666 & ~mask) != 0 || !WriteAll(fd, bytes.data(), bytes.size()) || ::fsync(fd) != 0)
    error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(name.data(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(name.data());
    Fail(path, error);
  }
  // Make the rename itself durable.
  const int dir_fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir_fd >= 0) {
    ::fsync(dir_fd);
    ::close(dir_fd);
  }
}

}  // namespace aerovell
