#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "hostile/hostile_files.h"
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
  testing::WriteBytes(dir / "lib.dxg",
                      tools::WritePictureLibrary({testing::Entry("sky", testing::Gradient(8, 6)), bonus}));
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
  testing::WriteBytes(dir / "s.dxw",
                      tools::WriteWaveLibrary({testing::Wave("menu", 1, testing::Riff(testing::Constant(10, 3))),
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

// The tool's exit code, what it printed on stderr, and its peak memory.
struct Measured {
  int code = -1;
  std::string err;
  long max_rss_kb = 0;
};

Measured RunMeasured(const std::vector<std::string>& args, const std::filesystem::path& err_file) {
  const auto report = err_file.parent_path() / "peak.txt";
  const pid_t child = ::fork();
  if (child == 0) {
    std::vector<char*> argv = {const_cast<char*>(AEROVELL_PEAK_MEMORY), const_cast<char*>(report.c_str()),
                               const_cast<char*>(AEROVELL_DXG)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::freopen("/dev/null", "w", stdout);
    std::freopen(err_file.c_str(), "w", stderr);
    ::alarm(60);  // a tool that hangs ends, and the test says so
    ::execv(AEROVELL_PEAK_MEMORY, argv.data());
    _exit(127);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  Measured m;
  m.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream(report) >> m.max_rss_kb;
  const auto bytes = testing::ReadBytes(err_file);
  m.err.assign(bytes.begin(), bytes.end());
  return m;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMeasuresMemory = false;  // the sanitizer's own bookkeeping dwarfs what is measured
#else
constexpr bool kMeasuresMemory = true;
#endif

TEST(DxgTool, HostileFilesCostAtMostTenTimesTheirSizeAndTwentyMegabytes) {
  // Each file claims far more than it holds; reading it (list) and using it as
  // the game does (check) must stay within ten times its size plus 20 MB,
  // with the reader's error or a picture that fits. Before, these took from
  // 145 MB to several gigabytes, or crashed.
  testing::TempDir dir;
  const struct {
    const char* name;
    const char* error;  // empty: the file loads
  } expected[] = {
      {"tiny_patterns_6k.dxg", ""},
      {"tiny_patterns_1m.dxg",
       "Error reading TPictureCollectionComponent.List: Error reading TPictureCollectionItem.Picture.Data: DIB is "
       "invalid\n"},
      {"rle_claims_4m.dxg",
       "Error reading TPictureCollectionComponent.List: Error reading TPictureCollectionItem.Picture.Data: DIB is "
       "invalid\n"},
      {"empty_items_4m.dxg", "Error reading TPictureCollectionComponent.List: Stream read error\n"},
      {"empty_waves_4m.dxw", "Error reading TWaveCollectionComponent.List: Stream read error\n"},
      {"rle_move_overflow.dxg", ""},
  };
  const auto files = testing::HostileLibraries();
  ASSERT_EQ(files.size(), std::size(expected));
  for (size_t i = 0; i < files.size(); ++i) {
    const auto& f = files[i];
    ASSERT_STREQ(f.name, expected[i].name);
    const auto path = dir / f.name;
    testing::WriteBytes(path, f.bytes);
    for (const char* command : {"list", "check"}) {
      const Measured m = RunMeasured({command, path.string()}, dir / "err.txt");
      SCOPED_TRACE(std::string(command) + " " + f.name);
      EXPECT_EQ(m.code, expected[i].error[0] ? 1 : 0) << m.err;
      EXPECT_EQ(m.err, expected[i].error);
      const long bound_kb = static_cast<long>(10 * f.bytes.size() / 1024) + 20 * 1024;
      if (kMeasuresMemory) {
        EXPECT_LE(m.max_rss_kb, bound_kb) << f.what;
      }
    }
    std::filesystem::remove(path);
  }
}

TEST(DxgTool, PathsThatAreNoFilesAreRefusedAtOnce) {
  testing::TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  const struct {
    std::string path;
    std::string error;
  } cases[] = {
      {dir.Path().string(), "Cannot open file \"" + dir.Path().string() + "\". Is a directory\n"},
      {"/dev/zero", "Cannot open file \"/dev/zero\". Not a regular file\n"},
      {(dir / "pipe").string(), "Cannot open file \"" + (dir / "pipe").string() + "\". Not a regular file\n"},
  };
  for (const auto& c : cases) {
    const Measured m = RunMeasured({"list", c.path}, dir / "err.txt");
    EXPECT_EQ(m.code, 1) << c.path;
    EXPECT_EQ(m.err, c.error);
    if (kMeasuresMemory) {
      EXPECT_LE(m.max_rss_kb, 20 * 1024) << c.path;
    }
  }
}

}  // namespace
}  // namespace aerovell
