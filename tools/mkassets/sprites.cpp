#include "sprites.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>

namespace aerovell::mkassets {
namespace {

constexpr uint32_t kOutline = 0x1C1E22;

void Rgb(cairo_t* cr, uint32_t c, double a = 1.0) {
  cairo_set_source_rgba(cr, (c >> 16 & 0xFF) / 255.0, (c >> 8 & 0xFF) / 255.0, (c & 0xFF) / 255.0, a);
}

// Fills the current path with `fill`, a lighter top and an outline.
void Shade(cairo_t* cr, uint32_t fill, uint32_t light, double top, double bottom) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, top, 0, bottom);
  cairo_pattern_add_color_stop_rgb(p, 0, (light >> 16 & 0xFF) / 255.0, (light >> 8 & 0xFF) / 255.0,
                                   (light & 0xFF) / 255.0);
  cairo_pattern_add_color_stop_rgb(p, 0.45, (fill >> 16 & 0xFF) / 255.0, (fill >> 8 & 0xFF) / 255.0,
                                   (fill & 0xFF) / 255.0);
  cairo_pattern_add_color_stop_rgb(p, 1, (fill >> 16 & 0xFF) / 400.0, (fill >> 8 & 0xFF) / 400.0,
                                   (fill & 0xFF) / 400.0);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  Rgb(cr, kOutline);
  cairo_set_line_width(cr, 1.4);
  cairo_stroke(cr);
}

void Oval(cairo_t* cr, double cx, double cy, double rx, double ry) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx, ry);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_restore(cr);
}

void Poly(cairo_t* cr, std::initializer_list<double> xy) {
  auto it = xy.begin();
  cairo_move_to(cr, it[0], it[1]);
  for (it += 2; it != xy.end(); it += 2) cairo_line_to(cr, it[0], it[1]);
  cairo_close_path(cr);
}

// A propeller disc seen from the side at `x`, blades at one of three angles.
void PropDisc(cairo_t* cr, double x, double cy, double r, int frame) {
  Rgb(cr, 0xD8DCE0, 0.35);
  Oval(cr, x, cy, 2.5, r);
  cairo_fill(cr);
  const double offsets[] = {-0.75, 0.0, 0.75};
  Rgb(cr, 0x2A2A2A);
  cairo_set_line_width(cr, 2.2);
  cairo_move_to(cr, x, cy);
  cairo_line_to(cr, x, cy - r * std::cos(offsets[frame % 3]));
  cairo_move_to(cr, x, cy);
  cairo_line_to(cr, x, cy + r * std::cos(offsets[(frame + 1) % 3]));
  cairo_stroke(cr);
}

// A generic propeller plane facing left, its parts scaled to w x h.
struct PlaneStyle {
  uint32_t body, light, wing, accent;
  double w, h;
  bool twin_engines;
};

void Plane(cairo_t* cr, const PlaneStyle& s, int frame) {
  const double w = s.w, h = s.h, cy = h * 0.52;
  // Tail fin at the right.
  Poly(cr, {w * 0.80, cy - h * 0.05, w * 0.93, cy - h * 0.42, w * 0.99, cy - h * 0.42, w * 0.97, cy});
  Shade(cr, s.wing, s.light, cy - h * 0.42, cy);
  // Fuselage.
  cairo_move_to(cr, w * 0.06, cy);
  cairo_curve_to(cr, w * 0.10, cy - h * 0.22, w * 0.45, cy - h * 0.24, w * 0.97, cy - h * 0.06);
  cairo_line_to(cr, w * 0.97, cy + h * 0.06);
  cairo_curve_to(cr, w * 0.45, cy + h * 0.24, w * 0.10, cy + h * 0.2, w * 0.06, cy);
  cairo_close_path(cr);
  Shade(cr, s.body, s.light, cy - h * 0.24, cy + h * 0.24);
  // Canopy.
  // Smoked amber glass: no enemy shares the player's blue canopy.
  Oval(cr, w * 0.32, cy - h * 0.16, w * 0.09, h * 0.1);
  Shade(cr, 0x9A5A24, 0xF4D29C, cy - h * 0.26, cy - h * 0.06);
  // Wing, seen a little from below.
  Poly(cr, {w * 0.30, cy + h * 0.02, w * 0.58, cy + h * 0.02, w * 0.50, cy + h * 0.40, w * 0.38, cy + h * 0.40});
  Shade(cr, s.wing, s.light, cy, cy + h * 0.4);
  if (s.twin_engines) {
    Oval(cr, w * 0.42, cy + h * 0.26, w * 0.08, h * 0.09);
    Shade(cr, s.accent, s.light, cy + h * 0.17, cy + h * 0.35);
    PropDisc(cr, w * 0.33, cy + h * 0.26, h * 0.16, frame);
  }
  // Markings.
  Rgb(cr, s.accent);
  Oval(cr, w * 0.70, cy - h * 0.01, h * 0.07, h * 0.07);
  cairo_fill(cr);
  PropDisc(cr, w * 0.05, cy, h * 0.34, frame);
}

}  // namespace

Size HeroSize() { return {96, 40}; }
Size PropellerSize() { return {10, 40}; }
Size KamikazeSize() { return {42, 18}; }
Size ParatrooperSize() { return {40, 62}; }
Size SoldierSize() { return {30, 42}; }
Size TowerSize() { return {48, 80}; }
Size NruSize() { return {84, 48}; }

Size EnemySize(int kind) {
  switch (kind) {
    case 1: return {80, 36};
    case 2: return {90, 40};
    case 3: return {100, 70};
    case 4: return {120, 56};
    case 5: return {96, 36};
    default: return {150, 64};
  }
}

void DrawHero(cairo_t* cr, int tilt) {
  const double w = 96, h = 40, cy = 21;
  cairo_save(cr);
  const double angle = tilt == 1 ? 0.16 : tilt == 2 ? -0.16 : 0.0;
  cairo_translate(cr, w / 2, h / 2);
  cairo_rotate(cr, angle);
  cairo_translate(cr, -w / 2, -h / 2);
  // Tail, at the left: the hero faces right.
  Poly(cr, {w * 0.18, cy - 2, w * 0.06, cy - 16, w * 0.01, cy - 16, w * 0.04, cy + 1});
  Shade(cr, 0x3F6B3A, 0x9CC98F, cy - 16, cy);
  cairo_move_to(cr, w * 0.98, cy);
  cairo_curve_to(cr, w * 0.94, cy - 9, w * 0.55, cy - 10, w * 0.03, cy - 3);
  cairo_line_to(cr, w * 0.03, cy + 3);
  cairo_curve_to(cr, w * 0.55, cy + 10, w * 0.94, cy + 8, w * 0.98, cy);
  cairo_close_path(cr);
  Shade(cr, 0x4E7F45, 0xB7E0A8, cy - 10, cy + 10);
  Oval(cr, w * 0.64, cy - 7, 9, 5);
  Shade(cr, 0x3B78A6, 0xDDF2FF, cy - 12, cy - 2);
  Poly(cr, {w * 0.62, cy + 1, w * 0.40, cy + 1, w * 0.46, cy + 15, w * 0.56, cy + 15});
  Shade(cr, 0x3F6B3A, 0x9CC98F, cy, cy + 15);
  // A white star on the fuselage.
  Rgb(cr, 0xF4F4EE);
  cairo_save(cr);
  cairo_translate(cr, w * 0.30, cy);
  cairo_move_to(cr, 0, -4.5);
  for (int i = 1; i < 10; ++i) {
    const double r = i % 2 ? 2 : 4.5, a = i * M_PI / 5;
    cairo_line_to(cr, r * std::sin(a), -r * std::cos(a));
  }
  cairo_close_path(cr);
  cairo_fill(cr);
  cairo_restore(cr);
  cairo_restore(cr);
}

void DrawPropeller(cairo_t* cr, int frame) {
  Rgb(cr, 0xD9D9D9, 0.45);
  Oval(cr, 5, 20, 3, 18);
  cairo_fill(cr);
  Rgb(cr, 0x303030);
  cairo_set_line_width(cr, 3);
  const double reach[] = {18, 9, 14};
  cairo_move_to(cr, 5, 20);
  cairo_line_to(cr, 5, 20 - reach[frame % 3]);
  cairo_move_to(cr, 5, 20);
  cairo_line_to(cr, 5, 20 + reach[(frame + 1) % 3]);
  cairo_stroke(cr);
  Rgb(cr, 0xB03A2E);
  Oval(cr, 2.5, 20, 2.5, 3.5);
  cairo_fill(cr);
}

void DrawEnemy(cairo_t* cr, int kind, int frame) {
  switch (kind) {
    case 1: Plane(cr, {0x7E8C99, 0xD7E2EC, 0x66737F, 0xC23B2B, 80, 36, false}, frame); break;
    case 2: Plane(cr, {0x8A6D3B, 0xE0C58F, 0x6B5530, 0x2B2B2B, 90, 40, false}, frame); break;
    case 3: {
      Plane(cr, {0x5B6470, 0xB9C3CF, 0x4A525C, 0xE0A020, 100.0, 56.0, true}, frame);
      // Gun pod underneath: the bullet leaves at (2, 43), the rocket at (66, 55).
      Poly(cr, {4, 40, 40, 38, 44, 46, 4, 46});
      Shade(cr, 0x3C4148, 0x9AA3AD, 38, 46);
      Poly(cr, {60, 52, 90, 52, 92, 58, 60, 58});
      Shade(cr, 0x8E2A1E, 0xE0806F, 52, 58);
      break;
    }
    case 4: {
      // Dusky violet: the player's aircraft is the only green one in the sky.
      Plane(cr, {0x5A4A66, 0xB9A8C8, 0x453852, 0xD9D9D9, 120, 56, true}, frame);
      // The kamikaze bay under the belly.
      Poly(cr, {44, 40, 80, 40, 76, 50, 48, 50});
      Shade(cr, 0x6E2020, 0xD06060, 40, 50);
      break;
    }
    case 5: {
      // A jet: swept wings, no propeller.
      const double cy = 18;
      Poly(cr, {80, cy - 2, 92, cy - 16, 96, cy - 16, 95, cy + 2});
      Shade(cr, 0xA8AEB4, 0xF2F4F6, cy - 16, cy);
      cairo_move_to(cr, 2, cy);
      cairo_curve_to(cr, 14, cy - 8, 60, cy - 8, 95, cy - 4);
      cairo_line_to(cr, 95, cy + 5);
      cairo_curve_to(cr, 60, cy + 8, 14, cy + 7, 2, cy);
      cairo_close_path(cr);
      Shade(cr, 0xB4BAC0, 0xF7F9FA, cy - 8, cy + 8);
      Poly(cr, {40, cy + 2, 60, cy + 2, 78, cy + 17, 66, cy + 17});
      Shade(cr, 0x9AA0A6, 0xE8ECEF, cy, cy + 17);
      Oval(cr, 24, cy - 5, 8, 3.5);
      Shade(cr, 0x9A5A24, 0xF4D29C, cy - 9, cy - 1);
      Rgb(cr, 0xC62828);
      cairo_rectangle(cr, 50, cy - 2, 30, 3);
      cairo_fill(cr);
      // Exhaust glow, flickering with the frame.
      Rgb(cr, frame == 1 ? 0xFFD23F : 0xFF8A1F, 0.9);
      Oval(cr, 95, cy, 1.5 + frame, 2.5);
      cairo_fill(cr);
      break;
    }
    default: {
      // A four-engined transport for the paratroopers.
      Plane(cr, {0xA89468, 0xEEDDB5, 0x8C7A52, 0x5A3E1E, 150, 64, true}, frame);
      Oval(cr, 84, 42, 10, 5);
      Shade(cr, 0x8C7A52, 0xEEDDB5, 37, 47);
      PropDisc(cr, 72, 42, 9, frame + 1);
      Rgb(cr, 0x2B2B2B);
      cairo_rectangle(cr, 100, 30, 12, 9);  // the jump door
      cairo_fill(cr);
      break;
    }
  }
}

void DrawKamikaze(cairo_t* cr) {
  cairo_move_to(cr, 1, 9);
  cairo_line_to(cr, 12, 3);
  cairo_line_to(cr, 40, 5);
  cairo_line_to(cr, 40, 13);
  cairo_line_to(cr, 12, 15);
  cairo_close_path(cr);
  Shade(cr, 0xB3261E, 0xFF9A8A, 3, 15);
  Poly(cr, {26, 9, 36, 1, 40, 1, 38, 9});
  Shade(cr, 0x7A1A14, 0xE06A5A, 1, 9);
  Rgb(cr, 0xFFE08A);
  Oval(cr, 41, 9, 1.5, 3);
  cairo_fill(cr);
}

void DrawParatrooper(cairo_t* cr, bool rocket) {
  // Canopy.
  cairo_move_to(cr, 2, 18);
  cairo_curve_to(cr, 4, 0, 36, 0, 38, 18);
  cairo_curve_to(cr, 30, 14, 10, 14, 2, 18);
  cairo_close_path(cr);
  Shade(cr, rocket ? 0xC8D1D8 : 0xE7E2D2, 0xFFFFFF, 2, 18);
  Rgb(cr, 0x4A4A4A);
  cairo_set_line_width(cr, 0.8);
  for (double x : {3.0, 14.0, 26.0, 37.0}) {
    cairo_move_to(cr, x, 17);
    cairo_line_to(cr, 20, 36);
  }
  cairo_stroke(cr);
  // The soldier: helmet, body, legs.
  Oval(cr, 20, 36, 4, 4);
  Shade(cr, 0x4F5B3A, 0xA9B98A, 32, 40);
  Poly(cr, {15, 40, 25, 40, 26, 52, 14, 52});
  Shade(cr, 0x5C6B3F, 0xB4C48E, 40, 52);
  Rgb(cr, 0x3A4228);
  cairo_set_line_width(cr, 3);
  cairo_move_to(cr, 17, 52);
  cairo_line_to(cr, 15, 61);
  cairo_move_to(cr, 23, 52);
  cairo_line_to(cr, 24, 61);
  cairo_stroke(cr);
  // The weapon points left: a rifle at y 51, a launcher tube at y 37.
  Rgb(cr, 0x222222);
  if (rocket) {
    cairo_rectangle(cr, 0, 35, 22, 4);
  } else {
    cairo_rectangle(cr, 0, 50, 18, 2.5);
  }
  cairo_fill(cr);
}

void DrawSoldier(cairo_t* cr, bool facing_right) {
  cairo_save(cr);
  if (facing_right) {
    cairo_translate(cr, 30, 0);
    cairo_scale(cr, -1, 1);
  }
  Oval(cr, 13, 7, 6, 5);
  Shade(cr, 0x4F5B3A, 0xA9B98A, 2, 12);
  Oval(cr, 13, 11, 4, 3.5);
  Shade(cr, 0xD9A77E, 0xF6D2B4, 8, 14);
  Poly(cr, {7, 15, 19, 15, 20, 30, 6, 30});
  Shade(cr, 0x5C6B3F, 0xB4C48E, 15, 30);
  Rgb(cr, 0x3A4228);
  cairo_set_line_width(cr, 4);
  cairo_move_to(cr, 9, 30);
  cairo_line_to(cr, 7, 41);
  cairo_move_to(cr, 17, 30);
  cairo_line_to(cr, 20, 41);
  cairo_stroke(cr);
  Rgb(cr, 0x1E1E1E);
  cairo_rectangle(cr, 4, 39, 6, 3);
  cairo_rectangle(cr, 17, 39, 6, 3);
  cairo_fill(cr);
  cairo_restore(cr);
}

void DrawTower(cairo_t* cr) {
  // A watchtower on legs over a sandbag nest; the gun sits in the nest at (20, 66).
  Rgb(cr, 0x5A4632);
  cairo_set_line_width(cr, 3);
  cairo_move_to(cr, 8, 58);
  cairo_line_to(cr, 14, 22);
  cairo_move_to(cr, 40, 58);
  cairo_line_to(cr, 34, 22);
  cairo_move_to(cr, 11, 40);
  cairo_line_to(cr, 37, 40);
  cairo_stroke(cr);
  Poly(cr, {6, 10, 42, 10, 40, 24, 8, 24});
  Shade(cr, 0x7A5C3C, 0xC9A47A, 10, 24);
  Poly(cr, {3, 10, 24, 1, 45, 10});
  Shade(cr, 0x5E3B22, 0xB0805A, 1, 10);
  for (int row = 0; row < 3; ++row)
    for (int i = 0; i < 4 - (row & 1); ++i) {
      Oval(cr, 6 + i * 12 + (row & 1) * 6, 74 - row * 6, 6.5, 3.5);
      Shade(cr, 0xB59A67, 0xEAD8AE, 70 - row * 6, 78 - row * 6);
    }
}

void DrawNru(cairo_t* cr) {
  // A rocket-launcher truck facing left; the launcher pivots at (56, 20).
  Poly(cr, {2, 22, 20, 14, 26, 14, 26, 36, 2, 36});
  Shade(cr, 0x55613F, 0xAAB98C, 14, 36);
  Poly(cr, {6, 18, 18, 15, 18, 24, 6, 24});
  Shade(cr, 0x2F5F86, 0xBFE3FF, 15, 24);
  Poly(cr, {26, 22, 82, 22, 82, 36, 26, 36});
  Shade(cr, 0x4B5637, 0x9DAD7E, 22, 36);
  Poly(cr, {44, 14, 68, 14, 70, 22, 42, 22});
  Shade(cr, 0x3E4730, 0x8D9C70, 14, 22);
  for (double x : {14.0, 46.0, 70.0}) {
    Oval(cr, x, 40, 7, 7);
    Shade(cr, 0x1E1E1E, 0x6A6A6A, 33, 47);
    Rgb(cr, 0x8A8A8A);
    Oval(cr, x, 40, 2.5, 2.5);
    cairo_fill(cr);
  }
}

void DrawBonus(cairo_t* cr, int kind, int frame, double size) {
  const uint32_t colours[] = {0xE0A020, 0x2F8FD8, 0xD83A2F, 0x3DAA48, 0xB04FD0};
  const uint32_t c = colours[(kind - 1) % 5];
  const double r = size / 2 - 1.5, cx = size / 2, cy = size / 2;
  // A crate that spins: its width follows the frame.
  const double squeeze = 0.55 + 0.45 * std::fabs(std::cos(frame * M_PI / 4));
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, squeeze, 1);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, r, 0, 2 * M_PI);
  cairo_restore(cr);
  Shade(cr, c, 0xFFFFFF, cy - r, cy + r);
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, squeeze, 1);
  Rgb(cr, 0xFFFFFF);
  cairo_set_line_width(cr, size / 9);
  const double k = r * 0.5;
  switch (kind) {
    case 1:  // weapon: a bullet
      cairo_rectangle(cr, -k * 0.35, -k * 0.4, k * 0.7, k * 1.3);
      cairo_fill(cr);
      cairo_arc(cr, 0, -k * 0.4, k * 0.35, M_PI, 2 * M_PI);
      cairo_fill(cr);
      break;
    case 2:  // shield
      cairo_move_to(cr, -k, -k);
      cairo_line_to(cr, k, -k);
      cairo_curve_to(cr, k, 0, k * 0.6, k, 0, k * 1.2);
      cairo_curve_to(cr, -k * 0.6, k, -k, 0, -k, -k);
      cairo_fill(cr);
      break;
    case 3:  // mega-bomb
      cairo_arc(cr, 0, k * 0.2, k * 0.8, 0, 2 * M_PI);
      cairo_fill(cr);
      cairo_move_to(cr, k * 0.4, -k * 0.5);
      cairo_line_to(cr, k * 0.9, -k * 1.1);
      cairo_stroke(cr);
      break;
    case 4:  // life: a heart
      cairo_move_to(cr, 0, k);
      cairo_curve_to(cr, -k * 1.6, -k * 0.2, -k * 0.6, -k * 1.3, 0, -k * 0.4);
      cairo_curve_to(cr, k * 0.6, -k * 1.3, k * 1.6, -k * 0.2, 0, k);
      cairo_fill(cr);
      break;
    default:  // points: a star
      cairo_move_to(cr, 0, -k * 1.1);
      for (int i = 1; i < 10; ++i) {
        const double rr = i % 2 ? k * 0.45 : k * 1.1, a = i * M_PI / 5;
        cairo_line_to(cr, rr * std::sin(a), -rr * std::cos(a));
      }
      cairo_close_path(cr);
      cairo_fill(cr);
  }
  cairo_restore(cr);
}

}  // namespace aerovell::mkassets
