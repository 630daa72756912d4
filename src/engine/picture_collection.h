#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/dx_draw.h"
#include "engine/hash_collection.h"
#include "engine/object_stream.h"
#include "platform/opaque_runs.h"
#include "platform/surface.h"

namespace aerovell {

class EPictureCollectionError : public EGameError {
 public:
  using EGameError::EGameError;
};

// A run of steps [first, last) of a linear sequence, for the rotated draw.
struct Span {
  int64_t first = 0;
  int64_t last = 0;
};
// The steps k in [0, count) at which f0 + k * step lies in [lo, hi).
Span StepSpan(int64_t f0, int64_t step, int64_t lo, int64_t hi, int64_t count);
Span IntersectSpans(const Span& a, const Span& b);

// The pixel value a colour gives on our surfaces; system colours (0xFF0000nn)
// are resolved to the desktop's classic colours first.
uint32_t ColorToSurfacePixel(uint32_t color);

class TPictureCollection;

// A `Picture` holder as the stream sees it: one binary property, `Data`.
class TPicture final : public StreamObject {
 public:
  std::string_view ClassName() const override { return "TPicture"; }
  bool FindProperty(std::string_view, PropKind&) const override { return false; }
  bool HasBinaryProperty(std::string_view name) const override;
  void ReadBinaryProperty(std::string_view name, std::span<const uint8_t> bytes) override;

  int Width() const { return image.Width(); }
  int Height() const { return image.Height(); }
  bool Empty() const { return image.Width() == 0; }

  Surface image;  // the decoded picture, 0 x 0 when empty
};

// One image of a library: a picture cut into equal patterns.
class TPictureCollectionItem final : public THashCollectionItem, public StreamObject {
 public:
  explicit TPictureCollectionItem(TPictureCollection& owner);

  int PatternHeight = 0;
  int PatternWidth = 0;
  int SkipHeight = 0;
  int SkipWidth = 0;
  bool SystemMemory = false;
  bool Transparent = true;
  TPicture Picture;

  uint32_t TransparentColor() const { return transparent_color_; }
  void SetTransparentColor(uint32_t color);

  int Width() const { return PatternWidth > 0 ? PatternWidth : Picture.Width(); }
  int Height() const { return PatternHeight > 0 ? PatternHeight : Picture.Height(); }
  int NumPatterns() const { return static_cast<int>(patterns_.size()); }
  // The pattern rectangles the picture is cut into, prepared or not.
  std::vector<Rect> Layout() const;
  Rect PatternRect(int k) const;
  const Surface* PatternSurface(int k) const;
  bool Prepared() const { return prepared_; }

  void DrawPattern(Surface& dest, int x, int y, int k) const;
  void DrawPatternRotated(Surface& dest, int x, int y, int width, int height, int k, double centre_x,
                          double centre_y, int angle) const;

  void Prepare();
  void Release();
  void MarkPrepared() { prepared_ = true; }

  // StreamObject.
  std::string_view ClassName() const override { return "TPictureCollectionItem"; }
  bool FindProperty(std::string_view name, PropKind& kind) const override;
  void SetInteger(std::string_view name, int32_t value) override;
  void SetBoolean(std::string_view name, bool value) override;
  void SetString(std::string_view name, const std::string& value) override;
  StreamObject* GetObject(std::string_view name) override;
  void SetObjectNil(std::string_view name) override;

 private:
  struct Pattern {
    Rect rect;
    OpaqueRuns runs;
  };
  void BuildRuns();

  TPictureCollection& collection_;
  uint32_t transparent_color_ = 0;
  bool prepared_ = false;
  std::vector<Pattern> patterns_;
};

// The images of one library file, found by index or by name.
class TPictureCollection final : public THashCollection, public StreamObject {
 public:
  TPictureCollection() = default;

  std::array<uint8_t, 1024> ColorTable{};

  TPictureCollectionItem& Item(int index) const { return static_cast<TPictureCollectionItem&>(ItemAt(index)); }
  TPictureCollectionItem& FindByName(std::string_view name) const;
  TPictureCollectionItem& Add();

  // Empties the collection and reads the file; prepares the items at once when
  // a ready display is bound. Raises the reader's errors.
  void LoadLibraryFile(const std::string& path);
  void LoadFromBytes(std::span<const uint8_t> file);

  // Display binding, driven by the image list's notifications.
  void Initialize(TCustomDXDraw& display);
  void Finalize();
  void Restore();
  bool DisplayReady() const { return display_ && display_->Initialized(); }

  // StreamObject.
  std::string_view ClassName() const override { return "TPictureCollection"; }
  bool FindProperty(std::string_view, PropKind&) const override { return false; }
  bool HasBinaryProperty(std::string_view name) const override;
  void ReadBinaryProperty(std::string_view name, std::span<const uint8_t> bytes) override;
  bool IsCollection() const override { return true; }
  void ClearItems() override { Clear(); }
  StreamObject& AddItem() override { return Add(); }

 private:
  TCustomDXDraw* display_ = nullptr;
};

// The image-list component: the collection, bound to a display for its notices.
class TDXImageList {
 public:
  TDXImageList() = default;
  ~TDXImageList() { SetDXDraw(nullptr); }
  TDXImageList(const TDXImageList&) = delete;
  TDXImageList& operator=(const TDXImageList&) = delete;

  TPictureCollection Items;
  TCustomDXDraw* DXDraw() const { return dxdraw_; }
  void SetDXDraw(TCustomDXDraw* display);

 private:
  void Notify(TCustomDXDraw& display, TDXDrawNotifyType kind);
  TCustomDXDraw* dxdraw_ = nullptr;
};

}  // namespace aerovell
