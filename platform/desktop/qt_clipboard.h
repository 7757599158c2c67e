// The desktop's clipboard on QClipboard: a change arrives whole from the control module, and other
// programs read a bitmap as image/png, image/bmp and Qt's image type, and text as text/plain.
#pragma once

#include <QImage>
#include <optional>

#include "platform/desktop/desktop_port.h"

namespace tavlen::desktop {

// The picture as an opaque QImage (RGB32); a null image when its size and pixels disagree.
QImage ToQImage(const Rgb32Image& picture);
// The image as opaque words; nullopt for a null image.
std::optional<Rgb32Image> FromQImage(const QImage& image);

class QtClipboard final : public DesktopClipboard {
 public:
  bool Available() const override;
  // The desktop's clipboard is this process's from here for as long as it runs its event loop.
  bool Publish(ClipboardContent content) override;
  bool HasText() const override;
  bool HasImage() const override;
  std::optional<Rgb32Image> Image() const override;
};

}  // namespace tavlen::desktop
