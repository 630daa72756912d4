#include <gtest/gtest.h>
#include <xmp.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/picture_collection.h"
#include "engine/surface_canvas.h"
#include "game/canvas_text.h"
#include "platform/font_cache.h"
#include "platform/cp1251.h"
#include "platform/sdl/ttf_rasterizer.h"
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
      {"propeller", 3, 0, 0, true},
      {"smoke", 2, 0, 0, true},
      {"shield", 1, 0, 0, false},
      {"rocketfire", 1, 0, 0, false},
      {"rocketfire1", 11, 0, 0, false},
      {"machinegun", 1, 0, 0, false},
      {"shell", 1, 0, 0, false},
      {"boomerang", 1, 0, 0, false},
      {"herorocket1", 1, 0, 0, false},
      {"herorocket2", 1, 0, 0, false},
      {"bomb", 1, 0, 0, false},
      {"gunexplosion", 3, 32, 32, false},
      {"rocketexplosion", 3, 128, 128, false},
      {"explosion1", 3, 160, 160, false},
      {"explosion2", 3, 200, 200, false},
      {"explosion3", 3, 200, 200, false},
      {"bloodexplosion", 3, 72, 72, false},
      {"kamikaze", 1, 0, 0, false},
      {"rocket1", 1, 0, 0, false},
      {"rocket2", 1, 0, 0, false},
      {"paratroopermachinegun", 1, 0, 0, false},
      {"paratrooperrocket", 1, 0, 0, false},
      {"soldier", 1, 0, 0, false},
      {"soldier2", 1, 0, 0, false},
      {"soldiergun", 1, 0, 0, false},
      {"soldiergun2", 1, 0, 0, false},
      {"tower", 1, 0, 0, false},
      {"towergun", 1, 0, 0, false},
      {"towerweapon", 1, 0, 0, false},
      {"nru", 1, 0, 0, false},
      {"nrugun", 1, 0, 0, false},
      {"nruweapon", 1, 0, 0, false},
      {"bonusweapon", 1, 0, 0, false},
      {"bonusshield", 1, 0, 0, false},
      {"bonusmegabomb", 1, 0, 0, false},
      {"bonuslife", 1, 0, 0, false},
      {"bonuspoints", 1, 0, 0, false},
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

// Text contrast: every text the menus and the play dialogs draw at a fixed
// place, against the art behind it, by the relative luminance of the sRGB
// colours. Black and white texts need 4.5:1. Red (255, 0, 0) and green
// (43, 156, 21) mark the selected and the special item in the same places as
// black text; against any ground light enough for black they reach at most
// 4.0:1 and 3.6:1, so they are held to 3:1.
double Luminance(uint32_t rgb) {
  auto channel = [](uint32_t v) {
    const double c = v / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(rgb >> 16 & 0xFF) + 0.7152 * channel(rgb >> 8 & 0xFF) + 0.0722 * channel(rgb & 0xFF);
}

double Contrast(uint32_t a, uint32_t b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

constexpr uint32_t kTextBlack = 0x000000, kTextWhite = 0xFFFFFF, kTextRed = 0xFF0000, kTextGreen = 0x2B9C15;

double RequiredContrast(uint32_t colour) { return colour == kTextRed || colour == kTextGreen ? 3.0 : 4.5; }

// The art of one screen: pictures at their places over each other. Where a
// dialog is transparent the play field or the menu shows through, which the
// test does not know: `grounds` lists what may lie beneath, and every one is tried.
struct Layer {
  const TPictureCollectionItem* item;
  int x, y;
};

Surface Compose(const std::vector<Layer>& layers, uint32_t ground) {
  Surface s(800, 600);
  s.Fill(ground);
  for (const Layer& l : layers) {
    const Surface& src = l.item->Picture.image;
    const bool keyed = l.item->Transparent;
    for (int y = 0; y < src.Height(); ++y)
      for (int x = 0; x < src.Width(); ++x) {
        const int dx = l.x + x, dy = l.y + y;
        if (dx < 0 || dy < 0 || dx >= 800 || dy >= 600) continue;
        const uint32_t p = src.Pixel(x, y);
        if (keyed && p == 0xFF00FF) continue;
        s.Row(dy)[dx] = p;
      }
  }
  return s;
}

struct FixedText {
  std::string utf8;
  int x, y;  // x < 0: centred on -x
  int size;
  std::vector<uint32_t> colours;  // every colour it is drawn in
  double required = 0;            // 0: by its colour
};

// The worst contrast of a text against the pixels behind its ink.
double WorstContrast(const Surface& art, const GlyphFont& font, const FixedText& t, uint32_t colour, int& x_out) {
  const std::string text = Utf8ToCp1251(t.utf8);
  const int x = t.x >= 0 ? t.x : -t.x - font.Measure(text) / 2;
  x_out = x;
  Surface ink(800, 600);
  ink.Fill(0);
  font.Draw(ink, x, t.y, text, 0xFFFFFF);
  double worst = 100;
  for (int y = 0; y < 600; ++y)
    for (int px = 0; px < 800; ++px)
      if ((ink.Pixel(px, y) & 0xFF) >= 128) worst = std::min(worst, Contrast(colour, art.Pixel(px, y)));
  return worst;
}

void CheckTexts(const char* screen, const std::vector<Layer>& layers, const std::vector<uint32_t>& grounds,
                const std::vector<FixedText>& texts) {
  TtfRasterizer fonts;
  for (uint32_t ground : grounds) {
    const Surface art = Compose(layers, ground);
    for (const FixedText& t : texts) {
      const auto font = fonts.Rasterize("a_Stamper", t.size, 0);
      for (uint32_t colour : t.colours) {
        int x = 0;
        const double c = WorstContrast(art, *font, t, colour, x);
        EXPECT_GE(c, t.required > 0 ? t.required : RequiredContrast(colour))
            << screen << ": \"" << t.utf8 << "\" at (" << x << ", " << t.y << ") in " << std::hex << colour
            << " over ground " << ground << std::dec << ": " << c << ":1";
      }
    }
  }
}

TEST(GameData, EveryFixedTextStandsOutFromTheArtBehindIt) {
  const auto menu_owned = Load("menu.dxg");
  const auto game_owned = Load("gamegraphic.dxg");
  const TPictureCollection& menu = *menu_owned;
  const TPictureCollection& game = *game_owned;
  const std::vector<uint32_t> kBlackOrRed = {kTextBlack, kTextRed};
  const Layer background{&menu.Item(0), 0, 0}, submenu{&menu.Item(7), 118, 123}, dialog{&menu.Item(8), 185, 120};

  std::vector<FixedText> options = {
      {"Опции", 144, 178, 16, {kTextBlack}},        {"Режим:", 144, 254, 14, {kTextBlack}},
      {"Музыка:", 144, 280, 14, {kTextBlack}},      {"Звук:", 144, 306, 14, {kTextBlack}},
      {"Ваша Страна:", 144, 332, 14, {kTextBlack}}, {"Хот клавиша:", 144, 359, 14, {kTextBlack}},
      {"Оконный", 330, 254, 14, kBlackOrRed},       {"/ Полный экран", 445, 254, 14, {kTextBlack}},
      {"Оконный /", 330, 254, 14, {kTextBlack}},    {"Полный экран", 460, 254, 14, {kTextRed}},
      {"Россия|", 330, 332, 14, {kTextRed}},        {"Right Window Key", 330, 359, 14, {kTextRed}},
      {"Назад...", 144, 417, 14, kBlackOrRed},
  };
  for (int y : {280, 306}) {
    options.push_back({"Вкл", 330, y, 14, {kTextRed}});
    options.push_back({"/ Выкл", 384, y, 14, {kTextBlack}});
    options.push_back({"Вкл /", 330, y, 14, {kTextBlack}});
    options.push_back({"Выкл", 400, y, 14, {kTextRed}});
  }
  CheckTexts("options", {background, submenu}, {0}, options);

  // Below the records table. The table's white rows (134..662 x 173..397) are
  // not the frame's to carry: the same frame is the options screen's, whose
  // black labels and red values stand at those very places, so the table's
  // dark ground has to come from the records screen itself.
  CheckTexts("records", {background, submenu}, {0},
             {{"Назад...", 144, 421, 14, kBlackOrRed},
              {"Посмотреть рекорды на сайте", 235, 403, 14, kBlackOrRed},
              {"Отчистить рекорды", 281, 428, 14, {kTextGreen, kTextRed}}});

  const char* titles[] = {"Описание", "Управление", "Враги", "Бонусы", "Об Игре"};
  for (int page = 1; page <= 5; ++page) {
    CheckTexts(titles[page - 1], {background, submenu, {&menu.Item(8 + page), 140, 200}}, {0},
               {{titles[page - 1], 144, 178, 16, {kTextBlack}},
                {"Назад...", 144, 430, 14, kBlackOrRed},
                {"Предыдущий", 286, 430, 14, kBlackOrRed},
                {"Следующий", 470, 430, 14, kBlackOrRed}});
  }

  // The questions of the menus, over the main menu or a sub-menu: the dialog
  // frame must be opaque behind them, whatever lies beneath.
  auto answers = [&](int y) {
    return std::vector<FixedText>{
        {"Да", 355, y, 14, kBlackOrRed}, {"/", 395, y, 14, {kTextBlack}}, {"Нет", 405, y, 14, kBlackOrRed}};
  };
  std::vector<FixedText> questions = {{"Выйти из игры?", 300, 240, 14, {kTextBlack}},
                                      {"Вы действительно хотите", 250, 230, 14, {kTextBlack}},
                                      {"отчистить рекорды?", 290, 260, 14, {kTextBlack}},
                                      {"Нажмите нужную клавишу", 240, 250, 14, {kTextBlack}}};
  for (int y : {280, 290})
    for (const auto& a : answers(y)) questions.push_back(a);
  CheckTexts("menu questions", {dialog}, {0x000000, 0xFFFFFF}, questions);

  // The play library's dialog: the exit question, name entry, the submit
  // question and the messages of the submission, over the play field.
  std::vector<FixedText> play = {{"Выйти из игры?", 300, 240, 14, {kTextBlack}},
                                 {"Ваши очки: 65535", 305, 190, 14, {kTextBlack}},
                                 {"Введите свое имя:", 290, 230, 14, {kTextBlack}},
                                 {"Ваня Иванов|", -400, 260, 14, kBlackOrRed},
                                 {"Ваша Страна: Нидерланды|", -400, 320, 14, kBlackOrRed},
                                 {"OK", 325, 360, 14, kBlackOrRed},
                                 {"Отмена", 410, 360, 14, kBlackOrRed},
                                 {"Отправить очки", 310, 240, 14, {kTextBlack}},
                                 {"на страницу рекордов?", 270, 280, 14, {kTextBlack}},
                                 {"Пожалуйста подождите...", 250, 220, 14, {kTextRed}},
                                 {"Пожалуйста подождите...", 250, 240, 14, {kTextRed}},
                                 {"Не могу подключиться", 270, 240, 14, {kTextRed}},
                                 {"     к серверу", 270, 275, 14, {kTextRed}}};
  for (int y : {280, 320})
    for (const auto& a : answers(y)) play.push_back(a);
  CheckTexts("play dialogs", {{&game.Item(1), 185, 120}}, {0x000000, 0xFFFFFF}, play);
  // The fields' boxes lie under the name and the country value.
  const TPictureCollectionItem& box = game.FindByName("editfield");
  CheckTexts("name-entry fields", {{&game.Item(1), 185, 120}, {&box, 400 - box.Width() / 2, 256}, {&box, 445, 316}},
             {0x000000, 0xFFFFFF},
             {{"Ваня Иванов|", -400, 260, 14, kBlackOrRed}, {"Нидерланды|", 448, 320, 14, kBlackOrRed}});

  // The head-up display's green numbers on the status bar, at their widest;
  // numbers that change all the time are read at a glance: 4.5:1, green or not.
  std::vector<FixedText> hud;
  for (const auto& [text, x] : std::vector<std::pair<std::string, int>>{
           {"255", 115}, {"5", 270}, {"-1", 270}, {"65535", 450}, {"15", 630}, {"15", 685}})
    hud.push_back({text, x, 4, 14, {kTextGreen}, 4.5});
  CheckTexts("head-up display", {{&game.Item(8), 0, 0}}, {0}, hud);
}

// The captions of play stand over the scrolling scenery, which can put any of
// its colours behind them: drawn as the game draws them, every pixel around the
// red letters must stand out from the red, wherever the layers have scrolled.
TEST(GameData, PlayCaptionsStandOutFromTheScrollingScenery) {
  const auto owned = Load("gamegraphic.dxg");
  const TPictureCollection& game = *owned;
  TtfRasterizer rasterizer;
  FontCache fonts(rasterizer);
  struct Caption {
    const char* utf8;
    int x;
  };
  const Caption captions[] = {{"Уровень 12", 320}, {"Конец Игры", 290}, {"Пауза", 340}};
  for (int shift = 0; shift < 1600; shift += 160) {
    // The layers as TMountain places them after `shift` frames of scrolling.
    std::vector<Layer> layers = {{&game.Item(0), 0, 0}};
    const int ys[] = {70, 400, 350}, speeds[] = {1, 2, 3};
    for (int layer = 0; layer < 3; ++layer) {
      const int x = -((shift * speeds[layer]) % 1600);
      layers.push_back({&game.Item(2 + 2 * layer), x < -800 ? x + 1600 : x, ys[layer]});
      layers.push_back({&game.Item(3 + 2 * layer), x + 800, ys[layer]});
    }
    const Surface backdrop = Compose(layers, 0);
    for (const Caption& c : captions) {
      const std::string text = Utf8ToCp1251(c.utf8);
      Surface frame = backdrop;
      TDirectDrawSurfaceCanvas canvas(frame, fonts);
      canvas.Font.Size = 30;
      WriteOutlinedText(canvas, c.x, 280, text, kRed);
      Surface ink(800, 600);
      ink.Fill(0);
      fonts.Get("a_Stamper", 30, 0).Draw(ink, c.x, 280, text, 0xFFFFFF);
      double worst = 100;
      for (int y = 1; y < 599; ++y)
        for (int x = 1; x < 799; ++x) {
          if ((ink.Pixel(x, y) & 0xFF) < 128) continue;
          for (const auto& [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
            if ((ink.Pixel(x + dx, y + dy) & 0xFF) == 0)
              worst = std::min(worst, Contrast(kTextRed, frame.Pixel(x + dx, y + dy)));
        }
      EXPECT_GE(worst, 3.0) << c.utf8 << " after " << shift << " frames: " << worst << ":1";
    }
  }
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
  for (const char* file :
       {"data/menu.dxg", "data/gamegraphic.dxg", "sound/gamesound.dxw", "sound/1.xm", "sound/2.xm"}) {
    SCOPED_TRACE(file);
    const auto first = testing::ReadBytes(a / file);
    EXPECT_GT(first.size(), 1000u);
    EXPECT_TRUE(first == testing::ReadBytes(b / file));
    EXPECT_TRUE(first == testing::ReadBytes(kGameDir / file)) << "the build's copy too";
  }
}

}  // namespace
}  // namespace aerovell
