// The control as a widget for forms: it hosts a Tavlen control in the Qt backend and exposes the
// control's custom properties as Qt properties, read and written through the control's IDispatch by
// name, so that Qt Designer's property editor and uic-generated code can set them.
#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <string>
#include <string_view>

#include "hosts/common/desktop_control.h"
#include "platform/automation/variant.h"

namespace tavlen {

class TavlenControlWidget : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int Align READ align WRITE setAlign)
  Q_PROPERTY(int BackStyle READ backStyle WRITE setBackStyle)
  Q_PROPERTY(QColor BorderColor READ borderColor WRITE setBorderColor)
  Q_PROPERTY(double BorderWidth READ borderWidth WRITE setBorderWidth)
  Q_PROPERTY(int JpgQuality READ jpgQuality WRITE setJpgQuality)
  Q_PROPERTY(bool ShowBorder READ showBorder WRITE setShowBorder)
  Q_PROPERTY(bool TextBold READ textBold WRITE setTextBold)
  Q_PROPERTY(QColor TextColor READ textColor WRITE setTextColor)
  Q_PROPERTY(QString TextFont READ textFont WRITE setTextFont)
  Q_PROPERTY(bool TextItalic READ textItalic WRITE setTextItalic)
  Q_PROPERTY(int TextSize READ textSize WRITE setTextSize)
  Q_PROPERTY(double ZoomValue READ zoomValue WRITE setZoomValue)
  Q_PROPERTY(int TiffCompression READ tiffCompression WRITE setTiffCompression)

 public:
  // Creates the control by its ProgID through the registry; when that fails the widget shows why.
  explicit TavlenControlWidget(QWidget* parent = nullptr);
  ~TavlenControlWidget() override;

  // The control, to drive it by name; null when it could not be created.
  ole::IDispatch* Dispatch() const { return m_control.dispatch.Get(); }
  // Why the control could not be created; empty when it was.
  const std::string& Failure() const { return m_failure; }

  int align() const { return Int("Align"); }
  void setAlign(int value) { Put("Align", Variant(static_cast<int16_t>(value))); }
  int backStyle() const { return Int("BackStyle"); }
  void setBackStyle(int value) { Put("BackStyle", Variant(static_cast<int16_t>(value))); }
  QColor borderColor() const { return Color("BorderColor"); }
  void setBorderColor(const QColor& value) { PutColor("BorderColor", value); }
  double borderWidth() const { return Double("BorderWidth"); }
  void setBorderWidth(double value) { Put("BorderWidth", Variant(value)); }
  int jpgQuality() const { return Int("JpgQuality"); }
  void setJpgQuality(int value) { Put("JpgQuality", Variant(static_cast<int32_t>(value))); }
  bool showBorder() const { return Bool("ShowBorder"); }
  void setShowBorder(bool value) { Put("ShowBorder", Variant(value)); }
  bool textBold() const { return Bool("TextBold"); }
  void setTextBold(bool value) { Put("TextBold", Variant(value)); }
  QColor textColor() const { return Color("TextColor"); }
  void setTextColor(const QColor& value) { PutColor("TextColor", value); }
  QString textFont() const { return QString::fromStdString(String("TextFont")); }
  void setTextFont(const QString& value) { Put("TextFont", Variant(value.toStdString())); }
  bool textItalic() const { return Bool("TextItalic"); }
  void setTextItalic(bool value) { Put("TextItalic", Variant(value)); }
  int textSize() const { return Int("TextSize"); }
  void setTextSize(int value) { Put("TextSize", Variant(static_cast<int16_t>(value))); }
  double zoomValue() const { return Double("ZoomValue"); }
  void setZoomValue(double value) { Put("ZoomValue", Variant(value)); }
  int tiffCompression() const { return Int("TiffCompression"); }
  void setTiffCompression(int value) { Put("TiffCompression", Variant(static_cast<int32_t>(value))); }

 private:
  using Variant = ole::Variant;
  // The property converted to `type`; an empty variant when there is no control or the call fails.
  Variant Get(std::string_view name, ole::VARTYPE type) const;
  // Does nothing without a control; a value the control refuses leaves the property as it was.
  void Put(std::string_view name, Variant value);
  int Int(std::string_view name) const { return Get(name, ole::VT_I4).I4(); }
  double Double(std::string_view name) const { return Get(name, ole::VT_R8).R8(); }
  bool Bool(std::string_view name) const { return Get(name, ole::VT_BOOL).BoolVal() != 0; }
  std::string String(std::string_view name) const { return Get(name, ole::VT_BSTR).Bstr(); }
  // OLE colours are 0x00BBGGRR; a system colour (bit 31) shows as its index in the low byte.
  QColor Color(std::string_view name) const;
  void PutColor(std::string_view name, const QColor& value);

  host::DesktopControl m_control;
  std::string m_failure;
};

}  // namespace tavlen
