#pragma once

#include <memory>

#include "engine/dx_draw.h"
#include "engine/sprite.h"

namespace aerovell {

// The sprite-engine component: the tree's root, bound to a display whose back
// surface the sprites draw on, and the three per-frame calls.
class TCustomDXSpriteEngine {
 public:
  TCustomDXSpriteEngine() : engine_(std::make_unique<TSpriteEngine>()) {}
  ~TCustomDXSpriteEngine() { SetDXDraw(nullptr); }
  TCustomDXSpriteEngine(const TCustomDXSpriteEngine&) = delete;
  TCustomDXSpriteEngine& operator=(const TCustomDXSpriteEngine&) = delete;

  TSpriteEngine& Engine() { return *engine_; }
  TCustomDXDraw* DXDraw() const { return dxdraw_; }
  void SetDXDraw(TCustomDXDraw* display);

  void MoveSprites(int move_count) { engine_->MoveAll(move_count); }
  void FlushDead() { engine_->FlushDead(); }
  void PrepareSprites() { engine_->PrepareSprites(); }
  void DrawSprites() {
    if (dxdraw_ && dxdraw_->Initialized()) engine_->DrawSprites();
  }

 private:
  void Notify(TCustomDXDraw& display, TDXDrawNotifyType kind);
  std::unique_ptr<TSpriteEngine> engine_;
  TCustomDXDraw* dxdraw_ = nullptr;
};

// The published name of the sprite-engine component; it adds nothing to the class.
using TDXSpriteEngine = TCustomDXSpriteEngine;

}  // namespace aerovell
