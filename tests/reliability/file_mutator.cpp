// Deterministic damage for real files: bit flips, byte runs, truncations and header fields set to extremes.
#include "tests/reliability/file_mutator.h"

#include <algorithm>
#include <array>

namespace tavlen::reliability {

uint64_t SeededRandom::Next() {
  uint64_t z = (m_state += 0x9e3779b97f4a7c15ull);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  return z ^ (z >> 31);
}

namespace {

void FlipBits(std::vector<uint8_t>& bytes, SeededRandom& random) {
  const uint64_t flips = 1 + random.Below(8);
  for (uint64_t i = 0; i < flips; ++i) bytes[random.Below(bytes.size())] ^= static_cast<uint8_t>(1u << random.Below(8));
}

void OverwriteRun(std::vector<uint8_t>& bytes, SeededRandom& random) {
  static constexpr std::array<uint8_t, 3> kFills = {0x00, 0xFF, 0x80};
  const size_t start = random.Below(bytes.size());
  const size_t length = std::min<size_t>(1 + random.Below(256), bytes.size() - start);
  const bool randomBytes = random.Below(2) == 0;
  const uint8_t fill = kFills[random.Below(kFills.size())];
  for (size_t i = start; i < start + length; ++i) bytes[i] = randomBytes ? static_cast<uint8_t>(random.Next()) : fill;
}

// Sizes, counts and offsets at their extremes, written in either byte order.
void SetExtremeField(std::vector<uint8_t>& bytes, SeededRandom& random) {
  static constexpr std::array<uint32_t, 6> kExtremes = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFF};
  const size_t width = random.Below(2) == 0 ? 2 : 4;
  const size_t span = std::min<size_t>(bytes.size(), 64);
  if (span < width) return FlipBits(bytes, random);
  const size_t at = random.Below(span - width + 1);
  const uint32_t value = kExtremes[random.Below(kExtremes.size())];
  const bool bigEndian = random.Below(2) == 0;
  for (size_t i = 0; i < width; ++i) {
    const size_t shift = 8 * (bigEndian ? width - 1 - i : i);
    bytes[at + i] = static_cast<uint8_t>(value >> shift);
  }
}

}  // namespace

MutatedFile Mutate(std::span<const uint8_t> original, SeededRandom& random) {
  MutatedFile out{static_cast<Damage>(random.Below(4)), {original.begin(), original.end()}};
  if (out.bytes.empty()) return out;
  switch (out.damage) {
    case Damage::BitFlips:
      FlipBits(out.bytes, random);
      break;
    case Damage::ByteRun:
      OverwriteRun(out.bytes, random);
      break;
    case Damage::Truncation:
      out.bytes.resize(random.Below(out.bytes.size()));
      break;
    case Damage::ExtremeHeaderField:
      SetExtremeField(out.bytes, random);
      break;
  }
  return out;
}

std::string DamageName(Damage damage) {
  switch (damage) {
    case Damage::BitFlips:
      return "bit flips";
    case Damage::ByteRun:
      return "byte run";
    case Damage::Truncation:
      return "truncation";
    case Damage::ExtremeHeaderField:
      return "extreme header field";
  }
  return "?";
}

}  // namespace tavlen::reliability
