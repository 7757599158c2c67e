// Modal dialogs described as data (caption and items with texts and rectangles), the property frame
// that shows a control's property pages, and the headless backend that records and answers them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavlen::fw {

inline constexpr int32_t IDOK = 1;
inline constexpr int32_t IDCANCEL = 2;

// A rectangle in dialog units: position and size.
struct DialogRect {
  int16_t x = 0;
  int16_t y = 0;
  int16_t cx = 0;
  int16_t cy = 0;
  friend constexpr bool operator==(const DialogRect&, const DialogRect&) = default;
};

// One image of an icon that a dialog shows: 0xAARRGGBB words, rows top-down.
struct DialogIcon {
  int32_t width = 0;
  int32_t height = 0;
  std::span<const uint32_t> pixels;
};

enum class DialogItemKind : uint8_t { Icon, Text, CenteredText, DefaultButton, Button };

struct DialogItem {
  DialogItemKind kind = DialogItemKind::Text;
  int32_t id = -1;  // -1 for static items
  const char* text = "";
  DialogRect rect;
  int32_t resource = 0;  // the icon resource of an Icon item
};

enum class DialogKind : uint8_t {
  ModalPopup,  // caption, system menu, modal frame
  ChildPage,   // no caption or border: a page inside a frame
};

// Every pointer and span refers to static data.
struct DialogTemplate {
  int32_t id = 0;
  DialogKind kind = DialogKind::ModalPopup;
  const char* caption = "";
  DialogRect rect;
  const char* fontName = "";
  int16_t fontPoints = 8;
  std::span<const DialogItem> items;
};

// How the host closes the dialogs that a headless process shows.
enum class DialogAnswer : uint8_t { Ok, Cancel, Escape };

// "ok", "cancel", "escape" (any case); false for anything else, *answer unchanged then.
bool ParseDialogAnswer(std::string_view text, DialogAnswer* answer);
const char* DialogAnswerName(DialogAnswer answer);

// Process-wide: the answer every following dialog gets (Ok until set).
void SetDialogAnswer(DialogAnswer answer);
DialogAnswer GetDialogAnswer();
// Whether a host has set an answer: a scripted host has, an interactive one leaves dialogs to the user.
bool HostAnswersDialogs();

// A dialog as it was shown: its caption, the texts of its items in order, and how it was closed.
struct ShownDialog {
  std::string caption;
  std::vector<std::string> texts;
  std::string result;  // "ok", "cancel" or "escape"
};
std::vector<ShownDialog> ShownDialogs();
void ClearShownDialogs();

// Adds a dialog that a backend showed, closed with `answer`, to the list ShownDialogs returns.
void RecordShownDialog(std::string caption, std::vector<std::string> texts, DialogAnswer answer);
// The texts a dialog on this template shows, in item order (what ShownDialogs lists for it).
std::vector<std::string> DialogTexts(const DialogTemplate& dialog);

// Records a dialog that has no template of ours (a common dialog such as Print) and closes it with
// the configured answer: IDOK, or IDCANCEL when cancelled or escaped.
int32_t RunRecordedDialog(std::string caption, std::vector<std::string> texts);

// A modal dialog on a template. DoModal returns IDOK when closed with OK, IDCANCEL when cancelled or
// escaped; the headless backend records the dialog and closes it with the configured answer at once.
class CDialog {
 public:
  explicit CDialog(const DialogTemplate& dialog) : m_template(dialog) {}
  const DialogTemplate& Template() const { return m_template; }
  int32_t DoModal();

 private:
  const DialogTemplate& m_template;
};

// A property page: a child dialog shown on a tab of the property frame.
class COlePropertyPage {
 public:
  COlePropertyPage(const DialogTemplate& dialog, std::string caption)
      : m_template(dialog), m_caption(std::move(caption)) {}
  virtual ~COlePropertyPage() = default;
  const DialogTemplate& Template() const { return m_template; }
  const std::string& Caption() const { return m_caption; }

 private:
  const DialogTemplate& m_template;
  std::string m_caption;
};

// The property frame of an object: caption "<objectName> Properties", one tab per page, and the
// buttons OK, Cancel and Apply. Returns IDOK or IDCANCEL as CDialog does.
int32_t ShowPropertyFrame(std::string_view objectName, std::span<const COlePropertyPage* const> pages);
// What ShownDialogs lists for a property frame: the tab captions, the pages' texts, the buttons.
std::vector<std::string> PropertyFrameTexts(std::span<const COlePropertyPage* const> pages);

// A backend's dialogs: it shows CDialog and the property frame itself and records what it showed.
// Both return IDOK or IDCANCEL.
class DialogService {
 public:
  virtual ~DialogService() = default;
  virtual int32_t RunModal(const DialogTemplate& dialog) = 0;
  virtual int32_t RunPropertyFrame(const std::string& caption, std::span<const COlePropertyPage* const> pages) = 0;
};

// A backend's service (null restores the headless one). It must outlive its use.
void InstallDialogService(DialogService* service);
DialogService* InstalledDialogService();

}  // namespace tavlen::fw
