// Fuzzes the registry file reader, and the writer on whatever the reader accepted.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/automation/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using tavlen::ole::RegistryData;
  RegistryData parsed;
  if (RegistryData::Parse(std::string_view(reinterpret_cast<const char*>(data), size), &parsed) != tavlen::ole::S_OK) {
    return 0;
  }
  // An accepted file, written again, must read back as the same data.
  RegistryData again;
  if (RegistryData::Parse(parsed.Serialize(), &again) != tavlen::ole::S_OK || !(again == parsed)) __builtin_trap();
  return 0;
}
