#include <algorithm>
#include <cmath>
#include <functional>

#include "art.h"
#include "assets.h"
#include "sprites.h"

namespace aerovell::mkassets {
namespace {

using tools::DibEncoding;
using tools::RgbImage;

void Rgb(cairo_t* cr, uint32_t c, double a = 1.0) {
  cairo_set_source_rgba(cr, (c >> 16 & 0xFF) / 255.0, (c >> 8 & 0xFF) / 255.0, (c & 0xFF) / 255.0, a);
}

// Frames of one drawing, side by side.
RgbImage Frames(int count, int w, int h, const std::function<void(cairo_t*, int)>& draw) {
  std::vector<RgbImage> frames;
  for (int i = 0; i < count; ++i) {
    Canvas c(w, h);
    draw(c.cr(), i);
    frames.push_back(c.ToImage());
  }
  return Strip(frames);
}

RgbImage Sky() {
  Canvas c(800, 600);
  c.LinearVertical(0, 0x3E7CC4, 600, 0xCFE6F5);
  cairo_paint(c.cr());
  Rng rng(7);
  // Soft clouds; each drawn twice, 800 apart, so the tile repeats without a seam.
  for (int i = 0; i < 14; ++i) {
    const double x = rng.Range(0, 800), y = rng.Range(40, 330), s = rng.Range(0.6, 1.4);
    for (double shift : {-800.0, 0.0, 800.0})
      for (int puff = 0; puff < 6; ++puff) {
        const double px = x + shift + (puff - 2.5) * 22 * s, py = y + std::sin(puff * 1.7) * 6 * s;
        cairo_pattern_t* p = cairo_pattern_create_radial(px, py, 0, px, py, 30 * s);
        cairo_pattern_add_color_stop_rgba(p, 0, 1, 1, 1, 0.55);
        cairo_pattern_add_color_stop_rgba(p, 1, 1, 1, 1, 0);
        cairo_set_source(c.cr(), p);
        cairo_arc(c.cr(), px, py, 30 * s, 0, 2 * M_PI);
        cairo_fill(c.cr());
        cairo_pattern_destroy(p);
      }
  }
  return c.ToOpaqueImage(0);
}

// A ridge line that repeats every 1600 pixels, so two 800-pixel pieces join
// without a seam and the pair tiles endlessly.
double Ridge(double x, const std::vector<std::pair<int, double>>& waves, double phase) {
  double y = 0;
  for (const auto& [k, a] : waves) y += a * std::sin(2 * M_PI * k * x / 1600 + phase * k);
  return y;
}

std::pair<RgbImage, RgbImage> Layer(int height, const std::function<void(Canvas&)>& draw) {
  Canvas c(1600, height);
  draw(c);
  const RgbImage whole = c.ToImage();
  RgbImage left{800, height, std::vector<uint32_t>(800u * height)}, right = left;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < 800; ++x) {
      left.At(x, y) = whole.At(x, y);
      right.At(x, y) = whole.At(x + 800, y);
    }
  return {left, right};
}

// A ridge filled flat to the bottom of the picture. The layers keep to colours the
// posterizing leaves as they are, so a layer is a few flat colours and no bands.
void Silhouette(Canvas& c, double base, const std::vector<std::pair<int, double>>& waves, double phase, uint32_t colour,
                int height) {
  cairo_t* cr = c.cr();
  cairo_move_to(cr, 0, height);
  for (int x = 0; x <= 1600; x += 4) cairo_line_to(cr, x, base + Ridge(x, waves, phase));
  cairo_line_to(cr, 1600, height);
  cairo_close_path(cr);
  Rgb(cr, colour);
  cairo_fill(cr);
}

RgbImage StatusBar() {
  Canvas c(800, 28);
  c.LinearVertical(0, 0x3A4754, 28, 0x1C2329);
  cairo_paint(c.cr());
  Rgb(c.cr(), 0x8CA0B3);
  cairo_rectangle(c.cr(), 0, 26, 800, 2);
  cairo_fill(c.cr());
  // Labels end before the numbers the game writes at x 115, 270 and 450.
  struct Label {
    const char* text;
    int right;
  };
  for (const Label& l : {Label{"Уровень:", 110}, Label{"Жизни:", 265}, Label{"Очки:", 445}}) {
    int w, h;
    c.TextSize(l.text, 17, w, h);
    c.Text(l.right - w, 3, l.text, 17, 0xF2E6C8);
  }
  // Near-black wells under the game's green numbers, so they stand out 4.5:1:
  // the level, the lives, the score, and one panel for the three bonus slots at
  // 605, 660 and 710 with the seconds written after the first two.
  struct Well {
    int left, right;
  };
  for (const Well& w : {Well{111, 153}, Well{266, 296}, Well{446, 516}, Well{598, 742}}) {
    c.RoundedRect(w.left, 2, w.right - w.left, 23, 4);
    Rgb(c.cr(), 0x0A0D10);
    cairo_fill_preserve(c.cr());
    Rgb(c.cr(), 0x5C6B7A);
    cairo_set_line_width(c.cr(), 1);
    cairo_stroke(c.cr());
  }
  for (int x : {601, 656, 706}) {
    c.RoundedRect(x, 3, 30, 21, 3);
    Rgb(c.cr(), 0x161C22);
    cairo_fill(c.cr());
  }
  // The health gauge the game fills stands at 540 to 592; a red cross before it.
  Rgb(c.cr(), 0xE23B3B);
  cairo_rectangle(c.cr(), 527, 8, 4, 12);
  cairo_rectangle(c.cr(), 523, 12, 12, 4);
  cairo_fill(c.cr());
  return c.ToOpaqueImage(0);
}

RgbImage Explosion(int size, int frames, uint32_t hot, uint32_t warm, uint32_t smoke, int seed) {
  return Frames(frames, size, size, [&](cairo_t* cr, int f) {
    Rng rng(static_cast<uint32_t>(seed));
    const double t = (f + 1.0) / frames, c = size / 2.0;
    // Smoke blooms out as the fire dies down.
    for (int i = 0; i < 9; ++i) {
      const double a = rng.Range(0, 2 * M_PI), d = rng.Range(0.1, 0.35) * size * t;
      const double r = size * (0.12 + 0.18 * t) * rng.Range(0.7, 1.1);
      const double px = c + d * std::cos(a), py = c + d * std::sin(a);
      Rgb(cr, smoke, 0.85 * (1 - t * 0.6));
      cairo_arc(cr, px, py, r, 0, 2 * M_PI);
      cairo_fill(cr);
    }
    const double fire = size * 0.42 * std::sin(std::min(1.0, t * 1.6) * M_PI * 0.9);
    if (fire > 1) {
      cairo_pattern_t* p = cairo_pattern_create_radial(c, c, 0, c, c, fire);
      cairo_pattern_add_color_stop_rgba(p, 0, (hot >> 16) / 255.0, (hot >> 8 & 0xFF) / 255.0, (hot & 0xFF) / 255.0, 1);
      cairo_pattern_add_color_stop_rgba(p, 0.6, (warm >> 16) / 255.0, (warm >> 8 & 0xFF) / 255.0, (warm & 0xFF) / 255.0,
                                        0.95);
      cairo_pattern_add_color_stop_rgba(p, 1, (warm >> 16) / 255.0, (warm >> 8 & 0xFF) / 255.0, (warm & 0xFF) / 255.0,
                                        0);
      cairo_set_source(cr, p);
      cairo_arc(cr, c, c, fire, 0, 2 * M_PI);
      cairo_fill(cr);
      cairo_pattern_destroy(p);
    }
  });
}

RgbImage Flame(int w, int h, int frames, bool trailing_left) {
  return Frames(frames, w, h, [&](cairo_t* cr, int f) {
    const double len = w * (0.65 + 0.35 * std::sin(f * 1.9)), cy = h * (trailing_left ? 0.4 : 0.5);
    cairo_save(cr);
    if (!trailing_left) {
      cairo_translate(cr, w, 0);
      cairo_scale(cr, -1, 1);
    }
    // Hot end at the right edge, the tail to the left.
    for (int layer = 0; layer < 3; ++layer) {
      const uint32_t colours[] = {0xFF6A1A, 0xFFB02E, 0xFFF3B0};
      const double k = 1.0 - layer * 0.3;
      cairo_move_to(cr, w, cy - h * 0.22 * k);
      cairo_curve_to(cr, w - len * 0.4 * k, cy - h * 0.28 * k, w - len * k, cy - h * 0.05, w - len * k, cy);
      cairo_curve_to(cr, w - len * k, cy + h * 0.05, w - len * 0.4 * k, cy + h * 0.28 * k, w, cy + h * 0.22 * k);
      cairo_close_path(cr);
      Rgb(cr, colours[layer], 0.95);
      cairo_fill(cr);
    }
    cairo_restore(cr);
  });
}

RgbImage Projectile(int w, int h, const std::function<void(cairo_t*)>& draw) {
  Canvas c(w, h);
  draw(c.cr());
  return c.ToImage();
}

// A rocket body pointing right (flip for left), w x h.
void RocketShape(cairo_t* cr, double w, double h, uint32_t body, bool pointing_left) {
  cairo_save(cr);
  if (pointing_left) {
    cairo_translate(cr, w, 0);
    cairo_scale(cr, -1, 1);
  }
  const double cy = h / 2;
  cairo_move_to(cr, 0, cy - h * 0.3);
  cairo_line_to(cr, w * 0.75, cy - h * 0.3);
  cairo_curve_to(cr, w * 0.9, cy - h * 0.3, w, cy - h * 0.1, w, cy);
  cairo_curve_to(cr, w, cy + h * 0.1, w * 0.9, cy + h * 0.3, w * 0.75, cy + h * 0.3);
  cairo_line_to(cr, 0, cy + h * 0.3);
  cairo_close_path(cr);
  Rgb(cr, body);
  cairo_fill(cr);
  Rgb(cr, 0x333333);
  cairo_move_to(cr, 0, 0);
  cairo_line_to(cr, w * 0.18, cy - h * 0.3);
  cairo_line_to(cr, w * 0.18, cy + h * 0.3);
  cairo_line_to(cr, 0, h);
  cairo_close_path(cr);
  cairo_fill(cr);
  cairo_restore(cr);
}

// A gun barrel pointing up, pivoting at (px, py) of its w x h box.
RgbImage Gun(int w, int h, double px, double py, double barrel, uint32_t colour) {
  Canvas c(w, h);
  cairo_t* cr = c.cr();
  Rgb(cr, colour);
  cairo_rectangle(cr, px - barrel / 2, 1, barrel, py * h);
  cairo_fill(cr);
  Rgb(cr, 0x101010);
  cairo_rectangle(cr, px - barrel / 2, 0, barrel, 3);
  cairo_fill(cr);
  Rgb(cr, colour);
  cairo_arc(cr, px, py * h, std::min<double>(w, h) * 0.28, 0, 2 * M_PI);
  cairo_fill(cr);
  return c.ToImage();
}

}  // namespace

std::vector<tools::PictureEntry> GameGraphics() {
  std::vector<tools::PictureEntry> out;
  const auto add = [&](const std::string& name, const RgbImage& image, DibEncoding e, const char* cls = "TDIB",
                       bool transparent = true, int pw = 0,
                       int ph = 0) { out.push_back(Picture(name, image, cls, e, transparent, pw, ph)); };
  // By index: what the game field takes by position.
  add("sky", Sky(), DibEncoding::kRgb24, "TDIB", false);
  // Drawn at (185, 120), it holds the exit question, name entry, the submit
  // question and the messages of the submission: their texts run from x 251
  // to 518 and from y 195 to 378 on the screen.
  add("dialog", DialogPanel(430, 290, 38, 42, 362, 282), DibEncoding::kRgb32Fields, "TBitmap");
  // Three layers, far to near, each reaching down to where the next one in front
  // of it always covers the screen, so no sky shows through and little is drawn twice.
  auto far = Layer(420, [](Canvas& c) {  // y 70 to 490; the hills' ridge never dips below 483
    Silhouette(c, 125, {{3, 42}, {7, 20}, {13, 8}}, 0.3, 0x99AACC, 420);  // hazy peaks
    Silhouette(c, 205, {{2, 30}, {5, 16}, {11, 6}}, 1.1, 0x667F99, 420);  // the nearer range
  });
  auto middle = Layer(200, [](Canvas& c) {  // y 400 to 545 drawn; the ground covers from 539
    Silhouette(c, 45, {{4, 24}, {9, 10}, {17, 4}}, 0.7, 0x66AA66, 145);
    Silhouette(c, 105, {{3, 14}, {8, 8}}, 2.0, 0x667F33, 145);
  });
  auto near = Layer(250, [](Canvas& c) {
    Silhouette(c, 180, {{5, 6}, {11, 3}}, 0.2, 0x337F33, 250);
    // The ground units stand on this strip, its top at about y 560 on the screen.
    Rgb(c.cr(), 0x665533);
    cairo_rectangle(c.cr(), 0, 212, 1600, 38);
    cairo_fill(c.cr());
    Rng rng(11);
    for (int i = 0; i < 40; ++i) {  // trees, none cut by the seam
      const double x = 20 + i * 40 + rng.Range(-8, 8), h = rng.Range(30, 60);
      Rgb(c.cr(), 0x005533);
      cairo_move_to(c.cr(), x, 212 - h);
      cairo_line_to(c.cr(), x + h * 0.3, 212);
      cairo_line_to(c.cr(), x - h * 0.3, 212);
      cairo_close_path(c.cr());
      cairo_fill(c.cr());
    }
  });
  for (auto* layer : {&far, &middle, &near}) Posterize(layer->first), Posterize(layer->second);
  add("mountains1", far.first, DibEncoding::kRle8);
  add("mountains2", far.second, DibEncoding::kRle8);
  add("hills1", middle.first, DibEncoding::kRle8);
  add("hills2", middle.second, DibEncoding::kPal8);
  add("ground1", near.first, DibEncoding::kRle8);
  add("ground2", near.second, DibEncoding::kRle8);
  add("status", StatusBar(), DibEncoding::kRgb24, "TBitmap", false);
  const Size hero = HeroSize();
  add("hero", Frames(3, hero.w, hero.h, [](cairo_t* cr, int f) { DrawHero(cr, f); }), DibEncoding::kRgb32, "TDIB", true,
      hero.w, hero.h);

  // By name.
  const Size prop = PropellerSize();
  add("propeller", Frames(3, prop.w, prop.h, DrawPropeller), DibEncoding::kRgb565, "TDIB", true, prop.w, prop.h);
  // The trail behind a damaged aircraft: the picture stands at its X - 240, so
  // its last 20 columns lie over the tail. Dark and dense where it leaves the
  // fuselage, paler and broader the further back it drifts; the patterns roll
  // the puffs backwards along it.
  add("smoke",
      Frames(8, 260, 24,
             [](cairo_t* cr, int f) {
               // Puffs 6.5 apart; each pattern moves them 1/8 of that away from
               // the tail (the game shows the patterns from the last to the
               // first), so the loop joins without a jump.
               for (int i = -1; i < 41; ++i) {
                 const double along = i * 6.5 + (7 - f) * 6.5 / 8, k = std::clamp(along / 260, 0.0, 1.0);
                 const double r = 3.2 + k * 7.2, y = 8 + k * 4 + std::sin(along * 0.21) * (0.8 + 2.2 * k);
                 const double grey = (0x2E + k * 0x86) / 255;
                 cairo_set_source_rgb(cr, grey, grey, grey + 0.02);
                 cairo_arc(cr, 258 - along, y, r, 0, 2 * M_PI);
                 cairo_fill(cr);
               }
             }),
      DibEncoding::kRgb24, "TDIB", true, 260, 24);
  add("shield",
      Projectile(34, 56,
                 [](cairo_t* cr) {
                   for (int i = 0; i < 3; ++i) {
                     Rgb(cr, 0x66CCFF, 0.9 - i * 0.25);
                     cairo_set_line_width(cr, 4 - i);
                     cairo_arc(cr, -10 + i * 3, 28, 38 - i * 3, -0.8, 0.8);
                     cairo_stroke(cr);
                   }
                 }),
      DibEncoding::kRgb24);
  // The name-entry dialog's two fields: the game draws this box behind the name
  // and behind the country, wide enough for ten letters and the caret.
  add("editfield",
      Projectile(156, 27,
                 [](cairo_t* cr) {
                   cairo_new_sub_path(cr);
                   cairo_arc(cr, 153, 3, 3, -M_PI / 2, 0);
                   cairo_arc(cr, 153, 24, 3, 0, M_PI / 2);
                   cairo_arc(cr, 3, 24, 3, M_PI / 2, M_PI);
                   cairo_arc(cr, 3, 3, 3, M_PI, 3 * M_PI / 2);
                   cairo_close_path(cr);
                   Rgb(cr, 0xFFFFFF);
                   cairo_fill_preserve(cr);
                   Rgb(cr, 0x2B3A48);
                   cairo_set_line_width(cr, 2);
                   cairo_stroke(cr);
                   Rgb(cr, 0xC9D3DC);  // a shade along the top: the box is sunk in
                   cairo_rectangle(cr, 2, 2, 152, 2);
                   cairo_fill(cr);
                 }),
      DibEncoding::kRgb24);
  add("rocketfire", Flame(32, 32, 4, false), DibEncoding::kRgb24, "TDIB", true, 32, 32);
  add("rocketfire1", Flame(36, 36, 12, true), DibEncoding::kRgb32, "TBitmap", true, 36, 36);
  add("machinegun",
      Projectile(10, 3,
                 [](cairo_t* cr) {
                   Rgb(cr, 0xFFE45C);
                   cairo_rectangle(cr, 0, 0, 10, 3);
                   cairo_fill(cr);
                 }),
      DibEncoding::kPal4);
  add("shell",
      Projectile(12, 6,
                 [](cairo_t* cr) {
                   Rgb(cr, 0xC98A2E);
                   cairo_arc(cr, 6, 3, 3, 0, 2 * M_PI);
                   cairo_rectangle(cr, 0, 0.5, 6, 5);
                   cairo_fill(cr);
                 }),
      DibEncoding::kPal8);
  // The enemies' bullet and shell: the same sizes as the player's, which the
  // game keeps for the hits, but red-orange tracers with a hot head at the left
  // (they fly left) and dark shells with a red band, so friend and foe differ
  // at a glance.
  add("enemymachinegun",
      Projectile(10, 3,
                 [](cairo_t* cr) {
                   Rgb(cr, 0x8A1E0E);
                   cairo_rectangle(cr, 4, 0.5, 6, 2);
                   cairo_fill(cr);
                   Rgb(cr, 0xFF4A1C);
                   cairo_rectangle(cr, 0, 0, 6, 3);
                   cairo_fill(cr);
                   Rgb(cr, 0xFFB08A);
                   cairo_rectangle(cr, 0, 1, 2, 1);
                   cairo_fill(cr);
                 }),
      DibEncoding::kPal4);
  add("enemyshell",
      Projectile(12, 6,
                 [](cairo_t* cr) {
                   Rgb(cr, 0x2A2D31);
                   cairo_arc(cr, 4, 3, 3, 0, 2 * M_PI);
                   cairo_rectangle(cr, 4, 0.5, 8, 5);
                   cairo_fill(cr);
                   Rgb(cr, 0xE0301E);
                   cairo_rectangle(cr, 7, 0.5, 2, 5);
                   cairo_fill(cr);
                 }),
      DibEncoding::kPal8);
  add("boomerang",
      Projectile(14, 14,
                 [](cairo_t* cr) {
                   Rgb(cr, 0x7CF0FF);
                   cairo_move_to(cr, 7, 0);
                   for (int i = 1; i < 8; ++i) {
                     const double r = i % 2 ? 2.5 : 7, a = i * M_PI / 4;
                     cairo_line_to(cr, 7 + r * std::sin(a), 7 - r * std::cos(a));
                   }
                   cairo_close_path(cr);
                   cairo_fill(cr);
                 }),
      DibEncoding::kRgb24);
  add("herorocket1", Projectile(26, 8, [](cairo_t* cr) { RocketShape(cr, 26, 8, 0xD0D4D8, false); }),
      DibEncoding::kRgb24);
  add("herorocket2", Projectile(30, 10, [](cairo_t* cr) { RocketShape(cr, 30, 10, 0xE8C040, false); }),
      DibEncoding::kRgb24);
  add("bomb",
      Projectile(18, 10,
                 [](cairo_t* cr) {
                   Rgb(cr, 0x2E3338);
                   cairo_save(cr);
                   cairo_translate(cr, 10, 5);
                   cairo_scale(cr, 7, 4);
                   cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
                   cairo_restore(cr);
                   cairo_fill(cr);
                   cairo_rectangle(cr, 0, 1, 4, 8);
                   cairo_fill(cr);
                 }),
      DibEncoding::kPal8);
  add("gunexplosion", Explosion(32, 6, 0xFFF6C0, 0xFF9A2A, 0x7A7A7A, 1), DibEncoding::kRgb24, "TDIB", true, 32, 32);
  add("rocketexplosion", Explosion(128, 8, 0xFFF3B0, 0xFF7A1A, 0x5E5E5E, 2), DibEncoding::kRgb24, "TDIB", true, 128,
      128);
  add("explosion1", Explosion(160, 10, 0xFFF0A0, 0xFF6010, 0x555555, 3), DibEncoding::kRgb32, "TDIB", true, 160, 160);
  add("explosion2", Explosion(200, 10, 0xE0F4FF, 0xFF8030, 0x4A4A4A, 4), DibEncoding::kRgb32Fields, "TBitmap", true,
      200, 200);
  add("explosion3", Explosion(200, 12, 0xFFFFD0, 0xE04010, 0x3C3C3C, 5), DibEncoding::kRgb24, "TBitmap", true, 200,
      200);
  add("bloodexplosion", Explosion(72, 6, 0xFF5A5A, 0xA01010, 0x701818, 6), DibEncoding::kRgb24, "TDIB", true, 72, 72);
  for (int kind = 1; kind <= 6; ++kind) {
    const Size s = EnemySize(kind);
    add("enemy" + std::to_string(kind), Frames(3, s.w, s.h, [kind](cairo_t* cr, int f) { DrawEnemy(cr, kind, f); }),
        kind % 2 ? DibEncoding::kRgb24 : DibEncoding::kRgb32, kind == 6 ? "TBitmap" : "TDIB", true, s.w, s.h);
  }
  const Size kam = KamikazeSize();
  add("kamikaze", Frames(1, kam.w, kam.h, [](cairo_t* cr, int) { DrawKamikaze(cr); }), DibEncoding::kRgb24);
  add("rocket1", Projectile(30, 8, [](cairo_t* cr) { RocketShape(cr, 30, 8, 0x9A9A9A, true); }), DibEncoding::kRgb24);
  add("rocket2", Projectile(24, 7, [](cairo_t* cr) { RocketShape(cr, 24, 7, 0x8AA05A, true); }), DibEncoding::kRgb24);
  const Size para = ParatrooperSize();
  add("paratroopermachinegun", Frames(1, para.w, para.h, [](cairo_t* cr, int) { DrawParatrooper(cr, false); }),
      DibEncoding::kRgb24);
  add("paratrooperrocket", Frames(1, para.w, para.h, [](cairo_t* cr, int) { DrawParatrooper(cr, true); }),
      DibEncoding::kRgb24);
  const Size sol = SoldierSize();
  add("soldier", Frames(1, sol.w, sol.h, [](cairo_t* cr, int) { DrawSoldier(cr, false); }), DibEncoding::kRgb24);
  add("soldier2", Frames(1, sol.w, sol.h, [](cairo_t* cr, int) { DrawSoldier(cr, true); }), DibEncoding::kRgb24);
  add("soldiergun", Gun(13, 35, 3, 31.0 / 35, 3, 0x2A2A2A), DibEncoding::kRgb24);
  add("soldiergun2", Gun(13, 35, 10, 31.0 / 35, 3, 0x2A2A2A), DibEncoding::kRgb24);
  const Size tower = TowerSize();
  add("tower", Frames(1, tower.w, tower.h, [](cairo_t* cr, int) { DrawTower(cr); }), DibEncoding::kRgb24);
  add("towergun", Gun(17, 44, 8, 0.75, 5, 0x3A3F44), DibEncoding::kRgb24);
  add("towerweapon",
      Projectile(6, 6,
                 [](cairo_t* cr) {
                   Rgb(cr, 0xFFC040);
                   cairo_arc(cr, 3, 3, 3, 0, 2 * M_PI);
                   cairo_fill(cr);
                 }),
      DibEncoding::kRgb24);
  const Size nru = NruSize();
  add("nru", Frames(1, nru.w, nru.h, [](cairo_t* cr, int) { DrawNru(cr); }), DibEncoding::kRgb24);
  add("nrugun", Gun(48, 62, 24, 45.0 / 62, 16, 0x56613F), DibEncoding::kRgb24);
  add("nruweapon",
      Projectile(11, 62,
                 [](cairo_t* cr) {
                   cairo_save(cr);
                   cairo_translate(cr, 0, 62);
                   cairo_rotate(cr, -M_PI / 2);
                   RocketShape(cr, 62, 11, 0xB8B8B0, false);
                   cairo_restore(cr);
                 }),
      DibEncoding::kRgb24);
  for (int kind = 1; kind <= 5; ++kind)
    add("bonus" + std::to_string(kind), Frames(8, 28, 28, [kind](cairo_t* cr, int f) { DrawBonus(cr, kind, f, 28); }),
        DibEncoding::kRgb24, "TDIB", true, 28, 28);
  const char* indicators[] = {"bonusweapon", "bonusshield", "bonusmegabomb", "bonuslife", "bonuspoints"};
  for (int kind = 1; kind <= 5; ++kind)
    add(indicators[kind - 1], Frames(1, 22, 22, [kind](cairo_t* cr, int) { DrawBonus(cr, kind, 0, 22); }),
        DibEncoding::kRgb24);
  return out;
}

}  // namespace aerovell::mkassets
