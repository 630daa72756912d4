// The online table as a person sees it: headless Chromium takes a picture of
// the page the service serves.

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <set>

#include "png/png_reader.h"
#include "score_test_support.h"
#include "service_process.h"
#include "test_support.h"

namespace aerovell::scores {
namespace {

using aerovell::testing::TempDir;

bool HaveChromium() { return std::system("command -v chromium >/dev/null 2>&1") == 0; }

// Shoots `url` at the given window size into `png`; true when the file came out.
bool Screenshot(const std::string& url, int width, int height, const std::filesystem::path& png) {
  TempDir profile;  // a fresh profile each time, thrown away afterwards
  const std::string command =
      "timeout 90 chromium --headless --no-sandbox --disable-gpu --disable-background-networking "
      "--disable-component-update --disable-sync --no-first-run --hide-scrollbars "
      "--user-data-dir=" +
      profile.Path().string() + " --screenshot=" + png.string() + " --window-size=" + std::to_string(width) + "," +
      std::to_string(height) + " '" + url + "' >" + (profile / "chromium.log").string() + " 2>&1";
  return std::system(command.c_str()) == 0 && std::filesystem::exists(png);
}

struct PictureFacts {
  size_t colours = 0;
  double text_share = 0;  // of pixels as light as the text on the dark page
};

PictureFacts Look(const Surface& picture) {
  std::set<uint32_t> colours;
  size_t text = 0;
  for (int y = 0; y < picture.Height(); ++y)
    for (int x = 0; x < picture.Width(); ++x) {
      const uint32_t p = picture.Pixel(x, y);
      colours.insert(p);
      const int r = p & 0xFF, g = (p >> 8) & 0xFF, b = (p >> 16) & 0xFF;
      if (r + g + b > 450) ++text;  // light text on the dark page
    }
  return {colours.size(), static_cast<double>(text) / (picture.Width() * picture.Height())};
}

TEST(TableInABrowser, ShowsTheCyrillicRecordsOnAPhoneAndADesktop) {
  if (!HaveChromium()) GTEST_SKIP() << "chromium is not installed (scripts/install-deps installs it)";
  TempDir dir;
  testing::ServiceProcess service(dir.Path(), {"--db", "scores.sqlite", "--max-per-minute", "0"});
  ASSERT_GT(service.Port(), 0) << service.Log();
  const struct {
    const char *name, *country;
    uint16_t score;
  } records[] = {{"Иван", "Россия", 15300}, {"Жанна", "Беларусь", 12050},    {"Пётр", "Украина", 9800},
                 {"Alice", "UK", 7000},     {"Юрий Гагарин", "СССР", 65535}, {"Ёжик", "Лес", 1}};
  int stored = 0;
  for (const auto& r : records) {
    const auto version = testing::Get(service.Port(), testing::kVersionTarget);
    const auto answer =
        testing::Get(service.Port(), testing::ScoreTarget(r.name, r.score, EchoValue(version.body), r.country));
    stored += answer.body == "OK";
  }
  // "Пётр", "Юрий Гагарин" (12 characters) and "Ёжик" are refused as the game would never send
  // them.
  EXPECT_EQ(stored, 3);

  const std::string url = "http://127.0.0.1:" + std::to_string(service.Port()) + testing::kTableTarget;
  const auto out_dir = std::filesystem::path(AEROVELL_SCREENSHOT_DIR);
  std::filesystem::create_directories(out_dir);
  const struct {
    const char* file;
    int width, height;
  } shots[] = {{"score_table_phone.png", 390, 700}, {"score_table_desktop.png", 1280, 720}};
  for (const auto& shot : shots) {
    const auto png = out_dir / shot.file;
    std::filesystem::remove(png);
    ASSERT_TRUE(Screenshot(url, shot.width, shot.height, png)) << shot.file;
    const Surface picture = aerovell::tools::ReadPng(png.string());
    ASSERT_EQ(picture.Width(), shot.width) << shot.file;
    const PictureFacts facts = Look(picture);
    EXPECT_GT(facts.colours, 20u) << shot.file << " looks blank";
    EXPECT_GT(facts.text_share, 0.002) << shot.file << " shows no text";
    std::cout << "[ screenshot ] " << png.string() << "\n";
  }
  EXPECT_EQ(service.Stop(SIGTERM), 0);
}

}  // namespace
}  // namespace aerovell::scores
