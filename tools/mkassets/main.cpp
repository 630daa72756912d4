// mkassets: writes the game's data files into a folder (the build's game folder):
// data/menu.dxg, data/gamegraphic.dxg, sound/gamesound.dxw, sound/1.xm, sound/2.xm.
// The same bytes on every run. `mkassets --icons DIR` writes the game's icons
// instead (PNG sizes, the scalable SVG, and the window's pixels as source).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "assets.h"
#include "icon.h"
#include "library_writer.h"

// The font and text libraries keep caches for the life of the process; under
// LeakSanitizer those are not ours to report.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\nleak:libpango\nleak:libglib\nleak:libgobject\nleak:libharfbuzz\n"
         "leak:libcairo\nleak:libfreetype\n";
}

namespace {

bool Save(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(path.parent_path());
  const auto temporary = path.string() + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) return false;
  }
  std::filesystem::rename(temporary, path);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace aerovell;
  if (argc == 3 && std::string_view(argv[1]) == "--icons") {
    if (mkassets::WriteIcons(argv[2])) return 0;
    std::fprintf(stderr, "mkassets: cannot write the icons into %s\n", argv[2]);
    return 1;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: mkassets GAME_DIR | mkassets --icons DIR\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  try {
    const bool ok = Save(dir / "data" / "menu.dxg", tools::WritePictureLibrary(mkassets::MenuGraphics())) &&
                    Save(dir / "data" / "gamegraphic.dxg", tools::WritePictureLibrary(mkassets::GameGraphics())) &&
                    Save(dir / "sound" / "gamesound.dxw", tools::WriteWaveLibrary(mkassets::SoundEffects())) &&
                    Save(dir / "sound" / "1.xm", mkassets::MenuMusic()) &&
                    Save(dir / "sound" / "2.xm", mkassets::PlayMusic());
    if (!ok) {
      std::fprintf(stderr, "mkassets: cannot write into %s\n", dir.c_str());
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mkassets: %s\n", e.what());
    return 1;
  }
  return 0;
}
