// Runs a command and reports its peak memory:
//   aerovell-peak-memory REPORT COMMAND ARGS...
// writes "<peak resident kB> <exit code>" to REPORT and exits as the command did.
// The command is started from this small process, not from the caller: the
// kernel carries a process's peak across fork and exec, so a command started
// straight from a big test process would report the test's peak instead.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: aerovell-peak-memory REPORT COMMAND ARGS...\n");
    return 2;
  }
  const pid_t child = ::fork();
  if (child < 0) return 126;
  if (child == 0) {
    ::execv(argv[2], argv + 2);
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (::wait4(child, &status, 0, &usage) != child) return 126;
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  FILE* report = std::fopen(argv[1], "w");
  if (!report) return 126;
  std::fprintf(report, "%ld %d\n", usage.ru_maxrss, code);
  std::fclose(report);
  return code;
}
