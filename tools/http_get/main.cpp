// aerovell-http-get: fetches URLs through the game's HTTP client.
//   aerovell-http-get URL...
// All URLs go through one client, in order, so cookies and the kept connection
// carry from one to the next. For each URL it prints "OK <length>", a newline,
// the body bytes and a newline, or one line "ERROR <message>". The exit status
// is 0 when every request succeeded, 1 otherwise, 2 without URLs or with an
// unknown option. --help (-h) prints the usage.
#include <cstdio>
#include <string>

#include "online/http_client.h"

namespace {

// The message stays on its one line whatever the server put in it.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

constexpr const char* kUsage =
    "usage: aerovell-http-get URL...\n"
    "  URL         an http:// address; several go in order through one client\n"
    "  -h, --help  this text\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  // A URL never starts with "-": such an argument is asked about the tool.
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "aerovell-http-get: unknown option \"%s\"\n%s", arg.c_str(), kUsage);
      return 2;
    }
  }
  try {
    aerovell::THTTPClient client;
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
      try {
        const std::string body = client.Get(argv[i]);
        std::printf("OK %zu\n", body.size());
        std::fwrite(body.data(), 1, body.size(), stdout);
        std::fputc('\n', stdout);
      } catch (const aerovell::EHTTPError& e) {
        std::printf("ERROR %s\n", OneLine(e.what()).c_str());
        ++failures;
      }
      std::fflush(stdout);
    }
    return failures ? 1 : 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "aerovell-http-get: %s\n", e.what());
    return 1;
  }
}
