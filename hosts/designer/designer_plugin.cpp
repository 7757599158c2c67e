// What Designer asks of a custom widget: its name and group, the header uic includes, the XML of a
// new instance, and the widget itself.
#include "hosts/designer/designer_plugin.h"

#include <QIcon>

#include "hosts/designer/tavlen_control_widget.h"
#include "platform/window/backend.h"

namespace tavlen {

QString TavlenDesignerPlugin::name() const { return QStringLiteral("tavlen::TavlenControlWidget"); }

QString TavlenDesignerPlugin::group() const { return QStringLiteral("Tavlen"); }

QString TavlenDesignerPlugin::toolTip() const { return QStringLiteral("Tavlen picture control"); }

QString TavlenDesignerPlugin::whatsThis() const {
  return QStringLiteral("Shows and edits one picture; its properties are those of the Tavlen control.");
}

QString TavlenDesignerPlugin::includeFile() const { return QStringLiteral("hosts/designer/tavlen_control_widget.h"); }

QIcon TavlenDesignerPlugin::icon() const { return QIcon(); }

// The control's windows are Qt widgets only while the Qt backend is selected.
void TavlenDesignerPlugin::initialize(QDesignerFormEditorInterface* /*core*/) {
  win::SelectQtBackend();
  m_initialized = true;
}

QWidget* TavlenDesignerPlugin::createWidget(QWidget* parent) {
  win::SelectQtBackend();
  return new TavlenControlWidget(parent);
}

QString TavlenDesignerPlugin::domXml() const {
  return QStringLiteral(
      "<ui language=\"c++\">\n"
      " <widget class=\"tavlen::TavlenControlWidget\" name=\"tavlenControl\">\n"
      "  <property name=\"geometry\"><rect><x>0</x><y>0</y><width>320</width><height>240</height></rect></property>\n"
      " </widget>\n"
      "</ui>\n");
}

}  // namespace tavlen
