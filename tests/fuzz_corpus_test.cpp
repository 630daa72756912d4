#include <gtest/gtest.h>

#include <filesystem>

#include "fuzz_targets.h"
#include "test_support.h"

namespace aerovell {
namespace {

// Every seed (and every input the fuzzers found worth keeping) runs as a test.
TEST(FuzzCorpus, EveryFileReplaysCleanly) {
  const struct {
    const char* dir;
    void (*run)(const uint8_t*, size_t);
  } targets[] = {{"object_stream", fuzz::ObjectStream}, {"bitmap", fuzz::Bitmap},
                 {"sound_library", fuzz::SoundLibrary}, {"http_head", fuzz::HttpHead},
                 {"input_script", fuzz::InputScript},   {"test_pad", fuzz::TestPad}};
  for (const auto& t : targets) {
    const auto dir = std::filesystem::path(AEROVELL_FUZZ_CORPUS_DIR) / t.dir;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      SCOPED_TRACE(entry.path().string());
      const auto bytes = testing::ReadBytes(entry.path());
      t.run(bytes.data(), bytes.size());
      ++files;
    }
    EXPECT_GT(files, 0) << t.dir;
  }
}

}  // namespace
}  // namespace aerovell
