// The EMF player's record loop and handlers, shared by its source files.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "platform/graphics/metafile/byte_reader.h"
#include "platform/graphics/metafile/emfplus_player.h"
#include "platform/graphics/metafile/player.h"
#include "platform/graphics/metafile/renderer.h"

namespace tavlen::gfx::metafile {

class EmfPlayer {
 public:
  EmfPlayer(Renderer& renderer, const DecodeLimits& limits) : m_r(renderer), m_limits(limits) {}
  ~EmfPlayer();

  // Plays every record after the header. InvalidParameter when the record walk breaks before any record.
  Status Play(std::span<const uint8_t> bytes, size_t offset, PlayStats& stats);

  // Handles one record (`rec` covers the whole record, its type and size included); false when it
  // was not understood or is malformed.
  bool Dispatch(uint32_t type, ByteReader& rec);

  Renderer& R() { return m_r; }
  const DecodeLimits& Limits() const { return m_limits; }
  // A DIB stored in the record at the given offsets (relative to the record's start).
  bool ReadDibAt(const ByteReader& rec, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits, uint32_t cbBits,
                 uint32_t usage, DibImage& out);
  // The object an index names: a stock object (top bit set) or a table slot.
  ObjectPtr Object(uint32_t index) const;
  // The EMF+ records of a comment (after its identifier). They are drawn when the whole file's EMF+ records
  // are of the kinds the player draws; the EMF records then draw only inside GetDC brackets, so that a
  // dual file draws once. Otherwise the EMF records draw and the EMF+ ones are only noted.
  void PlayEmfPlus(std::span<const uint8_t> records);
  bool SawEmfPlus() const { return m_sawEmfPlus; }

 private:
  Renderer& m_r;
  const DecodeLimits& m_limits;
  bool m_sawEmfPlus = false;
  std::unique_ptr<EmfPlusPlayer> m_plus;  // set when the file's EMF+ records are drawn
};

}  // namespace tavlen::gfx::metafile
