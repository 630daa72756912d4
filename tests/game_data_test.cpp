#include <gtest/gtest.h>
#include <xmp.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "engine/picture_collection.h"
#include "sound/wave_collection.h"
#include "test_support.h"

namespace aerovell {
namespace {

const std::filesystem::path kGameDir = AEROVELL_GAME_DIR;

std::unique_ptr<TPictureCollection> Load(const char* name) {
  auto c = std::make_unique<TPictureCollection>();
  c->LoadLibraryFile((kGameDir / "data" / name).string());
  return c;
}

struct Expect {
  std::string name;
  int patterns_at_least;
  int pattern_width;  // 0: any
  int pattern_height;
  bool pattern_size_set;
};

void Check(const TPictureCollectionItem& item, const Expect& e) {
  SCOPED_TRACE(e.name);
  EXPECT_FALSE(item.Picture.Empty());
  EXPECT_GE(item.Layout().Count(), e.patterns_at_least);
  if (e.pattern_width) {
    EXPECT_EQ(item.Width(), e.pattern_width);
  }
  if (e.pattern_height) {
    EXPECT_EQ(item.Height(), e.pattern_height);
  }
  if (e.pattern_size_set) {
    EXPECT_GT(item.PatternWidth, 0);
    EXPECT_GT(item.PatternHeight, 0);
  }
}

TEST(GameData, MenuPicturesByIndex) {
  const auto owned = Load("menu.dxg");
  const TPictureCollection& menu = *owned;
  ASSERT_GE(menu.Count(), 14);
  EXPECT_EQ(menu.Item(0).Width(), 800);
  EXPECT_EQ(menu.Item(0).Height(), 600);
  const int item_y[] = {164, 232, 295, 358, 417, 487};
  for (int k = 1; k <= 6; ++k) {
    SCOPED_TRACE(k);
    const auto& item = menu.Item(k);
    EXPECT_GT(item.Width(), 60);
    EXPECT_LE(168 + item.Width(), 800);
    EXPECT_LE(item_y[k - 1] + item.Height(), 600);
    if (k < 6) {
      EXPECT_LE(item_y[k - 1] + item.Height(), item_y[k] + 8) << "overlays barely touch";
    }
  }
  // The sub-menu frame at (118, 123) holds the records table and the buttons.
  EXPECT_GE(118 + menu.Item(7).Width(), 670);
  EXPECT_GE(123 + menu.Item(7).Height(), 455);
  // The dialog frame at (185, 120) holds the questions.
  EXPECT_GE(185 + menu.Item(8).Width(), 560);
  EXPECT_GE(120 + menu.Item(8).Height(), 320);
  for (int k = 9; k <= 13; ++k) {
    SCOPED_TRACE(k);
    EXPECT_LE(140 + menu.Item(k).Width(), 118 + menu.Item(7).Width());
    EXPECT_LE(200 + menu.Item(k).Height(), 428) << "help pages end above the buttons";
  }
}

TEST(GameData, PlayPicturesByIndexAndName) {
  const auto owned = Load("gamegraphic.dxg");
  const TPictureCollection& game = *owned;
  ASSERT_GE(game.Count(), 10);
  EXPECT_EQ(game.Item(0).Width(), 800);
  EXPECT_EQ(game.Item(0).Height(), 600);
  EXPECT_GE(185 + game.Item(1).Width(), 560);
  EXPECT_GE(120 + game.Item(1).Height(), 390);
  const int layer_y[] = {70, 70, 400, 400, 350, 350};
  for (int k = 2; k <= 7; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(game.Item(k).Width(), 800);
    EXPECT_GE(layer_y[k - 2] + game.Item(k).Height(), k < 4 ? 380 : 600);
  }
  EXPECT_EQ(game.Item(8).Width(), 800);
  Check(game.Item(9), {"hero", 3, 0, 0, true});
  EXPECT_EQ(game.Item(9).Layout().Count(), 3);

  const std::vector<Expect> named = {
      {"propeller", 3, 0, 0, true},   {"smoke", 2, 0, 0, true},          {"shield", 1, 0, 0, false},
      {"rocketfire", 1, 0, 0, false}, {"rocketfire1", 11, 0, 0, false},  {"machinegun", 1, 0, 0, false},
      {"shell", 1, 0, 0, false},      {"boomerang", 1, 0, 0, false},     {"herorocket1", 1, 0, 0, false},
      {"herorocket2", 1, 0, 0, false}, {"bomb", 1, 0, 0, false},         {"gunexplosion", 3, 32, 32, false},
      {"rocketexplosion", 3, 128, 128, false}, {"explosion1", 3, 160, 160, false},
      {"explosion2", 3, 200, 200, false}, {"explosion3", 3, 200, 200, false}, {"bloodexplosion", 3, 72, 72, false},
      {"kamikaze", 1, 0, 0, false},   {"rocket1", 1, 0, 0, false},       {"rocket2", 1, 0, 0, false},
      {"paratroopermachinegun", 1, 0, 0, false}, {"paratrooperrocket", 1, 0, 0, false},
      {"soldier", 1, 0, 0, false},    {"soldier2", 1, 0, 0, false},      {"soldiergun", 1, 0, 0, false},
      {"soldiergun2", 1, 0, 0, false}, {"tower", 1, 0, 0, false},        {"towergun", 1, 0, 0, false},
      {"towerweapon", 1, 0, 0, false}, {"nru", 1, 0, 0, false},          {"nrugun", 1, 0, 0, false},
      {"nruweapon", 1, 0, 0, false},  {"bonusweapon", 1, 0, 0, false},   {"bonusshield", 1, 0, 0, false},
      {"bonusmegabomb", 1, 0, 0, false}, {"bonuslife", 1, 0, 0, false}, {"bonuspoints", 1, 0, 0, false},
  };
  for (const Expect& e : named) Check(game.FindByName(e.name), e);
  for (int k = 1; k <= 6; ++k) Check(game.FindByName("enemy" + std::to_string(k)), {"enemy", 3, 0, 0, true});
  for (int k = 1; k <= 5; ++k) Check(game.FindByName("bonus" + std::to_string(k)), {"bonus", 1, 0, 0, true});
  // The gunship fires from (2, 43) and (66, 55): both inside its picture.
  EXPECT_GT(game.FindByName("enemy3").Width(), 66);
  EXPECT_GT(game.FindByName("enemy3").Height(), 55);
  // Paratroopers fire from y 51 and y 37.
  EXPECT_GT(game.FindByName("paratroopermachinegun").Height(), 51);
}

TEST(GameData, LandscapePiecesJoinWithoutASeam) {
  const auto owned = Load("gamegraphic.dxg");
  const TPictureCollection& game = *owned;
  for (int k = 2; k <= 7; k += 2) {
    SCOPED_TRACE(k);
    const Surface& a = game.Item(k).Picture.image;
    const Surface& b = game.Item(k + 1).Picture.image;
    // The first opaque row of each edge column: where the ridge meets the sky.
    auto ridge = [](const Surface& s, int x) {
      for (int y = 0; y < s.Height(); ++y)
        if (s.Pixel(x, y) != 0xFF00FF) return y;
      return s.Height();
    };
    EXPECT_NEAR(ridge(a, 799), ridge(b, 0), 3);
    EXPECT_NEAR(ridge(b, 799), ridge(a, 0), 3);
  }
}

TEST(GameData, SoundEffects) {
  TWaveCollection sounds;
  sounds.LoadLibraryFile((kGameDir / "sound" / "gamesound.dxw").string());
  for (const char* name : {"bonus", "explode", "humandie", "looser", "machinegun", "menu", "nextlevel", "rocket"}) {
    SCOPED_TRACE(name);
    const auto& item = sounds.FindByName(name);
    WaveFormat format;
    ASSERT_TRUE(ParsePcmFormat(item.Wave.data.format, format));
    EXPECT_EQ(format.channels, 1);
    EXPECT_GT(item.Wave.data.samples.size(), 500u);
  }
  EXPECT_GT(sounds.FindByName("machinegun").MaxPlayingCount(), 2) << "gunfire overlaps";
  EXPECT_EQ(sounds.FindByName("menu").MaxPlayingCount(), 1) << "clicks do not pile up";
}

TEST(GameData, ModulesLoadLongEnoughAndSound) {
  for (const char* name : {"1.xm", "2.xm"}) {
    SCOPED_TRACE(name);
    xmp_context ctx = xmp_create_context();
    ASSERT_EQ(xmp_load_module(ctx, (kGameDir / "sound" / name).c_str()), 0);
    ASSERT_EQ(xmp_start_player(ctx, 44100, 0), 0);
    xmp_frame_info info;
    xmp_get_frame_info(ctx, &info);
    EXPECT_GE(info.total_time, 30000) << "milliseconds";
    int peak = 0;
    std::vector<int16_t> buffer(4410 * 2);
    for (int i = 0; i < 100; ++i) {  // ten seconds
      xmp_play_buffer(ctx, buffer.data(), static_cast<int>(buffer.size() * 2), 0);
      for (int16_t s : buffer) peak = std::max(peak, std::abs(static_cast<int>(s)));
    }
    EXPECT_GT(peak, 3000);
    xmp_end_player(ctx);
    xmp_release_module(ctx);
    xmp_free_context(ctx);
  }
}

TEST(GameData, TwoRunsWriteTheSameBytes) {
  testing::TempDir a, b;
  const std::string tool = AEROVELL_MKASSETS;
  ASSERT_EQ(std::system((tool + " " + a.Path().string()).c_str()), 0);
  ASSERT_EQ(std::system((tool + " " + b.Path().string()).c_str()), 0);
  for (const char* file : {"data/menu.dxg", "data/gamegraphic.dxg", "sound/gamesound.dxw", "sound/1.xm", "sound/2.xm"}) {
    SCOPED_TRACE(file);
    const auto first = testing::ReadBytes(a / file);
    EXPECT_GT(first.size(), 1000u);
    EXPECT_TRUE(first == testing::ReadBytes(b / file));
    EXPECT_TRUE(first == testing::ReadBytes(kGameDir / file)) << "the build's copy too";
  }
}

}  // namespace
}  // namespace aerovell
