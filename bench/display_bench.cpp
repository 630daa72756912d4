#include <benchmark/benchmark.h>

#include <cstring>

#include "engine/dx_draw.h"
#include "platform/cp1251.h"
#include "platform/fake/fake_platform.h"

namespace aerovell {
namespace {

struct Display {
  FakePlatform platform;
  TDXForm form{platform};
  TDXDraw draw{platform, &form};
  Display() {
    draw.Display = {800, 600, 32};
    draw.OpenDisplay();
  }
};

void BM_FillSurface(benchmark::State& state) {
  Display d;
  for (auto _ : state) {
    d.draw.FillSurface(0);
    benchmark::DoNotOptimize(d.draw.BackSurface().Row(0));
  }
  state.SetBytesProcessed(state.iterations() * 800 * 600 * 4);
}
BENCHMARK(BM_FillSurface);

// Reference: copying the frame's bytes once.
void BM_MemcpyFrame(benchmark::State& state) {
  std::vector<uint32_t> a(800 * 600, 1), b(800 * 600);
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), a.size() * 4);
    benchmark::DoNotOptimize(b.data());
  }
  state.SetBytesProcessed(state.iterations() * 800 * 600 * 4);
}
BENCHMARK(BM_MemcpyFrame);

void BM_TenLinesOfText(benchmark::State& state) {
  Display d;
  auto& canvas = d.draw.SurfaceCanvas();
  canvas.Brush.Style = TBrushStyle::bsClear;
  canvas.Font.Name = "a_Stamper";
  canvas.Font.Size = 14;
  const std::string line = Utf8ToCp1251("Начать игру - Рекорды 12345");
  canvas.MeasureText(line);  // the font is rasterised once, outside the timing
  for (auto _ : state) {
    for (int i = 0; i < 10; ++i) {
      canvas.Font.Color = i & 1 ? 0x0000FF : 0;
      canvas.WriteText(100, 40 + i * 26, line);
    }
    canvas.Release();
    benchmark::DoNotOptimize(d.draw.BackSurface().Row(0));
  }
}
BENCHMARK(BM_TenLinesOfText);

}  // namespace
}  // namespace aerovell
