// Opening libcups and finding its calls.
#include "platform/window/cups_library.h"

#include <dlfcn.h>

namespace tavlen::win::detail {

namespace {

template <typename Function>
bool Find(void* library, const char* name, Function& out) {
  out = reinterpret_cast<Function>(::dlsym(library, name));
  return out != nullptr;
}

const CupsLibrary* Open() {
  void* library = ::dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
  if (!library) return nullptr;
  static CupsLibrary cups;
  const bool complete =
      Find(library, "cupsAddOption", cups.addOption) && Find(library, "cupsFreeOptions", cups.freeOptions) &&
      Find(library, "cupsCreateJob", cups.createJob) && Find(library, "cupsStartDocument", cups.startDocument) &&
      Find(library, "cupsWriteRequestData", cups.writeRequestData) &&
      Find(library, "cupsFinishDocument", cups.finishDocument) && Find(library, "cupsCancelJob2", cups.cancelJob) &&
      Find(library, "cupsGetNamedDest", cups.getNamedDest) && Find(library, "cupsFreeDests", cups.freeDests) &&
      Find(library, "cupsCopyDestInfo", cups.copyDestInfo) && Find(library, "cupsFreeDestInfo", cups.freeDestInfo) &&
      Find(library, "cupsGetDestMediaDefault", cups.getDestMediaDefault);
  // A library without every call is kept open all the same: unloading what its own constructors set up is
  // not safe, and it stays unused.
  return complete ? &cups : nullptr;
}

}  // namespace

const CupsLibrary* Cups() {
  static const CupsLibrary* const cups = Open();
  return cups;
}

}  // namespace tavlen::win::detail
