#pragma once

namespace aerovell {

class TSprite;

// A reference to a sprite that the tree owns. It reads empty from the moment the
// sprite is freed (by FlushDead, its parent's ClearChildren or the engine), so a
// long-lived reference can never dangle. Each sprite keeps its references in an
// intrusive list: making, moving and dropping one costs no allocation.
class TSpriteRefBase {
 public:
  TSpriteRefBase(const TSpriteRefBase&) = delete;
  TSpriteRefBase& operator=(const TSpriteRefBase&) = delete;

 protected:
  TSpriteRefBase() = default;
  ~TSpriteRefBase() { Attach(nullptr); }
  void Attach(TSprite* sprite);
  TSprite* Target() const { return target_; }

 private:
  friend class TSprite;
  TSprite* target_ = nullptr;
  TSpriteRefBase* prev_ = nullptr;
  TSpriteRefBase* next_ = nullptr;
};

template <class T>
class TSpriteRef final : public TSpriteRefBase {
 public:
  TSpriteRef() = default;
  TSpriteRef(T* sprite) { Set(sprite); }  // NOLINT: reads like the pointer it replaces
  TSpriteRef(const TSpriteRef& other) : TSpriteRefBase() { Set(other.get()); }
  TSpriteRef& operator=(const TSpriteRef& other) {
    Set(other.get());
    return *this;
  }
  TSpriteRef& operator=(T* sprite) {
    Set(sprite);
    return *this;
  }

  // The sprite, or null once it has been freed.
  T* get() const { return Target() ? typed_ : nullptr; }
  T* operator->() const { return get(); }
  T& operator*() const { return *get(); }
  explicit operator bool() const { return Target() != nullptr; }

 private:
  void Set(T* sprite) {
    typed_ = sprite;
    Attach(sprite);
  }
  T* typed_ = nullptr;  // kept typed so the header needs only T's declaration
};

}  // namespace aerovell
