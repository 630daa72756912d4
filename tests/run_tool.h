#pragma once

#include <sys/wait.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <sstream>
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

// What `--help` must print: "usage: PROGRAM ..." first, then one line for each
// option named anywhere in the text, starting with it ("  --seed N  ..." or
// "  -h, --help  ..."), and the help option itself. Returns what is wrong, or
// nothing.
inline std::string UsageProblem(const std::string& text, const std::string& program) {
  if (text.rfind("usage: " + program + " ", 0) != 0) return "does not start with \"usage: " + program + "\"";
  std::map<std::string, int> described;  // option -> lines that start with it
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("  -", 0) != 0) continue;
    std::istringstream words(line);
    for (std::string word; words >> word && word[0] == '-';) {
      if (word.back() == ',') word.pop_back();
      ++described[word];
    }
  }
  std::string problems;
  for (size_t at = text.find("--"); at != std::string::npos; at = text.find("--", at + 2)) {
    size_t end = at + 2;
    while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '-')) ++end;
    const std::string option = text.substr(at, end - at);
    if (option.size() > 2 && described[option] != 1) problems += option + " has no line of its own; ";
  }
  if (described["--help"] != 1 || described["-h"] != 1) problems += "no line for -h, --help; ";
  return problems;
}

}  // namespace aerovell::testing
