#pragma once

#include <cairo.h>

namespace aerovell::mkassets {

// The game's actors as vector drawings, each into a box at the current origin.
// The same drawings make the sprites and the help pages' pictures.
// `frame` animates propellers and flames; `tilt` is 0 level, 1 diving, 2 climbing.
void DrawHero(cairo_t* cr, int tilt);
void DrawPropeller(cairo_t* cr, int frame);
void DrawEnemy(cairo_t* cr, int kind, int frame);  // kinds 1..6, facing left
void DrawKamikaze(cairo_t* cr);
void DrawParatrooper(cairo_t* cr, bool rocket);
void DrawSoldier(cairo_t* cr, bool facing_right);
void DrawTower(cairo_t* cr);
void DrawNru(cairo_t* cr);
void DrawBonus(cairo_t* cr, int kind, int frame, double size);  // kinds 1..5

// Sizes of the pictures (pattern sizes for strips).
struct Size {
  int w, h;
};
Size HeroSize();
Size PropellerSize();
Size EnemySize(int kind);
Size KamikazeSize();
Size ParatrooperSize();
Size SoldierSize();
Size TowerSize();
Size NruSize();

}  // namespace aerovell::mkassets
