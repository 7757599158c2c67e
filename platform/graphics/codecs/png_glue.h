// Shared glue between the PNG decoder and encoder and libpng: per-call error context and handle owners.
#pragma once

#include <png.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/graphics/status.h"

namespace tavlen::gfx::png_glue {

// What libpng reported during one call. libpng's own messages never reach stdout/stderr.
struct ErrorContext {
  char message[160] = {};
  bool outOfMemory = false;
  bool writeFailed = false;
  int warnings = 0;
};

// Error callback: remembers the message and unwinds to the one setjmp of the call.
[[noreturn]] inline void OnError(png_structp png, png_const_charp message) {
  auto* ctx = static_cast<ErrorContext*>(png_get_error_ptr(png));
  if (ctx != nullptr && message != nullptr) {
    std::strncpy(ctx->message, message, sizeof(ctx->message) - 1);
    if (std::strstr(message, "memory") != nullptr || std::strstr(message, "Out of") != nullptr) ctx->outOfMemory = true;
  }
  png_longjmp(png, 1);
}

inline void OnWarning(png_structp png, png_const_charp) {
  auto* ctx = static_cast<ErrorContext*>(png_get_error_ptr(png));
  if (ctx != nullptr) ++ctx->warnings;
}

// libpng allocates whatever a chunk header declares before reading it; this allocator caps single blocks
// far above any row buffer or accepted chunk, so that a forged length becomes OutOfMemory, not 2 GiB.
inline constexpr size_t kMaxLibpngBlock = 64u << 20;

inline png_voidp CappedMalloc(png_structp, png_alloc_size_t size) {
  return size <= kMaxLibpngBlock ? std::malloc(size) : nullptr;
}

inline void CappedFree(png_structp, png_voidp ptr) { std::free(ptr); }

inline Status StatusOf(const ErrorContext& ctx) { return ctx.outOfMemory ? Status::OutOfMemory : Status::GenericError; }

// Owners of a libpng read or write struct with its info struct (libpng destroys them together).
struct ReadStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ReadStructs() = default;
  ReadStructs(const ReadStructs&) = delete;
  ReadStructs& operator=(const ReadStructs&) = delete;
  ~ReadStructs() {
    if (png != nullptr) png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
  }
};

struct WriteStructs {
  png_structp png = nullptr;
  png_infop info = nullptr;
  WriteStructs() = default;
  WriteStructs(const WriteStructs&) = delete;
  WriteStructs& operator=(const WriteStructs&) = delete;
  ~WriteStructs() {
    if (png != nullptr) png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
  }
};

}  // namespace tavlen::gfx::png_glue
