// The control's custom properties, one row each: name, member, default, whether it is saved, what a
// change of it does and the version that has it. Construction, the property exchange (save, load and
// reset) and the change notifications all read these rows; the dispatch table takes the names from
// them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>

#include "control/control_version.h"
#include "control/tavlen_ctrl.h"
#include "platform/framework/prop_exchange.h"

namespace tavlen {

// What a change of a property does beyond storing it and marking the control modified.
enum class PropertyChange : uint8_t {
  None,     // the next operation that reads it uses it; nothing is repainted
  Repaint,  // the client area is painted again
  Realign,  // the picture is placed by the Align rule at once and painted again
};

struct PropertyRow {
  // How the value is kept in a property bag (a BOOL and a colour are 32-bit integers in memory).
  enum class Type : uint8_t { Short, Long, Bool, Double, Color, String };
  using C = CTavlenCtrl;

  const char* name = nullptr;
  Type type = Type::Short;
  std::variant<int16_t C::*, int32_t C::*, uint32_t C::*, double C::*, std::string C::*> member;
  std::variant<int16_t, int32_t, uint32_t, double, const char*> defaultValue;
  PropertyChange change = PropertyChange::None;
  bool persisted = true;
  ControlVersion since = ControlVersion::One;

  // One maker per type, so that a member, its default and its bag type always agree.
  static constexpr PropertyRow Short(const char* name, int16_t C::*member, int16_t value, PropertyChange change) {
    return {name, Type::Short, member, value, change};
  }
  static constexpr PropertyRow Long(const char* name, int32_t C::*member, int32_t value, PropertyChange change) {
    return {name, Type::Long, member, value, change};
  }
  static constexpr PropertyRow Bool(const char* name, win::BOOL C::*member, win::BOOL value, PropertyChange change) {
    return {name, Type::Bool, member, value, change};
  }
  static constexpr PropertyRow Double(const char* name, double C::*member, double value, PropertyChange change) {
    return {name, Type::Double, member, value, change};
  }
  static constexpr PropertyRow Color(const char* name, fw::OLE_COLOR C::*member, fw::OLE_COLOR value,
                                     PropertyChange change) {
    return {name, Type::Color, member, value, change};
  }
  static constexpr PropertyRow String(const char* name, std::string C::*member, const char* value,
                                      PropertyChange change) {
    return {name, Type::String, member, value, change};
  }

  constexpr PropertyRow NotPersisted() const {
    PropertyRow row = *this;
    row.persisted = false;
    return row;
  }
  constexpr PropertyRow Version2Only() const {
    PropertyRow row = *this;
    row.since = ControlVersion::Two;
    return row;
  }
  constexpr bool ExistsIn(ControlVersion version) const {
    return since == ControlVersion::One || version == ControlVersion::Two;
  }
};

// In the order the properties are saved: version 1's eleven persisted properties, byte for byte as
// they always were, then version 2's.
inline constexpr auto kPropertyRows = [] {
  using R = PropertyRow;
  using C = CTavlenCtrl;
  constexpr PropertyChange kNone = PropertyChange::None, kRepaint = PropertyChange::Repaint;
  return std::to_array<PropertyRow>({
      R::Short("Align", &C::m_align, 2, PropertyChange::Realign),
      R::Short("BackStyle", &C::m_backStyle, 0, kRepaint),
      R::Bool("ShowBorder", &C::m_showBorder, win::TRUE, kRepaint),
      R::Double("BorderWidth", &C::m_borderWidth, 1.0, kRepaint),
      R::Color("BorderColor", &C::m_borderColor, 0x00FFFFFF, kRepaint),
      R::Long("JpgQuality", &C::m_jpgQuality, 100, kNone),
      R::Bool("TextBold", &C::m_textBold, win::FALSE, kNone),
      R::String("TextFont", &C::m_textFont, "Arial", kNone),
      R::Bool("TextItalic", &C::m_textItalic, win::FALSE, kNone),
      R::Short("TextSize", &C::m_textSize, 10, kNone),
      R::Double("ZoomValue", &C::m_zoomValue, 1.0, kNone),
      R::Color("TextColor", &C::m_textColor, 0, kNone).NotPersisted(),
      R::Long("TiffCompression", &C::m_tiffCompression, 0, kNone).NotPersisted(),  // LZW
      // The shown picture stays as it is: these apply from the next load.
      R::Bool("AutoOrient", &C::m_autoOrient, win::TRUE, kNone).Version2Only(),
      R::Bool("ColorManaged", &C::m_colorManaged, win::TRUE, kNone).Version2Only(),
      R::Bool("ExtraFormats", &C::m_extraFormats, win::TRUE, kNone).Version2Only(),
  });
}();

// The row that binds `member`; a member without a row does not compile.
template <class T>
consteval const PropertyRow& PropertyRowOf(T CTavlenCtrl::*member) {
  for (const PropertyRow& row : kPropertyRows) {
    if (const auto* bound = std::get_if<T CTavlenCtrl::*>(&row.member); bound && *bound == member) return row;
  }
  throw "no property row binds this member";
}

// Loads, saves or resets the persisted properties of `ctrl`'s version, in row order.
void ExchangeProperties(CTavlenCtrl& ctrl, fw::CPropExchange& exchange);
// Sets every property, saved or not and of either version, to its default.
void SetPropertyDefaults(CTavlenCtrl& ctrl);

template <auto Member>
void CTavlenCtrl::OnPropertyChanged() {
  static constexpr PropertyChange kChange = PropertyRowOf(Member).change;
  ApplyPropertyChange(kChange);
}

}  // namespace tavlen
