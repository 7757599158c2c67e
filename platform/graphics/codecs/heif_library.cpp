// Opening libheif and finding its calls.
#include "platform/graphics/codecs/heif_library.h"

#include <dlfcn.h>

#include <memory>

namespace tavlen::gfx {
namespace {

template <typename Function>
bool Find(void* library, const char* name, Function& out, std::string& missing) {
  out = reinterpret_cast<Function>(::dlsym(library, name));
  if (out == nullptr && missing.empty()) missing = name;
  return out != nullptr;
}

struct Loaded {
  std::string reason;
  std::unique_ptr<const HeifLibrary> library;
};

const Loaded& Process() {
  static const Loaded loaded = [] {
    Loaded l;
    l.library = LoadHeifLibrary("libheif.so.1", l.reason);
    return l;
  }();
  return loaded;
}

}  // namespace

std::unique_ptr<const HeifLibrary> LoadHeifLibrary(const char* fileName, std::string& reason) {
  void* handle = ::dlopen(fileName, RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* error = ::dlerror();
    reason = std::string("HEIF pictures need libheif, which could not be opened: ") + (error ? error : fileName);
    return nullptr;
  }
  auto heif = std::make_unique<HeifLibrary>();
  std::string missing;
  Find(handle, "heif_context_alloc", heif->contextAlloc, missing);
  Find(handle, "heif_context_free", heif->contextFree, missing);
  Find(handle, "heif_context_read_from_memory_without_copy", heif->readFromMemory, missing);
  Find(handle, "heif_context_set_maximum_image_size_limit", heif->setMaximumImageSizeLimit, missing);
  Find(handle, "heif_context_get_number_of_top_level_images", heif->topLevelImageCount, missing);
  Find(handle, "heif_context_get_list_of_top_level_image_IDs", heif->topLevelImageIds, missing);
  Find(handle, "heif_context_get_image_handle", heif->imageHandle, missing);
  Find(handle, "heif_image_handle_release", heif->handleRelease, missing);
  Find(handle, "heif_image_handle_get_width", heif->handleWidth, missing);
  Find(handle, "heif_image_handle_get_height", heif->handleHeight, missing);
  Find(handle, "heif_image_handle_has_alpha_channel", heif->handleHasAlpha, missing);
  Find(handle, "heif_image_handle_get_raw_color_profile_size", heif->rawProfileSize, missing);
  Find(handle, "heif_image_handle_get_raw_color_profile", heif->rawProfile, missing);
  Find(handle, "heif_image_handle_get_list_of_metadata_block_IDs", heif->metadataIds, missing);
  Find(handle, "heif_image_handle_get_metadata_size", heif->metadataSize, missing);
  Find(handle, "heif_image_handle_get_metadata", heif->metadata, missing);
  Find(handle, "heif_decode_image", heif->decodeImage, missing);
  Find(handle, "heif_image_get_primary_width", heif->imageWidth, missing);
  Find(handle, "heif_image_get_primary_height", heif->imageHeight, missing);
  Find(handle, "heif_image_get_plane_readonly", heif->planeReadonly, missing);
  Find(handle, "heif_image_release", heif->imageRelease, missing);
  if (!missing.empty()) {
    // Kept open all the same: unloading what its own constructors set up is not safe.
    reason = std::string("HEIF pictures need libheif, whose ") + fileName + " lacks " + missing;
    return nullptr;
  }
  return heif;
}

const HeifLibrary* Heif() { return Process().library.get(); }

const std::string& HeifUnavailableReason() { return Process().reason; }

}  // namespace tavlen::gfx
