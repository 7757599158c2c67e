// The headless clipboard: one store for the process, with the open/close protocol of a desktop
// clipboard and a switch that lets a host pretend another program holds it.
#include "platform/window/clipboard.h"

#include <map>
#include <mutex>

namespace tavlen::win {

namespace {

bool MatchesFormat(uint32_t format, const ClipboardData& data) {
  if (format == CF_BITMAP) return std::holds_alternative<gfx::Bitmap::Ptr>(data) && std::get<0>(data) != nullptr;
  if (format == CF_TEXT || format == CF_UNICODETEXT) return std::holds_alternative<std::string>(data);
  return false;
}

class HeadlessClipboard final : public ClipboardService {
 public:
  // One process has no other windows to tell about a change of owner, so the owner is not kept.
  BOOL Open(const Window* /*owner*/) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_busy || m_open) return FALSE;
    m_open = true;
    return TRUE;
  }

  BOOL Empty() override {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open) return FALSE;
    m_items.clear();
    return TRUE;
  }

  BOOL SetData(uint32_t format, ClipboardData& data) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open || !MatchesFormat(format, data)) return FALSE;
    m_items[format] = std::move(data);
    return TRUE;
  }

  BOOL Close() override {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open) return FALSE;
    m_open = false;
    return TRUE;
  }

  std::vector<uint32_t> Formats() const override {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<uint32_t> formats;
    for (const auto& item : m_items) formats.push_back(item.first);
    return formats;
  }

  gfx::Bitmap::Ptr CopyBitmap() const override {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_items.find(CF_BITMAP);
    if (found == m_items.end()) return nullptr;
    auto copy = std::get<gfx::Bitmap::Ptr>(found->second)->Clone();
    return copy.Ok() ? std::move(copy).Value() : nullptr;
  }

  void SetBusy(bool busy) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_busy = busy;
  }

  bool Busy() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_busy;
  }

 private:
  mutable std::mutex m_mutex;
  bool m_open = false;
  bool m_busy = false;
  std::map<uint32_t, ClipboardData> m_items;
};

HeadlessClipboard& Headless() {
  static HeadlessClipboard store;
  return store;
}

std::mutex g_serviceMutex;
ClipboardService* g_installed = nullptr;

}  // namespace

ClipboardService& Clipboard() {
  std::lock_guard<std::mutex> lock(g_serviceMutex);
  return g_installed ? *g_installed : Headless();
}

void InstallClipboardService(ClipboardService* service) {
  std::lock_guard<std::mutex> lock(g_serviceMutex);
  g_installed = service;
}

void SetHeadlessClipboardBusy(bool busy) { Headless().SetBusy(busy); }
bool IsHeadlessClipboardBusy() { return Headless().Busy(); }

}  // namespace tavlen::win
