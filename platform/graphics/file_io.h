// The imaging library's whole-file reads and atomic writes as statuses: a failed write keeps what was there.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/graphics/limits.h"
#include "platform/graphics/status.h"

namespace tavlen::gfx {

// FileNotFound for a missing path, AccessDenied for a directory or unreadable file,
// OutOfMemory above limits.maxFileBytes.
Status ReadWholeFile(const std::string& path, std::vector<uint8_t>& out, const DecodeLimits& limits = kDefaultLimits);

// Writes to a temporary file beside `path` and renames it into place; on any failure the temporary
// is removed and an existing file at `path` stays as it was.
Status WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace tavlen::gfx
