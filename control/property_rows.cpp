// The property rows read by the exchange and at construction.
#include "control/property_rows.h"

namespace tavlen {

namespace {

// One row through the exchanger of its bag type.
void ExchangeRow(CTavlenCtrl& ctrl, fw::CPropExchange& exchange, const PropertyRow& row) {
  using Type = PropertyRow::Type;
  using C = CTavlenCtrl;
  fw::CPropExchange* px = &exchange;
  switch (row.type) {
    case Type::Short:
      fw::PX_Short(px, row.name, ctrl.*std::get<int16_t C::*>(row.member), std::get<int16_t>(row.defaultValue));
      return;
    case Type::Long:
      fw::PX_Long(px, row.name, ctrl.*std::get<int32_t C::*>(row.member), std::get<int32_t>(row.defaultValue));
      return;
    case Type::Bool:
      fw::PX_Bool(px, row.name, ctrl.*std::get<int32_t C::*>(row.member), std::get<int32_t>(row.defaultValue));
      return;
    case Type::Double:
      fw::PX_Double(px, row.name, ctrl.*std::get<double C::*>(row.member), std::get<double>(row.defaultValue));
      return;
    case Type::Color:
      fw::PX_Color(px, row.name, ctrl.*std::get<uint32_t C::*>(row.member), std::get<uint32_t>(row.defaultValue));
      return;
    case Type::String:
      fw::PX_String(px, row.name, ctrl.*std::get<std::string C::*>(row.member),
                    std::get<const char*>(row.defaultValue));
      return;
  }
}

}  // namespace

void ExchangeProperties(CTavlenCtrl& ctrl, fw::CPropExchange& exchange) {
  for (const PropertyRow& row : kPropertyRows) {
    if (row.persisted && row.ExistsIn(ctrl.Version())) ExchangeRow(ctrl, exchange, row);
  }
}

void SetPropertyDefaults(CTavlenCtrl& ctrl) {
  fw::CPropExchange reset(fw::ExchangeDirection::Reset, nullptr);
  for (const PropertyRow& row : kPropertyRows) ExchangeRow(ctrl, reset, row);
}

}  // namespace tavlen
