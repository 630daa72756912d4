#pragma once

#include <cstdint>

namespace aerovell {

// The game's one random generator: a 32-bit linear congruential sequence that
// tests can seed. Random(n) is uniform in 0 .. n-1.
class TRandom {
 public:
  explicit TRandom(uint32_t seed = 0) : seed_(seed) {}
  void Seed(uint32_t seed) { seed_ = seed; }
  uint32_t SeedValue() const { return seed_; }
  int Random(int n) {
    seed_ = seed_ * 134775813u + 1u;
    return n <= 0 ? 0 : static_cast<int>((static_cast<uint64_t>(seed_) * static_cast<uint32_t>(n)) >> 32);
  }

 private:
  uint32_t seed_;
};

}  // namespace aerovell
