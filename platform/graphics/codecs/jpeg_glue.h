// libjpeg error handling shared by the JPEG decoder and encoder: errors end in a longjmp, messages are dropped.
#pragma once

#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first

namespace tavlen::gfx::jpeg_glue {

// A message code of our own, outside libjpeg's table: the decoder's scan limit was reached.
inline constexpr int kScanLimitCode = 0x7FFF;

struct ErrorManager {
  jpeg_error_mgr pub;  // first member: libjpeg hands back a pointer to it
  std::jmp_buf jump;
  int code = 0;  // msg_code of the error that stopped libjpeg
};

[[noreturn]] inline void ExitByJump(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  err->code = cinfo->err->msg_code;
  std::longjmp(err->jump, 1);
}

// Warnings are counted (libjpeg relies on num_warnings) but never printed.
inline void CountMessage(j_common_ptr cinfo, int level) {
  if (level < 0) cinfo->err->num_warnings++;
}

inline void DropMessage(j_common_ptr) {}

inline jpeg_error_mgr* InstallErrorManager(ErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = ExitByJump;
  err.pub.emit_message = CountMessage;
  err.pub.output_message = DropMessage;
  return &err.pub;
}

// The one place where libjpeg may longjmp to: runs step(arg) and returns false when libjpeg raised an
// error. Steps call libjpeg on plain C data only, so no destructor is skipped by the jump.
inline bool RunGuarded(ErrorManager& err, void (*step)(void*), void* arg) {
  if (setjmp(err.jump) != 0) return false;
  step(arg);
  return true;
}

}  // namespace tavlen::gfx::jpeg_glue
