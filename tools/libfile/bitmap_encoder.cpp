#include "bitmap_encoder.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace aerovell::tools {
namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

int BitsOf(DibEncoding e) {
  switch (e) {
    case DibEncoding::kPal1: return 1;
    case DibEncoding::kPal4:
    case DibEncoding::kRle4: return 4;
    case DibEncoding::kPal8:
    case DibEncoding::kRle8: return 8;
    case DibEncoding::kRgb555:
    case DibEncoding::kRgb565: return 16;
    case DibEncoding::kRgb24: return 24;
    default: return 32;
  }
}

struct Palette {
  std::vector<uint32_t> colors;
  std::map<uint32_t, uint8_t> index;
};

Palette BuildPalette(const RgbImage& image, int bits) {
  Palette p;
  for (uint32_t c : image.pixels) {
    if (p.index.count(c)) continue;
    if (p.colors.size() >= (1u << bits)) throw std::invalid_argument("too many colours for the palette");
    p.index[c] = static_cast<uint8_t>(p.colors.size());
    p.colors.push_back(c);
  }
  if (p.colors.empty()) p.colors.push_back(0);
  return p;
}

// One row of palette indices, run-length coded (count, value) with literal runs.
void EncodeRleRow(const std::vector<uint8_t>& row, bool four_bit, std::vector<uint8_t>& out) {
  const size_t n = row.size();
  size_t i = 0;
  while (i < n) {
    size_t run = 1;
    while (i + run < n && row[i + run] == row[i] && run < 255) ++run;
    if (run >= 2) {
      out.push_back(static_cast<uint8_t>(run));
      out.push_back(four_bit ? static_cast<uint8_t>(row[i] << 4 | row[i]) : row[i]);
      i += run;
      continue;
    }
    size_t lit = 1;  // gather values until a repeat starts
    while (i + lit < n && lit < 254 && !(i + lit + 1 < n && row[i + lit] == row[i + lit + 1])) ++lit;
    if (lit < 3) {
      for (size_t k = 0; k < lit; ++k) {
        out.push_back(1);
        out.push_back(four_bit ? static_cast<uint8_t>(row[i + k] << 4) : row[i + k]);
      }
    } else {
      out.push_back(0);
      out.push_back(static_cast<uint8_t>(lit));
      size_t bytes = 0;
      if (four_bit) {
        for (size_t k = 0; k < lit; k += 2) {
          const uint8_t hi = row[i + k], lo = k + 1 < lit ? row[i + k + 1] : 0;
          out.push_back(static_cast<uint8_t>(hi << 4 | lo));
          ++bytes;
        }
      } else {
        for (size_t k = 0; k < lit; ++k) out.push_back(row[i + k]);
        bytes = lit;
      }
      if (bytes & 1) out.push_back(0);
    }
    i += lit;
  }
  out.push_back(0);  // end of row
  out.push_back(0);
}

}  // namespace

std::vector<uint8_t> EncodeDib(const RgbImage& image, DibEncoding encoding, bool top_down, bool core_header) {
  const int bits = BitsOf(encoding);
  const bool rle = encoding == DibEncoding::kRle4 || encoding == DibEncoding::kRle8;
  const bool fields = encoding == DibEncoding::kRgb565 || encoding == DibEncoding::kRgb32Fields;
  if (core_header && (rle || fields)) throw std::invalid_argument("a core header has no compression");
  if (rle && top_down) throw std::invalid_argument("run-length images are stored bottom-up");
  Palette palette;
  if (bits <= 8) palette = BuildPalette(image, bits);

  std::vector<uint8_t> pixels;
  const int w = image.width, h = image.height;
  const size_t row_bytes = ((static_cast<size_t>(w) * bits + 31) / 32) * 4;
  for (int stored = 0; stored < h; ++stored) {
    const int y = top_down ? stored : h - 1 - stored;
    if (rle) {
      std::vector<uint8_t> row(static_cast<size_t>(w));
      for (int x = 0; x < w; ++x) row[x] = palette.index[image.At(x, y)];
      EncodeRleRow(row, bits == 4, pixels);
      continue;
    }
    std::vector<uint8_t> row(row_bytes, 0);
    for (int x = 0; x < w; ++x) {
      const uint32_t c = image.At(x, y);
      const uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
      switch (bits) {
        case 1: row[x / 8] |= static_cast<uint8_t>(palette.index[c] << (7 - x % 8)); break;
        case 4: row[x / 2] |= static_cast<uint8_t>(palette.index[c] << (x % 2 ? 0 : 4)); break;
        case 8: row[x] = palette.index[c]; break;
        case 16: {
          const uint32_t v = encoding == DibEncoding::kRgb565 ? ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)
                                                              : ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
          row[2 * x] = static_cast<uint8_t>(v);
          row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
          break;
        }
        case 24:
          row[3 * x] = static_cast<uint8_t>(b);
          row[3 * x + 1] = static_cast<uint8_t>(g);
          row[3 * x + 2] = static_cast<uint8_t>(r);
          break;
        default:
          row[4 * x] = static_cast<uint8_t>(b);
          row[4 * x + 1] = static_cast<uint8_t>(g);
          row[4 * x + 2] = static_cast<uint8_t>(r);
          row[4 * x + 3] = 0;
          break;
      }
    }
    pixels.insert(pixels.end(), row.begin(), row.end());
  }
  if (rle) {
    pixels.push_back(0);  // end of image
    pixels.push_back(1);
  }

  std::vector<uint8_t> out;
  if (core_header) {
    Put32(out, 12);
    Put16(out, static_cast<uint32_t>(w));
    Put16(out, static_cast<uint32_t>(h));
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(bits));
  } else {
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(w));
    Put32(out, static_cast<uint32_t>(top_down ? -h : h));
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(bits));
    Put32(out, rle ? (bits == 8 ? 1 : 2) : fields ? 3 : 0);
    Put32(out, static_cast<uint32_t>(pixels.size()));
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, bits <= 8 ? static_cast<uint32_t>(palette.colors.size()) : 0);
    Put32(out, 0);
  }
  if (fields) {
    if (bits == 16) {
      Put32(out, 0xF800);
      Put32(out, 0x07E0);
      Put32(out, 0x001F);
    } else {
      Put32(out, 0xFF0000);
      Put32(out, 0xFF00);
      Put32(out, 0xFF);
    }
  }
  // A core header's palette has as many entries as the bit count allows.
  const size_t entries = core_header && bits <= 8 ? (1u << bits) : palette.colors.size();
  for (size_t i = 0; i < entries && bits <= 8; ++i) {
    const uint32_t c = i < palette.colors.size() ? palette.colors[i] : 0;
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(static_cast<uint8_t>(c >> 8));
    out.push_back(static_cast<uint8_t>(c >> 16));
    if (!core_header) out.push_back(0);
  }
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

std::vector<uint8_t> EncodeBitmap(const RgbImage& image, DibEncoding encoding) {
  const std::vector<uint8_t> dib = EncodeDib(image, encoding);
  // Pixel data starts after the header, the masks and the palette.
  const int bits = BitsOf(encoding);
  const bool fields = encoding == DibEncoding::kRgb565 || encoding == DibEncoding::kRgb32Fields;
  const uint32_t colors = bits <= 8 ? static_cast<uint32_t>(dib[32] | dib[33] << 8) : 0;
  const uint32_t offset = 14 + 40 + (fields ? 12 : 0) + colors * 4;
  std::vector<uint8_t> out;
  Put32(out, static_cast<uint32_t>(14 + dib.size()));
  out.push_back('B');
  out.push_back('M');
  Put32(out, static_cast<uint32_t>(14 + dib.size()));
  Put32(out, 0);
  Put32(out, offset);
  out.insert(out.end(), dib.begin(), dib.end());
  return out;
}

std::vector<uint8_t> PictureData(std::string_view class_name, std::span<const uint8_t> data) {
  std::vector<uint8_t> out(1 + class_name.size() + data.size());
  out[0] = static_cast<uint8_t>(class_name.size());
  std::copy(class_name.begin(), class_name.end(), out.begin() + 1);
  std::copy(data.begin(), data.end(), out.begin() + 1 + static_cast<long>(class_name.size()));
  return out;
}

}  // namespace aerovell::tools
