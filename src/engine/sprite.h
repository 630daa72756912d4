#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "engine/errors.h"
#include "engine/sprite_ref.h"
#include "platform/rect.h"

namespace aerovell {

class ESpriteError : public EGameError {
 public:
  using EGameError::EGameError;
};

class TSpriteEngine;

// A node of the sprite tree. A sprite is owned by its parent from the moment it
// is made (see Spawn) and is freed by FlushDead after MarkDead, by its parent's
// ClearChildren, or with the engine; never during a pass.
class TSprite {
 public:
  explicit TSprite(TSprite* parent);
  virtual ~TSprite();
  TSprite(const TSprite&) = delete;
  TSprite& operator=(const TSprite&) = delete;

  TSpriteEngine* Engine() const { return engine_; }
  TSprite* Parent() const { return parent_; }
  bool IsDead() const { return dead_; }

  bool CanCollide = true;
  bool CanMove = true;
  bool Visible = true;
  int32_t X = 0;
  int32_t Y = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Z() const { return z_; }
  void SetZ(int32_t value);

  int ChildCount() const { return static_cast<int>(children_.size()); }
  TSprite& Child(int index) const;
  void ClearChildren();

  void MarkDead();
  void MoveAll(int move_count);
  // Before a picture: every sprite that DrawAll would render, in its order,
  // settles what it is drawn with (Prepare). Runs whether or not anything is drawn.
  void PrepareAll();
  void DrawAll();
  int Collide();

  int32_t WorldX() const { return parent_ ? X + parent_->WorldX() : X; }
  int32_t WorldY() const { return parent_ ? Y + parent_->WorldY() : Y; }

  virtual void OnCollision(TSprite& other, bool& stop);
  virtual void Prepare() {}
  // Draws the sprite as it stands; changes nothing.
  virtual void Render() {}
  virtual void Advance(int move_count);
  // What the sprite covers, in world pixels: by default its size at its world
  // position. A class with bounds of its own overrides this and is made with
  // TBoundsRule::Own: the passes ask only such sprites and take the plain
  // bounds of every other one without a call.
  virtual Rect GetBounds() const;
  virtual bool HitTest(TSprite& other);

  // The root of a tree is an engine; every other sprite answers none.
  virtual TSpriteEngine* AsEngine() { return nullptr; }

  // Frees a sprite and its subtree at once; never during a pass (use MarkDead there).
  static void Destroy(TSprite* sprite) { std::unique_ptr<TSprite> owned(sprite); }

  // Makes a sprite of class T under `parent`, which owns it from then on.
  template <class T, class... Args>
  static T& Spawn(TSprite& parent, Args&&... args) {
    return *std::make_unique<T>(&parent, std::forward<Args>(args)...).release();
  }

 protected:
  enum class TBoundsRule { Plain, Own };
  TSprite(TSprite* parent, TBoundsRule bounds);

 private:
  friend class TSpriteEngine;
  friend class TSpriteRefBase;
  void AttachChild(TSprite* child);
  void DetachChild(TSprite* child);
  void InsertByZ(TSprite* child);
  struct TPoint {
    int32_t x = 0, y = 0;
  };
  // WorldX and WorldY in one climb, with no call per level.
  TPoint WorldPosition() const;
  TPoint ParentPosition() const { return parent_ ? parent_->WorldPosition() : TPoint{}; }
  // The bounds of a sprite without its own: its size where its parent, at
  // `parent_at`, puts it.
  Rect PlainBounds(TPoint parent_at) const { return Rect::Sized(parent_at.x + X, parent_at.y + Y, Width, Height); }
  // GetBounds as the passes take it: they know where the parent is.
  Rect BoundsUnder(TPoint parent_at) const { return own_bounds_ ? GetBounds() : PlainBounds(parent_at); }
  Rect Bounds() const { return BoundsUnder(ParentPosition()); }
  void MoveChildren(int move_count);
  void CollideChildren(TSprite& parent, size_t count);
  template <void (TSprite::*Step)()>
  void DrawingPass();
  template <void (TSprite::*Step)()>
  void DrawingPassBelow();

  bool own_bounds_ = false;  // read beside the position by every pass
  TSpriteEngine* engine_ = nullptr;
  TSprite* parent_ = nullptr;
  std::vector<TSprite*> children_;    // owned, creation order
  std::vector<TSprite*> draw_order_;  // the same, by ascending Z
  TSpriteRefBase* refs_ = nullptr;    // references that read empty when this sprite goes
  bool dead_ = false;
  int32_t z_ = 0;
};

// The root of the tree: where sprites draw and what the collision pass uses.
class TSpriteEngine final : public TSprite {
 public:
  TSpriteEngine() : TSprite(nullptr) {}
  ~TSpriteEngine() override;
  TSpriteEngine* AsEngine() override { return this; }

  int32_t HitCount = 0;
  bool CollisionStop = false;
  Rect CollideRect;
  TSprite* CollideSprite = nullptr;
  class Surface* Surface() const {
    return surface_;
  }
  const Rect& SurfaceBounds() const { return surface_bounds_; }
  const std::vector<TSprite*>& DeadSprites() const { return dead_sprites_; }

  void FlushDead();
  void PrepareSprites() { PrepareAll(); }
  void DrawSprites() { DrawAll(); }
  void SetSurface(class Surface* surface);

 private:
  friend class TSprite;
  void Forget(TSprite* sprite);

  class Surface* surface_ = nullptr;
  Rect surface_bounds_;
  std::vector<TSprite*> dead_sprites_;
};

}  // namespace aerovell
