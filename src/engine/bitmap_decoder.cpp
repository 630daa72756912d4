#include "engine/bitmap_decoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <optional>

#include "engine/byte_reader.h"
#include "platform/pixel_kernels.h"

namespace aerovell {
namespace {

constexpr int kMaxSide = 32767;
// Run-length data can describe many pixels with few bytes; a real image stays
// well under this many pixels per byte, a hostile one is refused before it can
// make us allocate.
constexpr uint64_t kMaxPixelsPerRleByte = 256;
constexpr uint64_t kRleFloorPixels = 65536;

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

// The messages differ between the two graphic classes.
struct Messages {
  const char* invalid_header;
  bool bitmap;  // TBitmap: every structural fault is "Bitmap image is not valid"
};

[[noreturn]] void Fail(const Messages& m, const std::string& dib_message) {
  throw EGameError(m.bitmap ? "Bitmap image is not valid" : dib_message);
}

struct Header {
  uint32_t size = 0;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t planes = 1;
  uint16_t bit_count = 0;
  uint32_t compression = kRgb;
  uint32_t image_size = 0;
  uint32_t colors_used = 0;
  std::array<uint32_t, 3> masks{};
  bool has_masks = false;
};

uint32_t Expand(uint32_t value, int bits) {
  if (bits >= 8) return value >> (bits - 8);
  uint32_t v = value << (8 - bits);
  return v | (v >> bits);
}

// Channel layout of 16- and 32-bit pixels: contiguous runs, red highest.
struct Channels {
  int red_bits = 8, green_bits = 8, blue_bits = 8;
  uint32_t ToPixel(uint32_t p) const {
    const uint32_t b = p & ((1u << blue_bits) - 1);
    const uint32_t g = (p >> blue_bits) & ((1u << green_bits) - 1);
    const uint32_t r = (p >> (blue_bits + green_bits)) & ((1u << red_bits) - 1);
    return (Expand(r, red_bits) << 16) | (Expand(g, green_bits) << 8) | Expand(b, blue_bits);
  }
};

Channels ChannelsFor(const Header& h, const Messages& m) {
  Channels c;
  if (h.bit_count == 16) c = {5, 5, 5};
  if (!h.has_masks) return c;
  const int r = std::popcount(h.masks[0]), g = std::popcount(h.masks[1]), b = std::popcount(h.masks[2]);
  const bool ok =
      h.bit_count == 16 ? (r == 5 && b == 5 && (g == 5 || g == 6)) : (h.bit_count == 32 && r == 8 && g == 8 && b == 8);
  if (!ok) Fail(m, "PixelFormat in invalid");
  return {r, g, b};
}

uint32_t RowBytes(int width, int bits) {
  return static_cast<uint32_t>(((static_cast<uint64_t>(width) * bits + 31) / 32) * 4);
}

void DecodePlainRows(ByteReader& in, const Header& h, const std::array<uint32_t, 256>& palette,
                     const Channels& channels, DecodedImage& image) {
  const int height = image.height, width = image.width;
  const uint32_t row_bytes = RowBytes(width, h.bit_count);
  if (static_cast<uint64_t>(row_bytes) * height > in.Remaining()) throw EReadError();
  const bool bottom_up = h.height > 0;
  if (h.bit_count == 24) {  // the common depth, widened a picture at a time
    uint32_t* first = image.pixels.data() + (bottom_up ? static_cast<size_t>(height - 1) * width : 0);
    Bgr24ToPixels(in.Bytes(static_cast<size_t>(row_bytes) * height).data(), row_bytes, first,
                  bottom_up ? -static_cast<ptrdiff_t>(width) : width, width, height);
    return;
  }
  for (int stored = 0; stored < height; ++stored) {
    const uint8_t* row = in.Bytes(row_bytes).data();
    uint32_t* out = image.pixels.data() + static_cast<size_t>(bottom_up ? height - 1 - stored : stored) * width;
    // One loop per depth: the depth is fixed for the whole picture.
    switch (h.bit_count) {
      case 1:
        for (int x = 0; x < width; ++x) out[x] = palette[(row[x >> 3] >> (7 - (x & 7))) & 1];
        break;
      case 4:
        for (int x = 0; x < width; ++x) out[x] = palette[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
        break;
      case 8:
        for (int x = 0; x < width; ++x) out[x] = palette[row[x]];
        break;
      case 16:
        for (int x = 0; x < width; ++x)
          out[x] = channels.ToPixel(static_cast<uint32_t>(row[2 * x] | (row[2 * x + 1] << 8)));
        break;
      default:
        if (channels.red_bits == 8 && channels.green_bits == 8 && channels.blue_bits == 8) {
          for (int x = 0; x < width; ++x, row += 4)
            out[x] = (uint32_t{row[2]} << 16) | (uint32_t{row[1]} << 8) | row[0];
        } else {
          for (int x = 0; x < width; ++x, row += 4)
            out[x] = channels.ToPixel(static_cast<uint32_t>(row[0] | (row[1] << 8) | (row[2] << 16)) |
                                      (static_cast<uint32_t>(row[3]) << 24));
        }
    }
  }
}

void DecodeRunLength(ByteReader& data, bool four_bit, bool bottom_up, const std::array<uint32_t, 256>& palette,
                     DecodedImage& image) {
  const int width = image.width, height = image.height;
  int x = 0, row = 0;  // row in storage order: 0 is the bottom of a bottom-up image
  // The position never leaves the picture: x stays within 0..width and row
  // within 0..height, whatever the escapes add up to.
  auto put = [&](uint8_t index) {
    if (x >= width || row >= height) return;
    const int y = bottom_up ? height - 1 - row : row;
    image.pixels[static_cast<size_t>(y) * width + x] = palette[index];
    ++x;
  };
  while (!data.AtEnd() && row < height) {
    const uint8_t count = data.U8();
    const uint8_t value = data.U8();
    if (count > 0) {
      for (int i = 0; i < count && x < width; ++i) put(four_bit ? ((i & 1) ? value & 0xF : value >> 4) : value);
      continue;
    }
    switch (value) {
      case 0:
        x = 0;
        ++row;
        break;         // end of row
      case 1: return;  // end of image
      case 2: {        // move right and on in storage order
        const uint8_t dx = data.U8(), dy = data.U8();
        x = std::min(x + dx, width);
        row = std::min(row + dy, height);
        break;
      }
      default: {  // literal run, padded to an even number of bytes
        const int n = value;
        const int bytes = four_bit ? (n + 1) / 2 : n;
        const auto literal = data.Bytes(static_cast<size_t>(bytes));
        for (int i = 0; i < n; ++i) put(four_bit ? ((i & 1) ? literal[i / 2] & 0xF : literal[i / 2] >> 4) : literal[i]);
        if (bytes & 1) data.Skip(1);
      }
    }
  }
}

// Reads masks, palette and pixels once the header is known. `pixel_offset`, when
// set, is where the pixel data starts relative to the start of `in`.
DecodedImage DecodeBody(ByteReader& in, Header& h, bool triple_palette, const Messages& m,
                        std::optional<size_t> pixel_offset, uint64_t max_pixels) {
  switch (h.bit_count) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32: break;
    default:
      if (m.bitmap) Fail(m, "");
      throw EGameError(Format("Bitcount in invalid (%d)", h.bit_count));
  }
  if (h.compression > kBitFields || (h.compression == kRle8 && h.bit_count != 8) ||
      (h.compression == kRle4 && h.bit_count != 4))
    Fail(m, m.invalid_header);
  if (h.compression == kBitFields && !h.has_masks) {
    for (uint32_t& mask : h.masks) mask = in.U32();
    h.has_masks = true;
  }
  const Channels channels = (h.bit_count == 16 || h.bit_count == 32) ? ChannelsFor(h, m) : Channels{};

  std::array<uint32_t, 256> palette{};
  uint32_t entries = h.colors_used;
  if (entries == 0 && h.bit_count <= 8) entries = 1u << h.bit_count;
  entries = std::min<uint32_t>(entries, 256);
  const size_t entry_size = triple_palette ? 3 : 4;
  const auto table = in.Bytes(entries * entry_size);
  for (uint32_t i = 0; i < entries; ++i) {
    const uint8_t* e = table.data() + i * entry_size;
    palette[i] = (uint32_t{e[2]} << 16) | (uint32_t{e[1]} << 8) | e[0];
  }
  if (pixel_offset && *pixel_offset >= in.Position()) in.Seek(*pixel_offset);

  DecodedImage image;
  if (h.width < 0 || h.width > kMaxSide || h.height == INT32_MIN || std::abs(h.height) > kMaxSide)
    Fail(m, m.invalid_header);
  image.width = h.width;
  image.height = std::abs(h.height);
  if (image.Empty()) return DecodedImage{};
  const uint64_t pixels = static_cast<uint64_t>(image.width) * image.height;
  if (pixels > max_pixels) Fail(m, m.invalid_header);

  if (h.compression == kRle8 || h.compression == kRle4) {
    ByteReader data(in.Bytes(h.image_size));
    if (pixels > std::max(kRleFloorPixels, kMaxPixelsPerRleByte * h.image_size)) Fail(m, m.invalid_header);
    image.pixels.assign(pixels, palette[0]);
    DecodeRunLength(data, h.compression == kRle4, h.height > 0, palette, image);
  } else {
    if (static_cast<uint64_t>(RowBytes(image.width, h.bit_count)) * image.height > in.Remaining()) throw EReadError();
    image.pixels.resize(pixels);
    DecodePlainRows(in, h, palette, channels, image);
  }
  return image;
}

// The fields of a 12-byte core header or of the first 40 bytes of an info header.
void ReadHeaderFields(ByteReader& in, Header& h) {
  if (h.size == 12) {
    h.width = in.U16();
    h.height = in.U16();
    h.planes = in.U16();
    h.bit_count = in.U16();
    return;
  }
  h.width = in.I32();
  h.height = in.I32();
  h.planes = in.U16();
  h.bit_count = in.U16();
  h.compression = in.U32();
  h.image_size = in.U32();
  in.Skip(8);  // resolutions
  h.colors_used = in.U32();
  in.Skip(4);  // colours important
}

}  // namespace

DecodedImage DecodeDibData(std::span<const uint8_t> bytes, uint64_t max_pixels) {
  static constexpr Messages kDib{"DIB is invalid", false};
  ByteReader in(bytes);
  if (in.AtEnd()) return {};
  if (in.Remaining() < 4) Fail(kDib, kDib.invalid_header);
  Header h;
  h.size = in.U32();
  if (h.size != 12 && h.size != 40) Fail(kDib, kDib.invalid_header);
  ReadHeaderFields(in, h);
  return DecodeBody(in, h, h.size == 12, kDib, std::nullopt, max_pixels);
}

DecodedImage DecodeBitmapData(std::span<const uint8_t> bytes, uint64_t max_pixels) {
  static constexpr Messages kBitmap{"Bitmap image is not valid", true};
  ByteReader outer(bytes);
  const uint32_t size = outer.U32();
  if (size == 0) return {};
  ByteReader in(outer.Bytes(size));
  const auto file_header = in.Bytes(14);
  if (file_header[0] != 'B' || file_header[1] != 'M') Fail(kBitmap, "");
  const size_t pixel_offset = static_cast<size_t>(file_header[10]) | (static_cast<size_t>(file_header[11]) << 8) |
                              (static_cast<size_t>(file_header[12]) << 16) |
                              (static_cast<size_t>(file_header[13]) << 24);
  Header h;
  h.size = in.U32();
  if (h.size != 12 && (h.size < 40 || h.size > 124)) Fail(kBitmap, "");
  ReadHeaderFields(in, h);
  if (h.size >= 40) {
    if (h.size >= 52) {  // the later headers carry their masks inside
      for (uint32_t& mask : h.masks) mask = in.U32();
      h.has_masks = h.compression == kBitFields;
    }
    in.Skip(h.size - (h.size >= 52 ? 52 : 40));
  }
  if (h.planes != 1) Fail(kBitmap, "");
  return DecodeBody(in, h, h.size == 12, kBitmap, pixel_offset, max_pixels);
}

DecodedImage DecodePictureData(std::span<const uint8_t> payload, uint64_t max_pixels) {
  ByteReader in(payload);
  const std::string class_name = in.ShortString();
  const auto rest = payload.subspan(in.Position());
  if (class_name == "TDIB") return DecodeDibData(rest, max_pixels);
  if (class_name == "TBitmap") return DecodeBitmapData(rest, max_pixels);
  return {};
}

}  // namespace aerovell
