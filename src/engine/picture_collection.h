#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
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
  // `budget`, when given, is the pixels the pictures of one library may still
  // claim together; each decoded picture takes its pixels from it.
  explicit TPicture(uint64_t* budget = nullptr) : budget_(budget) {}

  std::string_view ClassName() const override { return "TPicture"; }
  bool FindProperty(std::string_view, PropKind&) const override { return false; }
  bool HasBinaryProperty(std::string_view name) const override;
  void ReadBinaryProperty(std::string_view name, std::span<const uint8_t> bytes) override;

  int Width() const { return image.Width(); }
  int Height() const { return image.Height(); }
  bool Empty() const { return image.Width() == 0; }

  Surface image;  // the decoded picture, 0 x 0 when empty

 private:
  uint64_t* budget_;
};

// How a picture is cut into patterns: `columns` x `rows` cells of cell_w x cell_h
// (pattern plus skip), each pattern w x h at the top left of its cell. Worked
// out in 64 bits; a layout whose rectangles do not fit an int has no patterns.
struct PatternGrid {
  int columns = 0;
  int rows = 0;
  int64_t cell_w = 0;
  int64_t cell_h = 0;
  int w = 0;
  int h = 0;

  int Count() const { return columns * rows; }
  Rect At(int k) const {
    return Rect::Sized(static_cast<int>((k % columns) * cell_w), static_cast<int>((k / columns) * cell_h), w, h);
  }
};
PatternGrid MakePatternGrid(int picture_w, int picture_h, int pattern_w, int pattern_h, int skip_w, int skip_h);

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
  int NumPatterns() const { return prepared_ ? grid_.Count() : 0; }
  // How the picture is cut into patterns, prepared or not.
  PatternGrid Layout() const;
  Rect PatternRect(int k) const;
  const Surface* PatternSurface(int k) const;
  bool Prepared() const { return prepared_; }

  void DrawPattern(Surface& dest, int x, int y, int k) const;
  void DrawPatternRotated(Surface& dest, int x, int y, int width, int height, int k, double centre_x, double centre_y,
                          int angle) const;

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
  // A pattern's opaque runs, found the first time it is drawn: a picture may
  // be cut into far more patterns than the game ever draws, and a pattern
  // that is never drawn should cost nothing.
  // Once the runs found add up to more than the picture can justify (a picture
  // cut into millions of tiny or overlapping patterns), further patterns are
  // drawn straight from the keyed picture instead: nullptr.
  const OpaqueRuns* RunsOf(int k) const;

  // How a pattern is turned: the draw's arguments but its place. A turned
  // pattern is the same pixels wherever it is drawn, so the ones drawn again and
  // again (guns, rockets in flight) are sampled once and then copied by runs.
  struct TTurn {
    int k, width, height, angle;
    double centre_x, centre_y;
    bool operator==(const TTurn&) const = default;
  };
  struct TTurnHash {
    size_t operator()(const TTurn& t) const;
  };
  struct TTurned {
    Surface image;  // the turned pattern on the key colour
    OpaqueRuns runs;
  };
  // The box a turned pattern covers, relative to its pivot's place.
  static Rect TurnedBox(int width, int height, double centre_x, double centre_y, int angle);
  // Samples pattern k turned into `box` (clipped to dest) of dest, the pivot at (x, y).
  void SampleTurned(Surface& dest, int x, int y, const Rect& box, int width, int height, int k, double centre_x,
                    double centre_y, int angle) const;
  // The turned pattern from the cache, made on first use; nullptr for one too
  // large to keep, which is then sampled straight onto the surface.
  const TTurned* TurnedOf(const TTurn& turn, const Rect& box) const;

  TPictureCollection& collection_;
  uint32_t transparent_color_ = 0;
  bool prepared_ = false;
  PatternGrid grid_;
  mutable std::unordered_map<int, OpaqueRuns> runs_;
  mutable uint64_t runs_cost_ = 0;  // what runs_ may take, in bytes
  // Two generations: what was used since the last turnover, and what was used
  // in the one before; a hit in the older moves forward, and at a turnover the
  // older is dropped. What keeps being drawn stays, and memory stays bounded.
  using TTurnedMap = std::unordered_map<TTurn, TTurned, TTurnHash>;
  mutable TTurnedMap turned_, turned_before_;
  mutable uint64_t turned_pixels_ = 0;
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

  // The pixels all pictures of one library may hold together: a fixed
  // allowance plus one pixel for each byte of the file. The game's own
  // libraries hold well under one pixel a byte; a small file cannot make us
  // hold gigabytes of pictures, however it is compressed.
  static constexpr uint64_t kLibraryPixelFloor = uint64_t{4} << 20;
  static uint64_t PixelBudgetFor(size_t file_size) { return kLibraryPixelFloor + file_size; }

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
  friend class TPictureCollectionItem;
  TCustomDXDraw* display_ = nullptr;
  uint64_t pixel_budget_ = PixelBudgetFor(0);
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
