#include "engine/sprite.h"

#include <gtest/gtest.h>

#include <functional>

#include "engine/dx_sprite_engine.h"
#include "engine/image_sprite.h"
#include "library_fixture.h"
#include "platform/fake/fake_platform.h"

namespace aerovell {
namespace {

// A sprite that logs what happens to it.
class Probe : public TSprite {
 public:
  Probe(TSprite* parent, std::string name, std::vector<std::string>* log, Rect bounds = {0, 0, 10, 10})
      : TSprite(parent), name_(std::move(name)), log_(log) {
    X = bounds.left;
    Y = bounds.top;
    Width = bounds.Width();
    Height = bounds.Height();
  }
  ~Probe() override { log_->push_back("free " + name_); }
  void Prepare() override { log_->push_back("prepare " + name_); }
  void Render() override {
    log_->push_back("draw " + name_);
    if (on_draw) on_draw();
  }
  void Advance(int n) override { log_->push_back("move " + name_ + " " + std::to_string(n)); }
  void OnCollision(TSprite& other, bool&) override {
    log_->push_back("hit " + name_ + ">" + static_cast<Probe&>(other).name_);
    if (die_on_hit) MarkDead();
    if (on_hit) on_hit(static_cast<Probe&>(other));
  }
  bool die_on_hit = false;
  std::function<void(Probe& other)> on_hit;
  std::function<void()> on_draw;

 private:
  std::string name_;
  std::vector<std::string>* log_;
};

class SpriteTest : public ::testing::Test {
 protected:
  SpriteTest() { engine.SetSurface(&surface); }
  Probe& Make(const std::string& name, Rect bounds = {0, 0, 10, 10}, TSprite* parent = nullptr) {
    return TSprite::Spawn<Probe>(parent ? *parent : engine, name, &log, bounds);
  }
  std::vector<std::string> Take() { return std::exchange(log, {}); }

  std::vector<std::string> log;  // outlives the engine, whose sprites log their end
  Surface surface{800, 600};
  TSpriteEngine engine;
};

TEST_F(SpriteTest, EqualZIsDrawnNewestFirstAndSetZReinserts) {
  Make("a").SetZ(5);
  Make("b").SetZ(5);
  Probe& c = Make("c");
  c.SetZ(5);
  Make("low");
  engine.DrawSprites();
  EXPECT_EQ(Take(), (std::vector<std::string>{"draw low", "draw c", "draw b", "draw a"}));
  c.SetZ(5);  // the same value keeps the place
  engine.DrawSprites();
  EXPECT_EQ(Take(), (std::vector<std::string>{"draw low", "draw c", "draw b", "draw a"}));
  engine.Child(0).SetZ(4);
  engine.Child(0).SetZ(5);  // a new value goes before every sibling of that Z
  engine.DrawSprites();
  EXPECT_EQ(Take(), (std::vector<std::string>{"draw low", "draw a", "draw c", "draw b"}));
}

TEST_F(SpriteTest, OnlySpritesOverlappingTheSurfaceAreRendered) {
  Make("edge", {-10, 0, 0, 10});
  Make("in", {-9, 0, 1, 10});
  Make("hidden", {0, 0, 5, 5}).Visible = false;
  Make("child", {0, 0, 5, 5}, &engine.Child(2));
  Make("below", {0, 600, 10, 610});
  engine.DrawSprites();
  EXPECT_EQ(Take(), (std::vector<std::string>{"draw in"}));
}

TEST_F(SpriteTest, DrawingTakesWorldPositionsAsTheyAreWhenDrawn) {
  Probe& group = Make("group", {-100, 0, -100, 0});
  Probe& mover = Make("mover", {100, 0, 110, 10}, &group);
  Make("kid", {50, 0, 60, 10}, &group).SetZ(1);
  Probe& inner = Make("inner", {0, 0, 0, 0}, &group);
  inner.SetZ(2);
  Make("grandkid", {100, 20, 110, 30}, &inner);
  engine.PrepareSprites();
  EXPECT_EQ(Take(), (std::vector<std::string>{"prepare mover", "prepare grandkid"}));
  engine.DrawSprites();
  EXPECT_EQ(Take(), (std::vector<std::string>{"draw mover", "draw grandkid"}));
  // A sprite that moves its parent as it is drawn moves the siblings after it.
  mover.on_draw = [&] { group.X = 0; };
  engine.DrawSprites();
  EXPECT_EQ(Take(), (std::vector<std::string>{"draw mover", "draw kid", "draw grandkid"}));
}

TEST_F(SpriteTest, MovingFreezesSubtreesAndSkipsSpritesMadeDuringThePass) {
  Probe& parent = Make("p");
  Make("kid", {}, &parent);
  Probe& frozen = Make("f");
  Make("fkid", {}, &frozen);
  frozen.CanMove = false;
  engine.MoveAll(2);
  EXPECT_EQ(Take(), (std::vector<std::string>{"move p 2", "move kid 2"}));
}

TEST_F(SpriteTest, DeadSpritesStayUntilFlushedAndFreeTheirSubtreeLastChildFirst) {
  Probe& a = Make("a");
  Make("a1", {0, 0, 5, 5}, &a);
  Make("a2", {0, 0, 5, 5}, &a);
  a.MarkDead();
  a.MarkDead();
  EXPECT_EQ(engine.DeadSprites().size(), 1u);
  engine.DrawSprites();
  engine.MoveAll(1);
  EXPECT_EQ(Take(), (std::vector<std::string>{"draw a", "draw a2", "draw a1", "move a 1", "move a1 1", "move a2 1"}));
  engine.FlushDead();
  // Each sprite logs before its children go, which go last-made first.
  EXPECT_EQ(Take(), (std::vector<std::string>{"free a", "free a2", "free a1"}));
  Probe& b = Make("b");
  Make("b1", {}, &b).MarkDead();
  b.MarkDead();
  Make("b2", {}, &b).MarkDead();
  engine.FlushDead();  // b2 goes first, then b with b1, which leaves the list as it goes
  EXPECT_EQ(Take(), (std::vector<std::string>{"free b2", "free b", "free b1"}));
  EXPECT_TRUE(engine.DeadSprites().empty());
  EXPECT_EQ(engine.ChildCount(), 0);
  engine.MarkDead();
  EXPECT_TRUE(engine.DeadSprites().empty()) << "the root cannot die";
  EXPECT_EQ(engine.Collide(), 0);
}

TEST_F(SpriteTest, ChildErrors) {
  try {
    engine.Child(0);
    FAIL();
  } catch (const ESpriteError& e) {
    EXPECT_STREQ(e.what(), "Index of the list exceeds the range. (0)");
  }
  Make("a");
  try {
    engine.Child(1);
    FAIL();
  } catch (const EGameError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (1)");
  }
}

TEST_F(SpriteTest, CollisionRules) {
  Probe& shot = Make("shot", {0, 0, 10, 10});
  Make("edge", {10, 0, 20, 10});  // shares only an edge
  Make("x", {5, 5, 15, 15});
  Probe& wall = Make("wall", {0, 0, 50, 50});
  wall.CanCollide = false;
  Make("inwall", {0, 0, 5, 5}, &wall);
  Make("y", {9, 9, 19, 19});
  Make("own", {0, 0, 3, 3}, &shot);  // the collide sprite's own children can hit it
  EXPECT_EQ(shot.Collide(), 3);
  EXPECT_EQ(Take(), (std::vector<std::string>{"hit shot>own", "hit shot>x", "hit shot>y"}));

  // A sprite that dies in its handler is still tested against the rest of the pass.
  shot.die_on_hit = true;
  EXPECT_EQ(shot.Collide(), 3);
  EXPECT_EQ(Take(), (std::vector<std::string>{"hit shot>own", "hit shot>x", "hit shot>y"}));
  EXPECT_EQ(shot.Collide(), 0) << "a dead sprite starts no collision";
  EXPECT_EQ(engine.Child(2).Collide(), 3) << "but others still hit it";
  EXPECT_EQ(Take(), (std::vector<std::string>{"hit x>shot", "hit x>edge", "hit x>y"}));
}

TEST_F(SpriteTest, StopCutsTheDescentIntoChildrenOnly) {
  Probe& shot = Make("shot", {0, 0, 10, 10});
  Probe& big = Make("big", {0, 0, 10, 10});
  Make("bigkid", {0, 0, 5, 5}, &big);
  Make("other", {0, 0, 10, 10});
  shot.die_on_hit = true;
  EXPECT_EQ(shot.Collide(), 2);
  EXPECT_EQ(Take(), (std::vector<std::string>{"hit shot>big", "hit shot>other"}));
}

TEST_F(SpriteTest, CollisionTakesWorldPositionsAsTheyAreWhenTested) {
  Probe& shot = Make("shot", {100, 100, 110, 110});
  Probe& group = Make("group", {90, 90, 90, 90});  // no size: never hit itself
  Make("kid", {10, 10, 20, 20}, &group);
  Probe& inner = Make("inner", {-90, -90, -90, -90}, &group);
  Make("grandkid", {105, 105, 115, 115}, &inner);
  Make("left", {0, 10, 10, 20}, &group);  // at 90..100: touches the shot's edge only
  EXPECT_EQ(shot.Collide(), 2);
  EXPECT_EQ(Take(), (std::vector<std::string>{"hit shot>kid", "hit shot>grandkid"}));

  // A handler that moves a parent moves the children tested after it.
  shot.on_hit = [&](Probe& other) {
    if (&other == &group.Child(0)) group.X = 100;
  };
  EXPECT_EQ(shot.Collide(), 2);
  EXPECT_EQ(Take(), (std::vector<std::string>{"hit shot>kid", "hit shot>left"}));
  shot.on_hit = [&](Probe&) { group.X = 1000; };
  group.X = 90;
  EXPECT_EQ(shot.Collide(), 1) << "the group left at the first hit";
  EXPECT_EQ(Take(), (std::vector<std::string>{"hit shot>kid"}));
}

TEST(ImageSpriteAnimation, Table) {
  const struct {
    int count;
    bool looped;
    double speed;
    int move;
    std::vector<int> frames;  // after each Advance
    double final_speed;
  } cases[] = {
      {4, false, 1, 3, {3, 3, 3}, 0}, {4, true, 1, 3, {3, 2, 1, 0}, 1},  {0, true, 1, 1, {0, 0}, 1},
      {0, false, 1, 1, {0}, 0},       {4, true, 0.5, 1, {0, 0, 0}, 0.5}, {4, true, 1.5, 1, {2, 0, 2}, 1.5},
      {4, true, -1, 1, {3, 2}, -1},
  };
  TSpriteEngine engine;
  for (const auto& c : cases) {
    TImageSprite& s = TSprite::Spawn<TImageSprite>(engine);
    s.FrameCount = c.count;
    s.FrameLooped = c.looped;
    s.FrameSpeed = c.speed;
    std::vector<int> frames;
    for (size_t i = 0; i < c.frames.size(); ++i) {
      s.Advance(c.move);
      frames.push_back(s.FrameIndex);
    }
    EXPECT_EQ(frames, c.frames) << c.count << " " << c.looped << " " << c.speed;
    EXPECT_EQ(s.FrameSpeed, c.final_speed);
  }
}

class DrawnSprites : public ::testing::Test {
 protected:
  DrawnSprites() {
    draw.Display = {800, 600, 32};
    draw.OpenDisplay();
    images.SetDXDraw(&draw);
    component.SetDXDraw(&draw);
  }
  FakePlatform platform;
  TDXForm form{platform};
  TDXDraw draw{platform, &form};
  TDXImageList images;
  TDXSpriteEngine component;
};

TEST_F(DrawnSprites, ImageSpriteCentresItsPatternInItsBounds) {
  images.Items.LoadFromBytes(tools::WritePictureLibrary({testing::Entry("b", testing::Solid(20, 10, 0x00FF00), 10)}));
  TImageSprite& s = TSprite::Spawn<TImageSprite>(component.Engine());
  s.Picture = &images.Items.Item(0);
  s.X = 100;
  s.Y = 100;
  s.Width = 20;
  s.Height = 20;
  s.FrameStart = 1;
  EXPECT_EQ(s.DrawRect(), (Rect{105, 105, 125, 125}));
  draw.FillSurface(0);
  component.DrawSprites();
  EXPECT_EQ(draw.BackSurface().Pixel(105, 105), 0x00FF00u);
  EXPECT_EQ(draw.BackSurface().Pixel(104, 105), 0u);
  EXPECT_EQ(draw.BackSurface().Pixel(114, 114), 0x00FF00u);
  EXPECT_EQ(draw.BackSurface().Pixel(115, 105), 0u);

  draw.CloseDisplay();
  EXPECT_EQ(component.Engine().Surface(), nullptr);
  component.DrawSprites();  // no display: nothing, no crash
  draw.OpenDisplay();
  EXPECT_EQ(component.Engine().Surface(), &draw.BackSurface());
}

// A background that records where it draws each tile.
TEST_F(DrawnSprites, RepeatingBackgroundTilesTheWholeSurface) {
  images.Items.LoadFromBytes(tools::WritePictureLibrary({testing::Entry("sky", testing::Gradient(800, 600))}));
  TBackgroundSprite& bg = TSprite::Spawn<TBackgroundSprite>(component.Engine());
  EXPECT_FALSE(bg.CanCollide);
  bg.Picture = &images.Items.Item(0);
  bg.ResizeMap(1, 1);
  bg.Repeating = true;
  bg.X = -10;
  EXPECT_EQ(bg.GetBounds(), (Rect{0, 0, 800, 600}));
  draw.FillSurface(0);
  component.DrawSprites();
  const Surface& back = draw.BackSurface();
  const auto& src = images.Items.Item(0).Picture.image;
  // Tiles at x = -810, -10, 790, ...: column 0 shows the tile's x 10, column 790 its x 0.
  EXPECT_EQ(back.Pixel(0, 0), src.Pixel(10, 0));
  EXPECT_EQ(back.Pixel(789, 599), src.Pixel(799, 599));
  EXPECT_EQ(back.Pixel(790, 300), src.Pixel(0, 300));
  EXPECT_EQ(bg.TileAt(1, 0), -1);
  EXPECT_EQ(bg.TileAt(0, 0), 0);

  bg.Repeating = false;
  bg.X = 100;
  bg.Y = 50;
  EXPECT_EQ(bg.GetBounds(), (Rect{100, 50, 900, 650}));
  draw.FillSurface(0);
  component.DrawSprites();
  EXPECT_EQ(back.Pixel(99, 50), 0u);
  EXPECT_EQ(back.Pixel(100, 50), src.Pixel(0, 0));
  bg.ResizeMap(0, 5);
  EXPECT_EQ(bg.MapColumns(), 0);
  EXPECT_EQ(bg.MapRows(), 0);
}

TEST_F(DrawnSprites, DestroyingTheComponentFreesEverySprite) {
  std::vector<std::string> log;
  {
    TDXSpriteEngine local;
    local.SetDXDraw(&draw);
    TSprite::Spawn<Probe>(local.Engine(), "a", &log);
    TSprite::Spawn<Probe>(local.Engine(), "b", &log).MarkDead();
  }
  EXPECT_EQ(log, (std::vector<std::string>{"free b", "free a"}));
}

}  // namespace
}  // namespace aerovell

namespace aerovell {
namespace {

// References into the tree read empty once their sprite is freed, however it goes.
TEST(SpriteRef, ReadsEmptyOnceTheSpriteIsFreed) {
  std::vector<std::string> log;
  auto engine = std::make_unique<TSpriteEngine>();
  Probe& a = TSprite::Spawn<Probe>(*engine, "a", &log);
  Probe& b = TSprite::Spawn<Probe>(*engine, "b", &log);
  Probe& child = TSprite::Spawn<Probe>(b, "child", &log);
  Probe& c = TSprite::Spawn<Probe>(*engine, "c", &log);
  TSpriteRef<Probe> ra = &a, rb = &b, rchild = &child, rc = &c;
  TSpriteRef<Probe> copy = ra;
  TSpriteRef<Probe> moved_on = &a;
  moved_on = &c;  // no longer follows a
  EXPECT_EQ(ra.get(), &a);
  EXPECT_EQ(copy.get(), &a);

  a.MarkDead();
  EXPECT_TRUE(ra) << "marked dead, still in the tree";
  engine->FlushDead();
  EXPECT_FALSE(ra);
  EXPECT_FALSE(copy);
  EXPECT_EQ(ra.get(), nullptr);
  EXPECT_EQ(moved_on.get(), &c);

  TSprite::Destroy(&b);  // a subtree
  EXPECT_FALSE(rb);
  EXPECT_FALSE(rchild);

  {
    TSpriteRef<Probe> short_lived = &c;  // dropping a reference leaves the others
  }
  engine->ClearChildren();
  EXPECT_FALSE(rc);
  EXPECT_FALSE(moved_on);

  TSpriteRef<Probe> last = &TSprite::Spawn<Probe>(*engine, "d", &log);
  engine.reset();
  EXPECT_FALSE(last) << "the engine's end frees every sprite";
}

}  // namespace
}  // namespace aerovell
