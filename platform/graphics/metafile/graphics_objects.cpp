// The object table and the stock objects.
#include "platform/graphics/metafile/graphics_objects.h"

#include <array>

namespace tavlen::gfx::metafile {

int32_t ObjectTable::Add(ObjectPtr object) {
  for (size_t i = 0; i < m_slots.size(); ++i) {
    if (!m_slots[i]) {
      m_slots[i] = std::move(object);
      return static_cast<int32_t>(i);
    }
  }
  if (m_slots.size() >= kMaxObjects) return -1;
  m_slots.push_back(std::move(object));
  return static_cast<int32_t>(m_slots.size() - 1);
}

bool ObjectTable::Put(uint32_t index, ObjectPtr object) {
  if (index >= kMaxObjects) return false;
  if (index >= m_slots.size()) m_slots.resize(index + 1);
  m_slots[index] = std::move(object);
  return true;
}

ObjectPtr ObjectTable::Get(uint32_t index) const { return index < m_slots.size() ? m_slots[index] : nullptr; }

void ObjectTable::Delete(uint32_t index) {
  if (index < m_slots.size()) m_slots[index].reset();
}

namespace {

ObjectPtr Brush(uint32_t style, ColorRef color) {
  return std::make_shared<const GraphicsObject>(BrushObject{style, color, 0, nullptr});
}
ObjectPtr Pen(uint32_t style, ColorRef color) {
  PenObject pen;
  pen.style = style;
  pen.color = color;
  return std::make_shared<const GraphicsObject>(std::move(pen));
}
ObjectPtr Font(const char* face, bool fixed) {
  FontObject f;
  f.height = 16;
  f.weight = 400;
  (void)fixed;
  f.face = face;
  return std::make_shared<const GraphicsObject>(std::move(f));
}

}  // namespace

ObjectPtr StockObject(uint32_t index) {
  static const std::array<ObjectPtr, 20> kStock = {
      Brush(kBsSolid, 0xFFFFFF),  // white brush
      Brush(kBsSolid, 0xC0C0C0),  // light grey
      Brush(kBsSolid, 0x808080),  // grey
      Brush(kBsSolid, 0x404040),  // dark grey
      Brush(kBsSolid, 0x000000),  // black
      Brush(kBsNull, 0),          // null brush
      Pen(kPsSolid, 0xFFFFFF),    // white pen
      Pen(kPsSolid, 0x000000),    // black pen
      Pen(kPsNull, 0),            // null pen
      nullptr,
      Font("Liberation Mono", true),   // OEM fixed
      Font("Liberation Mono", true),   // ANSI fixed
      Font("Liberation Sans", false),  // ANSI variable
      Font("Liberation Sans", false),  // system
      Font("Liberation Sans", false),  // device default
      std::make_shared<const GraphicsObject>(PaletteObject{}),
      Font("Liberation Mono", true),   // system fixed
      Font("Liberation Sans", false),  // default GUI
      Brush(kBsSolid, 0xFFFFFF),       // DC brush
      Pen(kPsSolid, 0x000000),         // DC pen
  };
  return index < kStock.size() ? kStock[index] : nullptr;
}

}  // namespace tavlen::gfx::metafile
