// EXIF blocks: a TIFF header and IFD0 with the EXIF and GPS sub-IFDs, read into and built from property items.
//
// Layout read and written (offsets from the start of the block):
//   0  "II" or "MM"      byte order      2  42           magic
//   4  u32               offset of IFD0
//   IFD: u16 entry count, entries of 12 bytes (u16 tag, u16 type, u32 count, u32 value or offset), u32 next IFD.
//   A value of 4 bytes or less sits in the entry itself, left-aligned.
#include "platform/graphics/exif.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace tavlen::gfx {
namespace {

constexpr uint16_t kExifIfdPointer = 0x8769;
constexpr uint16_t kGpsIfdPointer = 0x8825;
constexpr uint16_t kInteropIfdPointer = 0xA005;
constexpr uint32_t kMaxEntriesPerIfd = 4096;

uint32_t TypeSize(uint16_t type) {
  switch (type) {
    case 1:  // BYTE
    case 2:  // ASCII
    case 6:  // SBYTE
    case 7:  // UNDEFINED
      return 1;
    case 3:  // SHORT
    case 8:  // SSHORT
      return 2;
    case 4:   // LONG
    case 9:   // SLONG
    case 11:  // FLOAT
      return 4;
    case 5:   // RATIONAL
    case 10:  // SRATIONAL
    case 12:  // DOUBLE
      return 8;
    default:
      return 0;
  }
}

// The property type an EXIF type is stored as; element sizes stay the same.
uint16_t PropertyType(uint16_t type) {
  switch (type) {
    case 6:
      return kPropertyTagTypeByte;
    case 8:
      return kPropertyTagTypeShort;
    case 11:
    case 12:
      return kPropertyTagTypeUndefined;
    default:
      return type;
  }
}

// The size of one number inside an element: rationals are two 4-byte numbers.
uint32_t WordSize(uint16_t type) { return type == 5 || type == 10 ? 4 : TypeSize(type); }

class Reader {
 public:
  Reader(std::span<const uint8_t> block, bool bigEndian) : m_block(block), m_big(bigEndian) {}

  bool Has(uint64_t offset, uint64_t size) const { return offset <= m_block.size() && size <= m_block.size() - offset; }
  // A number of 1, 2, 4 or 8 bytes in the block's byte order.
  uint64_t Get(uint64_t offset, uint32_t size) const {
    uint64_t v = 0;
    for (uint32_t i = 0; i < size; ++i) {
      const uint64_t byte = m_block[offset + i];
      v |= m_big ? byte << (8 * (size - 1 - i)) : byte << (8 * i);
    }
    return v;
  }

  void ReadIfd(uint64_t offset, int depth, std::vector<PropertyItem>& out, std::set<uint64_t>& visited) const {
    if (depth > 2 || !visited.insert(offset).second || !Has(offset, 2)) return;
    const auto count = static_cast<uint32_t>(std::min<uint64_t>(Get(offset, 2), kMaxEntriesPerIfd));
    for (uint32_t i = 0; i < count; ++i) {
      const uint64_t entry = uint64_t{offset} + 2 + uint64_t{i} * 12;
      if (!Has(entry, 12)) return;
      const auto tag = static_cast<uint16_t>(Get(entry, 2));
      const uint16_t type = static_cast<uint16_t>(Get(entry + 2, 2));
      const auto n = static_cast<uint32_t>(Get(entry + 4, 4));
      if (tag == kExifIfdPointer || tag == kGpsIfdPointer) {
        if (type == 4 || type == 13) ReadIfd(static_cast<uint32_t>(Get(entry + 8, 4)), depth + 1, out, visited);
        continue;
      }
      if (tag == kInteropIfdPointer) continue;
      const uint32_t size = TypeSize(type);
      if (size == 0 || n == 0) continue;
      const uint64_t bytes = uint64_t{n} * size;
      const uint64_t at = bytes <= 4 ? entry + 8 : Get(entry + 8, 4);
      if (!Has(at, bytes)) continue;
      const bool seen = std::any_of(out.begin(), out.end(), [tag](const PropertyItem& p) { return p.id == tag; });
      if (seen) continue;
      PropertyItem item{tag, PropertyType(type), {}};
      item.value.resize(static_cast<size_t>(bytes));
      const uint32_t word = WordSize(type);
      for (uint64_t k = 0; k < bytes; k += word) {
        const uint64_t v = Get(at + k, word);
        for (uint32_t b = 0; b < word; ++b) item.value[k + b] = static_cast<uint8_t>(v >> (8 * b));
      }
      out.push_back(std::move(item));
    }
  }

 private:
  std::span<const uint8_t> m_block;
  bool m_big;
};

bool IsExifSubIfdTag(uint32_t id) {
  return id == 0x829A || id == 0x829D || (id >= 0x8822 && id <= 0x8832) || (id >= 0x9000 && id <= 0x9FFF) ||
         (id >= 0xA000 && id <= 0xA4FF && id != kInteropIfdPointer);
}
bool IsGpsTag(uint32_t id) { return id <= 0x001F; }

// Items that are not EXIF tags at all: the library's own ids (frame delays, thumbnails, ...)
// and the structural pointers, which the builder makes itself.
bool Writable(const PropertyItem& item) {
  if (item.id > 0xFFFF || (item.id >= 0x5000 && item.id <= 0x5FFF)) return false;
  if (item.id == kExifIfdPointer || item.id == kGpsIfdPointer || item.id == kInteropIfdPointer) return false;
  // A profile is written where each format keeps profiles, not among the tags.
  if (item.id == kPropertyTagICCProfile) return false;
  return !item.value.empty() && item.value.size() <= 0xFFFFFF;
}

class Writer {
 public:
  void Put(uint32_t offset, uint32_t value, uint32_t size) {
    for (uint32_t i = 0; i < size; ++i) m_out[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  }

  // Writes one IFD at the end of the block; `pointers` are extra LONG entries (tag, value) patched later.
  // Returns the offset of each pointer entry's value field.
  std::vector<uint32_t> WriteIfd(std::vector<const PropertyItem*> items, const std::vector<uint16_t>& pointers) {
    struct Entry {
      uint16_t tag;
      const PropertyItem* item;
    };
    std::vector<Entry> entries;
    for (const auto* item : items) entries.push_back({static_cast<uint16_t>(item->id), item});
    for (uint16_t p : pointers) entries.push_back({p, nullptr});
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });

    const uint32_t start = static_cast<uint32_t>(m_out.size());
    uint32_t data = start + 2 + 12 * static_cast<uint32_t>(entries.size()) + 4;
    m_out.resize(data);
    Put(start, static_cast<uint32_t>(entries.size()), 2);
    std::vector<uint32_t> pointerFields(pointers.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      const uint32_t e = start + 2 + 12 * static_cast<uint32_t>(i);
      Put(e, entries[i].tag, 2);
      if (entries[i].item == nullptr) {
        Put(e + 2, 4, 2);
        Put(e + 4, 1, 4);
        const auto at = std::find(pointers.begin(), pointers.end(), entries[i].tag) - pointers.begin();
        pointerFields[static_cast<size_t>(at)] = e + 8;
        continue;
      }
      const PropertyItem& item = *entries[i].item;
      uint16_t type = item.type;
      uint32_t size = TypeSize(type);
      if (size == 0 || item.value.size() % size != 0) {
        type = kPropertyTagTypeUndefined;
        size = 1;
      }
      const uint32_t bytes = static_cast<uint32_t>(item.value.size());
      Put(e + 2, type, 2);
      Put(e + 4, bytes / size, 4);
      if (bytes <= 4) {
        std::copy(item.value.begin(), item.value.end(), m_out.begin() + e + 8);
      } else {
        Put(e + 8, data, 4);
        m_out.insert(m_out.end(), item.value.begin(), item.value.end());
        if (m_out.size() & 1) m_out.push_back(0);
        data = static_cast<uint32_t>(m_out.size());
      }
    }
    return pointerFields;
  }

  std::vector<uint8_t> m_out{'I', 'I', 42, 0, 8, 0, 0, 0};
};

}  // namespace

bool ParseExif(std::span<const uint8_t> block, std::vector<PropertyItem>& out) {
  if (block.size() < 8) return false;
  bool big = false;
  if (block[0] == 'I' && block[1] == 'I') {
    big = false;
  } else if (block[0] == 'M' && block[1] == 'M') {
    big = true;
  } else {
    return false;
  }
  const Reader reader(block, big);
  if (reader.Get(2, 2) != 42) return false;
  std::set<uint64_t> visited;
  reader.ReadIfd(static_cast<uint32_t>(reader.Get(4, 4)), 0, out, visited);
  return true;
}

std::vector<uint8_t> BuildExif(std::span<const PropertyItem> items) {
  std::vector<const PropertyItem*> main, exif, gps;
  std::set<uint32_t> seen;
  for (const auto& item : items) {
    if (!Writable(item) || !seen.insert(item.id).second) continue;
    (IsGpsTag(item.id) ? gps : IsExifSubIfdTag(item.id) ? exif : main).push_back(&item);
  }
  if (main.empty() && exif.empty() && gps.empty()) return {};
  std::vector<uint16_t> pointers;
  if (!exif.empty()) pointers.push_back(kExifIfdPointer);
  if (!gps.empty()) pointers.push_back(kGpsIfdPointer);
  Writer w;
  const std::vector<uint32_t> fields = w.WriteIfd(main, pointers);
  size_t next = 0;
  if (!exif.empty()) {
    w.Put(fields[next++], static_cast<uint32_t>(w.m_out.size()), 4);
    w.WriteIfd(exif, {});
  }
  if (!gps.empty()) {
    w.Put(fields[next], static_cast<uint32_t>(w.m_out.size()), 4);
    w.WriteIfd(gps, {});
  }
  return std::move(w.m_out);
}

bool ParseEmbeddedExif(std::span<const uint8_t> payload, std::vector<PropertyItem>& out) {
  auto tiffHeaderAt = [&payload](size_t at) {
    if (at + 4 > payload.size()) return false;
    const uint8_t* p = payload.data() + at;
    return (p[0] == 'I' && p[1] == 'I' && p[2] == 42 && p[3] == 0) ||
           (p[0] == 'M' && p[1] == 'M' && p[2] == 0 && p[3] == 42);
  };
  size_t at = 0;
  if (tiffHeaderAt(0)) {
    at = 0;
  } else if (payload.size() >= 6 && std::memcmp(payload.data(), "Exif\0\0", 6) == 0 && tiffHeaderAt(6)) {
    at = 6;
  } else if (payload.size() >= 4) {
    const uint64_t offset =
        uint64_t{payload[0]} << 24 | uint64_t{payload[1]} << 16 | uint64_t{payload[2]} << 8 | payload[3];
    if (!tiffHeaderAt(4 + offset)) return false;
    at = static_cast<size_t>(4 + offset);
  } else {
    return false;
  }
  return ParseExif(payload.subspan(at), out);
}

uint16_t ExifOrientation(std::span<const PropertyItem> items) {
  constexpr uint32_t kOrientationTag = 0x0112;
  for (const PropertyItem& item : items) {
    if (item.id != kOrientationTag || item.type != kPropertyTagTypeShort || item.value.size() < 2) continue;
    const uint16_t value = static_cast<uint16_t>(item.value[0] | item.value[1] << 8);
    return value >= 1 && value <= 8 ? value : 1;
  }
  return 1;
}

}  // namespace tavlen::gfx
