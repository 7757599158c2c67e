// CTavlenCtrl, the picture control: its properties, view state, undo history and the thin members
// that the automation table binds. The arithmetic, painting and edits live in view/ and edit/.
#pragma once

#include <cstdint>
#include <string>

#include "control/control_version.h"
#include "edit/rotate.h"
#include "edit/undo_history.h"
#include "image/image_object.h"
#include "metadata/image_tags.h"
#include "platform/framework/ole_control.h"
#include "platform/graphics/decode_options.h"
#include "platform/window/win_types.h"
#include "text/font_list.h"
#include "text/text_overlay.h"
#include "view/picture_renderer.h"
#include "view/placement_state.h"
#include "view/viewport.h"

namespace tavlen {

namespace files {
enum class FileFormat : int32_t;
}  // namespace files

enum class PropertyChange : uint8_t;  // control/property_rows.h

using win::BOOL;

class CTavlenCtrl : public fw::COleControl {
 public:
  explicit CTavlenCtrl(ControlVersion version = ControlVersion::One);
  ~CTavlenCtrl() override;
  CTavlenCtrl(const CTavlenCtrl&) = delete;
  CTavlenCtrl& operator=(const CTavlenCtrl&) = delete;

  // The version the class factory made: the one place members ask.
  ControlVersion Version() const { return m_version; }
  bool IsVersion2() const { return m_version == ControlVersion::Two; }

  // --- Framework entries ---
  void OnResetState() override;

  // --- Change notification of a custom property, bound by the dispatch layer to every property row
  // (control/property_rows.h) and called right after it stored the value ---
  template <auto Member>
  void OnPropertyChanged();

  // --- Loading (control/loading.cpp) ---
  void LoadImage(const std::string& FilePath);
  BOOL IsSupportedImageFile(const std::string& path) const;
  BOOL FileExists(const std::string& path) const;
  // How files are decoded: version 2's colour and format settings, version 1's pictures as of old.
  gfx::DecodeOptions DecodeOptions() const;
  // Makes a decoded picture the working image and restarts the undo history.
  void InstallImage(ImageObject& decoded, uint32_t width, uint32_t height);
  // Version 2: notes the file's orientation and, with AutoOrient, turns the decoded picture upright.
  void OrientDecoded(ImageObject& decoded);
  // The EXIF orientation of the file last loaded (1 when it had none or a malformed one).
  int32_t GetImageOrientation() const;

  // --- Painting (control/painting.cpp): background, border and picture by view/picture_renderer.h ---
  void DrawImage();
  void AlignImage();
  // DrawImage onto a given context: the paint's own when only a scrolled-in strip is invalid.
  void DrawImageOn(win::DeviceContext& dc);

  // --- Pixel size, moves and shifts, pointer and picture positions (control/placement.cpp) ---
  int32_t GetWidth();
  int32_t GetHeight();
  void MoveTo(int32_t X, int32_t Y);
  void MoveXTo(int32_t X);
  void MoveYTo(int32_t Y);
  void ShiftX(int32_t X);
  void ShiftY(int32_t Y);
  double GetMouseXpos() const;
  double GetMouseYpos() const;
  double GetImageXpos() const;
  double GetImageYpos() const;

  // --- Zoom and fit (control/zoom.cpp) ---
  void Zoom();
  void ZoomByOriginal();
  void ZoomToFit();
  void ZoomToFitByWidth();
  void ZoomToFitByHeight();

  // --- Scroll positions (control/scrolling.cpp) and the scroll-bar refresh (control/scroll_bars.cpp) ---
  int32_t GetVertScrollBarPos() const;
  int32_t GetHorzScrollBarPos() const;
  void SaveScrollBarPos();
  void RestoreScrollBarPos();
  void SetScrollBarPos(int32_t X, int32_t Y);
  void UpdateScrollBars();

  // --- Undo history (control/editing.cpp, history in edit/undo_history.h) ---
  void Undo();
  int32_t GetUndo() const;
  void Redo();
  int32_t GetRedo() const;
  void RecordSnapshot();
  void PushUndoSnapshot();

  // --- Rotation, flip and resize (control/editing.cpp, operations in edit/) ---
  void Rotate90();
  void Rotate180();
  void Rotate270();
  void Flip(BOOL Vertically);
  void Resize(int32_t NewWidth, int32_t NewHeight);

  // --- Text overlays and the installed font list (control/text_methods.cpp) ---
  void DrawText(int16_t X, int16_t Y, const std::string& Text);
  void DrawWaterMarkText(int32_t X, int32_t Y, const std::string& Text);
  void DrawOutlineText(int32_t X, int32_t Y, const std::string& Text);
  void DrawFillOutlineText(int32_t X, int32_t Y, const std::string& Text, int32_t FillColor);
  void DrawShadowText(int32_t X, int32_t Y, const std::string& Text, int32_t ShadowColor);
  void LoadFontFamilies();
  void FreeFontFamilies();
  int32_t GetTextFontCount();
  std::string GetTextFont(int16_t Index);

  // --- Metadata tags (control/tag_methods.cpp) ---
  std::string GetImageArtist();
  std::string GetImageCopyright();
  std::string GetImageDateTime();
  std::string GetImageDescription();
  std::string GetImageEquipMake();
  std::string GetImageEquipModel();
  std::string GetImageTitle();
  void SetImageArtist(const std::string& Artist);
  void SetImageCopyright(const std::string& Copyright);
  void SetImageDateTime(const std::string& DateTime);
  void SetImageDescription(const std::string& Description);
  void SetImageEquipMake(const std::string& EquipMake);
  void SetImageEquipModel(const std::string& EquipModel);
  void SetImageTitle(const std::string& Title);
  // Version 2: any tag as text (exposure data, lens, date taken), and whether the picture carries a colour
  // profile.
  std::string GetImageTagText(int32_t TagId) const;
  BOOL HasColorProfile() const;

  // --- Colour conversions, from 1-bit, pixel queries (control/editing_methods.cpp) ---
  void ConvertImageToGrayScaled();
  void ConvertImageToBlackWhite();
  void ConvertFrom1bpp();
  int32_t GetPixelColor(int32_t X, int32_t Y);
  int32_t GetPixelRed(int32_t X, int32_t Y);
  int32_t GetPixelGreen(int32_t X, int32_t Y);
  int32_t GetPixelBlue(int32_t X, int32_t Y);

  // --- Saving, file-to-file conversion, frames (control/file_methods.cpp) ---
  BOOL SaveAsBmp(const std::string& FilePath);
  BOOL SaveAsGif(const std::string& FilePath);
  BOOL SaveAsJpg(const std::string& FilePath);
  BOOL SaveAsPng(const std::string& FilePath);
  BOOL SaveAsTif(const std::string& FilePath);
  BOOL SaveAsWebp(const std::string& FilePath);
  BOOL ConvertToBmp(const std::string& SourcePath, const std::string& DestinationPath);
  BOOL ConvertToGif(const std::string& SourcePath, const std::string& DestinationPath);
  BOOL ConvertToJpg(const std::string& SourcePath, const std::string& DestinationPath);
  BOOL ConvertToPng(const std::string& SourcePath, const std::string& DestinationPath);
  BOOL ConvertToTif(const std::string& SourcePath, const std::string& DestinationPath);
  BOOL ConvertToWebp(const std::string& SourcePath, const std::string& DestinationPath);
  int32_t GetFrameCount(const std::string& FilePath);
  void LoadFrame(const std::string& FilePath, int32_t Page);
  BOOL ExportFrame(const std::string& SourcePath, const std::string& DestinationPath, const std::string& Type,
                   int32_t Page);

  // --- The working image's pixels for in-process hosts (control/picture_pixels.cpp) ---
  // The working image itself, null while there is none; its pixels stay the control's.
  gfx::Bitmap* PictureBitmap() const;
  // Makes `picture` the working image at its own size, recorded as an edit.
  void ReplacePicture(gfx::Bitmap::Ptr picture);

  // --- Handing a loaded picture to another control (control/picture_handover.cpp) ---
  // What decides how a file is decoded and turned: a picture decoded under other settings would not be
  // the one this control loads.
  struct LoadSettings {
    bool autoOrient = false;
    bool colorManaged = false;
    bool extraFormats = false;
    bool operator==(const LoadSettings&) const = default;
  };
  // Everything a load leaves behind that a later call reads.
  struct LoadedPicture {
    ImageObject::Ptr image;
    UndoHistory history;
    int32_t fileOrientation = 1;
    LoadSettings settings;
  };
  LoadSettings CurrentLoadSettings() const;
  enum class Handover { Done, NoPicture, Changed, OtherSettings };
  // Moves the picture as loaded out and leaves the control as a failed load does: NoPicture or
  // Changed (an undo or redo step exists), with nothing moved, otherwise.
  Handover DetachLoaded(LoadedPicture& out);
  // Installs a picture detached from another control as LoadImage installs a decoded one; NoPicture
  // for an empty one and OtherSettings for one decoded otherwise, with the current picture kept.
  Handover AdoptLoaded(LoadedPicture& picture);

  // --- About box and the Properties verb (control/about_box.cpp) ---
  void AboutBox();
  void OnProperties() override;

  // --- Printing and the clipboard copy (control/output_methods.cpp) ---
  BOOL PrintImage();
  BOOL PrintImageBySize(int32_t Width, int32_t Height);
  void CopyToClipboard();

  // --- Custom properties, read and written directly by the dispatch layer. Their defaults, which
  // are saved and what a change does are their rows in control/property_rows.h; construction sets
  // every one to its default. ---
  int16_t m_align{};      // ImageAlign 0-7
  int16_t m_backStyle{};  // 0 plain fill, 1-53 hatch style n - 1
  fw::OLE_COLOR m_borderColor{};
  double m_borderWidth{};
  int32_t m_jpgQuality{};
  BOOL m_showBorder{};
  BOOL m_textBold{};
  fw::OLE_COLOR m_textColor{};
  std::string m_textFont;
  BOOL m_textItalic{};
  int16_t m_textSize{};
  double m_zoomValue{};
  int32_t m_tiffCompression{};  // a TiffCompression value
  BOOL m_autoOrient{};          // read at the next load
  BOOL m_colorManaged{};        // read at the next load
  BOOL m_extraFormats{};        // read at the next load

 protected:
  void OnDraw(win::DeviceContext* dc, const fw::RECT& bounds, const fw::RECT& invalid) override;
  void DoPropExchange(fw::CPropExchange* pPX) override;
  void OnDestroy() override;
  void OnMouseMove(uint32_t flags, fw::POINT point) override;
  void OnHScroll(uint32_t code, uint32_t position) override;
  void OnVScroll(uint32_t code, uint32_t position) override;
  BOOL OnMouseWheel(uint32_t flags, int16_t delta, fw::POINT point) override;
  // Version 2's PictureChanged event; the object that hosts the control fires it to the sinks.
  virtual void FirePictureChanged() {}

 private:
  friend class CTavlenCtrlProbe;  // lets tests read the view state and inject a failed status

  // After every edit, undo, redo and load: version 2 announces it.
  void PictureChanged();
  // What a property's change does beyond storing it (OnPropertyChanged, from its row).
  void ApplyPropertyChange(PropertyChange change);
  // Version 2: after a turn or mirror the picture is upright as it stands, whatever its tag said.
  void MarkTurnedUpright();
  // After a new working image and history (or none): placed by Align, repainted, announced.
  void ShowInstalled(uint32_t width, uint32_t height);
  // Installs a state the history gave back; a state without a picture keeps the current one.
  void InstallRestored(UndoHistory::Restored restored);
  // Invalidates (0, 0, m_clientWidth, m_clientHeight) with erasing.
  void InvalidateClientArea();
  ClientSize Client() const { return ClientSize{m_clientWidth, m_clientHeight}; }
  // The shared end of every zoom, accepted or not: re-align, refresh the bars, repaint.
  void FinishZoom();
  void FitTo(FitMode mode);
  // One scroll message on one axis.
  void ScrollOneAxis(ScrollAxis axis, uint32_t code, uint32_t position);
  // Sets the bar and moves the picture by the position the bar accepted (MoveXTo or MoveYTo).
  void ScrollTo(ScrollAxis axis, int32_t position);
  // Moves a painted picture that covers the client area before and after by (dx, dy) by moving the
  // window's pixels, leaving only the uncovered strip to paint. False when that does not apply.
  bool ScrollPaintedPicture(int32_t dx, int32_t dy);
  // The quarter turns and the half turn share their steps; `announce` false leaves PictureChanged to
  // the caller, for an edit made of several turns.
  void TurnImage(edit::Turn turn, bool announce = true);
  // The shared frame of the five text overlays: font and colours from the properties, then a snapshot.
  void StampText(text::TextStyle style, int32_t x, int32_t y, const std::string& text, fw::OLE_COLOR extraColor);
  std::string GetImageTag(metadata::ImageTag tag) const;
  void SetImageTag(metadata::ImageTag tag, const std::string& text);
  // The shared bodies of the five saves and the five conversions.
  BOOL SaveWorkingImage(const std::string& FilePath, files::FileFormat format);
  // The TiffCompression value that this version's saves and conversions use.
  int32_t TiffCompressionSetting() const;
  BOOL ConvertFileTo(const std::string& SourcePath, const std::string& DestinationPath, files::FileFormat format);

  const ControlVersion m_version;
  int32_t m_fileOrientation = 1;
  BOOL m_vertBarShown = win::FALSE;
  BOOL m_horzBarShown = win::FALSE;
  BOOL m_vertPosSaved = win::FALSE;
  BOOL m_horzPosSaved = win::FALSE;
  BOOL m_scrollBarsCreated = win::FALSE;
  int32_t m_savedVertPos = 0;
  int32_t m_savedHorzPos = 0;
  uint32_t m_hotKeyAtom = 0;
  BOOL m_hotKeyRegistered = win::FALSE;  // so that destruction releases only what construction got
  int32_t m_mouseX = 0;
  int32_t m_mouseY = 0;
  // The displayed rectangle (the picture's left and top and its displayed width and height, in
  // client pixels) with the arithmetic that places, zooms and scrolls it.
  Viewport m_viewport;
  // Whether the next paint aligns, fills, or paints only what a pixel scroll left invalid.
  PlacementState m_placement;
  // The client size, taken by OnDraw at every paint.
  int32_t m_clientWidth = 0;
  int32_t m_clientHeight = 0;
  ImageObject::Ptr m_image;  // the working image, null while no picture is loaded
  PictureRenderer m_renderer;
  UndoHistory m_undo;
  text::FontList m_fontFamilies;  // taken at its first use (control/text_methods.cpp)
};

}  // namespace tavlen
