#include <gtest/gtest.h>

#include <algorithm>

#include "library_fixture.h"
#include "run_tool.h"
#include "sound_fixture.h"
#include "test_support.h"

namespace aerovell {
namespace {

using testing::ToolResult;

// The tool's arguments, split at spaces (no paths here hold one).
ToolResult RunTool(const std::string& args) {
  std::vector<std::string> words;
  for (size_t at = 0; at < args.size();) {
    const size_t end = std::min(args.find(' ', at), args.size());
    words.push_back(args.substr(at, end - at));
    at = end + 1;
  }
  return testing::RunTool(AEROVELL_DXG, words);
}

TEST(DxgTool, ListsAndExportsAnImageLibrary) {
  testing::TempDir dir;
  tools::PictureEntry bonus = testing::Entry("bonus1", testing::Gradient(60, 20), 20, 20);
  bonus.transparent_color_ident = "clFuchsia";
  bonus.skip_width = 0;
  testing::WriteBytes(dir / "lib.dxg", tools::WritePictureLibrary({testing::Entry("sky", testing::Gradient(8, 6)), bonus}));
  const ToolResult list = RunTool("list " + (dir / "lib.dxg").string());
  EXPECT_EQ(list.code, 0);
  EXPECT_EQ(list.out,
            "0\tsky\tpicture 8x6\tpattern 8x6\tpatterns 1\tskip 0x0\ttransparent 1 00000000\n"
            "1\tbonus1\tpicture 60x20\tpattern 20x20\tpatterns 3\tskip 0x0\ttransparent 1 00FF00FF\n");
  const ToolResult exported = RunTool("export " + (dir / "lib.dxg").string() + " " + (dir / "out").string());
  EXPECT_EQ(exported.code, 0) << exported.out;
  const auto png = testing::ReadBytes(dir / "out" / "001_bonus1.png");
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(png[1], 'P');
}

TEST(DxgTool, ListsAndExportsASoundLibrary) {
  testing::TempDir dir;
  testing::WriteBytes(dir / "s.dxw", tools::WriteWaveLibrary({testing::Wave("menu", 1, testing::Riff(testing::Constant(10, 3))),
                                                              testing::Wave("engine", 0, testing::Riff({}, 22050), true)}));
  const ToolResult list = RunTool("list " + (dir / "s.dxw").string());
  EXPECT_EQ(list.code, 0);
  EXPECT_EQ(list.out,
            "0\tmenu\tlooped 0\tmax playing 1\tchannels 1\trate 44100\tbits 16\tbytes 20\n"
            "1\tengine\tlooped 1\tmax playing 0\tchannels 1\trate 22050\tbits 16\tbytes 0\n");
  EXPECT_EQ(RunTool("export " + (dir / "s.dxw").string() + " " + (dir / "out").string()).code, 0);
  EXPECT_EQ(testing::ReadBytes(dir / "out" / "000_menu.wav"), testing::Riff(testing::Constant(10, 3), 44100, {}, 56));
}

TEST(DxgTool, DamagedFilesPrintTheReadersMessage) {
  testing::TempDir dir;
  testing::WriteBytes(dir / "bad.dxg", {0x00, 0x01, 0x02});
  const ToolResult bad = RunTool("list " + (dir / "bad.dxg").string());
  EXPECT_EQ(bad.code, 1);
  EXPECT_EQ(bad.out, "Invalid stream format\n");
  EXPECT_EQ(RunTool("list").code, 2);
}

}  // namespace
}  // namespace aerovell
