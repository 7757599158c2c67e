// Fuzzes the property-bag text reader, and the writer on whatever the reader kept.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/framework/prop_exchange.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tavlen::fw::PropertyBag bag;
  bag.Parse(std::string(reinterpret_cast<const char*>(data), size));
  // Whatever was kept must survive its own text form unchanged.
  const std::string text = bag.ToText();
  tavlen::fw::PropertyBag again;
  if (!again.Parse(text) || again.ToText() != text) __builtin_trap();
  return 0;
}
