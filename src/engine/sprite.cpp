#include "engine/sprite.h"

#include <algorithm>

#include "engine/hash_collection.h"
#include "platform/surface.h"

namespace aerovell {

TSprite::TSprite(TSprite* parent) : TSprite(parent, TBoundsRule::Plain) {}

TSprite::TSprite(TSprite* parent, TBoundsRule bounds) : own_bounds_(bounds == TBoundsRule::Own), parent_(parent) {
  if (!parent) return;
  parent->AttachChild(this);
  engine_ = parent->engine_ ? parent->engine_ : parent->AsEngine();
}

TSprite::~TSprite() {
  while (refs_) refs_->Attach(nullptr);
  ClearChildren();
  if (parent_) {
    parent_->DetachChild(this);
    if (engine_) engine_->Forget(this);
  }
}

void TSprite::AttachChild(TSprite* child) {
  children_.push_back(child);
  InsertByZ(child);
}

void TSprite::DetachChild(TSprite* child) {
  if (auto it = std::find(children_.begin(), children_.end(), child); it != children_.end()) children_.erase(it);
  if (auto it = std::find(draw_order_.begin(), draw_order_.end(), child); it != draw_order_.end())
    draw_order_.erase(it);
  if (children_.empty()) {
    children_.shrink_to_fit();
    draw_order_.shrink_to_fit();
  }
}

void TSprite::InsertByZ(TSprite* child) {
  // The first place whose Z is not less: among equal Z the newest goes first.
  int low = 0, high = static_cast<int>(draw_order_.size()) - 1;
  while (high >= low) {
    const int middle = (low + high) / 2;
    if (draw_order_[static_cast<size_t>(middle)]->z_ < child->z_) low = middle + 1;
    else high = middle - 1;
  }
  draw_order_.insert(draw_order_.begin() + low, child);
}

void TSprite::SetZ(int32_t value) {
  if (value == z_) return;
  z_ = value;
  if (!parent_) return;
  auto& order = parent_->draw_order_;
  if (auto it = std::find(order.begin(), order.end(), this); it != order.end()) order.erase(it);
  parent_->InsertByZ(this);
}

TSprite& TSprite::Child(int index) const {
  if (children_.empty()) throw ESpriteError(Format("Index of the list exceeds the range. (%d)", index));
  if (index < 0 || index >= ChildCount()) throw EListError(index);
  return *children_[static_cast<size_t>(index)];
}

void TSprite::ClearChildren() {
  while (!children_.empty()) std::unique_ptr<TSprite>(children_.back()).reset();
}

void TSprite::MarkDead() {
  if (!engine_ || dead_) return;
  dead_ = true;
  engine_->dead_sprites_.push_back(this);
}

void TSprite::MoveAll(int move_count) {
  if (!CanMove) return;
  Advance(move_count);
  MoveChildren(move_count);
}

// Each list walked in place: one call for a sprite with children, not for each
// sprite. A frozen sprite freezes its subtree.
void TSprite::MoveChildren(int move_count) {
  // Sprites made during the pass wait for the next one.
  const size_t n = children_.size();
  for (size_t i = 0; i < n; ++i) {
    TSprite& s = *children_[i];
    if (!s.CanMove) continue;
    s.Advance(move_count);
    if (!s.children_.empty()) s.MoveChildren(move_count);
  }
}

void TSprite::PrepareAll() { DrawingPass<&TSprite::Prepare>(); }

void TSprite::DrawAll() { DrawingPass<&TSprite::Render>(); }

// `Step` for this sprite and then for its subtree in drawing order: for each
// visible sprite that the surface shows. A hidden sprite hides its subtree.
template <void (TSprite::*Step)()>
void TSprite::DrawingPass() {
  if (!Visible) return;
  if (engine_ && Overlaps(Bounds(), engine_->SurfaceBounds())) (this->*Step)();
  DrawingPassBelow<Step>();
}

template <void (TSprite::*Step)()>
void TSprite::DrawingPassBelow() {
  // Counted after this sprite's own step: what it made below is passed too.
  const size_t n = draw_order_.size();
  // Where the children are placed from, read again after any step, which
  // may have moved any sprite.
  TPoint at = WorldPosition();
  for (size_t i = 0; i < n; ++i) {
    TSprite& s = *draw_order_[i];
    if (!s.Visible) continue;
    if (s.engine_ && Overlaps(s.BoundsUnder(at), s.engine_->SurfaceBounds())) {
      (s.*Step)();
      at = WorldPosition();
    }
    if (!s.draw_order_.empty()) {
      s.DrawingPassBelow<Step>();
      at = WorldPosition();
    }
  }
}

int TSprite::Collide() {
  if (!engine_ || dead_ || !CanCollide) return 0;
  TSpriteEngine& e = *engine_;
  e.HitCount = 0;
  e.CollisionStop = false;
  e.CollideRect = Bounds();
  e.CollideSprite = this;
  CollideChildren(e, e.children_.size());
  return e.HitCount;
}

// The first `count` children of `parent` and their subtrees, in creation order;
// sprites made during the pass after those counts wait for the next pass. A
// sprite that cannot collide hides its subtree, and a stop ends only the
// descent into children: the rest of each list is still tested.
void TSprite::CollideChildren(TSprite& parent, size_t count) {
  TSpriteEngine& e = *engine_;
  // Where the children are placed from; read again whenever a handler or a
  // hit test has run, as either may have moved any sprite.
  TPoint at = parent.WorldPosition();
  for (size_t i = 0; i < count; ++i) {
    TSprite& s = *parent.children_[i];
    if (!s.CanCollide) continue;
    TSprite& me = *e.CollideSprite;
    if (&s != &me && Overlaps(s.BoundsUnder(at), e.CollideRect)) {
      if (me.HitTest(s) && s.HitTest(me)) {
        ++e.HitCount;
        me.OnCollision(s, e.CollisionStop);
        if (!me.CanCollide || me.dead_) e.CollisionStop = true;
      }
      at = parent.WorldPosition();
    }
    // Counted after the handler: what it made below `s` is tested too.
    if (!e.CollisionStop && !s.children_.empty()) {
      CollideChildren(s, s.children_.size());
      at = parent.WorldPosition();
    }
  }
}

void TSpriteRefBase::Attach(TSprite* sprite) {
  if (sprite == target_) return;
  if (target_) {
    (prev_ ? prev_->next_ : target_->refs_) = next_;
    if (next_) next_->prev_ = prev_;
    prev_ = next_ = nullptr;
  }
  target_ = sprite;
  if (!sprite) return;
  next_ = sprite->refs_;
  if (next_) next_->prev_ = this;
  sprite->refs_ = this;
}

void TSprite::OnCollision(TSprite&, bool&) {}
void TSprite::Advance(int) {}
bool TSprite::HitTest(TSprite&) { return true; }

// The passes take these without the call (see BoundsUnder).
Rect TSprite::GetBounds() const { return PlainBounds(ParentPosition()); }

TSprite::TPoint TSprite::WorldPosition() const {
  TPoint at{X, Y};
  for (const TSprite* p = parent_; p; p = p->parent_) {
    at.x += p->X;
    at.y += p->Y;
  }
  return at;
}

TSpriteEngine::~TSpriteEngine() {
  ClearChildren();
  dead_sprites_.clear();
}

void TSpriteEngine::Forget(TSprite* sprite) {
  if (!sprite->dead_) return;
  // FlushDead frees from the back, so the sprite is almost always the last entry.
  auto it = std::find(dead_sprites_.rbegin(), dead_sprites_.rend(), sprite);
  if (it != dead_sprites_.rend()) dead_sprites_.erase(std::next(it).base());
}

void TSpriteEngine::FlushDead() {
  while (!dead_sprites_.empty()) std::unique_ptr<TSprite>(dead_sprites_.back()).reset();
}

void TSpriteEngine::SetSurface(class Surface* surface) {
  surface_ = surface;
  if (!surface) return;
  surface_bounds_ = surface->Bounds();
  Width = surface->Width();
  Height = surface->Height();
}

}  // namespace aerovell
