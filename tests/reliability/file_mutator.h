// Deterministic damage for real files: bit flips, byte runs, truncations and header fields set to extremes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tavlen::reliability {

// SplitMix64: the same sequence on every platform and standard library, unlike std's distributions.
class SeededRandom {
 public:
  explicit SeededRandom(uint64_t seed) : m_state(seed) {}
  uint64_t Next();
  // Uniform in [0, bound); 0 when bound is 0.
  uint64_t Below(uint64_t bound) { return bound ? Next() % bound : 0; }

 private:
  uint64_t m_state;
};

enum class Damage { BitFlips, ByteRun, Truncation, ExtremeHeaderField };

struct MutatedFile {
  Damage damage;
  std::vector<uint8_t> bytes;
};

// One damaged copy of `original`, chosen and placed by `random`. Header fields are the 2- and 4-byte
// words in the first 64 bytes, where every format keeps its sizes and counts.
MutatedFile Mutate(std::span<const uint8_t> original, SeededRandom& random);

std::string DamageName(Damage damage);

}  // namespace tavlen::reliability
