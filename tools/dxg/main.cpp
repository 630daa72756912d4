// aerovell-dxg: looks inside the game's library files.
//   aerovell-dxg list FILE        one line per item
//   aerovell-dxg export FILE DIR  each picture as a PNG
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/picture_collection.h"
#include "png_writer.h"

namespace {

using namespace aerovell;

int Usage() {
  std::fprintf(stderr, "usage: aerovell-dxg list FILE\n       aerovell-dxg export FILE DIR\n");
  return 2;
}

std::string SafeFileName(const std::string& name) {
  std::string out;
  for (unsigned char c : name) out += (std::isalnum(c) || c == '-' || c == '_') ? static_cast<char>(c) : '_';
  return out.empty() ? "unnamed" : out;
}

void ListPictures(const TPictureCollection& pictures) {
  for (int i = 0; i < pictures.Count(); ++i) {
    const TPictureCollectionItem& item = pictures.Item(i);
    std::printf("%d\t%s\tpicture %dx%d\tpattern %dx%d\tpatterns %zu\tskip %dx%d\ttransparent %d %08X\n", i,
                item.Name().c_str(), item.Picture.Width(), item.Picture.Height(), item.Width(), item.Height(),
                item.Layout().size(), item.SkipWidth, item.SkipHeight, item.Transparent ? 1 : 0,
                item.TransparentColor());
  }
}

int ExportPictures(const TPictureCollection& pictures, const std::filesystem::path& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  int failures = 0;
  for (int i = 0; i < pictures.Count(); ++i) {
    const TPictureCollectionItem& item = pictures.Item(i);
    if (item.Picture.Empty()) continue;
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%03d_", i);
    const auto path = dir / (prefix + SafeFileName(item.Name()) + ".png");
    if (!tools::WritePng(item.Picture.image, path.string())) {
      std::fprintf(stderr, "aerovell-dxg: cannot write %s\n", path.c_str());
      ++failures;
    }
  }
  return failures ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  if ((command == "list" && argc != 3) || (command == "export" && argc != 4) ||
      (command != "list" && command != "export"))
    return Usage();
  try {
    TPictureCollection pictures;
    pictures.LoadLibraryFile(argv[2]);
    if (command == "list") {
      ListPictures(pictures);
      return 0;
    }
    return ExportPictures(pictures, argv[3]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
