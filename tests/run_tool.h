#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

namespace aerovell::testing {

struct ToolResult {
  int code = -1;
  std::string out;
};

// Runs one of the project's tools with its arguments quoted for the shell and
// collects its standard output (and its standard error too, when asked).
inline ToolResult RunTool(const std::string& binary, const std::vector<std::string>& args, bool with_stderr = true) {
  std::string command = binary;
  for (const std::string& a : args) {
    command += " '";
    for (char c : a) command += c == '\'' ? std::string("'\\''") : std::string(1, c);
    command += '\'';
  }
  command += with_stderr ? " 2>&1" : " 2>/dev/null";
  ToolResult r;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return r;
  char buffer[4096];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) r.out.append(buffer, n);
  const int status = pclose(pipe);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

}  // namespace aerovell::testing
