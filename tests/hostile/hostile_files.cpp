#include "hostile/hostile_files.h"

#include <climits>

#include "library_writer.h"

namespace aerovell::testing {
namespace {

using tools::ValueWriter;

// A 40-byte TDIB header of an 8-bit run-length picture with one palette entry.
std::vector<uint8_t> Rle8Header(int32_t width, int32_t height, uint32_t data_size) {
  ValueWriter v;
  v.U32(40);
  v.U32(static_cast<uint32_t>(width));
  v.U32(static_cast<uint32_t>(height));
  v.U16(1);
  v.U16(8);
  v.U32(1);  // compression: 8-bit run-length
  v.U32(data_size);
  v.U32(0);
  v.U32(0);
  v.U32(1);  // colours used
  v.U32(0);
  v.Raw(std::vector<uint8_t>{0x20, 0x40, 0x60, 0});
  return v.Take();
}

// "TDIB" and a run-length picture of width x height whose data is `data`.
std::vector<uint8_t> RlePicture(int32_t width, int32_t height, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> payload = {4, 'T', 'D', 'I', 'B'};
  const auto header = Rle8Header(width, height, static_cast<uint32_t>(data.size()));
  payload.insert(payload.end(), header.begin(), header.end());
  payload.insert(payload.end(), data.begin(), data.end());
  return payload;
}

std::vector<uint8_t> OnePictureLibrary(const std::vector<uint8_t>& payload, int pattern_width, int pattern_height) {
  ValueWriter body;
  body.Name("List");
  body.BeginCollection();
  body.BeginItem();
  body.Name("Name");
  body.String("hostile");
  if (pattern_width) {
    body.Name("PatternWidth");
    body.Int(pattern_width);
  }
  if (pattern_height) {
    body.Name("PatternHeight");
    body.Int(pattern_height);
  }
  body.Name("Picture.Data");
  body.Binary(payload);
  body.End();
  body.End();
  return tools::WrapLibraryFile("TPictureCollectionComponent", body.Bytes());
}

// A picture as large as `bytes` of run-length data may claim at 256 pixels a
// byte, every pixel its own 1 x 1 pattern.
std::vector<uint8_t> TinyPatterns(size_t bytes) {
  std::vector<uint8_t> data(bytes, 0);  // end-of-row escapes: quick to decode
  const uint64_t pixels = uint64_t{256} * bytes;
  const int32_t width = 8192;
  const auto height = static_cast<int32_t>(std::min<uint64_t>(pixels / width, 32767));
  return OnePictureLibrary(RlePicture(width, height, data), 1, 1);
}

}  // namespace

std::vector<uint8_t> EmptyItems(const char* root_class, size_t count) {
  ValueWriter body;
  body.Name("List");
  body.BeginCollection();
  for (size_t i = 0; i < count; ++i) {
    body.BeginItem();
    body.End();
  }
  body.End();
  return tools::WrapLibraryFile(root_class, body.Bytes());
}

std::vector<uint8_t> RunLengthMoveOverflowPayload() {
  // Each (0, 2, 255, 0) moves 255 to the right; enough of them pass INT_MAX.
  const size_t moves = static_cast<size_t>(INT_MAX) / 255 + 1;
  std::vector<uint8_t> data;
  data.reserve(moves * 4 + 8);
  for (size_t i = 0; i < moves; ++i) data.insert(data.end(), {0, 2, 255, 0});
  // Then pixels at the column the moves reached, and the end of the image.
  data.insert(data.end(), {8, 0, 0, 3, 0, 0, 0, 0, 0, 1});
  return RlePicture(64, 2, data);
}

std::vector<HostileFile> HostileLibraries() {
  std::vector<HostileFile> files;
  files.push_back({"tiny_patterns_6k.dxg", "6 KB: a run-length picture cut into 1 x 1 patterns", TinyPatterns(6000)});
  files.push_back({"tiny_patterns_1m.dxg", "1 MB: the same, larger", TinyPatterns(1 << 20)});
  files.push_back({"rle_claims_4m.dxg", "4 MB of run-length data claiming 32767 x 32767 pixels",
                   OnePictureLibrary(RlePicture(32767, 32767, std::vector<uint8_t>(4u << 20, 0)), 0, 0)});
  files.push_back({"empty_items_4m.dxg", "2 million empty picture items in 4 MB",
                   EmptyItems("TPictureCollectionComponent", 2'000'000)});
  files.push_back(
      {"empty_waves_4m.dxw", "2 million empty sound items in 4 MB", EmptyItems("TWaveCollectionComponent", 2'000'000)});
  files.push_back({"rle_move_overflow.dxg", "34 MB of run-length moves past the largest column",
                   OnePictureLibrary(RunLengthMoveOverflowPayload(), 0, 0)});
  return files;
}

}  // namespace aerovell::testing
