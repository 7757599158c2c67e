// Writers of small WMF and EMF files for the player's tests: headers and a few records, byte by byte.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace tavlen::gfx::test {

class ByteWriter {
 public:
  void U8(uint8_t v) { m_bytes.push_back(v); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void S16(int16_t v) { U16(static_cast<uint16_t>(v)); }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }
  void S32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void F32(float f) {
    uint32_t bits;
    __builtin_memcpy(&bits, &f, 4);
    U32(bits);
  }
  void Bytes(const std::vector<uint8_t>& b) { m_bytes.insert(m_bytes.end(), b.begin(), b.end()); }
  std::vector<uint8_t>& Data() { return m_bytes; }

 private:
  std::vector<uint8_t> m_bytes;
};

// An uncompressed bottom-up DIB (info header and pixels) of 24 bits per pixel; `rgb(x, y)` gives
// the colour (0xRRGGBB) of the pixel x, y counted from the top.
template <typename ColourFn>
std::vector<uint8_t> Dib24(int32_t w, int32_t h, ColourFn rgb, std::vector<uint8_t>* bitsOut = nullptr) {
  ByteWriter info;
  info.U32(40);
  info.S32(w);
  info.S32(h);
  info.U16(1);
  info.U16(24);
  for (int i = 0; i < 6; ++i) info.U32(0);
  ByteWriter bits;
  const int stride = (w * 3 + 3) & ~3;
  for (int row = h - 1; row >= 0; --row) {
    for (int x = 0; x < w; ++x) {
      const uint32_t c = rgb(x, row);
      bits.U8(static_cast<uint8_t>(c));
      bits.U8(static_cast<uint8_t>(c >> 8));
      bits.U8(static_cast<uint8_t>(c >> 16));
    }
    for (int pad = w * 3; pad < stride; ++pad) bits.U8(0);
  }
  if (bitsOut) {
    *bitsOut = bits.Data();
    return info.Data();
  }
  info.Bytes(bits.Data());
  return info.Data();
}

// A placeable WMF whose bounding box is in pixels (96 units per inch), or a standard one.
class WmfWriter {
 public:
  explicit WmfWriter(int16_t width, int16_t height, bool placeable = true);

  // One record: the function and its 16-bit parameters, then raw bytes (padded to a word).
  void Record(uint16_t function, const std::vector<int16_t>& words, const std::vector<uint8_t>& extra = {});
  void CreatePen(uint16_t style, int16_t width, uint32_t colorRef);
  void CreateBrush(uint16_t style, uint32_t colorRef, uint16_t hatch = 0);
  void CreateFont(int16_t height, int16_t weight, const std::string& face);
  void Select(uint16_t index) { Record(0x012D, {static_cast<int16_t>(index)}); }
  void Polygon(const std::vector<std::pair<int16_t, int16_t>>& points);
  std::vector<uint8_t> Finish();

 private:
  ByteWriter m_w;
};

// An EMF at 96 dpi whose frame covers width x height pixels.
class EmfWriter {
 public:
  EmfWriter(int32_t width, int32_t height);
  // A header of the extended size: the frame in 0.01 mm, and the reference device in pixels, millimetres
  // and micrometres (x, y each).
  struct Device {
    int32_t frame[4];
    int32_t pixels[2], millimetres[2], micrometres[2];
  };
  explicit EmfWriter(const Device& device);

  // One record of 32-bit values, then raw bytes (padded to four).
  void Record(uint32_t type, const std::vector<int32_t>& values, const std::vector<uint8_t>& extra = {});
  std::vector<uint8_t> Finish();

 private:
  ByteWriter m_w;
  uint32_t m_records = 1;
};

// EMF+ records gathered into one comment record of an EMF.
class PlusWriter {
 public:
  void Record(uint16_t type, uint16_t flags, const std::vector<uint8_t>& data) {
    m_w.U16(type);
    m_w.U16(flags);
    const uint32_t padded = static_cast<uint32_t>((data.size() + 3) & ~size_t{3});
    m_w.U32(12 + padded);
    m_w.U32(padded);
    m_w.Bytes(data);
    for (size_t i = data.size(); i < padded; ++i) m_w.U8(0);
  }
  // The header (96 dpi) and a page in pixels.
  void Start() {
    Record(0x4001, 1, Words({0xDBC01002, 0, 96, 96}));
    ByteWriter scale;
    scale.F32(1);
    Record(0x4030, 2, scale.Data());
  }
  void FillRect(uint32_t argb, float x, float y, float w, float h) {
    ByteWriter d;
    d.U32(argb);
    d.U32(1);
    for (float v : {x, y, w, h}) d.F32(v);
    Record(0x400A, 0x8000, d.Data());  // the colour inline
  }
  void FlushInto(EmfWriter& e) {
    ByteWriter payload;
    payload.U32(0x2B464D45);  // "EMF+"
    payload.Bytes(m_w.Data());
    e.Record(70, {static_cast<int32_t>(payload.Data().size())}, payload.Data());
    m_w.Data().clear();
  }
  static std::vector<uint8_t> Words(std::initializer_list<uint32_t> words) {
    ByteWriter w;
    for (uint32_t v : words) w.U32(v);
    return w.Data();
  }

 private:
  ByteWriter m_w;
};

}  // namespace tavlen::gfx::test
