// The dialog service of the headless backend: every modal dialog is recorded with its caption and
// texts, and closed at once with the answer the host configured.
#include "platform/framework/dialog.h"

#include <mutex>

#include "platform/base/ascii.h"

namespace tavlen::fw {

namespace {

struct DialogLog {
  std::mutex mutex;
  DialogAnswer answer = DialogAnswer::Ok;
  std::vector<ShownDialog> shown;
};

DialogLog& Log() {
  static DialogLog log;
  return log;
}

void AppendTexts(const DialogTemplate& dialog, std::vector<std::string>& texts) {
  for (const DialogItem& item : dialog.items) {
    if (item.text && *item.text) texts.emplace_back(item.text);
  }
}

// Records the dialog and closes it as the host asked; Escape closes like Cancel.
int32_t RunHeadless(std::string caption, std::vector<std::string> texts) {
  DialogLog& log = Log();
  std::lock_guard<std::mutex> lock(log.mutex);
  log.shown.push_back({std::move(caption), std::move(texts), DialogAnswerName(log.answer)});
  return log.answer == DialogAnswer::Ok ? IDOK : IDCANCEL;
}

}  // namespace

bool ParseDialogAnswer(std::string_view text, DialogAnswer* answer) {
  for (DialogAnswer candidate : {DialogAnswer::Ok, DialogAnswer::Cancel, DialogAnswer::Escape}) {
    if (base::EqualsNoCase(text, DialogAnswerName(candidate))) {
      *answer = candidate;
      return true;
    }
  }
  return false;
}

const char* DialogAnswerName(DialogAnswer answer) {
  switch (answer) {
    case DialogAnswer::Ok:
      return "ok";
    case DialogAnswer::Cancel:
      return "cancel";
    case DialogAnswer::Escape:
      return "escape";
  }
  return "ok";
}

void SetDialogAnswer(DialogAnswer answer) {
  std::lock_guard<std::mutex> lock(Log().mutex);
  Log().answer = answer;
}

DialogAnswer GetDialogAnswer() {
  std::lock_guard<std::mutex> lock(Log().mutex);
  return Log().answer;
}

std::vector<ShownDialog> ShownDialogs() {
  std::lock_guard<std::mutex> lock(Log().mutex);
  return Log().shown;
}

void ClearShownDialogs() {
  std::lock_guard<std::mutex> lock(Log().mutex);
  Log().shown.clear();
}

int32_t RunRecordedDialog(std::string caption, std::vector<std::string> texts) {
  return RunHeadless(std::move(caption), std::move(texts));
}

int32_t CDialog::DoModal() {
  std::vector<std::string> texts;
  AppendTexts(m_template, texts);
  return RunHeadless(m_template.caption ? m_template.caption : "", std::move(texts));
}

int32_t ShowPropertyFrame(std::string_view objectName, std::span<const COlePropertyPage* const> pages) {
  std::vector<std::string> texts;
  for (const COlePropertyPage* page : pages) texts.push_back(page->Caption());
  for (const COlePropertyPage* page : pages) AppendTexts(page->Template(), texts);
  for (const char* button : {"OK", "Cancel", "Apply"}) texts.emplace_back(button);
  return RunHeadless(std::string(objectName) + " Properties", std::move(texts));
}

}  // namespace tavlen::fw
