// libtiff glue shared by the TIFF decoder and encoder: per-call message capture, handle ownership, text tags.
#pragma once

#include <tiffio.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace tavlen::gfx::tiff_glue {

// What libtiff reported during one open handle's life. Nothing is printed: the handlers below claim
// every message so that libtiff's process-wide handlers never run.
struct ErrorContext {
  bool failed = false;
  unsigned warnings = 0;
  char message[256] = {};
};

inline int OnError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
  auto* context = static_cast<ErrorContext*>(user);
  if (!context->failed) {
    int n = std::snprintf(context->message, sizeof context->message, "%s: ", module ? module : "tiff");
    if (n < 0 || static_cast<size_t>(n) >= sizeof context->message) n = 0;
    std::vsnprintf(context->message + n, sizeof context->message - n, fmt, ap);
  }
  context->failed = true;
  return 1;
}

inline int OnWarning(TIFF*, void* user, const char*, const char*, va_list) {
  static_cast<ErrorContext*>(user)->warnings++;
  return 1;
}

struct OptionsDeleter {
  void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};
using OptionsPtr = std::unique_ptr<TIFFOpenOptions, OptionsDeleter>;

// Open options that route messages into `context` and cap libtiff's single allocations (0: no cap).
inline OptionsPtr MakeOptions(ErrorContext& context, uint64_t maxSingleAlloc) {
  OptionsPtr options(TIFFOpenOptionsAlloc());
  if (!options) return options;
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), OnError, &context);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), OnWarning, &context);
  if (maxSingleAlloc != 0) {
    const uint64_t cap = maxSingleAlloc > INT64_MAX ? INT64_MAX : maxSingleAlloc;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(cap));
  }
  return options;
}

struct TiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

// The text tags kept as property items, in the order they are written.
inline constexpr uint32_t kTextTags[] = {
    270,    // ImageDescription
    271,    // Make
    272,    // Model
    306,    // DateTime
    315,    // Artist
    800,    // image title, a private tag libtiff does not know
    33432,  // Copyright
};
inline constexpr uint32_t kTitleTag = 800;

// Makes the title tag known to a handle opened for writing so that TIFFSetField takes it as text.
inline bool RegisterTitleTag(TIFF* tif) {
  static const TIFFFieldInfo kTitleField[] = {
      {kTitleTag, TIFF_VARIABLE, TIFF_VARIABLE, TIFF_ASCII, FIELD_CUSTOM, 1, 0, const_cast<char*>("ImageTitle")}};
  return TIFFMergeFieldInfo(tif, kTitleField, 1) == 0;
}

}  // namespace tavlen::gfx::tiff_glue
