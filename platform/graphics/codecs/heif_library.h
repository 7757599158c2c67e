// libheif opened with dlopen on first use: Debian's libheif brings a GPL encoder library with it, so no
// process links it, and one without it reads every other format.
#pragma once

#include <libheif/heif.h>

#include <memory>
#include <string>

namespace tavlen::gfx {

// The libheif calls the HEIF decoder makes, typed as the header declares them.
struct HeifLibrary {
  decltype(&heif_context_alloc) contextAlloc;
  decltype(&heif_context_free) contextFree;
  decltype(&heif_context_read_from_memory_without_copy) readFromMemory;
  decltype(&heif_context_set_maximum_image_size_limit) setMaximumImageSizeLimit;
  decltype(&heif_context_get_number_of_top_level_images) topLevelImageCount;
  decltype(&heif_context_get_list_of_top_level_image_IDs) topLevelImageIds;
  decltype(&heif_context_get_image_handle) imageHandle;
  decltype(&heif_image_handle_release) handleRelease;
  decltype(&heif_image_handle_get_width) handleWidth;
  decltype(&heif_image_handle_get_height) handleHeight;
  decltype(&heif_image_handle_has_alpha_channel) handleHasAlpha;
  decltype(&heif_image_handle_get_raw_color_profile_size) rawProfileSize;
  decltype(&heif_image_handle_get_raw_color_profile) rawProfile;
  decltype(&heif_image_handle_get_list_of_metadata_block_IDs) metadataIds;
  decltype(&heif_image_handle_get_metadata_size) metadataSize;
  decltype(&heif_image_handle_get_metadata) metadata;
  decltype(&heif_decode_image) decodeImage;
  decltype(&heif_image_get_primary_width) imageWidth;
  decltype(&heif_image_get_primary_height) imageHeight;
  decltype(&heif_image_get_plane_readonly) planeReadonly;
  decltype(&heif_image_release) imageRelease;
};

// Opens the library of that file name and finds every call, without caching: null, with `reason` saying
// what failed, when it is missing or incomplete.
std::unique_ptr<const HeifLibrary> LoadHeifLibrary(const char* fileName, std::string& reason);

// The process's libheif (libheif.so.1), opened on the first call; null when it cannot be had.
const HeifLibrary* Heif();
// Why Heif() is null, for the message of a failed load; empty when it is not.
const std::string& HeifUnavailableReason();

}  // namespace tavlen::gfx
