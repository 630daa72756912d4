#include "settings/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace aerovell {
namespace {

// Links are followed at most this deep (the kernel's own limit).
constexpr int kMaxLinks = 40;

[[noreturn]] void Fail(const std::filesystem::path& path, const std::string& reason) {
  throw EInOutError("Cannot write \"" + path.filename().string() + "\": " + reason);
}

[[noreturn]] void Fail(const std::filesystem::path& path, int error) { Fail(path, std::strerror(error)); }

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

// The file a link finally names (the path itself when it is no link). A
// dangling link gives the file it would name.
std::filesystem::path FinalTarget(const std::filesystem::path& path) {
  std::filesystem::path p = path;
  for (int depth = 0; depth < kMaxLinks; ++depth) {
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::read_symlink(p, ec);
    if (ec) return p;
    p = target.is_absolute() ? target : p.parent_path() / target;
  }
  return p;
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
  return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

// Writes over the file itself: no temporary, as the folder refused one.
void WriteInPlace(const std::filesystem::path& reported, const std::filesystem::path& file,
                  std::span<const uint8_t> bytes) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) Fail(reported, errno);
  int error = 0;
  if (!WriteAll(fd, bytes.data(), bytes.size()) || ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 ||
      ::fsync(fd) != 0)
    error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) Fail(reported, error);
}

}  // namespace

std::filesystem::path TemporaryFileFor(const std::filesystem::path& path) {
  const std::filesystem::path target = FinalTarget(path);
  return FolderOf(target) / (target.filename().string() + ".tmp");
}

void RemoveStaleTemporary(const std::filesystem::path& path) { ::unlink(TemporaryFileFor(path).c_str()); }

void WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  const std::filesystem::path target = FinalTarget(path);
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  // Only a file is ever replaced: renaming over a device, a pipe or a folder
  // that the name leads to would destroy something that is not ours.
  if (exists && S_ISDIR(existing.st_mode)) Fail(path, EISDIR);
  if (exists && !S_ISREG(existing.st_mode)) Fail(path, "Not a regular file");
  if (exists && ::access(target.c_str(), W_OK) != 0) Fail(path, errno);

  // A temporary left by an earlier store may have any mode: start afresh, so
  // the new file gets exactly the mode the system gives new files.
  const std::filesystem::path temporary = TemporaryFileFor(path);
  ::unlink(temporary.c_str());
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) {
    const int error = errno;
    if (exists && S_ISREG(existing.st_mode) && (error == EACCES || error == EPERM)) {
      WriteInPlace(path, target, bytes);
      return;
    }
    Fail(path, error);
  }

  int error = 0;
  // The replacement keeps the permission bits of the file it replaces.
  if (exists && ::fchmod(fd, existing.st_mode & 07777) != 0) error = errno;
  if (error == 0 && (!WriteAll(fd, bytes.data(), bytes.size()) || ::fsync(fd) != 0)) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    Fail(path, error);
  }
  // The rename is durable only once the folder is on disk too.
  const int dir_fd = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd < 0) Fail(path, errno);
  if (::fsync(dir_fd) != 0) error = errno;
  ::close(dir_fd);
  if (error != 0) Fail(path, error);
}

}  // namespace aerovell
