// The WMF player's record loop and handlers, shared by its source files.
#pragma once

#include <cstdint>
#include <span>

#include "platform/graphics/metafile/byte_reader.h"
#include "platform/graphics/metafile/player.h"
#include "platform/graphics/metafile/renderer.h"

namespace tavlen::gfx::metafile {

class WmfPlayer {
 public:
  WmfPlayer(Renderer& renderer, const DecodeLimits& limits) : m_r(renderer), m_limits(limits) {}

  // Plays the records starting at `offset`. InvalidParameter when the first record is already broken;
  // a later broken record ends the picture there.
  Status Play(std::span<const uint8_t> bytes, size_t offset, PlayStats& stats);
  // Placeable files keep their viewport: the picture's frame is fixed by the header.
  void SetFixedViewport(bool fixed) { m_fixedViewport = fixed; }

  // Handles one record whose parameters `p` holds; false when it was not understood.
  using Handler = bool (*)(WmfPlayer&, ByteReader& p);
  bool Dispatch(uint16_t function, ByteReader& p);

  Renderer& R() { return m_r; }
  const DecodeLimits& Limits() const { return m_limits; }
  bool FixedViewport() const { return m_fixedViewport; }
  // Reads a packed DIB from the rest of the record.
  bool ReadPackedDib(ByteReader& p, DibColors colors, DibImage& out);
  // An object created by a record takes the lowest free slot.
  void AddObject(ObjectPtr object) { m_r.Objects().Add(std::move(object)); }

 private:
  Renderer& m_r;
  const DecodeLimits& m_limits;
  bool m_fixedViewport = false;
};

}  // namespace tavlen::gfx::metafile
