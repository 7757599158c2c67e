// Colour reduction to at most 256 palette entries: an exact palette when possible, else median cut with dithering.
#include "platform/graphics/quantize.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/graphics/convert.h"

namespace tavlen::gfx {
namespace {

constexpr uint32_t kTransparent = 0x00000000u;  // every pixel with alpha below 128
constexpr uint32_t kAlphaThreshold = 128;

inline uint32_t KeyOf(const uint8_t* bgra) {
  if (bgra[3] < kAlphaThreshold) return kTransparent;
  return uint32_t{bgra[3]} << 24 | uint32_t{bgra[2]} << 16 | uint32_t{bgra[1]} << 8 | bgra[0];
}

// Rows of the source as 32bppARGB, one at a time.
class ArgbRows {
 public:
  explicit ArgbRows(const PixelBuffer& src) : m_src(src), m_row(size_t{src.Width()} * 4) {}
  const uint8_t* Row(uint32_t y) {
    RowToArgb32(m_src.Row(y), m_src.Format(), m_src.GetPalette(), 0, m_src.Width(), m_row.data());
    return m_row.data();
  }

 private:
  const PixelBuffer& m_src;
  std::vector<uint8_t> m_row;
};

// Open addressing over 512 slots: enough for 256 colours at half load.
class ColourTable {
 public:
  static constexpr uint32_t kSlots = 512;
  // The colour's index, adding it when new; -1 when a 257th colour arrives.
  int Find(uint32_t key) {
    uint32_t slot = (key * 2654435761u) >> 23;
    while (m_used[slot]) {
      if (m_keys[slot] == key) return m_index[slot];
      slot = (slot + 1) & (kSlots - 1);
    }
    if (m_colours.size() == 256) return -1;
    m_used[slot] = true;
    m_keys[slot] = key;
    m_index[slot] = static_cast<uint8_t>(m_colours.size());
    m_colours.push_back(key);
    return m_index[slot];
  }
  const std::vector<uint32_t>& Colours() const { return m_colours; }

 private:
  std::array<uint32_t, kSlots> m_keys{};
  std::array<uint8_t, kSlots> m_index{};
  std::array<bool, kSlots> m_used{};
  std::vector<uint32_t> m_colours;
};

// Maps every pixel through an exact palette; false when the image has more than 256 colours.
// The colours of the source in the order they first appear, when there are at most 256.
bool CollectExactly(const PixelBuffer& src, ColourTable& table) {
  ArgbRows rows(src);
  uint32_t lastKey = 0;
  int lastIndex = -1;
  for (uint32_t y = 0; y < src.Height(); ++y) {
    const uint8_t* row = rows.Row(y);
    for (uint32_t x = 0; x < src.Width(); ++x) {
      const uint32_t key = KeyOf(row + 4 * x);
      if (key != lastKey || lastIndex < 0) {
        lastKey = key;
        lastIndex = table.Find(key);
        if (lastIndex < 0) return false;
      }
    }
  }
  return true;
}

// Median cut over a histogram of 5 bits per channel.
constexpr int kHistBits = 5;
constexpr uint32_t kHistSize = 1u << (3 * kHistBits);

struct Bin {
  std::array<uint8_t, 3> pos;  // r, g, b at kHistBits
  uint64_t count;
  std::array<uint64_t, 3> sum;  // of the full 8-bit values
};

struct Box {
  size_t begin;
  size_t end;
  uint64_t count;
  double error;  // sum of squared distances from the mean, in histogram units
  int axis;      // the channel of largest spread
};

Box MakeBox(const std::vector<Bin>& bins, size_t begin, size_t end) {
  Box box{begin, end, 0, 0.0, 0};
  std::array<double, 3> mean{}, sq{};
  for (size_t i = begin; i < end; ++i) {
    box.count += bins[i].count;
    for (int c = 0; c < 3; ++c) {
      const double v = bins[i].pos[c];
      mean[c] += v * static_cast<double>(bins[i].count);
      sq[c] += v * v * static_cast<double>(bins[i].count);
    }
  }
  double best = -1;
  for (int c = 0; c < 3; ++c) {
    const double n = static_cast<double>(box.count);
    const double var = sq[c] - mean[c] * mean[c] / n;
    box.error += var;
    if (var > best) best = var, box.axis = c;
  }
  if (end - begin < 2) box.error = 0;
  return box;
}

std::vector<uint32_t> MedianCut(std::vector<Bin>& bins, size_t maxColours) {
  std::vector<Box> boxes{MakeBox(bins, 0, bins.size())};
  while (boxes.size() < maxColours) {
    auto it =
        std::max_element(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) { return a.error < b.error; });
    if (it->error <= 0) break;
    const Box box = *it;
    const int axis = box.axis;
    std::sort(bins.begin() + static_cast<std::ptrdiff_t>(box.begin),
              bins.begin() + static_cast<std::ptrdiff_t>(box.end),
              [axis](const Bin& a, const Bin& b) { return a.pos[axis] < b.pos[axis]; });
    uint64_t seen = 0;
    size_t split = box.begin + 1;
    for (size_t i = box.begin; i < box.end - 1; ++i) {
      seen += bins[i].count;
      split = i + 1;
      if (seen * 2 >= box.count) break;
    }
    *it = MakeBox(bins, box.begin, split);
    boxes.push_back(MakeBox(bins, split, box.end));
  }
  std::vector<uint32_t> colours;
  for (const Box& box : boxes) {
    std::array<uint64_t, 3> sum{};
    for (size_t i = box.begin; i < box.end; ++i)
      for (int c = 0; c < 3; ++c) sum[c] += bins[i].sum[c];
    uint32_t argb = 0xFF000000u;
    for (int c = 0; c < 3; ++c) argb |= static_cast<uint32_t>((sum[c] + box.count / 2) / box.count) << (16 - 8 * c);
    colours.push_back(argb);
  }
  return colours;
}

// Nearest opaque palette entry for colours quantised to 6 bits per channel, found on first use.
class NearestCache {
 public:
  explicit NearestCache(const std::vector<uint32_t>& colours) : m_colours(colours), m_cache(1u << 18, -1) {}
  uint8_t Find(int r, int g, int b) {
    const uint32_t key = uint32_t(r >> 2) << 12 | uint32_t(g >> 2) << 6 | uint32_t(b >> 2);
    int16_t& hit = m_cache[key];
    if (hit < 0) {
      const int cr = (r & ~3) | 2, cg = (g & ~3) | 2, cb = (b & ~3) | 2;
      int best = 0;
      int bestDist = 1 << 30;
      for (size_t i = 0; i < m_colours.size(); ++i) {
        const int dr = int(m_colours[i] >> 16 & 255) - cr, dg = int(m_colours[i] >> 8 & 255) - cg,
                  db = int(m_colours[i] & 255) - cb;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDist) bestDist = d, best = static_cast<int>(i);
      }
      hit = static_cast<int16_t>(best);
    }
    return static_cast<uint8_t>(hit);
  }

 private:
  const std::vector<uint32_t>& m_colours;
  std::vector<int16_t> m_cache;
};

// The median-cut palette of the source's opaque pixels, with room left for the transparent entry
// when any pixel is clear.
std::vector<uint32_t> MedianCutPalette(const PixelBuffer& src, bool& anyTransparent) {
  const uint32_t w = src.Width();
  const uint32_t h = src.Height();
  ArgbRows rows(src);

  std::vector<uint64_t> count(kHistSize), sumR(kHistSize), sumG(kHistSize), sumB(kHistSize);
  anyTransparent = false;
  for (uint32_t y = 0; y < h; ++y) {
    const uint8_t* row = rows.Row(y);
    for (uint32_t x = 0; x < w; ++x) {
      const uint8_t* p = row + 4 * x;
      if (p[3] < kAlphaThreshold) {
        anyTransparent = true;
        continue;
      }
      const uint32_t key = uint32_t(p[2] >> 3) << 10 | uint32_t(p[1] >> 3) << 5 | uint32_t(p[0] >> 3);
      ++count[key];
      sumR[key] += p[2];
      sumG[key] += p[1];
      sumB[key] += p[0];
    }
  }
  std::vector<Bin> bins;
  for (uint32_t key = 0; key < kHistSize; ++key) {
    if (count[key] == 0) continue;
    bins.push_back(Bin{{uint8_t(key >> 10), uint8_t(key >> 5 & 31), uint8_t(key & 31)},
                       count[key],
                       {sumR[key], sumG[key], sumB[key]}});
  }
  return bins.empty() ? std::vector<uint32_t>() : MedianCut(bins, anyTransparent ? 255 : 256);
}

}  // namespace

// Either the exact colours, or median cut with Floyd-Steinberg in serpentine order (errors in 1/16ths,
// with a pixel of margin at each end), carried from row to row.
struct RowQuantizer::State {
  explicit State(const PixelBuffer& src) : rows(src) {}
  ArgbRows rows;
  bool exact = true;
  ColourTable table;
  std::vector<uint32_t> colours;
  std::unique_ptr<NearestCache> nearest;
  std::vector<int32_t> errThis, errNext;
};

RowQuantizer::RowQuantizer(const PixelBuffer& src) : m_src(src), m_state(std::make_unique<State>(src)) {
  State& st = *m_state;
  if (CollectExactly(src, st.table)) {
    m_palette.entries = st.table.Colours();
    for (uint32_t c : m_palette.entries)
      if ((c >> 24) != 255) m_palette.flags |= kPaletteHasAlpha;
    return;
  }
  st.exact = false;
  bool anyTransparent = false;
  st.colours = MedianCutPalette(src, anyTransparent);
  st.nearest = std::make_unique<NearestCache>(st.colours);
  st.errThis.assign((size_t{src.Width()} + 2) * 3, 0);
  st.errNext.assign((size_t{src.Width()} + 2) * 3, 0);
  m_palette.entries = st.colours;
  if (anyTransparent) {
    m_palette.entries.push_back(kTransparent);
    m_palette.flags = kPaletteHasAlpha;
  }
}

RowQuantizer::~RowQuantizer() = default;

void RowQuantizer::Row(uint32_t y, uint8_t* dst) {
  State& st = *m_state;
  const uint32_t w = m_src.Width();
  const uint8_t* row = st.rows.Row(y);
  if (st.exact) {
    uint32_t lastKey = 0;
    int lastIndex = -1;
    for (uint32_t x = 0; x < w; ++x) {
      const uint32_t key = KeyOf(row + 4 * x);
      if (key != lastKey || lastIndex < 0) {
        lastKey = key;
        lastIndex = st.table.Find(key);
      }
      dst[x] = static_cast<uint8_t>(lastIndex);
    }
    return;
  }
  const std::vector<uint32_t>& colours = st.colours;
  const uint8_t transparentIndex = static_cast<uint8_t>(colours.size());
  std::fill(st.errNext.begin(), st.errNext.end(), 0);
  const bool leftToRight = y % 2 == 0;
  const int dir = leftToRight ? 1 : -1;
  for (uint32_t i = 0; i < w; ++i) {
    const uint32_t x = leftToRight ? i : w - 1 - i;
    const uint8_t* p = row + 4 * x;
    if (p[3] < kAlphaThreshold) {
      dst[x] = transparentIndex;
      continue;
    }
    const size_t e = (size_t{x} + 1) * 3;
    int v[3];
    for (int c = 0; c < 3; ++c) v[c] = std::clamp(int(p[2 - c]) + (st.errThis[e + c] + 8) / 16, 0, 255);
    const uint8_t index = st.nearest->Find(v[0], v[1], v[2]);
    dst[x] = index;
    const uint32_t chosen = colours[index];
    for (int c = 0; c < 3; ++c) {
      const int err = v[c] - int(chosen >> (16 - 8 * c) & 255);
      st.errThis[e + 3 * dir + c] += err * 7;
      st.errNext[e - 3 * dir + c] += err * 3;
      st.errNext[e + c] += err * 5;
      st.errNext[e + 3 * dir + c] += err;
    }
  }
  std::swap(st.errThis, st.errNext);
}

Result<PixelBuffer> QuantizeTo8bpp(const PixelBuffer& src) {
  if (src.Empty() || !IsValidPixelFormat(src.Format())) return Status::InvalidParameter;
  auto allocated =
      PixelBuffer::Allocate(PixelFormat::Indexed8bpp, src.Width(), src.Height(), PixelBuffer::Init::Uninitialized);
  if (!allocated.Ok()) return allocated.GetStatus();
  PixelBuffer out = std::move(allocated).Value();
  try {
    RowQuantizer quantizer(src);
    for (uint32_t y = 0; y < src.Height(); ++y) quantizer.Row(y, out.Row(y));
    out.GetPalette() = quantizer.GetPalette();
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  return out;
}

}  // namespace tavlen::gfx
