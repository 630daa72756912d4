#pragma once

#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace aerovell::testing {

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "aerovell-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Runs the test body with the working directory set to `dir`.
class ScopedWorkingDir {
 public:
  explicit ScopedWorkingDir(const std::filesystem::path& dir) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~ScopedWorkingDir() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

// Something at `path` that is not a regular file, made in the test's own
// folder: a character device node with the null device's numbers (harmless to
// open) where the system lets the test make one, else a pipe. Returns the kind
// made (S_IFCHR or S_IFIFO), 0 when neither could be made.
inline mode_t MakeSpecialFile(const std::filesystem::path& path) {
  if (::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) return S_IFCHR;
  if (::mkfifo(path.c_str(), 0666) == 0) return S_IFIFO;
  return 0;
}

// The kind of what is at `path` (S_IFREG, S_IFCHR...), links not followed; 0 when nothing is.
inline mode_t KindAt(const std::filesystem::path& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
}

// Runs `body` in a child process, for what could hang, exhaust memory or needs
// other rights than the test's. Returns the child's exit code (what `body`
// returned; 125 when it threw), or -1 when it died of a signal or did not end
// within `seconds` (it is killed then). With `unprivileged`, a child of root
// gives up root first (to "nobody"), so the kernel's permission checks apply.
inline int RunInChild(const std::function<int()>& body, int seconds = 20, bool unprivileged = false) {
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (unprivileged && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) _exit(124);
    int code = 125;
    try {
      code = body();
    } catch (...) {}
    _exit(code);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace aerovell::testing
