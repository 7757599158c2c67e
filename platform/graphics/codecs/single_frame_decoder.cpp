// The decoder of a format whose one frame was decoded when the file was opened.
#include "platform/graphics/codecs/codec.h"

namespace tavlen::gfx {

// The frame is handed over rather than copied: a bitmap asks for each frame once and keeps it
// while it is active, so a second request means a second bitmap sharing this decoder.
Status SingleFrameDecoder::DecodeFrame(uint32_t index, DecodedFrame& out) {
  if (index != 0) return Status::InvalidParameter;
  if (m_handedOver) return Status::WrongState;
  out = std::move(m_frame);
  m_handedOver = true;
  return Status::Ok;
}

}  // namespace tavlen::gfx
