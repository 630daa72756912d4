// aerovell-dxg: looks inside the game's library files (pictures and sounds).
//   aerovell-dxg list FILE        one line per item
//   aerovell-dxg export FILE DIR  each picture as a PNG, each sound as a WAV
//   aerovell-dxg check FILE       loads the file as the game does: prepares
//                                 every item and draws every pattern once
//   aerovell-dxg --help           the usage
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/picture_collection.h"
#include "png/png_writer.h"
#include "sound/mixer.h"
#include "sound/wave_collection.h"

namespace {

using namespace aerovell;

constexpr const char* kUsage =
    "usage: aerovell-dxg list FILE\n"
    "       aerovell-dxg export FILE DIR\n"
    "       aerovell-dxg check FILE\n"
    "  list FILE        one line per item of a picture (.dxg) or sound (.dxw) library\n"
    "  export FILE DIR  each picture as a PNG, each sound as a WAV, into DIR\n"
    "  check FILE       load the file as the game does: prepare every item, draw every pattern once\n"
    "  -h, --help       this text\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

std::string SafeFileName(const std::string& name) {
  std::string out;
  for (unsigned char c : name) out += (std::isalnum(c) || c == '-' || c == '_') ? static_cast<char>(c) : '_';
  return out.empty() ? "unnamed" : out;
}

void ListPictures(const TPictureCollection& pictures) {
  for (int i = 0; i < pictures.Count(); ++i) {
    const TPictureCollectionItem& item = pictures.Item(i);
    std::printf("%d\t%s\tpicture %dx%d\tpattern %dx%d\tpatterns %zu\tskip %dx%d\ttransparent %d %08X\n", i,
                item.Name().c_str(), item.Picture.Width(), item.Picture.Height(), item.Width(), item.Height(),
                static_cast<size_t>(item.Layout().Count()), item.SkipWidth, item.SkipHeight, item.Transparent ? 1 : 0,
                item.TransparentColor());
  }
}

int ExportPictures(const TPictureCollection& pictures, const std::filesystem::path& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  int failures = 0;
  for (int i = 0; i < pictures.Count(); ++i) {
    const TPictureCollectionItem& item = pictures.Item(i);
    if (item.Picture.Empty()) continue;
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%03d_", i);
    const auto path = dir / (prefix + SafeFileName(item.Name()) + ".png");
    if (!tools::WritePng(item.Picture.image, path.string())) {
      std::fprintf(stderr, "aerovell-dxg: cannot write %s\n", path.c_str());
      ++failures;
    }
  }
  return failures ? 1 : 0;
}

void ListWaves(const TWaveCollection& waves) {
  for (int i = 0; i < waves.Count(); ++i) {
    const TWaveCollectionItem& item = waves.Item(i);
    WaveFormat f;
    ParsePcmFormat(item.Wave.data.format, f);
    std::printf("%d\t%s\tlooped %d\tmax playing %d\tchannels %d\trate %d\tbits %d\tbytes %zu\n", i, item.Name().c_str(),
                item.Looped() ? 1 : 0, item.MaxPlayingCount(), f.channels, f.sample_rate, f.bits,
                item.Wave.data.samples.size());
  }
}

void Put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
}

int ExportWaves(const TWaveCollection& waves, const std::filesystem::path& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  int failures = 0;
  for (int i = 0; i < waves.Count(); ++i) {
    const TWaveData& data = waves.Item(i).Wave.data;
    std::string riff = "RIFF";
    Put32(riff, static_cast<uint32_t>(4 + 8 + data.format.size() + 8 + data.samples.size()));
    riff += "WAVEfmt ";
    Put32(riff, static_cast<uint32_t>(data.format.size()));
    riff.append(data.format.begin(), data.format.end());
    riff += "data";
    Put32(riff, static_cast<uint32_t>(data.samples.size()));
    riff.append(data.samples.begin(), data.samples.end());
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%03d_", i);
    const auto path = dir / (prefix + SafeFileName(waves.Item(i).Name()) + ".wav");
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(riff.data(), 1, riff.size(), file) != riff.size()) {
      std::fprintf(stderr, "aerovell-dxg: cannot write %s\n", path.c_str());
      ++failures;
    }
    if (file) std::fclose(file);
  }
  return failures ? 1 : 0;
}

// What the game does with a library it loads: every picture prepared and each
// pattern drawn, every sound made a voice and mixed; for measuring what a file
// costs (time, memory) beyond its reading.
int CheckPictures(TPictureCollection& pictures) {
  Surface back(800, 600);
  long long drawn = 0;
  for (int i = 0; i < pictures.Count(); ++i) {
    TPictureCollectionItem& item = pictures.Item(i);
    item.MarkPrepared();
    item.Prepare();
    for (int k = 0; k < item.NumPatterns(); ++k, ++drawn) item.DrawPattern(back, 0, 0, k);
  }
  std::printf("%d pictures, %lld patterns drawn\n", pictures.Count(), drawn);
  return 0;
}

int CheckWaves(const TWaveCollection& waves) {
  Mixer mixer;
  mixer.SetOutputRate(48000);
  int voices = 0;
  for (int i = 0; i < waves.Count(); ++i) {
    const TWaveData& data = waves.Item(i).Wave.data;
    WaveFormat f;
    if (!ParsePcmFormat(data.format, f)) continue;
    const Mixer::VoiceId voice = mixer.CreateVoice(f, data.samples);
    if (voice == Mixer::kNoVoice) continue;
    mixer.Play(voice, waves.Item(i).Looped());
    ++voices;
  }
  std::vector<int16_t> out(2 * 4800);
  mixer.RenderAudio(out.data(), 4800);
  std::printf("%d sounds, %d voices mixed\n", waves.Count(), voices);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc < 3) return Usage();
  const std::string command = argv[1];
  if (((command == "list" || command == "check") && argc != 3) || (command == "export" && argc != 4) ||
      (command != "list" && command != "export" && command != "check"))
    return Usage();
  try {
    const FileBytes file = ReadWholeFile(argv[2]);
    const std::span<const uint8_t> bytes(file.data(), file.size());
    if (EqualsIgnoringAsciiCase(LibraryRootClass(bytes), "TWaveCollectionComponent")) {
      TWaveCollection waves;
      waves.LoadFromBytes(bytes);
      if (command == "list") {
        ListWaves(waves);
        return 0;
      }
      if (command == "check") return CheckWaves(waves);
      return ExportWaves(waves, argv[3]);
    }
    TPictureCollection pictures;
    pictures.LoadFromBytes(bytes);
    if (command == "list") {
      ListPictures(pictures);
      return 0;
    }
    if (command == "check") return CheckPictures(pictures);
    return ExportPictures(pictures, argv[3]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
