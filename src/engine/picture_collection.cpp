#include "engine/picture_collection.h"

#include <algorithm>
#include <cmath>

#include "engine/bitmap_decoder.h"
#include "engine/byte_reader.h"
#include "engine/trig.h"

namespace aerovell {
namespace {

// The classic desktop colours, for colour values that name a system colour.
constexpr uint32_t kSystemColors[] = {
    0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000, 0x000000, 0xB4B4B4,
    0xFCF7F4, 0xABABAB, 0xFF9933, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D, 0x000000, 0x000000, 0xFFFFFF, 0x696969,
    0xE3E3E3, 0x000000, 0xE1FFFF, 0x000000, 0xCC6600, 0xEAD1B9, 0xF2E4D7, 0xFF9933, 0xF0F0F0,
};

}  // namespace

Span StepSpan(int64_t f0, int64_t step, int64_t lo, int64_t hi, int64_t count) {
  // The k in [0, count) with lo <= f0 + k * step < hi.
  auto floor_div = [](int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); };
  auto ceil_div = [&](int64_t a, int64_t b) { return -floor_div(-a, b); };
  Span s{0, count};
  if (step == 0) {
    if (f0 < lo || f0 >= hi) s.last = 0;
  } else if (step > 0) {
    s.first = std::max<int64_t>(s.first, ceil_div(lo - f0, step));
    s.last = std::min<int64_t>(s.last, ceil_div(hi - f0, step));
  } else {
    s.first = std::max<int64_t>(s.first, floor_div(hi - f0, step) + 1);
    s.last = std::min<int64_t>(s.last, floor_div(lo - f0, step) + 1);
  }
  if (s.last < s.first) s.last = s.first;
  return s;
}

Span IntersectSpans(const Span& a, const Span& b) {
  Span s{std::max(a.first, b.first), std::min(a.last, b.last)};
  if (s.last < s.first) s.last = s.first;
  return s;
}

uint32_t ColorToSurfacePixel(uint32_t color) {
  if ((color & 0xFF000000u) == 0xFF000000u) {
    const uint32_t index = color & 0xFF;
    color = index < std::size(kSystemColors) ? kSystemColors[index] : 0;
  }
  return ColorToPixel(color & 0xFFFFFF);
}

bool TPicture::HasBinaryProperty(std::string_view name) const { return EqualsIgnoringAsciiCase(name, "Data"); }

void TPicture::ReadBinaryProperty(std::string_view, std::span<const uint8_t> bytes) {
  DecodedImage decoded = DecodePictureData(bytes, budget_ ? std::min(*budget_, kMaxPicturePixels) : kMaxPicturePixels);
  if (budget_) *budget_ -= decoded.pixels.size();
  if (decoded.Empty()) image = Surface();
  else image = Surface(decoded.width, decoded.height, std::move(decoded.pixels));
}

PatternGrid MakePatternGrid(int picture_w, int picture_h, int pattern_w, int pattern_h, int skip_w, int skip_h) {
  // Any of the numbers may be near the ends of an int in a damaged file.
  const int64_t cw = int64_t{pattern_w} + skip_w, ch = int64_t{pattern_h} + skip_h;
  if (cw <= 0 || ch <= 0 || pattern_w <= 0 || pattern_h <= 0) return {};
  const int64_t columns = (int64_t{picture_w} + skip_w) / cw, rows = (int64_t{picture_h} + skip_h) / ch;
  if (columns <= 0 || rows <= 0) return {};
  // The last cell's right and bottom edges, and the count, must fit an int.
  const int64_t right = (columns - 1) * cw + pattern_w, bottom = (rows - 1) * ch + pattern_h;
  if (right > INT32_MAX || bottom > INT32_MAX || columns * rows > INT32_MAX) return {};
  return {static_cast<int>(columns), static_cast<int>(rows), cw, ch, pattern_w, pattern_h};
}

TPictureCollectionItem::TPictureCollectionItem(TPictureCollection& owner)
    : THashCollectionItem(owner), Picture(&owner.pixel_budget_), collection_(owner) {}

void TPictureCollectionItem::SetTransparentColor(uint32_t color) {
  transparent_color_ = color;
  if (prepared_) {
    Picture.image.SetColorKey(ColorToSurfacePixel(color));
    runs_.clear();
    runs_cost_ = 0;
  }
}

Rect TPictureCollectionItem::PatternRect(int k) const {
  if (k < 0 || k >= NumPatterns()) return {};
  return grid_.At(k);
}

const Surface* TPictureCollectionItem::PatternSurface(int k) const {
  if (k < 0 || k >= NumPatterns()) return nullptr;
  return &Picture.image;
}

void TPictureCollectionItem::Release() {
  if (!prepared_) return;
  prepared_ = false;
  grid_ = {};
  runs_.clear();
  runs_cost_ = 0;
  turned_.clear();
  turned_before_.clear();
  turned_pixels_ = 0;
}

void TPictureCollectionItem::Prepare() {
  if (Picture.Empty()) return;
  if (!prepared_ && collection_.DisplayReady()) prepared_ = true;
  if (!prepared_) return;
  runs_.clear();
  runs_cost_ = 0;
  turned_.clear();
  turned_before_.clear();
  turned_pixels_ = 0;
  grid_ = Layout();
  Picture.image.SetColorKey(ColorToSurfacePixel(transparent_color_));
}

PatternGrid TPictureCollectionItem::Layout() const {
  if (Picture.Empty()) return {};
  const int pw = Picture.Width(), ph = Picture.Height();
  const int w = Width(), h = Height();
  if (w == pw && h == ph) return {1, 1, pw, ph, pw, ph};
  // Our surfaces have no size limit: the picture stays one surface and the
  // patterns are its cells, which draws the same pixels as a block split.
  return MakePatternGrid(pw, ph, w, h, SkipWidth, SkipHeight);
}

const OpaqueRuns* TPictureCollectionItem::RunsOf(int k) const {
  if (const auto it = runs_.find(k); it != runs_.end()) return &it->second;
  // What a pattern's runs may take, in bytes: at most one run (8 bytes) for
  // every two pixels, and the entry itself. Together they may take as much as
  // the picture's own pixels, and a little more.
  constexpr uint64_t kEntryBytes = 160, kFreeBytes = 256 << 10;
  const Rect r = grid_.At(k);
  const uint64_t cost = 4 * static_cast<uint64_t>(r.Width()) * static_cast<uint64_t>(r.Height()) + kEntryBytes;
  const uint64_t picture = 4 * static_cast<uint64_t>(Picture.Width()) * static_cast<uint64_t>(Picture.Height());
  if (runs_cost_ + cost > picture + kFreeBytes) return nullptr;
  runs_cost_ += cost;
  return &runs_.emplace(k, OpaqueRuns(Picture.image, r, ColorToSurfacePixel(transparent_color_))).first->second;
}

void TPictureCollectionItem::DrawPattern(Surface& dest, int x, int y, int k) const {
  if (!prepared_ || k < 0 || k >= NumPatterns()) return;
  if (!Transparent) return Blit(dest, x, y, Picture.image, grid_.At(k));
  if (const OpaqueRuns* runs = RunsOf(k)) runs->Draw(dest, x, y, Picture.image);
  else BlitKeyed(dest, x, y, Picture.image, grid_.At(k));
}

size_t TPictureCollectionItem::TTurnHash::operator()(const TTurn& t) const {
  size_t h = std::hash<int>()(t.k);
  for (const size_t v : {std::hash<int>()(t.width), std::hash<int>()(t.height), std::hash<int>()(t.angle),
                         std::hash<double>()(t.centre_x), std::hash<double>()(t.centre_y)})
    h = h * 1000003u ^ v;
  return h;
}

Rect TPictureCollectionItem::TurnedBox(int width, int height, double centre_x, double centre_y, int angle) {
  const auto& table = CosTable();
  const unsigned a = static_cast<unsigned>(angle) & 255;
  const double cos_a = table[a], sin_a = table[(a + 192) & 255];
  int left = INT32_MAX, top = INT32_MAX, right = INT32_MIN, bottom = INT32_MIN;
  for (const auto& [u, v] : {std::pair{0, 0}, {width, 0}, {0, height}, {width, height}}) {
    const double dx = std::trunc(u - width * centre_x), dy = std::trunc(v - height * centre_y);
    const int px = static_cast<int>(std::trunc(dx * cos_a - dy * sin_a));
    const int py = static_cast<int>(std::trunc(dx * sin_a + dy * cos_a));
    left = std::min(left, px);
    right = std::max(right, px);
    top = std::min(top, py);
    bottom = std::max(bottom, py);
  }
  return {left, top, right, bottom};
}

void TPictureCollectionItem::SampleTurned(Surface& dest, int x, int y, const Rect& box, int width, int height, int k,
                                          double centre_x, double centre_y, int angle) const {
  const Surface& src = Picture.image;
  const Rect s = grid_.At(k);
  const int64_t sw = s.Width(), sh = s.Height();
  const auto& table = CosTable();
  const unsigned b = (256 - (static_cast<unsigned>(angle) & 255)) & 255;
  const int64_t U = static_cast<int64_t>(65536 * table[b]);
  const int64_t V = static_cast<int64_t>(65536 * table[(b + 192) & 255]);
  const int64_t ax = sw * U / width, ay = sh * V / height;
  const int64_t bx = sw * V / width, by = sh * U / height;
  const int64_t min_x = int64_t{s.left} << 16, min_y = int64_t{s.top} << 16;
  // Negative skips in a damaged file can reach past the picture: never sample there.
  const int64_t max_x = int64_t{std::min(s.right, src.Width())} << 16;
  const int64_t max_y = int64_t{std::min(s.bottom, src.Height())} << 16;
  const int64_t base_x = min_x + static_cast<int64_t>(std::trunc(centre_x * sw * 65536));
  const int64_t base_y = min_y + static_cast<int64_t>(std::trunc(centre_y * sh * 65536));
  const bool keyed = Transparent;
  const uint32_t key = src.ColorKey().value_or(0);
  const int64_t width_px = box.Width();
  for (int py = box.top; py < box.bottom; ++py) {
    const int64_t sx0 = base_x + int64_t{box.left - x} * ax - int64_t{py - y} * bx;
    const int64_t sy0 = base_y + int64_t{box.left - x} * ay + int64_t{py - y} * by;
    // The pixels of this row whose sample lies inside the pattern, worked out
    // once instead of tested one by one.
    const Span span =
        IntersectSpans(StepSpan(sx0, ax, min_x, max_x, width_px), StepSpan(sy0, ay, min_y, max_y, width_px));
    int64_t sx = sx0 + span.first * ax, sy = sy0 + span.first * ay;
    uint32_t* d = dest.Row(py) + box.left;
    for (int64_t i = span.first; i < span.last; ++i, sx += ax, sy += ay) {
      const uint32_t pixel = src.Row(static_cast<int>(sy >> 16))[sx >> 16];
      if (keyed && pixel == key) continue;
      d[i] = pixel;
    }
  }
}

const TPictureCollectionItem::TTurned* TPictureCollectionItem::TurnedOf(const TTurn& turn, const Rect& box) const {
  if (const auto it = turned_.find(turn); it != turned_.end()) return &it->second;
  // Kept: turned patterns of sprite size, up to 2 megapixels a generation for
  // each picture (every angle of the largest gun takes 1.6).
  constexpr int64_t kMostPixels = 256 * 256, kGenerationPixels = 2 << 20;
  const int64_t pixels = int64_t{box.Width()} * box.Height();
  if (pixels > kMostPixels) return nullptr;
  if (turned_pixels_ + static_cast<uint64_t>(pixels) > kGenerationPixels) {
    turned_before_ = std::move(turned_);
    turned_.clear();
    turned_pixels_ = 0;
  }
  turned_pixels_ += static_cast<uint64_t>(pixels);
  if (auto old = turned_before_.extract(turn)) return &turned_.insert(std::move(old)).position->second;
  TTurned t;
  const uint32_t key = Picture.image.ColorKey().value_or(0);
  t.image = Surface(box.Width(), box.Height());
  // What is not drawn stays the key; what is drawn never is, since key samples are left out.
  t.image.Fill(key);
  SampleTurned(t.image, -box.left, -box.top, t.image.Bounds(), turn.width, turn.height, turn.k, turn.centre_x,
               turn.centre_y, turn.angle);
  t.runs = OpaqueRuns(t.image, t.image.Bounds(), key);
  return &turned_.emplace(turn, std::move(t)).first->second;
}

void TPictureCollectionItem::DrawPatternRotated(Surface& dest, int x, int y, int width, int height, int k,
                                                double centre_x, double centre_y, int angle) const {
  if (!prepared_ || k < 0 || k >= NumPatterns() || width == 0 || height == 0) return;
  const auto dest_lock = dest.Lock();
  if (!dest_lock || Picture.image.Width() == 0) return;
  const Rect turned = TurnedBox(width, height, centre_x, centre_y, angle);
  if (turned.Empty()) return;
  if (Transparent) {
    if (const TTurned* t = TurnedOf(
            {k, width, height, static_cast<int>(static_cast<unsigned>(angle) & 255), centre_x, centre_y}, turned)) {
      t->runs.Draw(dest, x + turned.left, y + turned.top, t->image);
      return;
    }
  }
  const Rect box = Intersect({x + turned.left, y + turned.top, x + turned.right, y + turned.bottom}, dest.Bounds());
  if (box.Empty()) return;
  SampleTurned(dest, x, y, box, width, height, k, centre_x, centre_y, angle);
}

bool TPictureCollectionItem::FindProperty(std::string_view name, PropKind& kind) const {
  static constexpr std::pair<const char*, PropKind> kProps[] = {
      {"Name", PropKind::kString},
      {"PatternHeight", PropKind::kInteger},
      {"PatternWidth", PropKind::kInteger},
      {"Picture", PropKind::kObject},
      {"SkipHeight", PropKind::kInteger},
      {"SkipWidth", PropKind::kInteger},
      {"SystemMemory", PropKind::kBoolean},
      {"Transparent", PropKind::kBoolean},
      {"TransparentColor", PropKind::kColor},
  };
  for (const auto& [n, k] : kProps)
    if (EqualsIgnoringAsciiCase(name, n)) {
      kind = k;
      return true;
    }
  return false;
}

void TPictureCollectionItem::SetInteger(std::string_view name, int32_t value) {
  if (EqualsIgnoringAsciiCase(name, "PatternHeight")) PatternHeight = value;
  else if (EqualsIgnoringAsciiCase(name, "PatternWidth")) PatternWidth = value;
  else if (EqualsIgnoringAsciiCase(name, "SkipHeight")) SkipHeight = value;
  else if (EqualsIgnoringAsciiCase(name, "SkipWidth")) SkipWidth = value;
  else SetTransparentColor(static_cast<uint32_t>(value));
}

void TPictureCollectionItem::SetBoolean(std::string_view name, bool value) {
  if (EqualsIgnoringAsciiCase(name, "SystemMemory")) SystemMemory = value;
  else Transparent = value;
}

void TPictureCollectionItem::SetString(std::string_view, const std::string& value) { SetName(value); }

StreamObject* TPictureCollectionItem::GetObject(std::string_view) { return &Picture; }

void TPictureCollectionItem::SetObjectNil(std::string_view) { Picture.image = Surface(); }

TPictureCollectionItem& TPictureCollection::FindByName(std::string_view name) const {
  const int index = IndexOf(name);
  if (index < 0)
    throw EPictureCollectionError(Format("Image '%.*s' not found", static_cast<int>(name.size()), name.data()));
  return Item(index);
}

TPictureCollectionItem& TPictureCollection::Add() {
  return static_cast<TPictureCollectionItem&>(THashCollection::Add(std::make_unique<TPictureCollectionItem>(*this)));
}

bool TPictureCollection::HasBinaryProperty(std::string_view name) const {
  return EqualsIgnoringAsciiCase(name, "ColorTable");
}

void TPictureCollection::ReadBinaryProperty(std::string_view, std::span<const uint8_t> bytes) {
  ColorTable.fill(0);
  std::copy_n(bytes.begin(), std::min(bytes.size(), ColorTable.size()), ColorTable.begin());
  if (bytes.size() < ColorTable.size()) throw EReadError();
}

void TPictureCollection::LoadLibraryFile(const std::string& path) {
  const FileBytes file = ReadWholeFile(path);  // a missing file leaves the collection as it was
  LoadFromBytes(std::span(file.data(), file.size()));
}

void TPictureCollection::LoadFromBytes(std::span<const uint8_t> file) {
  pixel_budget_ = PixelBudgetFor(file.size());
  LoadLibraryBytes(file, "TPictureCollectionComponent", *this);
  if (DisplayReady())
    for (int i = 0; i < Count(); ++i) Item(i).Prepare();
}

void TPictureCollection::Initialize(TCustomDXDraw& display) {
  Finalize();
  display_ = &display;
  if (!display.Initialized()) throw EPictureCollectionError(Format("%s cannot be initialized", "TPictureCollection"));
  for (int i = 0; i < Count(); ++i) Item(i).MarkPrepared();
}

void TPictureCollection::Finalize() {
  for (int i = 0; i < Count(); ++i) Item(i).Release();
  display_ = nullptr;
}

void TPictureCollection::Restore() {
  for (int i = 0; i < Count(); ++i) Item(i).Prepare();
}

void TDXImageList::SetDXDraw(TCustomDXDraw* display) {
  Rebind(dxdraw_, display, this, [this](TCustomDXDraw& d, TDXDrawNotifyType kind) { Notify(d, kind); });
}

void TDXImageList::Notify(TCustomDXDraw& display, TDXDrawNotifyType kind) {
  switch (kind) {
    case TDXDrawNotifyType::dxntDestroying: SetDXDraw(nullptr); break;
    case TDXDrawNotifyType::dxntInitialize: Items.Initialize(display); break;
    case TDXDrawNotifyType::dxntFinalize: Items.Finalize(); break;
    case TDXDrawNotifyType::dxntRestore: Items.Restore(); break;
    default: break;
  }
}

}  // namespace aerovell
