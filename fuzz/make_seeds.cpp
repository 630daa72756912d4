// Writes the seed corpora: small valid files of every kind the readers take.
// Run once by hand (see fuzz/README.md); the output is committed.
#include <filesystem>
#include <fstream>
#include <string>

#include "bitmap_encoder.h"
#include "library_writer.h"
#include "replay/replay.h"

using namespace aerovell::tools;

namespace {

void Save(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

RgbImage Sample(int w, int h) {
  RgbImage image{w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h)};
  const uint32_t colours[] = {0xFF00FF, 0x202020, 0xE0C040, 0x3060A0};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.At(x, y) = colours[(x / 2 + y) % 4];
  return image;
}

}  // namespace

int main(int, char** argv) {
  const std::string dir = argv[1];
  const struct {
    const char* name;
    DibEncoding encoding;
  } encodings[] = {{"pal1", DibEncoding::kPal1},     {"pal4", DibEncoding::kPal4},
                   {"pal8", DibEncoding::kPal8},     {"rle4", DibEncoding::kRle4},
                   {"rle8", DibEncoding::kRle8},     {"rgb555", DibEncoding::kRgb555},
                   {"rgb565", DibEncoding::kRgb565}, {"rgb24", DibEncoding::kRgb24},
                   {"rgb32", DibEncoding::kRgb32},   {"rgb32fields", DibEncoding::kRgb32Fields}};
  std::vector<PictureEntry> entries;
  for (const auto& e : encodings) {
    const RgbImage image = Sample(e.encoding == DibEncoding::kPal1 ? 6 : 9, 5);
    RgbImage two = image;
    if (e.encoding == DibEncoding::kPal1)
      for (uint32_t& p : two.pixels) p = p == 0xFF00FF ? 0xFF00FF : 0x202020;
    const auto dib = PictureData("TDIB", EncodeDib(two, e.encoding));
    const auto bmp = PictureData("TBitmap", EncodeBitmap(two, e.encoding));
    Save(dir + "/bitmap/tdib_" + e.name, dib);
    Save(dir + "/bitmap/tbitmap_" + e.name, bmp);
    PictureEntry entry;
    entry.name = e.name;
    entry.pattern_width = 3;
    entry.transparent_color_ident = "clFuchsia";
    entry.data = dib;
    entries.push_back(entry);
  }
  Save(dir + "/bitmap/tdib_topdown", PictureData("TDIB", EncodeDib(Sample(4, 4), DibEncoding::kRgb24, true)));
  Save(dir + "/bitmap/tdib_core", PictureData("TDIB", EncodeDib(Sample(4, 4), DibEncoding::kPal8, false, true)));
  Save(dir + "/object_stream/one_picture.dxg", WritePictureLibrary({entries[7]}));
  Save(dir + "/object_stream/all_encodings.dxg", WritePictureLibrary(entries));
  entries[0].skip_width = 1;
  entries[0].skip_height = 2;
  entries[0].pattern_height = 2;
  entries[0].system_memory = true;
  entries[0].transparent = false;
  Save(dir + "/object_stream/skips.dxg", WritePictureLibrary({entries[0], entries[4]}));
  Save(dir + "/object_stream/empty.dxg", WritePictureLibrary({}));

  // Sound libraries: 8- and 16-bit, mono and stereo, an extra chunk, a looped item.
  auto riff = [](int channels, int bits, int rate, int frames, bool list_chunk) {
    std::vector<uint8_t> r = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0};
    auto put16 = [&](int v) {
      r.push_back(static_cast<uint8_t>(v));
      r.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto put32 = [&](int v) {
      put16(v & 0xFFFF);
      put16(v >> 16);
    };
    put16(1);
    put16(channels);
    put32(rate);
    put32(rate * channels * bits / 8);
    put16(channels * bits / 8);
    put16(bits);
    if (list_chunk) r.insert(r.end(), {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'x', 'y', 'z'});
    r.insert(r.end(), {'d', 'a', 't', 'a'});
    const int bytes = frames * channels * bits / 8;
    put32(bytes);
    for (int i = 0; i < bytes; ++i) r.push_back(static_cast<uint8_t>(i * 37));
    return r;
  };
  std::vector<WaveEntry> waves = {
      {"menu", false, 1, riff(1, 16, 22050, 40, false)},
      {"machinegun", false, 4, riff(1, 8, 11025, 30, true)},
      {"engine", true, 0, riff(2, 16, 44100, 20, false)},
  };
  Save(dir + "/sound_library/three.dxw", WriteWaveLibrary(waves));
  Save(dir + "/sound_library/one.dxw", WriteWaveLibrary({waves[1]}));

  // HTTP answer heads: the plain answer, a continue before a redirect with
  // cookies, a chunked answer with its trailer, one as a URL.
  std::filesystem::create_directories(dir + "/http_head");
  auto text = [](const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); };
  Save(dir + "/http_head/ok", text("HTTP/1.1 200 OK\r\nContent-Length: 9\r\nConnection: close\r\n\r\n"));
  Save(dir + "/http_head/continue_redirect",
       text("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 302 Found\r\nLocation: /x\r\n"
            "Set-Cookie: a=1; Path=/; Max-Age=60\r\nset-cookie2: b=2\r\nSet-Cookie: a=; Max-Age=0\r\n\r\n"));
  Save(dir + "/http_head/chunked_trailer",
       text("HTTP/1.0 404 Not Found\nTransfer-Encoding: chunked\n continued\n\nX-Trailer: 1\n\n"));
  Save(dir + "/http_head/url", text("http:\\\\[::1]:8642\\cgi/version.pl?hs&inf=a b"));

  // Looped waves shorter than one step of the mix at 48 kHz: a single frame
  // at 384 kHz, and three frames of stereo at 200 kHz.
  Save(dir + "/sound_library/looped_short_fast.dxw",
       WriteWaveLibrary(
           {{"one", true, 0, riff(1, 16, 384000, 1, false)}, {"three", true, 0, riff(2, 8, 200000, 3, false)}}));

  // Run-length moves that leave the picture to the right and past its top.
  std::vector<uint8_t> moves;
  for (int i = 0; i < 40; ++i) moves.insert(moves.end(), {0, 2, 255, 3});
  moves.insert(moves.end(), {4, 1, 0, 3, 1, 1, 1, 0, 0, 1});
  std::vector<uint8_t> rle = {40, 0, 0, 0, 8, 0, 0, 0, 4, 0, 0, 0, 1, 0, 8, 0, 1, 0, 0, 0};
  const auto size = static_cast<uint32_t>(moves.size());
  for (int i = 0; i < 4; ++i) rle.push_back(static_cast<uint8_t>(size >> (8 * i)));
  rle.insert(rle.end(), {0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0});  // resolutions, 2 colours used
  rle.insert(rle.end(), {10, 20, 30, 0, 200, 150, 100, 0});
  rle.insert(rle.end(), moves.begin(), moves.end());
  Save(dir + "/bitmap/tdib_rle8_moves_out", PictureData("TDIB", rle));

  // Replays: an empty game, and a short one with every kind of input, move
  // counts, held keys at the start and a named end.
  namespace rp = aerovell::replay;
  std::filesystem::create_directories(dir + "/replay");
  rp::TReplay empty;
  empty.rules_version = 1;
  Save(dir + "/replay/empty", rp::EncodeReplay(empty));
  rp::TReplay game;
  game.rules_version = 1;
  game.game_version = "1.0.0";
  game.start.random_state = 0xC0FFEE;
  game.start.enemy_spawn_delay = 12;
  game.start.bonus_spawn_delay = 300;
  game.start.shield_time = 4000;
  game.start.key_latch = true;
  game.start.input_states = 1u << 4;
  game.start.input_states_polled = 1u << 4;
  game.start.input.keys[0x0D] = game.start.input.keys[0x11] = true;
  game.start.input.joystick_x = -600;
  game.tick_count = 120;
  using K = rp::TInputKind;
  game.events = {{0, K::kKeyUp, 0x0D, 0, 0, 0},       {3, K::kKeyDown, 0x26, 0, 0, 0},
                 {3, K::kKeyRepeat, 0x26, 0, 0, 0},   {9, K::kMouseMove, 0, 14, -6, 0},
                 {9, K::kMouseDown, 1, 0, 0, 0},      {10, K::kMouseUp, 1, 0, 0, 0},
                 {20, K::kJoystickAxes, 0, 1000, 0, 0}, {20, K::kJoystickButtons, 0, 0, 0, 3},
                 {50, K::kFocus, 0, 0, 0, 0},         {70, K::kFocus, 1, 0, 0, 0},
                 {71, K::kPause, 1, 0, 0, 0},         {90, K::kPause, 0, 0, 0, 0},
                 {100, K::kKeyDown, 0x1B, 0, 0, 0},   {119, K::kClose, 0, 0, 0, 0}};
  game.lags = {{0, 2}, {70, 40}};
  game.summary = {310, 2, 0, 4, 8, 9, "Ann", "\xD0\xF4"};
  Save(dir + "/replay/short_game", rp::EncodeReplay(game));
  // The target also reads its input as a file's unpacked content.
  Save(dir + "/replay/short_game_content", rp::EncodeReplayContent(game));
  Save(dir + "/replay/empty_content", rp::EncodeReplayContent(empty));
  return 0;
}
