// The Designer plugin as Designer loads it: found and instantiated by QPluginLoader, its widget hosting
// a real control whose picture changes when a property is set through the widget's Qt properties.
#include <gtest/gtest.h>

#include <QImage>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QWidget>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <memory>
#include <set>

#include "hosts/designer/tavlen_control_widget.h"
#include "platform/graphics/codec_registry.h"
#include "platform/window/backend.h"
#include "tests/control/module/module_fixture.h"
#include "tests/desktop/desktop_session.h"
#include "tests/graphics/test_support.h"

namespace tavlen {
namespace {

class DesignerPluginTest : public test::RegistryTest {
 protected:
  void SetUp() override {
    TAVLEN_REQUIRE_DESKTOP();
    test::RegistryTest::SetUp();
    ASSERT_EQ(ole::RegisterModule(m_module), ole::S_OK) << ole::LastLoadError();
  }
};

// The number of different colours in the client area as the widget shows it.
size_t ColoursShown(QWidget& control) {
  auto* client = control.findChild<QWidget*>(QString::fromLatin1(win::kClientWidgetName));
  if (!client) return 0;
  const QImage image = client->grab().toImage();
  std::set<QRgb> colours;
  for (int y = 0; y < image.height(); y += 3) {
    for (int x = 0; x < image.width(); x += 3) colours.insert(image.pixel(x, y));
  }
  return colours.size();
}

TEST_F(DesignerPluginTest, LoadsAndItsWidgetForwardsPropertiesToTheControl) {
  QPluginLoader loader(QString::fromUtf8(TAVLEN_DESIGNER_PLUGIN));
  ASSERT_TRUE(loader.load()) << loader.errorString().toStdString();
  auto* plugin = qobject_cast<QDesignerCustomWidgetInterface*>(loader.instance());
  ASSERT_TRUE(plugin);
  EXPECT_EQ(plugin->name(), QStringLiteral("tavlen::TavlenControlWidget"));
  EXPECT_TRUE(plugin->domXml().contains(plugin->name()));

  std::unique_ptr<QWidget> widget(plugin->createWidget(nullptr));
  ASSERT_TRUE(widget);
  widget->resize(160, 120);
  widget->show();
  // What the property editor lists: every custom property of the control, writable.
  std::set<std::string> names;
  const QMetaObject* meta = widget->metaObject();
  for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
    if (meta->property(i).isWritable()) names.insert(meta->property(i).name());
  }
  EXPECT_EQ(names, (std::set<std::string>{"Align", "BackStyle", "BorderColor", "BorderWidth", "JpgQuality",
                                          "ShowBorder", "TextBold", "TextColor", "TextFont", "TextItalic", "TextSize",
                                          "ZoomValue", "TiffCompression"}));

  // The plugin carries its own copy of the class (the meta-object's name identifies it), laid out as ours.
  ASSERT_TRUE(widget->inherits("tavlen::TavlenControlWidget"));
  ole::IDispatch* control = static_cast<TavlenControlWidget*>(widget.get())->Dispatch();
  ASSERT_TRUE(control);
  gfx::test::TempDir dir;
  const std::string picture = dir.File("small.png");
  ASSERT_EQ(gfx::test::MakePatternBitmap(8, 8, gfx::PixelFormat::RGB24bpp)->Save(picture, gfx::kPngEncoderClsid),
            gfx::Status::Ok);
  ASSERT_EQ(ole::CallMethod(control, "LoadImage", {ole::Variant(picture)}), ole::S_OK);

  EXPECT_EQ(widget->property("Align").toInt(), 2);  // the control's default, read from it
  const size_t plain = ColoursShown(*widget);
  ASSERT_TRUE(widget->setProperty("BackStyle", 5));
  EXPECT_EQ(widget->property("BackStyle").toInt(), 5);
  EXPECT_GT(ColoursShown(*widget), plain);  // the control paints the hatch around the picture
  ASSERT_TRUE(widget->setProperty("BorderColor", QColor(0x12, 0x34, 0x56)));
  EXPECT_EQ(widget->property("BorderColor").value<QColor>(), QColor(0x12, 0x34, 0x56));
  ASSERT_TRUE(widget->setProperty("TextFont", QStringLiteral("DejaVu Sans")));
  EXPECT_EQ(widget->property("TextFont").toString(), QStringLiteral("DejaVu Sans"));
  widget.reset();
  ole::CoFreeUnusedLibraries();
}

}  // namespace
}  // namespace tavlen
