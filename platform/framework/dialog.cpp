// The dialog service: a backend's when one is installed, else the headless one, where every modal
// dialog is recorded with its caption and texts and closed at once with the answer the host configured.
#include "platform/framework/dialog.h"

#include <atomic>
#include <mutex>

#include "platform/base/ascii.h"

namespace tavlen::fw {

namespace {

struct DialogLog {
  std::mutex mutex;
  DialogAnswer answer = DialogAnswer::Ok;
  bool answerSet = false;
  std::vector<ShownDialog> shown;
};

std::atomic<DialogService*> g_dialogService{nullptr};

DialogLog& Log() {
  static DialogLog log;
  return log;
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
  Log().answerSet = true;
}

DialogAnswer GetDialogAnswer() {
  std::lock_guard<std::mutex> lock(Log().mutex);
  return Log().answer;
}

bool HostAnswersDialogs() {
  std::lock_guard<std::mutex> lock(Log().mutex);
  return Log().answerSet;
}

void RecordShownDialog(std::string caption, std::vector<std::string> texts, DialogAnswer answer) {
  std::lock_guard<std::mutex> lock(Log().mutex);
  Log().shown.push_back({std::move(caption), std::move(texts), DialogAnswerName(answer)});
}

std::vector<std::string> DialogTexts(const DialogTemplate& dialog) {
  std::vector<std::string> texts;
  for (const DialogItem& item : dialog.items) {
    if (item.text && *item.text) texts.emplace_back(item.text);
  }
  return texts;
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
  if (DialogService* backend = InstalledDialogService()) return backend->RunModal(m_template);
  return RunHeadless(m_template.caption ? m_template.caption : "", DialogTexts(m_template));
}

int32_t ShowPropertyFrame(std::string_view objectName, std::span<const COlePropertyPage* const> pages) {
  std::string caption = std::string(objectName) + " Properties";
  if (DialogService* backend = InstalledDialogService()) return backend->RunPropertyFrame(caption, pages);
  return RunHeadless(std::move(caption), PropertyFrameTexts(pages));
}

std::vector<std::string> PropertyFrameTexts(std::span<const COlePropertyPage* const> pages) {
  std::vector<std::string> texts;
  for (const COlePropertyPage* page : pages) texts.push_back(page->Caption());
  for (const COlePropertyPage* page : pages) {
    for (std::string& text : DialogTexts(page->Template())) texts.push_back(std::move(text));
  }
  for (const char* button : {"OK", "Cancel", "Apply"}) texts.emplace_back(button);
  return texts;
}

void InstallDialogService(DialogService* service) { g_dialogService.store(service); }

DialogService* InstalledDialogService() { return g_dialogService.load(); }

}  // namespace tavlen::fw
