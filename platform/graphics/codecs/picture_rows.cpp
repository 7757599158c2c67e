// RowPipe: bands decoded ahead of the reader on a second thread; MemoryFile, a sink in memory.
#include "platform/graphics/codecs/picture_rows.h"

#include <algorithm>
#include <new>
#include <system_error>

#include "platform/graphics/two_halves.h"

namespace tavlen::gfx {
namespace {

// 64 rows of a 6000-pixel colour picture are about 1 MB; four of them keep both threads busy.
constexpr uint32_t kBandRows = 64;
constexpr uint32_t kSlots = 4;

}  // namespace

RowPipe::RowPipe(RowSource& source, PixelFormat format, uint32_t width, uint32_t height) : m_source(source) {
  m_layout = {format, width, height, 0};
  m_bandCount = (height + kBandRows - 1) / kBandRows;
}

RowPipe::~RowPipe() {
  {
    std::lock_guard lock(m_mutex);
    m_stop = true;
  }
  m_changed.notify_all();
  if (m_thread.joinable()) m_thread.join();
}

Status RowPipe::Start() {
  if (m_bandCount == 0) return Status::InvalidParameter;
  try {
    for (uint32_t i = 0; i < std::min(kSlots, m_bandCount); ++i) {
      auto slot = PixelBuffer::Allocate(m_layout.format, m_layout.width, std::min(kBandRows, m_layout.height),
                                        PixelBuffer::Init::Uninitialized);
      if (!slot.Ok()) return slot.GetStatus();
      m_slots.push_back(std::move(slot).Value());
    }
    m_layout.stride = m_slots[0].Stride();
    m_zeros.assign(m_layout.stride, 0);
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  // Without a second thread the reader decodes each band when it gets to it.
  if (!SecondThreadAllowed()) return Status::Ok;
  try {
    m_thread = std::thread([this] { Produce(); });
  } catch (const std::system_error&) {
    // As without a second thread.
  }
  return Status::Ok;
}

Status RowPipe::DecodeBand(uint32_t band) {
  const uint32_t first = band * kBandRows;
  const uint32_t count = std::min(kBandRows, m_layout.height - first);
  PixelBuffer& slot = m_slots[band % m_slots.size()];
  uint8_t* rows[kBandRows];
  for (uint32_t r = 0; r < count; ++r) rows[r] = slot.Row(r);
  return m_source.ReadRows(std::span<uint8_t* const>(rows, count));
}

void RowPipe::Produce() {
  for (uint32_t band = 0; band < m_bandCount; ++band) {
    {
      std::unique_lock lock(m_mutex);
      m_changed.wait(lock, [&] { return m_stop || band < m_reading + m_slots.size(); });
      if (m_stop) return;
    }
    const Status s = DecodeBand(band);
    {
      std::lock_guard lock(m_mutex);
      if (s != Status::Ok) {
        m_status = s;
        m_stop = true;
      } else {
        m_decoded = band + 1;
      }
    }
    m_changed.notify_all();
    if (s != Status::Ok) return;
  }
}

const uint8_t* RowPipe::Row(uint32_t y) {
  const uint32_t band = y / kBandRows;
  std::unique_lock lock(m_mutex);
  if (band > m_reading + 1) {
    m_reading = band - 1;
    m_changed.notify_all();
  }
  if (!m_thread.joinable()) {
    while (m_status == Status::Ok && m_decoded <= band) {
      m_status = DecodeBand(m_decoded);
      if (m_status == Status::Ok) ++m_decoded;
    }
  }
  m_changed.wait(lock, [&] { return m_decoded > band || m_status != Status::Ok || m_stop; });
  if (m_decoded <= band) return m_zeros.data();
  return m_slots[band % m_slots.size()].Row(y % kBandRows);
}

Status RowPipe::Finish() {
  {
    // A reader that stopped short leaves the decoder waiting for it.
    std::lock_guard lock(m_mutex);
    m_stop = true;
  }
  m_changed.notify_all();
  if (m_thread.joinable()) m_thread.join();
  return m_status;
}

Status MemoryFile::Write(std::span<const uint8_t> bytes) {
  if (Status s = WriteAt(m_end, bytes); s != Status::Ok) return s;
  m_end += bytes.size();
  return Status::Ok;
}

Status MemoryFile::WriteAt(uint64_t offset, std::span<const uint8_t> bytes) {
  try {
    if (offset + bytes.size() > m_file.size()) m_file.resize(static_cast<size_t>(offset + bytes.size()));
  } catch (const std::bad_alloc&) {
    return Status::OutOfMemory;
  }
  std::copy(bytes.begin(), bytes.end(), m_file.begin() + static_cast<ptrdiff_t>(offset));
  return Status::Ok;
}

}  // namespace tavlen::gfx
