#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  aerovell::fuzz::TestPad(data, size);
  return 0;
}
