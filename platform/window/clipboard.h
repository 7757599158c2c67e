// The clipboard service: open, empty, set and close with an owner, formats by number. A backend may
// install its own service; without one the headless store serves the whole process.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/graphics/bitmap.h"
#include "platform/window/win_types.h"

namespace tavlen::win {

class Window;

// Standard format numbers.
enum ClipboardFormat : uint32_t { CF_TEXT = 1, CF_BITMAP = 2, CF_UNICODETEXT = 13 };

// Window framebuffers hold opaque 32-bit words, so bitmaps compatible with a window use this format.
inline constexpr gfx::PixelFormat kDisplayPixelFormat = gfx::PixelFormat::RGB32bpp;

// What one format holds: a bitmap (CF_BITMAP) or text (CF_TEXT, CF_UNICODETEXT; UTF-8 here).
using ClipboardData = std::variant<gfx::Bitmap::Ptr, std::string>;

class ClipboardService {
 public:
  virtual ~ClipboardService() = default;
  // FALSE while another owner has it open (or another program holds it).
  virtual BOOL Open(const Window* owner) = 0;
  // Both need the clipboard open by the caller. Empty discards every format and takes ownership.
  virtual BOOL Empty() = 0;
  // Takes `data` (left moved-from) only when it returns TRUE; on FALSE the caller still owns it.
  // Refused for a format whose number does not match the kind of data.
  virtual BOOL SetData(uint32_t format, ClipboardData& data) = 0;
  virtual BOOL Close() = 0;

  // Readers that need no opening (as a desktop's format enumeration and viewers do).
  virtual std::vector<uint32_t> Formats() const = 0;
  // A copy of the bitmap on the clipboard, or null when there is none.
  virtual gfx::Bitmap::Ptr CopyBitmap() const = 0;
};

// The service in use: the one a backend installed, else the process-wide headless store.
ClipboardService& Clipboard();
// A backend's service (null restores the headless one). It must outlive its use.
void InstallClipboardService(ClipboardService* service);

// The headless store's stand-in for another program: while busy, every Open fails.
void SetHeadlessClipboardBusy(bool busy);
bool IsHeadlessClipboardBusy();

// Opens the clipboard for the life of the guard and closes it again, on the service in use when it
// was opened.
class ClipboardSession {
 public:
  explicit ClipboardSession(const Window* owner) : m_service(Clipboard()), m_open(m_service.Open(owner) != FALSE) {}
  ~ClipboardSession() {
    if (m_open) (void)m_service.Close();
  }
  ClipboardSession(const ClipboardSession&) = delete;
  ClipboardSession& operator=(const ClipboardSession&) = delete;
  bool IsOpen() const { return m_open; }
  ClipboardService& Service() const { return m_service; }

 private:
  ClipboardService& m_service;
  bool m_open;
};

}  // namespace tavlen::win
