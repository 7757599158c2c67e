// Hosting the control in the widget and forwarding the Qt properties to it by name.
#include "hosts/designer/tavlen_control_widget.h"

#include <QLabel>
#include <QVBoxLayout>

#include "control/class_ids.h"
#include "hosts/common/member_call.h"
#include "platform/automation/hresult.h"

namespace tavlen {

namespace {
constexpr std::string_view kProgId = kTavlen2ProgId;
}  // namespace

TavlenControlWidget::TavlenControlWidget(QWidget* parent) : QWidget(parent) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  std::string why;
  const ole::HRESULT hr = host::CreateDesktopControl(kProgId, "", this, &m_control, &why);
  if (ole::SUCCEEDED(hr) && m_control.widget) {
    layout->addWidget(m_control.widget);
    return;
  }
  m_control = host::DesktopControl();
  char code[16];
  std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
  m_failure = std::string(kProgId) + " could not be created (" + code + ")" + (why.empty() ? "" : ": " + why);
  auto* message = new QLabel(QString::fromStdString(m_failure), this);
  message->setWordWrap(true);
  layout->addWidget(message);
}

// The control goes first: it deletes its window's widget, still a child of this one.
TavlenControlWidget::~TavlenControlWidget() { m_control = host::DesktopControl(); }

ole::Variant TavlenControlWidget::Get(std::string_view name, ole::VARTYPE type) const {
  if (!m_control.dispatch) return Variant();
  ole::DispArgs none;
  const host::MemberCall call =
      host::InvokeMemberByName(m_control.dispatch.Get(), name, ole::DISPATCH_PROPERTYGET | ole::DISPATCH_METHOD, none);
  Variant converted;
  if (call.Failed() || ole::FAILED(ole::VariantChangeType(&converted, call.result, 0, type))) return Variant();
  return converted;
}

void TavlenControlWidget::Put(std::string_view name, Variant value) {
  if (!m_control.dispatch) return;
  ole::DispArgs args = ole::DispArgs::ForPut(std::move(value));
  (void)host::InvokeMemberByName(m_control.dispatch.Get(), name, ole::DISPATCH_PROPERTYPUT, args);
}

QColor TavlenControlWidget::Color(std::string_view name) const {
  const uint32_t value = Get(name, ole::VT_UI4).UI4();
  return QColor(static_cast<int>(value & 0xFF), static_cast<int>(value >> 8 & 0xFF),
                static_cast<int>(value >> 16 & 0xFF));
}

void TavlenControlWidget::PutColor(std::string_view name, const QColor& value) {
  const uint32_t ole = static_cast<uint32_t>(value.red()) | static_cast<uint32_t>(value.green()) << 8 |
                       static_cast<uint32_t>(value.blue()) << 16;
  Put(name, Variant(ole));
}

}  // namespace tavlen
