// Drawing paths of the image library beside SDL's fastest keyed blit (RLE), with
// the same pixels, in the same run.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <memory>

#include "bitmap_encoder.h"
#include "engine/dx_draw.h"
#include "engine/picture_collection.h"
#include "library_writer.h"
#include "platform/fake/fake_platform.h"

namespace aerovell {
namespace {

constexpr uint32_t kKey = 0xFF00FF;

// A diamond on the key colour: about half of the pattern is transparent.
tools::RgbImage Diamond(int size) {
  tools::RgbImage image{size, size, std::vector<uint32_t>(static_cast<size_t>(size) * size, kKey)};
  const int c = size / 2;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      if (std::abs(x - c) + std::abs(y - c) <= c) image.At(x, y) = 0x204080 + static_cast<uint32_t>((x ^ y) & 0x3F);
  return image;
}

tools::RgbImage Landscape(int w, int h) {
  tools::RgbImage image{w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.At(x, y) = static_cast<uint32_t>((y * 255 / h) << 8 | (x & 0xFF));
  return image;
}

tools::PictureEntry Item(std::string name, const tools::RgbImage& image) {
  tools::PictureEntry e;
  e.name = std::move(name);
  e.transparent_color_ident = "clFuchsia";
  e.data = tools::PictureData("TDIB", tools::EncodeDib(image, tools::DibEncoding::kRgb24));
  return e;
}

// A display with a loaded, prepared image library: the game's drawing setup.
struct Scene {
  FakePlatform platform;
  TDXForm form{platform};
  TDXDraw draw{platform, &form};
  TDXImageList images;
  Scene() {
    draw.Display = {800, 600, 32};
    draw.OpenDisplay();
    images.SetDXDraw(&draw);
    images.Items.LoadFromBytes(
        tools::WritePictureLibrary({Item("16", Diamond(16)), Item("64", Diamond(64)), Item("160", Diamond(160)),
                                    Item("background", Landscape(800, 600)), Item("gun", Landscape(48, 62))}));
  }
};

Scene& SharedScene() {
  static Scene scene;
  return scene;
}

int SizeIndex(int size) { return size == 16 ? 0 : size == 64 ? 1 : size == 160 ? 2 : 3; }

void BM_DrawPattern(benchmark::State& state) {
  Scene& s = SharedScene();
  const auto& item = s.images.Items.Item(SizeIndex(static_cast<int>(state.range(0))));
  Surface& back = s.draw.BackSurface();
  const bool background = state.range(0) == 800;
  for (auto _ : state) {
    item.DrawPattern(back, background ? 0 : 100, background ? 0 : 100, 0);
    benchmark::DoNotOptimize(back.Row(100));
  }
}
BENCHMARK(BM_DrawPattern)->Arg(16)->Arg(64)->Arg(160)->Arg(800);

// SDL's keyed blit with RLE acceleration and no blending, on the same pixels.
void BM_SdlRleBlit(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  const tools::RgbImage image = size == 800 ? Landscape(800, 600) : Diamond(size);
  SDL_Surface* src = SDL_CreateRGBSurfaceWithFormat(0, image.width, image.height, 32, SDL_PIXELFORMAT_ARGB8888);
  SDL_Surface* dest = SDL_CreateRGBSurfaceWithFormat(0, 800, 600, 32, SDL_PIXELFORMAT_ARGB8888);
  for (int y = 0; y < image.height; ++y)
    std::memcpy(static_cast<uint8_t*>(src->pixels) + y * src->pitch,
                &image.pixels[static_cast<size_t>(y) * image.width], static_cast<size_t>(image.width) * 4);
  SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_NONE);
  SDL_SetColorKey(src, SDL_TRUE, kKey);
  SDL_SetSurfaceRLE(src, 1);
  SDL_Rect at{size == 800 ? 0 : 100, size == 800 ? 0 : 100, 0, 0};
  SDL_BlitSurface(src, nullptr, dest, &at);  // encodes the runs once, as preparation does
  for (auto _ : state) {
    SDL_Rect to = at;
    SDL_BlitSurface(src, nullptr, dest, &to);
    benchmark::DoNotOptimize(dest->pixels);
  }
  SDL_FreeSurface(src);
  SDL_FreeSurface(dest);
}
BENCHMARK(BM_SdlRleBlit)->Arg(16)->Arg(64)->Arg(160)->Arg(800);

// A busy frame: fill, background, 300 keyed sprites of mixed sizes.
void BM_BusyFrame(benchmark::State& state) {
  Scene& s = SharedScene();
  Surface& back = s.draw.BackSurface();
  const auto& items = s.images.Items;
  struct Placed {
    int item, x, y;
  };
  std::vector<Placed> sprites;
  uint32_t seed = 1;
  auto next = [&](int n) {
    seed = seed * 134775813u + 1;
    return static_cast<int>((uint64_t{seed} * n) >> 32);
  };
  for (int i = 0; i < 300; ++i) {
    const int item = i < 200 ? 0 : i < 280 ? 1 : 2;
    sprites.push_back({item, next(800) - 40, next(600) - 40});
  }
  for (auto _ : state) {
    s.draw.FillSurface(0);
    items.Item(3).DrawPattern(back, 0, 0, 0);
    for (const Placed& p : sprites) items.Item(p.item).DrawPattern(back, p.x, p.y, 0);
    benchmark::DoNotOptimize(back.Row(0));
  }
}
BENCHMARK(BM_BusyFrame);

void BM_DrawPatternRotated(benchmark::State& state) {
  Scene& s = SharedScene();
  const auto& gun = s.images.Items.Item(4);  // 48 x 62
  const int angle = static_cast<int>(state.range(0));
  for (auto _ : state) {
    gun.DrawPatternRotated(s.draw.BackSurface(), 300, 300, 48, 62, 0, 0.5, 0.8, angle);
    benchmark::DoNotOptimize(s.draw.BackSurface().Row(300));
  }
}
BENCHMARK(BM_DrawPatternRotated)->Arg(0)->Arg(21)->Arg(64)->Arg(100);

// Loading and preparing a 2 MB library, against reading its bytes.
std::string LargeLibraryPath() {
  static const std::string path = [] {
    std::vector<tools::PictureEntry> entries;
    for (int i = 0; i < 3; ++i) entries.push_back(Item("land" + std::to_string(i), Landscape(800, 280)));
    for (int i = 0; i < 40; ++i) entries.push_back(Item("sprite" + std::to_string(i), Diamond(64)));
    const auto bytes = tools::WritePictureLibrary(entries);
    const std::string p = "/tmp/aerovell_bench_2mb.dxg";
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return p;
  }();
  return path;
}

void BM_ReadFileBytes(benchmark::State& state) {
  const std::string path = LargeLibraryPath();
  for (auto _ : state) benchmark::DoNotOptimize(ReadWholeFile(path));
  state.counters["bytes"] = static_cast<double>(ReadWholeFile(path).size());
}
BENCHMARK(BM_ReadFileBytes)->Unit(benchmark::kMillisecond);

void BM_LoadAndPrepareLibrary(benchmark::State& state) {
  const std::string path = LargeLibraryPath();
  Scene& s = SharedScene();
  TDXImageList list;
  list.SetDXDraw(&s.draw);
  for (auto _ : state) {
    list.Items.LoadLibraryFile(path);
    benchmark::DoNotOptimize(list.Items.Count());
  }
}
BENCHMARK(BM_LoadAndPrepareLibrary)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace aerovell
