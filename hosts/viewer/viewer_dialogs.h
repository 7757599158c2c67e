// The questions the viewer asks before a call (quality, compression, page, size) and the dialogs that
// edit the control's appearance, text and tags by name. Each edits nothing when it is cancelled.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "hosts/viewer/displayed_size.h"

class QWidget;

namespace tavlen::viewer {

class AutomationClient;

std::optional<int32_t> AskJpegQuality(QWidget* parent, int32_t current);
// A TiffCompression value; the bilevel schemes are marked as turning the picture black and white.
std::optional<int32_t> AskTiffCompression(QWidget* parent, int32_t current);
// 1 ... pageCount.
std::optional<int32_t> AskPage(QWidget* parent, const QString& file, int32_t pageCount);
// Width and height from 1 up, the aspect kept unless the user unticks it.
std::optional<Extent> AskNewSize(QWidget* parent, Extent current);

// The dialogs below read the control's properties, show them and write back what was changed; they
// return the first failing call's message, or nothing.
struct DialogOutcome {
  bool accepted = false;
  QString error;
};

DialogOutcome EditBackground(QWidget* parent, AutomationClient& control);
DialogOutcome EditBorder(QWidget* parent, AutomationClient& control);
// Text properties, then one of the drawing methods the control offers at the chosen picture point.
DialogOutcome StampText(QWidget* parent, AutomationClient& control);
DialogOutcome EditTags(QWidget* parent, AutomationClient& control);

}  // namespace tavlen::viewer
