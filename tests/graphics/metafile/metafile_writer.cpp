// The test metafile writers.
#include "tests/graphics/metafile/metafile_writer.h"

namespace tavlen::gfx::test {

WmfWriter::WmfWriter(int16_t width, int16_t height, bool placeable) {
  if (placeable) {
    m_w.U32(0x9AC6CDD7);
    m_w.U16(0);
    m_w.S16(0);
    m_w.S16(0);
    m_w.S16(width);
    m_w.S16(height);
    m_w.U16(96);
    m_w.U32(0);
    m_w.U16(0);  // checksum: the player does not need it
  }
  m_w.U16(1);
  m_w.U16(9);
  m_w.U16(0x0300);
  m_w.U32(0);
  m_w.U16(16);
  m_w.U32(0);
  m_w.U16(0);
  if (!placeable) {
    Record(0x020B, {0, 0});
    Record(0x020C, {height, width});
  }
}

void WmfWriter::Record(uint16_t function, const std::vector<int16_t>& words, const std::vector<uint8_t>& extra) {
  const size_t extraWords = (extra.size() + 1) / 2;
  m_w.U32(static_cast<uint32_t>(3 + words.size() + extraWords));
  m_w.U16(function);
  for (int16_t v : words) m_w.S16(v);
  for (uint8_t b : extra) m_w.U8(b);
  if (extra.size() & 1) m_w.U8(0);
}

void WmfWriter::CreatePen(uint16_t style, int16_t width, uint32_t colorRef) {
  Record(0x02FA, {static_cast<int16_t>(style), width, 0, static_cast<int16_t>(colorRef & 0xFFFF),
                  static_cast<int16_t>(colorRef >> 16)});
}

void WmfWriter::CreateBrush(uint16_t style, uint32_t colorRef, uint16_t hatch) {
  Record(0x02FC, {static_cast<int16_t>(style), static_cast<int16_t>(colorRef & 0xFFFF),
                  static_cast<int16_t>(colorRef >> 16), static_cast<int16_t>(hatch)});
}

void WmfWriter::CreateFont(int16_t height, int16_t weight, const std::string& face) {
  std::vector<uint8_t> tail = {0, 0, 0, 0, 0, 0, 0, 0};  // italic .. pitch and family
  for (char c : face) tail.push_back(static_cast<uint8_t>(c));
  tail.push_back(0);
  Record(0x02FB, {height, 0, 0, 0, weight}, tail);
}

void WmfWriter::Polygon(const std::vector<std::pair<int16_t, int16_t>>& points) {
  std::vector<int16_t> words = {static_cast<int16_t>(points.size())};
  for (auto [x, y] : points) {
    words.push_back(x);
    words.push_back(y);
  }
  Record(0x0324, words);
}

std::vector<uint8_t> WmfWriter::Finish() {
  Record(0x0000, {});
  return m_w.Data();
}

EmfWriter::EmfWriter(int32_t width, int32_t height) {
  // A reference device of 96 pixels per inch: 960 pixels in 254 mm.
  m_w.U32(1);
  m_w.U32(88);
  for (int32_t v : {0, 0, width - 1, height - 1}) m_w.S32(v);
  for (int32_t v : {0, 0, width * 2540 / 96, height * 2540 / 96}) m_w.S32(v);
  m_w.U32(0x464D4520);
  m_w.U32(0x10000);
  m_w.U32(0);  // bytes: patched by Finish
  m_w.U32(0);  // records: patched by Finish
  m_w.U16(16);
  m_w.U16(0);
  m_w.U32(0);
  m_w.U32(0);
  m_w.U32(0);
  for (int32_t v : {960, 960, 254, 254}) m_w.S32(v);
}

EmfWriter::EmfWriter(const Device& d) {
  m_w.U32(1);
  m_w.U32(108);
  for (int32_t v : {0, 0, 0, 0}) m_w.S32(v);
  for (int32_t v : d.frame) m_w.S32(v);
  m_w.U32(0x464D4520);
  m_w.U32(0x10000);
  m_w.U32(0);  // bytes: patched by Finish
  m_w.U32(0);  // records: patched by Finish
  m_w.U16(16);
  m_w.U16(0);
  for (int i = 0; i < 3; ++i) m_w.U32(0);
  for (int32_t v : {d.pixels[0], d.pixels[1], d.millimetres[0], d.millimetres[1]}) m_w.S32(v);
  for (int i = 0; i < 3; ++i) m_w.U32(0);  // pixel format, OpenGL
  for (int32_t v : d.micrometres) m_w.S32(v);
}

void EmfWriter::Record(uint32_t type, const std::vector<int32_t>& values, const std::vector<uint8_t>& extra) {
  const size_t padded = (extra.size() + 3) & ~size_t{3};
  m_w.U32(type);
  m_w.U32(static_cast<uint32_t>(8 + 4 * values.size() + padded));
  for (int32_t v : values) m_w.S32(v);
  for (uint8_t b : extra) m_w.U8(b);
  for (size_t i = extra.size(); i < padded; ++i) m_w.U8(0);
  ++m_records;
}

std::vector<uint8_t> EmfWriter::Finish() {
  Record(14, {0, 16, 20});
  std::vector<uint8_t> bytes = m_w.Data();
  auto put = [&bytes](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put(48, static_cast<uint32_t>(bytes.size()));
  put(52, m_records);
  return bytes;
}

}  // namespace tavlen::gfx::test
