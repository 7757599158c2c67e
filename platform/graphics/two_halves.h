// Long passes over rows split in two halves, the first on a second thread, so that both cores work.
#pragma once

#include <cstddef>
#include <cstdint>
#include <system_error>
#include <thread>

namespace tavlen::gfx {

// Below about this many bytes a second thread costs more than it saves.
inline constexpr size_t kWorthASecondThread = size_t{4} << 20;

// Whether work on one picture may take a second thread. Not when TAVLEN_THREADS is 1: batch work that
// runs a process per core gains nothing from a second thread a process and loses to their contention.
// Read once per process, on first use.
bool SecondThreadAllowed();

// Calls pass(begin, end) over the rows [0, rows). A pass over `bytes` of at least
// kWorthASecondThread runs as two halves split on a multiple of `align` rows, the first on a second
// thread; the whole pass runs on this one when no thread can be had or allowed. `pass` must allow two disjoint
// row ranges at once and must not throw.
template <class Pass>
void RunInTwoHalves(uint32_t rows, size_t bytes, uint32_t align, const Pass& pass) {
  const uint32_t half = align == 0 ? 0 : rows / (2 * align) * align;
  if (bytes >= kWorthASecondThread && half > 0 && SecondThreadAllowed()) {
    try {
      std::thread first([&pass, half] { pass(uint32_t{0}, half); });
      pass(half, rows);
      first.join();
      return;
    } catch (const std::system_error&) {
      // No thread: the whole pass on this one.
    }
  }
  pass(uint32_t{0}, rows);
}

}  // namespace tavlen::gfx
