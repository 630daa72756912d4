// Writes the hostile library files into a folder, for measuring the tools and
// the game by hand:  aerovell-hostile-files DIR
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "hostile/hostile_files.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: aerovell-hostile-files DIR\n");
    return 2;
  }
  std::filesystem::create_directories(argv[1]);
  for (const auto& f : aerovell::testing::HostileLibraries()) {
    const auto path = std::filesystem::path(argv[1]) / f.name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(f.bytes.data()), static_cast<std::streamsize>(f.bytes.size()));
    std::printf("%s\t%zu bytes\t%s\n", path.c_str(), f.bytes.size(), f.what);
  }
  return 0;
}
